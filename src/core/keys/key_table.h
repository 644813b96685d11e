// The constant key table, the consumer usages of the firmware's media codes and
// the virtual-key to row table.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "core/keys/key_id.h"

namespace quorvane {

// List index of a populated row whose key is not offered by the key picker.
inline constexpr KeyListIndex kNotInPicker = 0x8000;
// List index of an empty row.
inline constexpr KeyListIndex kEmptyRow = 0xFFFF;
// VK of a key that Windows has no virtual-key code for.
inline constexpr std::uint8_t kNoVk = 0xFF;

// Language-text keys of key names are this prefix followed by KeyRow::textSuffix.
inline constexpr std::string_view kKeyTextPrefix = "IDS_KEYBOARD_";

struct KeyRow {
    std::uint8_t vk = 0;     // 0 for an empty row, kNoVk when the key has none
    std::uint8_t altVk = 0;  // the VK of the other Num Lock state; equal to vk elsewhere
    KeyListIndex listIndex = kEmptyRow;
    DeviceKeyCode deviceCode = 0;
    std::string_view textSuffix;  // after kKeyTextPrefix; empty when the key has no name

    constexpr bool populated() const { return listIndex != kEmptyRow; }
};

namespace keys_detail {

struct KeyDef {
    std::string_view text;
    KeyId id;
    KeyListIndex listIndex;
    std::uint8_t vk;
    std::uint8_t altVk;
    DeviceKeyCode deviceCode;
};

constexpr KeyDef key(KeyId id, std::string_view text, KeyListIndex list, std::uint8_t vk,
                     DeviceKeyCode device) {
    return KeyDef{text, id, list, vk, vk, device};
}

// Keypad digits: their VK with Num Lock on, then the one with Num Lock off.
constexpr KeyDef pad(KeyId id, std::string_view text, KeyListIndex list, std::uint8_t vk,
                     std::uint8_t altVk, DeviceKeyCode device) {
    return KeyDef{text, id, list, vk, altVk, device};
}

inline constexpr KeyListIndex kOut = kNotInPicker;

// Every populated row except the letters, which follow one rule (see makeKeyTable).
inline constexpr KeyDef kKeyDefs[] = {
    key(0x01, "ESC", 37, 0x1B, 0x29),
    key(0x02, "1", 26, 0x31, 0x1E),
    key(0x03, "2", 27, 0x32, 0x1F),
    key(0x04, "3", 28, 0x33, 0x20),
    key(0x05, "4", 29, 0x34, 0x21),
    key(0x06, "5", 30, 0x35, 0x22),
    key(0x07, "6", 31, 0x36, 0x23),
    key(0x08, "7", 32, 0x37, 0x24),
    key(0x09, "8", 33, 0x38, 0x25),
    key(0x0A, "9", 34, 0x39, 0x26),
    key(0x0B, "0", 35, 0x30, 0x27),
    key(0x0C, "MINUS", 41, 0xBD, 0x2D),
    key(0x0D, "EQU", 42, 0xBB, 0x2E),
    key(0x0E, "BS", 38, 0x08, 0x2A),
    key(0x0F, "TAB", 39, 0x09, 0x2B),
    key(0x1A, "SB1", 43, 0xDB, 0x2F),
    key(0x1B, "SB2", 44, 0xDD, 0x30),
    key(0x1C, "ENTER", 36, 0x0D, 0x28),
    key(0x1D, "LCTRL", 98, 0xA2, 0xE0),
    key(0x27, "SEM", 46, 0xBA, 0x33),
    key(0x28, "QUOT", 47, 0xDE, 0x34),
    key(0x29, "AID1", 48, 0xC0, 0x35),
    key(0x2A, "LSHIFT", 99, 0xA0, 0xE1),
    key(0x2B, "AV", 45, 0xDC, 0x31),
    key(0x33, "COMMA", 49, 0xBC, 0x36),
    key(0x34, "PER", 50, 0xBE, 0x37),
    key(0x35, "VIR", 51, 0xBF, 0x38),
    key(0x36, "RSHIFT", 103, 0xA1, 0xE5),
    key(0x37, "S_AST", 81, 0x6A, 0x55),
    key(0x38, "LALT", 100, 0xA4, 0xE2),
    key(0x39, "SPACE", 40, 0x20, 0x2C),
    key(0x3A, "CAPS", 78, 0x14, 0x39),
    key(0x3B, "F1", 52, 0x70, 0x3A),
    key(0x3C, "F2", 53, 0x71, 0x3B),
    key(0x3D, "F3", 54, 0x72, 0x3C),
    key(0x3E, "F4", 55, 0x73, 0x3D),
    key(0x3F, "F5", 56, 0x74, 0x3E),
    key(0x40, "F6", 57, 0x75, 0x3F),
    key(0x41, "F7", 58, 0x76, 0x40),
    key(0x42, "F8", 59, 0x77, 0x41),
    key(0x43, "F9", 60, 0x78, 0x42),
    key(0x44, "F10", 61, 0x79, 0x43),
    key(0x45, "PAUSE", 65, 0x13, 0x48),
    key(0x46, "SCROLL", 77, 0x91, 0x47),
    pad(0x47, "S_7", 91, 0x67, 0x24, 0x5F),
    pad(0x48, "S_8", 92, 0x68, 0x26, 0x60),
    pad(0x49, "S_9", 93, 0x69, 0x21, 0x61),
    key(0x4A, "S_MINUS", 82, 0x6D, 0x56),
    pad(0x4B, "S_4", 88, 0x64, 0x25, 0x5C),
    pad(0x4C, "S_5", 89, 0x65, 0x0C, 0x5D),
    pad(0x4D, "S_6", 90, 0x66, 0x27, 0x5E),
    key(0x4E, "S_PLUS", 83, 0x6B, 0x57),
    pad(0x4F, "S_1", 85, 0x61, 0x23, 0x59),
    pad(0x50, "S_2", 86, 0x62, 0x28, 0x5A),
    pad(0x51, "S_3", 87, 0x63, 0x22, 0x5B),
    pad(0x52, "S_0", 94, 0x60, 0x2D, 0x62),
    pad(0x53, "S_DEL", 95, 0x6E, 0x2E, 0x63),
    key(0x54, "SYSREQ", kOut, 0x2C, 0x00),
    key(0x56, "K45", 96, 0xE2, 0x64),
    key(0x57, "F11", 62, 0x7A, 0x44),
    key(0x58, "F12", 63, 0x7B, 0x45),
    key(0x64, "", kOut, 0x7C, 0x00),
    key(0x70, "ROMA", kOut, 0xFF, 0x88),
    key(0x71, "KL", kOut, 0xE9, 0x91),
    key(0x72, "KR", kOut, 0xFF, 0x90),
    key(0x73, "K56", kOut, 0xC1, 0x87),
    key(0x79, "CHG", kOut, 0xFF, 0x8A),
    key(0x7B, "N_CHG", kOut, 0xEB, 0x8B),
    key(0x7D, "K14", kOut, 0xFF, 0x89),
    key(0x7E, "K107", kOut, 0xC2, 0x85),
    key(0x110, "PREV_TRACK", kOut, 0xB1, 0xD0),
    key(0x119, "NEXT_TRACK", kOut, 0xB0, 0xD1),
    key(0x11C, "S_ENTER", 84, 0x0D, 0x58),
    key(0x11D, "RCTRL", 102, 0xA3, 0xE4),
    key(0x120, "MUTE", kOut, 0xAD, 0xCD),
    key(0x121, "CALC", kOut, 0xB7, 0xC4),
    key(0x122, "PLAY", kOut, 0xB3, 0xCE),
    key(0x124, "STOP", kOut, 0xB2, 0xCF),
    key(0x12E, "VOL_SUB", kOut, 0xAE, 0xC1),
    key(0x130, "VOL_ADD", kOut, 0xAF, 0xC0),
    key(0x132, "W_HOME", kOut, 0xAC, 0xC7),
    key(0x135, "S_VIR", 80, 0x6F, 0x54),
    key(0x136, "RSHIFT", 103, 0xA1, 0xE5),
    key(0x137, "PRINT", 64, 0x2C, 0x46),
    key(0x138, "RALT", 104, 0xA5, 0xE6),
    key(0x145, "NUM", 79, 0x90, 0x53),
    key(0x146, "BREAK", 66, 0x03, 0x48),
    key(0x147, "HOME", 69, 0x24, 0x4A),
    key(0x148, "UP", 73, 0x26, 0x52),
    key(0x149, "PAGE_UP", 71, 0x21, 0x4B),
    key(0x14B, "LEFT", 75, 0x25, 0x50),
    key(0x14D, "RIGHT", 76, 0x27, 0x4F),
    key(0x14F, "END", 70, 0x23, 0x4D),
    key(0x150, "DOWN", 74, 0x28, 0x51),
    key(0x151, "PAGE_DOWN", 72, 0x22, 0x4E),
    key(0x152, "INSERT", 67, 0x2D, 0x49),
    key(0x153, "DELETE", 68, 0x2E, 0x4C),
    key(0x15B, "LWIN", 101, 0x5B, 0xE3),
    key(0x15C, "RWIN", 105, 0x5C, 0xE7),
    key(0x15D, "APP", 97, 0x5D, 0x65),
    key(0x15E, "POWER", kOut, 0xFF, 0x81),
    key(0x15F, "SLEEP", kOut, 0x5F, 0x82),
    key(0x163, "WAKE", kOut, 0xFF, 0x83),
    key(0x165, "W_SEARCH", kOut, 0xAA, 0xC6),
    key(0x166, "W_FAVORITE", kOut, 0xAB, 0xCC),
    key(0x167, "W_REFRESH", kOut, 0xA8, 0xCB),
    key(0x168, "W_STOP", kOut, 0xA9, 0xCA),
    key(0x169, "W_FORWARD", kOut, 0xA7, 0xC9),
    key(0x16A, "W_BACK", kOut, 0xA6, 0xC8),
    key(0x16B, "MY_PC", kOut, 0xB6, 0xC5),
    key(0x16C, "MAIL", kOut, 0xB4, 0xC3),
    key(0x16D, "MEDIA", kOut, 0xB5, 0xC2),
    key(0x16E, "MOU_PANLEFT", kOut, 0x88, 0x00),
    key(0x16F, "MOU_PANRIGHT", kOut, 0x89, 0x00),
    key(0x170, "MOU_DBCLICK", kOut, 0x8A, 0x00),
    key(0x171, "MOU_LEFT", kOut, 0x01, 0xF1),
    key(0x172, "MOU_RIGHT", kOut, 0x02, 0xF2),
    key(0x173, "MOU_MIDDLE", kOut, 0x04, 0xF3),
    key(0x174, "FUNC_ZOOMOUT", kOut, 0x8B, 0xD2),
    key(0x175, "FUNC_ZOOMIN", kOut, 0x8C, 0xD3),
    key(0x176, "FUNC_COPY", kOut, 0x97, 0x00),
    key(0x177, "FUNC_CUT", kOut, 0x98, 0x00),
    key(0x178, "FUNC_PASTE", kOut, 0x99, 0x00),
    key(0x179, "FUNC_MINI", kOut, 0x9A, 0x00),
    key(0x17A, "FUNC_MAXI", kOut, 0x9B, 0x00),
    key(0x17B, "FUNC_WORD", kOut, 0x9C, 0xD4),
    key(0x17C, "FUNC_EXCEL", kOut, 0x9D, 0xD5),
    key(0x17D, "FUNC_POWERPOINT", kOut, 0x9E, 0x00),
    key(0x17E, "FUNC_CALENDAR", kOut, 0x9F, 0x00),
};

// Set-1 make codes of the letters A to Z.
inline constexpr std::uint8_t kLetterScanCodes[26] = {
    0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17, 0x24, 0x25, 0x26, 0x32,
    0x31, 0x18, 0x19, 0x10, 0x13, 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C,
};

inline constexpr std::string_view kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";

constexpr std::array<KeyRow, kKeyTableRows> makeKeyTable() {
    std::array<KeyRow, kKeyTableRows> rows{};
    for (int i = 0; i < 26; ++i) {
        const auto vk = static_cast<std::uint8_t>('A' + i);
        rows[kLetterScanCodes[i]] =
            KeyRow{vk, vk, static_cast<KeyListIndex>(i), static_cast<DeviceKeyCode>(0x04 + i),
                   kLetters.substr(static_cast<std::size_t>(i), 1)};
    }
    for (const KeyDef& def : kKeyDefs) {
        rows[rowOfKey(def.id)] = KeyRow{def.vk, def.altVk, def.listIndex, def.deviceCode, def.text};
    }
    return rows;
}

}  // namespace keys_detail

// One row per KeyId (see rowOfKey); rows not listed are empty.
inline constexpr std::array<KeyRow, kKeyTableRows> KeyTable = keys_detail::makeKeyTable();

// Consumer usages of the firmware's device codes 0xC0-0xDF.
inline constexpr std::array<std::uint16_t, 32> ConsumerUsageTable = {
    0x0E9, 0x0EA, 0x183, 0x18A, 0x192, 0x194, 0x221, 0x223, 0x224, 0x225, 0x226,
    0x227, 0x22A, 0x0E2, 0x0CD, 0x0B7, 0x0B6, 0x0B5, 0,     0,     0,     0,
    0,     0,     0,     0,     0,     0,     0,     0,     0,     0,
};

namespace keys_detail {

constexpr std::uint8_t vkRow(std::uint8_t vk) {
    switch (vk) {
        // The generic modifiers stand for their left keys.
        case 0x10:
            return rowOfKey(0x2A);
        case 0x11:
            return rowOfKey(0x1D);
        case 0x12:
            return rowOfKey(0x38);
        // Both Sys Req and Print Screen carry VK 0x2C; the key is Print Screen.
        case 0x2C:
            return rowOfKey(0x137);
        // Mouse buttons, edit functions and "no VK" are not keys.
        case 0x01:
        case 0x02:
        case 0x04:
        case 0x88:
        case 0x89:
        case 0x8A:
        case 0x97:
        case 0x98:
        case 0x99:
        case 0x9A:
        case 0x9B:
        case 0x9E:
        case 0x9F:
        case 0xFF:
            return 0;
        case 0x8B:
            return 0xD2;
        case 0x8C:
            return 0xD3;
        case 0x9C:
            return 0xD4;
        case 0x9D:
            return 0xD5;
        default:
            break;
    }
    if (vk == 0) {
        return 0;
    }
    for (int row = 0; row < kKeyTableRows; ++row) {
        if (KeyTable[row].populated() && KeyTable[row].vk == vk) {
            return static_cast<std::uint8_t>(row);
        }
    }
    return 0;
}

constexpr std::array<std::uint8_t, 256> makeVkTable() {
    std::array<std::uint8_t, 256> table{};
    for (int vk = 0; vk < 256; ++vk) {
        table[vk] = vkRow(static_cast<std::uint8_t>(vk));
    }
    return table;
}

}  // namespace keys_detail

// Virtual-key code to KeyTable row; 0 when the code names no key.
inline constexpr std::array<std::uint8_t, 256> VkTable = keys_detail::makeVkTable();

}  // namespace quorvane
