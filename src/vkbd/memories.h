// What the keyboard keeps in flash: one plain record of byte arrays, so that
// the factory state, the state file and the firmware all work on one shape.
//
// The sizes, the settings bytes, the macro-capacity rule and the factory bytes
// below are the firmware's own reading of the keyboard, written apart from the
// program's (core/config/device_layouts.h, default_device_bytes.h) on purpose:
// a misreading shared by both would pass every test. A test ties the factory
// bytes of the two together.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace quorvane::vkbd {

enum class Area : std::uint8_t {
    Settings,         // 44 bytes
    Lighting,         // three records of 42 bytes
    Colours,          // four banks of 512 bytes
    KeyTables,        // three tables of 378 bytes
    FactoryKeyTable,  // 378 bytes, read-only to commands
    MacroArea,        // settings byte 11 x 128 bytes
};

inline constexpr std::size_t kSettingsSize = 44;
inline constexpr std::size_t kSettingsActiveProfile = 10;
inline constexpr std::size_t kSettingsMacroCapacity = 11;  // in units of 128 bytes
inline constexpr std::size_t kSettingsEffectList = 12;     // to the end of the block
inline constexpr std::size_t kLightingRecordSize = 42;
inline constexpr std::size_t kLightingSize = 3 * kLightingRecordSize;
inline constexpr std::size_t kColourBankSize = 512;
inline constexpr std::size_t kColoursSize = 4 * kColourBankSize;
inline constexpr std::size_t kKeyTableSize = 378;
inline constexpr std::size_t kKeyTablesSize = 3 * kKeyTableSize;
inline constexpr std::size_t kMacroCapacityUnit = 128;
inline constexpr std::uint8_t kFactoryMacroCapacity = 0x40;  // 8 KiB

static_assert(kLightingSize == 126);
static_assert(kColoursSize == 2048);
static_assert(kKeyTablesSize == 1134);

struct Memories {
    std::array<std::uint8_t, kSettingsSize> settings{};
    std::array<std::uint8_t, kLightingSize> lighting{};
    std::array<std::uint8_t, kColoursSize> colours{};
    std::array<std::uint8_t, kKeyTablesSize> keyTables{};
    std::array<std::uint8_t, kKeyTableSize> factoryKeyTable{};
    // Always settings[kSettingsMacroCapacity] x 128 bytes long.
    std::vector<std::uint8_t> macroArea;

    bool operator==(const Memories&) const = default;
};

// The state the keyboard leaves the factory with.
Memories factoryMemories();

// The built-in factory key table (126 slots of kind, b1, b2).
const std::array<std::uint8_t, kKeyTableSize>& defaultKeyTable();

// The first 35 bytes every lighting record starts with.
inline constexpr std::size_t kDefaultLightingSize = 35;
const std::array<std::uint8_t, kDefaultLightingSize>& defaultLightingRecord();

}  // namespace quorvane::vkbd
