// The keyboard's own memories, kept as the bytes it sends: the settings block,
// the lighting records, the per-key colour banks and the key tables.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "core/device/area_sizes.h"

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

struct SettingsBlock {
    std::array<std::uint8_t, kSettingsBlockSize> bytes{};

    static constexpr std::size_t kActiveProfile = 10;
    static constexpr std::size_t kMacroCapacity = 11;  // units of 128 bytes
    static constexpr std::size_t kEffects = 12;        // 32 effect codes, 0 = unused place

    std::uint8_t activeProfile() const { return bytes[kActiveProfile]; }
    std::uint32_t macroSpace() const { return std::uint32_t{bytes[kMacroCapacity]} * 128; }
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
static_assert(SettingsBlock::kEffects + kEffectListSize == kSettingsBlockSize);

// Field offsets; bytes the program does not interpret are kept as read.
struct LightingRecord {
    std::array<std::uint8_t, kLightingRecordSize> bytes{};

    static constexpr std::size_t kEffect = 0;
    static constexpr std::size_t kBrightness = 1;
    static constexpr std::size_t kSpeed = 2;
    static constexpr std::size_t kDirection = 3;
    static constexpr std::size_t kMulticolour = 4;
    static constexpr std::size_t kColour = 5;
    static constexpr std::size_t kBaseColour = 9;
    static constexpr std::size_t kFreeColour = 12;
    static constexpr std::size_t kReportRate = 15;
    static constexpr std::size_t kVariant = 17;
    static constexpr std::size_t kEffect7Option = 18;
    static constexpr std::size_t kTrigger = 19;
    static constexpr std::size_t kRippleColour = 25;
    static constexpr std::size_t kRippleRainbow = 28;
    static constexpr std::size_t kRibbonColour = 30;
    static constexpr std::size_t kRibbonRainbow = 33;

    Rgb colourAt(std::size_t at) const { return {bytes[at], bytes[at + 1], bytes[at + 2]}; }
    void setColourAt(std::size_t at, Rgb c) {
        bytes[at] = c.red;
        bytes[at + 1] = c.green;
        bytes[at + 2] = c.blue;
    }
    // A stored value above 3 reads as 3.
    std::uint8_t reportRate() const { return bytes[kReportRate] > 3 ? 3 : bytes[kReportRate]; }
    bool operator==(const LightingRecord&) const = default;
};

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
