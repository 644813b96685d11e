// Pure conversions between KeyIds, list positions, HID usages, modifier masks,
// the keyboard's stored key entries and Windows-style keystrokes.
#pragma once

#include <cstdint>

#include "core/keys/key_id.h"

namespace quorvane {

struct UsagePair {
    std::uint16_t page = 0;
    std::uint16_t usage = 0;

    friend constexpr bool operator==(const UsagePair&, const UsagePair&) = default;
};

inline constexpr std::uint16_t kUsagePageGenericDesktop = 1;
inline constexpr std::uint16_t kUsagePageKeyboard = 7;
inline constexpr std::uint16_t kUsagePageConsumer = 12;

// The key at picker position i (first row in row order); 0 when no key sits there.
KeyId keyOfListIndex(KeyListIndex i);

// The list index column of the key's row: 0xFFFF for an empty row, 0x8000 or
// more for a key the picker does not offer.
KeyListIndex listIndexOfKey(KeyId id);

// The firmware code of the key's row decoded into a usage; (0, 0) when none.
UsagePair usageOfKey(KeyId id);
// Decodes a raw firmware code the same way.
UsagePair usageOfDeviceCode(std::uint8_t deviceCode);

// The first row whose firmware code matches the usage; 0 when none.
KeyId keyOfUsage(UsagePair usage);
inline KeyId keyOfUsage(std::uint16_t page, std::uint16_t usage) {
    return keyOfUsage(UsagePair{page, usage});
}

// The key of the lowest set bit; 0 for mask 0.
KeyId keyOfModifierMask(std::uint8_t mask);

// The modifier bit of one of the eight modifier keys as a mask (Right Shift:
// 0x20); 0 for every other key.
std::uint8_t modifierBitOfKey(KeyId id);

// A key as the keyboard stores it (kind, b1, b2); 0 when the entry names no key.
KeyId keyOfDeviceEntry(std::uint8_t kind, std::uint8_t b1, std::uint8_t b2);

// What a Windows keyboard hook delivers: virtual-key code and the keystroke
// flags of a keyboard message (scan code in bits 16-23, extended key bit 24,
// previous state bit 30, transition bit 31). VKs above 0xFF name no key.
KeyId keyOfKeystroke(std::uint32_t vk, std::uint32_t flags);

struct KeystrokeFlags {
    std::uint8_t scanCode = 0;
    bool extended = false;
    bool wasDown = false;  // an auto-repeat of a press
    bool release = false;
};
std::uint32_t makeKeystrokeFlags(const KeystrokeFlags& f);

}  // namespace quorvane
