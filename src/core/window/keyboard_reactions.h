// The synchronisation steps that the main window's messages and timers run.
// The program uses SyncReactions (the real
// synchronisation); tests may record the calls. Called on the window thread.
#pragma once

namespace quorvane {

class KeyboardReactions {
  public:
    virtual ~KeyboardReactions() = default;
    virtual void onLightingChanged() = 0;       // the keyboard changed its lighting
    virtual void onActiveProfileChanged() = 0;  // the keyboard switched its profile
    virtual void onProfileMessage() = 0;        // UM_PROFILE: read everything again
    virtual void updateProfileLabel() = 0;      // the start-up message
};

}  // namespace quorvane
