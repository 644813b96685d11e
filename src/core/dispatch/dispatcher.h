// Window messages and timers between threads. Workers and the HID library's
// threads reach the window only through this: a posted message, a sent message
// that waits for its handler, or a timer set by id. The command-line tool and
// the tests run a std-based loop (LoopDispatcher); the Qt program maps the same
// interface onto its event loop.
#pragma once

#include <cstdint>
#include <functional>

namespace quorvane {

using MsgResult = std::intptr_t;

// Handles one window message on the window thread.
using MessageHandler =
    std::function<MsgResult(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam)>;
// Handles one timer tick on the window thread.
using TimerHandler = std::function<void(std::uint32_t timerId)>;

class Dispatcher {
  public:
    virtual ~Dispatcher() = default;

    // Queues a message for the window thread and returns at once.
    virtual void postMessage(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) = 0;

    // Runs the handler on the window thread and returns its result. Called on
    // the window thread, the handler runs directly. Returns 0 without running
    // it when the loop has ended (a worker must never hang at shutdown).
    virtual MsgResult sendMessage(std::uint32_t msg, std::uintptr_t wParam,
                                  std::intptr_t lParam) = 0;

    // Starts or restarts the periodic timer `id`. An elapse of 0 fires at the
    // shortest interval; a one-shot timer is one whose handler kills it.
    virtual void setTimer(std::uint32_t id, std::uint32_t elapseMs) = 0;
    virtual void killTimer(std::uint32_t id) = 0;

    virtual bool onWindowThread() const = 0;
};

}  // namespace quorvane
