// What a key does in one profile; stored as a u16 in every key action entry.
#pragma once

#include <cstdint>

namespace quorvane {

enum ActionType : std::uint16_t {
    ActionDefault = 0,
    ActionDisabled = 1,
    ActionKey = 2,
    ActionProgram = 3,
    ActionMacro = 4,
    ActionStopMacro = 5,
    ActionText = 6,
    ActionMedia = 7,
    ActionFunction = 8,
};

// Program and text entries carry a string in their text slot; in a file their
// value is the string's offset in the text area.
constexpr bool actionCarriesText(std::uint16_t type) {
    return type == ActionProgram || type == ActionText;
}

}  // namespace quorvane
