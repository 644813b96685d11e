// The keys of the keyboard picture: control id, KeyId and LED (the index of
// the key's colour in a colour bank), the G keys and the Fn key. The core needs
// them for the per-key colours and for restoring a profile's default keys.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "core/keys/key_id.h"

namespace quorvane {

struct KeyButton {
    int controlId = 0;
    KeyId key = 0;
    int led = 0;
};

inline constexpr std::size_t kKeyButtonCount = 104;
inline constexpr std::array<int, 9> G_KEY_IDS = {1000, 1001, 1002, 1003, 1004,
                                                 1140, 1141, 1142, 1143};
inline constexpr int kFnButtonId = 1174;
inline constexpr int kFnLed = 110;
inline constexpr int kGKeyLed = 125;  // the nine G keys share one colour

extern const std::array<KeyButton, kKeyButtonCount> KEY_BUTTONS;

// The KeyIds of KEY_BUTTONS in order.
const std::array<KeyId, kKeyButtonCount>& pictureKeys();

// 125 for a G key, 110 for Fn, the LED of a key button, 0 for any other id.
int ledOfButton(int controlId);

}  // namespace quorvane
