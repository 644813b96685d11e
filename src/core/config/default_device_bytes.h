// Bytes the keyboard holds from the factory or after a reset, shared by the
// program and the emulated keyboard.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "core/config/device_layouts.h"

namespace quorvane {

// The factory key table as built into the program; the keyboard's own table
// replaces it when the keyboard arrives.
extern const std::array<std::uint8_t, kDeviceKeyTableSize> kBuiltInDefaultKeyTable;

// Restoring the lighting defaults writes these 35 bytes over the start of the
// current profile's lighting record.
inline constexpr std::size_t kDefaultLightingBytes = 35;
extern const std::array<std::uint8_t, kDefaultLightingBytes> kDefaultLightingRecord;

// A macro area without macros (names flag set).
inline constexpr std::size_t kMacroAreaHeaderSize = MacroArea::kHeaderSize;
extern const std::array<std::uint8_t, kMacroAreaHeaderSize> kEmptyMacroArea;

DeviceKeyTable builtInDefaultKeyTable() noexcept;

}  // namespace quorvane
