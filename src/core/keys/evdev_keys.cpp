#include "core/keys/evdev_keys.h"

#include <linux/input-event-codes.h>

#include "core/keys/key_conversions.h"
#include "core/keys/key_table.h"

namespace quorvane {

namespace {

struct EvdevKey {
    std::uint16_t evdev;
    std::uint8_t scan;
    bool extended;
};

constexpr bool kE0 = true;
constexpr bool kNoE0 = false;

// A full-size board, the international keys of the key table, and the media
// and system keys the keyboard sends. Codes 1-88 follow set 1 already.
constexpr EvdevKey kEvdevKeys[] = {
    {KEY_ESC, 0x01, kNoE0},
    {KEY_1, 0x02, kNoE0},
    {KEY_2, 0x03, kNoE0},
    {KEY_3, 0x04, kNoE0},
    {KEY_4, 0x05, kNoE0},
    {KEY_5, 0x06, kNoE0},
    {KEY_6, 0x07, kNoE0},
    {KEY_7, 0x08, kNoE0},
    {KEY_8, 0x09, kNoE0},
    {KEY_9, 0x0A, kNoE0},
    {KEY_0, 0x0B, kNoE0},
    {KEY_MINUS, 0x0C, kNoE0},
    {KEY_EQUAL, 0x0D, kNoE0},
    {KEY_BACKSPACE, 0x0E, kNoE0},
    {KEY_TAB, 0x0F, kNoE0},
    {KEY_Q, 0x10, kNoE0},
    {KEY_W, 0x11, kNoE0},
    {KEY_E, 0x12, kNoE0},
    {KEY_R, 0x13, kNoE0},
    {KEY_T, 0x14, kNoE0},
    {KEY_Y, 0x15, kNoE0},
    {KEY_U, 0x16, kNoE0},
    {KEY_I, 0x17, kNoE0},
    {KEY_O, 0x18, kNoE0},
    {KEY_P, 0x19, kNoE0},
    {KEY_LEFTBRACE, 0x1A, kNoE0},
    {KEY_RIGHTBRACE, 0x1B, kNoE0},
    {KEY_ENTER, 0x1C, kNoE0},
    {KEY_LEFTCTRL, 0x1D, kNoE0},
    {KEY_A, 0x1E, kNoE0},
    {KEY_S, 0x1F, kNoE0},
    {KEY_D, 0x20, kNoE0},
    {KEY_F, 0x21, kNoE0},
    {KEY_G, 0x22, kNoE0},
    {KEY_H, 0x23, kNoE0},
    {KEY_J, 0x24, kNoE0},
    {KEY_K, 0x25, kNoE0},
    {KEY_L, 0x26, kNoE0},
    {KEY_SEMICOLON, 0x27, kNoE0},
    {KEY_APOSTROPHE, 0x28, kNoE0},
    {KEY_GRAVE, 0x29, kNoE0},
    {KEY_LEFTSHIFT, 0x2A, kNoE0},
    {KEY_BACKSLASH, 0x2B, kNoE0},
    {KEY_Z, 0x2C, kNoE0},
    {KEY_X, 0x2D, kNoE0},
    {KEY_C, 0x2E, kNoE0},
    {KEY_V, 0x2F, kNoE0},
    {KEY_B, 0x30, kNoE0},
    {KEY_N, 0x31, kNoE0},
    {KEY_M, 0x32, kNoE0},
    {KEY_COMMA, 0x33, kNoE0},
    {KEY_DOT, 0x34, kNoE0},
    {KEY_SLASH, 0x35, kNoE0},
    {KEY_RIGHTSHIFT, 0x36, kNoE0},
    {KEY_KPASTERISK, 0x37, kNoE0},
    {KEY_LEFTALT, 0x38, kNoE0},
    {KEY_SPACE, 0x39, kNoE0},
    {KEY_CAPSLOCK, 0x3A, kNoE0},
    {KEY_F1, 0x3B, kNoE0},
    {KEY_F2, 0x3C, kNoE0},
    {KEY_F3, 0x3D, kNoE0},
    {KEY_F4, 0x3E, kNoE0},
    {KEY_F5, 0x3F, kNoE0},
    {KEY_F6, 0x40, kNoE0},
    {KEY_F7, 0x41, kNoE0},
    {KEY_F8, 0x42, kNoE0},
    {KEY_F9, 0x43, kNoE0},
    {KEY_F10, 0x44, kNoE0},
    // Windows reports Num Lock with the extended bit and Pause without it,
    // the reverse of the wire, and the key table follows Windows.
    {KEY_NUMLOCK, 0x45, kE0},
    {KEY_SCROLLLOCK, 0x46, kNoE0},
    {KEY_KP7, 0x47, kNoE0},
    {KEY_KP8, 0x48, kNoE0},
    {KEY_KP9, 0x49, kNoE0},
    {KEY_KPMINUS, 0x4A, kNoE0},
    {KEY_KP4, 0x4B, kNoE0},
    {KEY_KP5, 0x4C, kNoE0},
    {KEY_KP6, 0x4D, kNoE0},
    {KEY_KPPLUS, 0x4E, kNoE0},
    {KEY_KP1, 0x4F, kNoE0},
    {KEY_KP2, 0x50, kNoE0},
    {KEY_KP3, 0x51, kNoE0},
    {KEY_KP0, 0x52, kNoE0},
    {KEY_KPDOT, 0x53, kNoE0},
    {KEY_102ND, 0x56, kNoE0},
    {KEY_F11, 0x57, kNoE0},
    {KEY_F12, 0x58, kNoE0},
    {KEY_RO, 0x73, kNoE0},
    {KEY_KATAKANAHIRAGANA, 0x70, kNoE0},
    {KEY_HENKAN, 0x79, kNoE0},
    {KEY_MUHENKAN, 0x7B, kNoE0},
    {KEY_KPENTER, 0x1C, kE0},
    {KEY_RIGHTCTRL, 0x1D, kE0},
    {KEY_KPSLASH, 0x35, kE0},
    {KEY_SYSRQ, 0x37, kE0},  // Print Screen
    {KEY_RIGHTALT, 0x38, kE0},
    {KEY_HOME, 0x47, kE0},
    {KEY_UP, 0x48, kE0},
    {KEY_PAGEUP, 0x49, kE0},
    {KEY_LEFT, 0x4B, kE0},
    {KEY_RIGHT, 0x4D, kE0},
    {KEY_END, 0x4F, kE0},
    {KEY_DOWN, 0x50, kE0},
    {KEY_PAGEDOWN, 0x51, kE0},
    {KEY_INSERT, 0x52, kE0},
    {KEY_DELETE, 0x53, kE0},
    {KEY_MUTE, 0x20, kE0},
    {KEY_VOLUMEDOWN, 0x2E, kE0},
    {KEY_VOLUMEUP, 0x30, kE0},
    {KEY_POWER, 0x5E, kE0},
    {KEY_PAUSE, 0x45, kNoE0},
    {KEY_KPCOMMA, 0x7E, kNoE0},
    {KEY_HANGEUL, 0x72, kNoE0},
    {KEY_HANJA, 0x71, kNoE0},
    {KEY_YEN, 0x7D, kNoE0},
    {KEY_LEFTMETA, 0x5B, kE0},
    {KEY_RIGHTMETA, 0x5C, kE0},
    {KEY_COMPOSE, 0x5D, kE0},  // Application (menu) key
    {KEY_STOP, 0x68, kE0},     // browser Stop
    {KEY_CALC, 0x21, kE0},
    {KEY_SLEEP, 0x5F, kE0},
    {KEY_WAKEUP, 0x63, kE0},
    {KEY_FILE, 0x6B, kE0},  // what HID's AL Local Machine Browser becomes
    {KEY_MAIL, 0x6C, kE0},
    {KEY_BOOKMARKS, 0x66, kE0},
    {KEY_COMPUTER, 0x6B, kE0},
    {KEY_BACK, 0x6A, kE0},
    {KEY_FORWARD, 0x69, kE0},
    {KEY_NEXTSONG, 0x19, kE0},
    {KEY_PLAYPAUSE, 0x22, kE0},
    {KEY_PREVIOUSSONG, 0x10, kE0},
    {KEY_STOPCD, 0x24, kE0},
    {KEY_CONFIG, 0x6D, kE0},  // what HID's AL Consumer Control Configuration becomes
    {KEY_HOMEPAGE, 0x32, kE0},
    {KEY_REFRESH, 0x67, kE0},
    {KEY_F13, 0x64, kNoE0},
    {KEY_SEARCH, 0x65, kE0},
    {KEY_MEDIA, 0x6D, kE0},
    {KEY_BREAK, 0x46, kE0},  // Ctrl+Pause
};

}  // namespace

std::optional<ScanCode> scanCodeOfEvdev(std::uint16_t evdevCode) {
    for (const EvdevKey& key : kEvdevKeys) {
        if (key.evdev == evdevCode) {
            return ScanCode{key.scan, key.extended};
        }
    }
    return std::nullopt;
}

std::uint8_t vkOfScanCode(ScanCode scan) {
    const auto id = static_cast<KeyId>(scan.code | (scan.extended ? 0x100 : 0));
    if (!hasOwnRow(id)) {
        return 0;
    }
    const KeyRow& row = KeyTable[rowOfKey(id)];
    return row.populated() ? row.vk : 0;
}

std::optional<Keystroke> keystrokeOfEvdev(std::uint16_t evdevCode, bool release, bool autoRepeat) {
    const std::optional<ScanCode> scan = scanCodeOfEvdev(evdevCode);
    if (!scan) {
        return std::nullopt;
    }
    KeystrokeFlags flags;
    flags.scanCode = scan->code;
    flags.extended = scan->extended;
    flags.wasDown = autoRepeat;
    flags.release = release;
    return Keystroke{vkOfScanCode(*scan), makeKeystrokeFlags(flags)};
}

KeyId keyOfEvdev(std::uint16_t evdevCode) {
    const std::optional<Keystroke> stroke = keystrokeOfEvdev(evdevCode, false);
    return stroke ? keyOfKeystroke(stroke->vk, stroke->flags) : kNoKey;
}

}  // namespace quorvane
