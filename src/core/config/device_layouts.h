// The keyboard's own memories, kept as the bytes it sends: the settings block,
// the lighting records, the per-key colour banks and the key tables.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "core/device/area_sizes.h"
#include "core/platform/byte_fields.h"

namespace quorvane {

inline constexpr std::size_t kColourBankCount = 4;
inline constexpr std::size_t kDeviceKeySlots = 126;
inline constexpr std::size_t kDeviceKeyTableSize = 3 * kDeviceKeySlots;
inline constexpr std::size_t kEffectListSize = 32;
inline constexpr std::uint8_t kPerKeyColourEffect = 20;
static_assert(kDeviceKeyTableSize == 378);

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    bool operator==(const Rgb&) const = default;
};

// Settings byte 11 counts the macro area's capacity in units of 128 bytes.
inline constexpr std::uint32_t kMacroCapacityUnit = 128;
constexpr std::uint32_t macroSpaceOf(std::uint8_t capacityByte) {
    return capacityByte * kMacroCapacityUnit;
}
// The largest macro area a keyboard can state.
inline constexpr std::uint32_t kMaxMacroSpace = macroSpaceOf(0xFF);

struct SettingsBlock {
    std::array<std::uint8_t, kSettingsBlockSize> bytes{};

    static constexpr Field kKeyboardSettings{"keyboard settings", 0, 10};  // kept as read
    static constexpr Field kActiveProfile{"active profile", 10, 1};
    static constexpr Field kMacroCapacity{"macro capacity", 11, 1};
    static constexpr Field kEffects{"effects", 12, kEffectListSize};  // 0 = unused place
    static constexpr std::array kFields = {kKeyboardSettings, kActiveProfile, kMacroCapacity,
                                           kEffects};

    std::uint8_t activeProfile() const { return bytes[kActiveProfile]; }
    std::uint32_t macroSpace() const { return macroSpaceOf(bytes[kMacroCapacity]); }
    std::uint8_t effectAt(std::size_t place) const { return bytes[kEffects + place]; }
    bool offersEffect(std::uint8_t code) const {
        for (std::size_t i = 0; i < kEffectListSize; ++i) {
            if (code != 0 && effectAt(i) == code) {
                return true;
            }
        }
        return false;
    }
    bool operator==(const SettingsBlock&) const = default;
};
static_assert(tilesLayout(SettingsBlock::kFields, kSettingsBlockSize));

// Bytes the program does not interpret are kept as read.
struct LightingRecord {
    std::array<std::uint8_t, kLightingRecordSize> bytes{};

    static constexpr Field kEffect{"effect", 0, 1};
    static constexpr Field kBrightness{"brightness", 1, 1};
    static constexpr Field kSpeed{"speed", 2, 1};
    static constexpr Field kDirection{"direction", 3, 1};
    static constexpr Field kMulticolour{"multicolour", 4, 1};
    static constexpr Field kColour{"colour", 5, 3};
    static constexpr Field kKept8{"kept", 8, 1};
    static constexpr Field kBaseColour{"base colour", 9, 3};
    static constexpr Field kFreeColour{"free colour", 12, 3};
    static constexpr Field kReportRate{"report rate", 15, 1};
    static constexpr Field kKept16{"kept", 16, 1};
    static constexpr Field kVariant{"variant", 17, 1};
    static constexpr Field kEffect7Option{"effect-7 option", 18, 1};
    static constexpr Field kTrigger{"trigger", 19, 1};
    static constexpr Field kKept20{"kept", 20, 5};
    static constexpr Field kRippleColour{"ripple colour", 25, 3};
    static constexpr Field kRippleRainbow{"ripple rainbow", 28, 1};
    static constexpr Field kKept29{"kept", 29, 1};
    static constexpr Field kRibbonColour{"ribbon colour", 30, 3};
    static constexpr Field kRibbonRainbow{"ribbon rainbow", 33, 1};
    static constexpr Field kKept34{"kept", 34, 8};
    static constexpr std::array kFields = {
        kEffect,        kBrightness,    kSpeed,      kDirection,    kMulticolour,   kColour,
        kKept8,         kBaseColour,    kFreeColour, kReportRate,   kKept16,        kVariant,
        kEffect7Option, kTrigger,       kKept20,     kRippleColour, kRippleRainbow, kKept29,
        kRibbonColour,  kRibbonRainbow, kKept34};

    Rgb colourAt(const Field& at) const { return {bytes[at], bytes[at + 1], bytes[at + 2]}; }
    void setColourAt(const Field& at, Rgb c) {
        bytes[at] = c.red;
        bytes[at + 1] = c.green;
        bytes[at + 2] = c.blue;
    }
    // A stored value above 3 reads as 3.
    std::uint8_t reportRate() const { return bytes[kReportRate] > 3 ? 3 : bytes[kReportRate]; }
    bool operator==(const LightingRecord&) const = default;
};
static_assert(tilesLayout(LightingRecord::kFields, kLightingRecordSize));

// Three bytes (red, green, blue) per LED index.
struct ColourBank {
    std::array<std::uint8_t, kColourBankSize> bytes{};

    static constexpr int kLedCount = 126;  // LED indexes the program uses
    static constexpr bool holds(int led) {
        return led >= 0 && static_cast<std::size_t>(led) * 3 + 3 <= kColourBankSize;
    }
    // Black for an LED outside the bank.
    Rgb colourOf(int led) const {
        if (!holds(led)) {
            return {};
        }
        const std::size_t at = static_cast<std::size_t>(led) * 3;
        return {bytes[at], bytes[at + 1], bytes[at + 2]};
    }
    // Ignored for an LED outside the bank.
    void setColour(int led, Rgb c) {
        if (!holds(led)) {
            return;
        }
        const std::size_t at = static_cast<std::size_t>(led) * 3;
        bytes[at] = c.red;
        bytes[at + 1] = c.green;
        bytes[at + 2] = c.blue;
    }
    bool operator==(const ColourBank&) const = default;
};
static_assert(ColourBank::holds(ColourBank::kLedCount - 1));

// One key per slot: (kind, b1, b2).
struct DeviceKeyTable {
    std::array<std::uint8_t, kDeviceKeyTableSize> bytes{};

    struct Slot {
        std::uint8_t kind = 0;
        std::uint8_t b1 = 0;
        std::uint8_t b2 = 0;
        bool operator==(const Slot&) const = default;
    };
    Slot slot(std::size_t s) const { return {bytes[3 * s], bytes[3 * s + 1], bytes[3 * s + 2]}; }
    void setSlot(std::size_t s, Slot v) {
        bytes[3 * s] = v.kind;
        bytes[3 * s + 1] = v.b1;
        bytes[3 * s + 2] = v.b2;
    }
    bool operator==(const DeviceKeyTable&) const = default;
};

}  // namespace quorvane
