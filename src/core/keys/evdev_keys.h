// Linux key codes to the keystrokes a Windows keyboard hook would deliver, so
// that captured and recorded keys go through keyOfKeystroke unchanged.
//
// Qt's QKeyEvent::nativeScanCode() is an xkb key code, the evdev code + 8, both
// under xcb and on Wayland: pass it through evdevOfXkbKeycode. Only a Qt
// backend that reads the evdev device itself (linuxfb/eglfs without xkb) hands
// over the plain evdev code.
//
// Windows reports only the release of the keys in UpOnlyKeySet (Print Screen,
// Sys Req and the two Korean keys) while Linux reports both edges; a caller
// that mimics the hook drops their presses and lets the release stand for both.
#pragma once

#include <cstdint>
#include <optional>

#include "core/keys/key_id.h"

namespace quorvane {

struct ScanCode {
    std::uint8_t code = 0;
    bool extended = false;  // sent with the 0xE0 prefix

    friend constexpr bool operator==(const ScanCode&, const ScanCode&) = default;
};

// Set-1 scan code of an evdev key code (linux/input-event-codes.h KEY_*),
// reported as Windows reports it (Num Lock extended, Pause not); nullopt for
// codes with no key on the keyboard.
std::optional<ScanCode> scanCodeOfEvdev(std::uint16_t evdevCode);

inline constexpr std::uint32_t kXkbKeycodeOffset = 8;

// X11 key codes are evdev codes shifted by 8; nullopt for codes below 8.
constexpr std::optional<std::uint16_t> evdevOfXkbKeycode(std::uint32_t xkbKeycode) {
    if (xkbKeycode < kXkbKeycodeOffset || xkbKeycode - kXkbKeycodeOffset > 0xFFFF) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(xkbKeycode - kXkbKeycodeOffset);
}

// The virtual-key code Windows gives the key of a scan code (Num Lock on).
std::uint8_t vkOfScanCode(ScanCode scan);

struct Keystroke {
    std::uint32_t vk = 0;
    std::uint32_t flags = 0;
};

// The hook's view of an evdev key event; nullopt for unknown codes.
std::optional<Keystroke> keystrokeOfEvdev(std::uint16_t evdevCode, bool release,
                                          bool autoRepeat = false);

// keyOfKeystroke of keystrokeOfEvdev; 0 for unknown codes.
KeyId keyOfEvdev(std::uint16_t evdevCode);

}  // namespace quorvane
