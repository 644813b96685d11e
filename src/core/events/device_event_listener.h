// What the device events tell the side that owns the window thread, in the
// core's own terms. The desktop program's window core turns them into its
// messages, timers and icons (core/window/main_window_core.h).
//
// Threads. Every call comes from a library thread or an event worker, never
// from the window thread. The "sent" calls return once the window thread has
// handled them (or its loop has ended); the others return at once.
#pragma once

#include <cstdint>

namespace quorvane {

class DeviceEventListener {
  public:
    virtual ~DeviceEventListener() = default;

    // The window side has started (m_bReady): the arrival worker may show
    // what it found and open the window.
    virtual bool isReady() const = 0;

    // Sent. A keyboard arrived (its factory key table and settings read):
    // read the active profile and the configuration again.
    virtual void keyboardArrived() = 0;
    // Sent. The keyboard went away: close the child dialogs, hide the window.
    virtual void keyboardRemoved() = 0;
    // Sent. The keyboard switched its G-key bank: refresh the G keys.
    virtual void gKeyBankChanged() = 0;
    // Sent. The bank indicator and the G keys' captions for bank 0 (A) or 1 (B).
    virtual void showGKeyBank(std::uint8_t bank) = 0;
    // The notification icon: a keyboard attached or none; the keyboard's
    // signal on, or back to the resting icon.
    virtual void showKeyboardPresence(bool attached) = 0;
    virtual void showKeyboardSignal(bool on) = 0;

    // Queued: the keyboard changed its lighting, switched its active profile,
    // or changed its configuration.
    virtual void lightingChanged() = 0;
    virtual void activeProfileChanged() = 0;
    virtual void configurationChanged() = 0;
    // Queued: the first keyboard arrived and the window may open by itself.
    virtual void openRequested() = 0;
    // Queued: messages wait for DeviceEvents::showPendingPrompts.
    virtual void promptsWaiting() = 0;
};

}  // namespace quorvane
