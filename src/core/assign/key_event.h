// A key event as the dialog hands it to the capture and the recorder: the
// KeyId of the physical key (evdev code through keyOfEvdev), the edge, the
// auto-repeat mark, and the event's own time in milliseconds.
#pragma once

#include <cstdint>

#include "core/keys/key_id.h"

namespace quorvane {

struct KeyEvent {
    KeyId key = 0;
    bool release = false;
    bool autoRepeat = false;  // a press repeated while the key is held
    std::uint64_t timeMs = 0;
};

// What the dialog does with the event afterwards.
enum class KeyRoute {
    PassOn,   // the desktop gets it (no key, media keys, nothing capturing)
    Swallow,  // taken by the capture or the recorder
};

}  // namespace quorvane
