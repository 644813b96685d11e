// The 16-bit key identifier and the row of the key table that describes it.
#pragma once

#include <cstdint>

namespace quorvane {

// Set-1 make code of a key; 0x100 is added for keys sent with the 0xE0 prefix.
// Media, mouse and edit functions without a scan code of their own take free
// ids between 0x110 and 0x17E. 0 means no key.
using KeyId = std::uint16_t;

// A key's place in the key picker list (0-105).
using KeyListIndex = std::uint16_t;

// The byte by which the keyboard's firmware knows a key.
using DeviceKeyCode = std::uint8_t;

inline constexpr KeyId kNoKey = 0;
inline constexpr int kKeyTableRows = 256;
inline constexpr KeyListIndex kKeyListSize = 106;

// Ids 0x100-0x17F share the upper half of the table: they land on rows 0x80-0xFF.
constexpr std::uint8_t rowOfKey(KeyId id) {
    if (id < 0x100) {
        return static_cast<std::uint8_t>(id);
    }
    return static_cast<std::uint8_t>((id - 0x80) & 0xFF);
}

constexpr KeyId keyOfRow(std::uint8_t row) {
    return row < 0x80 ? KeyId{row} : static_cast<KeyId>(row + 0x80);
}

// True when keyOfRow(rowOfKey(id)) == id. Ids 0x80-0xFF and above 0x17F share
// their row with another id (0xB7 reads the row of 0x137).
constexpr bool hasOwnRow(KeyId id) {
    return keyOfRow(rowOfKey(id)) == id;
}

}  // namespace quorvane
