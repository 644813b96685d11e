// The keyboard's own memories, kept as the bytes it sends: the settings block,
// the lighting records, the per-key colour banks and the key tables.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "core/device/area_sizes.h"
#include "base/byte_fields.h"

namespace quorvane {

inline constexpr std::size_t kColourBankCount = 4;
inline constexpr std::size_t kDeviceKeySlots = 126;
inline constexpr std::size_t kDeviceKeyTableSize = kKeyTableSize;
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

// The macro area: a header, a table of u16 record offsets (one per macro, from
// the start of the area), then one record per macro: a record header, the
// steps, then the name's UTF-16 units when the header's names flag is 1.
struct MacroArea {
    static constexpr std::uint16_t kMagicValue = 0x55AA;

    static constexpr Field kMagic{"magic", 0, 2};
    static constexpr Field kTotalSize{"total size", 2, 2};
    static constexpr Field kMacroCount{"macro count", 4, 2};
    static constexpr Field kNamesFlag{"names flag", 6, 2};
    static constexpr Field kReserved{"reserved", 8, 8};
    static constexpr std::array kHeaderFields = {kMagic, kTotalSize, kMacroCount, kNamesFlag,
                                                 kReserved};
    static constexpr std::size_t kHeaderSize = 16;
    static constexpr std::size_t kRecordOffsetSize = 2;

    // From the start of a record.
    static constexpr Field kStepCount{"step count", 0, 2};
    static constexpr Field kPlayCount{"play count", 2, 1};
    static constexpr Field kNameUnits{"name units", 3, 1};
    static constexpr std::array kRecordHeaderFields = {kStepCount, kPlayCount, kNameUnits};
    static constexpr std::size_t kRecordHeaderSize = 4;

    // From the start of a step.
    static constexpr Field kWord0{"word 0", 0, 2};
    static constexpr Field kWord1{"word 1", 2, 2};
    static constexpr std::array kStepFields = {kWord0, kWord1};
    static constexpr std::size_t kStepSize = 4;
};
static_assert(tilesLayout(MacroArea::kHeaderFields, MacroArea::kHeaderSize));
static_assert(tilesLayout(MacroArea::kRecordHeaderFields, MacroArea::kRecordHeaderSize));
static_assert(tilesLayout(MacroArea::kStepFields, MacroArea::kStepSize));

// The kind byte of a key-table slot and of a macro step, and the b1 values of
// the keyboard and function kinds.
inline constexpr std::uint8_t kKindNone = 0;
inline constexpr std::uint8_t kKindKeyboard = 2;
inline constexpr std::uint8_t kKindConsumer = 3;
inline constexpr std::uint8_t kKindDesktop = 4;
inline constexpr std::uint8_t kKindFunction = 5;
inline constexpr std::uint8_t kKeyboardModifier = 1;
inline constexpr std::uint8_t kKeyboardUsage = 2;
inline constexpr std::uint8_t kFunctionPlayMacro = 1;
inline constexpr std::uint8_t kFunctionStopMacro = 2;
inline constexpr std::uint8_t kFunctionEdit = 5;

// One key per slot: (kind, b1, b2).
struct DeviceKeyTable {
    std::array<std::uint8_t, kDeviceKeyTableSize> bytes{};

    struct Slot {
        std::uint8_t kind = 0;
        std::uint8_t b1 = 0;
        std::uint8_t b2 = 0;
        bool operator==(const Slot&) const = default;
    };
    static constexpr Field kKind{"kind", 0, 1};
    static constexpr Field kB1{"b1", 1, 1};
    static constexpr Field kB2{"b2", 2, 1};
    static constexpr std::array kSlotFields = {kKind, kB1, kB2};
    static constexpr std::size_t kSlotSize = 3;

    Slot slot(std::size_t s) const {
        const std::size_t at = kSlotSize * s;
        return {bytes[at + kKind], bytes[at + kB1], bytes[at + kB2]};
    }
    void setSlot(std::size_t s, Slot v) {
        const std::size_t at = kSlotSize * s;
        bytes[at + kKind] = v.kind;
        bytes[at + kB1] = v.b1;
        bytes[at + kB2] = v.b2;
    }
    bool operator==(const DeviceKeyTable&) const = default;
};
static_assert(tilesLayout(DeviceKeyTable::kSlotFields, DeviceKeyTable::kSlotSize));
static_assert(DeviceKeyTable::kSlotSize * kDeviceKeySlots == kDeviceKeyTableSize);

}  // namespace quorvane
