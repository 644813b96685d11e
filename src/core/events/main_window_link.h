// What the device events need of the main window beyond its messages and
// timers. Every operation may be called from any thread (the library's
// threads and the event workers); an implementation moves display work onto
// its window thread and returns when it is done.
#pragma once

#include <cstdint>

#include "core/events/gkey_captions.h"

namespace quorvane {

class MainWindowLink {
  public:
    virtual ~MainWindowLink() = default;

    // m_bReady: the start-up message has been handled (tray icon present).
    virtual bool isReady() const = 0;

    // Mode 0 with an id shows it and remembers it as the resting icon; mode 0
    // with id 0 shows the resting icon; mode 1 shows 142 and keeps the resting
    // icon. Showing the icon already shown does nothing.
    virtual void SetTrayIconState(int mode, int iconId) = 0;

    // The bank indicator ("LOCK_AB") and the captions of the nine G keys
    // (gKeyCaptions) for bank 0 (A) or 1 (B).
    virtual void showGKeyBank(std::uint8_t bank) = 0;

    virtual void hideMainWindow() = 0;
};

}  // namespace quorvane
