// What the keyboard picture shows, read from the model in one go on the core's
// thread and handed to the window as a value: the window paints from this copy
// and never takes ConfigLock. Also the colour-keys selection words.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/config/key_action_entry.h"
#include "core/config/working_config.h"
#include "core/window/gkey_captions.h"
#include "core/window/key_buttons.h"

namespace quorvane {

struct KeyButtonView {
    bool checked = false;   // the key carries an assignment in the shown profile
    bool selected = false;  // colour-keys mode selection
    std::u16string tooltip;
};

struct KeyboardPicture {
    int block = -1;         // the block the states come from; -1: none (all unchecked)
    int colourBlock = 0;    // the block of the selection words
    std::uint8_t bank = 0;  // G-key bank: 0 = A, 1 = B
    std::array<KeyButtonView, kKeyButtonCount> keys{};  // kKeyButtons order
    std::array<KeyButtonView, kGKeyCount> gKeys{};
};

// The tooltip of one key: its entry and its name ("Y%d" for G key i + 1).
using KeyTipBuilder =
    std::function<std::u16string(const KeyActionEntry& entry, std::u16string_view keyName)>;
// The name of a key button's key.
using KeyNamer = std::function<std::u16string(KeyId key)>;

// The block whose selection words colour-keys mode shows: the current profile,
// or block 0 while the keyboard is in no profile (-1 or its default mode).
constexpr int colourKeyBlockOf(int currentProfile) {
    return currentProfile >= 0 && currentProfile < kProfileCount ? currentProfile : 0;
}

// Takes ConfigLock. Without tips (empty builder) the tooltips stay empty.
KeyboardPicture readKeyboardPicture(const WorkingConfig& config, int activeProfile,
                                    int currentProfile, std::uint8_t bank,
                                    const KeyTipBuilder& tips, const KeyNamer& names);

// The checked states of the nine G keys only (UM_LED). Takes ConfigLock.
std::array<bool, kGKeyCount> readGKeyStates(const WorkingConfig& config, int activeProfile,
                                            std::uint8_t bank);

// Which selection word a button uses: G key i -> i (+9 in bank B), key button j -> j.
// -1 for any other control id.
int selectionWordOf(int controlId, std::uint8_t bank);

// Toggles a button's selection word between 0 and 1 under ConfigLock; returns
// the new flag, or false when there is no image or the id has no word.
bool toggleColourKeySelection(WorkingConfig& config, int currentProfile, int controlId,
                              std::uint8_t bank);

}  // namespace quorvane
