// Between one profile's block of key action entries and the keyboard's
// 126-slot key table. A slot always belongs to the key that the factory table
// names for it.
#pragma once

#include <optional>
#include <span>

#include "core/config/config_image.h"
#include "core/config/device_layouts.h"
#include "core/config/macro_record.h"
#include "core/config/working_config.h"

namespace quorvane {

// The key table of `profile` (0..2) built from the snapshot's image, starting
// from `defaults` (the factory table). Macro entries play the macro at the
// position the working macros give their id (macroIndexOfId). Takes
// ConfigLock (for the lookup), then DownloadLock. nullopt without an image or for
// another profile.
std::optional<DeviceKeyTable> buildKeyTable(const DownloadSnapshot& snapshot,
                                            const WorkingConfig& working,
                                            const DeviceKeyTable& defaults, int profile);

// The same without locks: `macros` is the list in which macro ids are looked up.
DeviceKeyTable buildKeyTableFrom(const ConfigImage& image, std::span<const MacroRecord> macros,
                                 const DeviceKeyTable& defaults, int profile);

// Fills block `block` of `image` from a key table read from the keyboard: the
// block is reset (G-key codes in their slots), then every slot that differs
// from `defaults` gives its key's entry.
void readKeyTable(const DeviceKeyTable& table, const DeviceKeyTable& defaults, ConfigImage& image,
                  int block);

}  // namespace quorvane
