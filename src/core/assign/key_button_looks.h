// The key buttons of the main window seen from the assignment rules: which
// entry slot a button edits, how each button looks and what its tip says, and
// the two resets. Callers hold no lock; the functions take ConfigLock.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/app/text_lookup.h"
#include "core/assign/assign_port.h"
#include "core/config/working_config.h"

namespace quorvane {

// The G-key button that opens the dialog for macros only (G9); the main
// window's macro-edit button opens the dialog with this id too.
inline constexpr int kMacroOnlyButtonId = 1143;

struct KeyButtonSlot {
    int slot = 0;           // 0..511 within a profile's block
    int gKeyPosition = -1;  // 0..8 for a G key, -1 for a key of the picture
    KeyId key = 0;          // the key of the picture; 0 for a G key
};

// The slot the button edits: rowOfKey of a picture key, 256 + position of a G
// key (265 + position in bank B: bit 0 of gKeyBank). nullopt for any other id.
std::optional<KeyButtonSlot> slotOfKeyButton(int controlId, std::uint8_t gKeyBank);

struct KeyButtonLook {
    int controlId = 0;
    bool assigned = false;
    std::u16string tip;
};

// Look and tip of every G-key button (entries of the selected bank) and every
// key button, from the block of `activeProfile` (0..3). Empty when the block
// cannot be read (activeProfile outside 0..3, or no image).
std::vector<KeyButtonLook> keyButtonLooks(const WorkingConfig& config, int activeProfile,
                                          std::uint8_t gKeyBank, const TextLookup& loadText);

// The button that shows entry `entryIndex` while `activeProfile` is active:
// only entries of that profile's block have one.
std::optional<int> buttonOfEntryIndex(int entryIndex, int activeProfile, std::uint8_t gKeyBank);

// The look and tip of an empty entry for a button; nullopt for an id that is
// not a key button.
std::optional<KeyButtonLook> unassignedLook(int controlId, const TextLookup& loadText);

// resetKeyButton: gives the button of `entryIndex` (if it shows that entry)
// the unassigned look and the tip of an empty entry.
void resetKeyButton(AssignPort& port, int entryIndex, int activeProfile, std::uint8_t gKeyBank,
                    const TextLookup& loadText);

// resetAllKeys: in the block of the keyboard's active profile (read afresh),
// empties the entries of the 104 keys and of the nine G keys of the selected
// bank, with their texts; every button gets the unassigned look and the main
// window's Apply is enabled. False (nothing changed) when the keyboard does
// not answer or there is no image.
bool resetAllKeys(WorkingConfig& config, AssignPort& port, std::uint8_t gKeyBank,
                  const TextLookup& loadText);

}  // namespace quorvane
