// What a click on a key of the keyboard picture does: paint it (lamp on),
// toggle its colour-keys selection, open the assignment dialog for its slot,
// or nothing. The window carries the decision out.
#pragma once

#include <cstdint>

namespace quorvane {

inline constexpr int kMacroButtonId = 1007;  // acts as a click on G9
inline constexpr int kG9ButtonId = 1143;

enum class KeyClick { Nothing, Paint, ToggleSelection, OpenDialog };

struct KeyClickAction {
    KeyClick what = KeyClick::Nothing;
    int controlId = 0;       // the key's own id (1143 for the macro button)
    int keyCode = 0;         // the key-table entry: 0x100 + bank index, or rowOfKey
    bool macroOnly = false;  // G9 and the macro button open on the macro page
};

// `bank` bit 0: the G keys' bank (B adds 9 to the bank index).
KeyClickAction keyClickAction(int controlId, bool lampOn, bool colourKeyMode, std::uint8_t bank);

}  // namespace quorvane
