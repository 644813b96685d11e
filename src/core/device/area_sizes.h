// Sizes of the keyboard's memories, shared by the command set and the
// configuration's device layouts.
#pragma once

#include <cstddef>

namespace quorvane {

inline constexpr std::size_t kSettingsBlockSize = 44;
inline constexpr std::size_t kLightingRecordSize = 42;
inline constexpr std::size_t kKeyTableSize = 378;
inline constexpr std::size_t kColourBankSize = 512;

}  // namespace quorvane
