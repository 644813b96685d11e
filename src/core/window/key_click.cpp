#include "core/window/key_click.h"

#include "core/config/config_image.h"
#include "core/keys/key_id.h"
#include "core/window/key_buttons.h"

namespace quorvane {

namespace {

int gKeyIndex(int controlId) {
    for (std::size_t i = 0; i < G_KEY_IDS.size(); ++i) {
        if (G_KEY_IDS[i] == controlId) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

const KeyButton* keyButton(int controlId) {
    for (const KeyButton& button : kKeyButtons) {
        if (button.controlId == controlId) {
            return &button;
        }
    }
    return nullptr;
}

}  // namespace

KeyClickAction keyClickAction(int controlId, bool lampOn, bool colourKeyMode, std::uint8_t bank) {
    KeyClickAction action;
    action.controlId = controlId == kMacroButtonId ? kG9ButtonId : controlId;
    const KeyButton* key = keyButton(controlId);
    if (lampOn && (key != nullptr || controlId == kFnButtonId)) {
        action.what = KeyClick::Paint;
        return action;
    }
    const int g = gKeyIndex(action.controlId);
    if (g >= 0) {
        action.keyCode = 0x100 + g + ((bank & 1U) != 0 ? kGKeysPerBank : 0);
    } else if (key != nullptr) {
        action.keyCode = rowOfKey(key->key);
    } else {
        return action;  // the Fn key with the lamp off, and any other id
    }
    action.macroOnly = action.controlId == kG9ButtonId;
    action.what = colourKeyMode ? KeyClick::ToggleSelection : KeyClick::OpenDialog;
    return action;
}

}  // namespace quorvane
