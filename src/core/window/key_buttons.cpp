#include "core/window/key_buttons.h"

#include <algorithm>

namespace quorvane {

int ledOfButton(int controlId) {
    if (std::find(G_KEY_IDS.begin(), G_KEY_IDS.end(), controlId) != G_KEY_IDS.end()) {
        return kGKeyLed;
    }
    if (controlId == kFnButtonId) {
        return kFnLed;
    }
    for (const KeyButton& b : kKeyButtons) {
        if (b.controlId == controlId) {
            return b.led;
        }
    }
    return 0;
}

}  // namespace quorvane
