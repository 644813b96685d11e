// The configuration being edited (WorkingConfig), the copy a download works
// from (DownloadSnapshot), and the small operations every editor uses.
//
// Locking: ConfigLock guards WorkingConfig, DownloadLock guards DownloadSnapshot;
// ConfigLock is always taken first. The operations below do not lock unless
// they say so: callers hold ConfigLock around them.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/config/action_type.h"
#include "core/config/config_image.h"
#include "core/config/macro_record.h"
#include "core/config/text_table.h"
#include "core/keys/key_id.h"

namespace quorvane {

struct WorkingConfig {
    mutable std::recursive_mutex ConfigLock;
    std::unique_ptr<ConfigImage> image;  // none until installed
    std::vector<MacroRecord> macros;     // at most kMaxMacros when saved or sent
    TextTable texts;
    std::uint32_t textTotal = 0;  // sum of byteLength over all slots

    std::uint16_t macroCount() const { return static_cast<std::uint16_t>(macros.size()); }
};

struct DownloadSnapshot {
    mutable std::recursive_mutex DownloadLock;
    std::unique_ptr<ConfigImage> image;
    std::vector<MacroRecord> macros;

    std::uint16_t macroCount() const { return static_cast<std::uint16_t>(macros.size()); }
};

// Installs (install = true) a default image into `config`, or writes a new
// profile file holding it to `path` (config is then not touched).
// 1 on success, 0 when memory or the file cannot be had.
int createDefaultImage(WorkingConfig& config, const std::string& path, bool install);

void clearTexts(WorkingConfig& config);
void clearMacros(WorkingConfig& config);
void clearImage(WorkingConfig& config);

// Replaces the text of slot n (a text is cut at an embedded zero); false for a
// slot outside 0..2047.
bool setText(WorkingConfig& config, int n, std::u16string_view text);
void clearText(WorkingConfig& config, int n);

// Take ConfigLock themselves. macroIndexOfId gives 0 when no macro has the id.
int macroIndexOfId(const WorkingConfig& config, std::uint32_t id);
std::uint16_t macroIdAt(const WorkingConfig& config, int index);

// Resets to the default action every key whose macro is not in the model (a
// keyboard left between two writes can hold such keys); takes ConfigLock.
// Returns how many keys it reset.
int dropKeysOfMissingMacros(WorkingConfig& config);

// nullptr when there is no image or the address is outside the image.
KeyActionEntry* entryAt(WorkingConfig& config, int profile, int slot);
const KeyActionEntry* entryAt(const WorkingConfig& config, int profile, int slot);

// The block that shows the keys while `activeProfile` is active: the profile
// itself for 0..3, -1 when nothing is to be read.
constexpr int displayBlockOf(int activeProfile) {
    return activeProfile >= 0 && activeProfile <= kDefaultModeBlock ? activeProfile : -1;
}

// Writes an assignment into entry n under ConfigLock: the text slot is cleared,
// then type, aux and value are set; colourMark and reserved stay. False when
// there is no image or n is outside the image.
bool writeAssignment(WorkingConfig& config, int n, std::uint16_t type, std::uint16_t aux,
                     std::uint32_t value);

// The default button: under ConfigLock, in the block of activeProfile (0..3),
// zeroes the nine G-key entries of the selected bank and the entries of the
// given keys (the keyboard picture's keys, by KeyId). False (nothing done) when
// activeProfile is not 0..3 or there is no image; the caller marks the
// configuration dirty on true.
bool restoreDefaultAssignment(WorkingConfig& config, int activeProfile, std::uint8_t gKeyBank,
                              std::span<const KeyId> pictureKeys);

// Start of a download: under DownloadLock, replaces the snapshot with a copy of
// the working image (its header counters rewritten) and macros. The caller
// holds ConfigLock. False when there is no working image or memory is short.
bool takeDownloadSnapshot(const WorkingConfig& config, DownloadSnapshot& snapshot);

}  // namespace quorvane
