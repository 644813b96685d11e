// The core's window thread, run beside the Qt GUI thread: every rule of the
// core (reloads, Apply, switches, the device events' messages and timers)
// runs here, so a transfer to the keyboard never stops the GUI from painting.
// The GUI hands work over with post(); the core hands results back by
// posting to the GUI (see GuiBridge). Neither thread ever waits on the other,
// except the core for the answer to a question it asked (Prompter).
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "core/dispatch/loop_dispatcher.h"

namespace quorvane {

class CoreThread {
  public:
    // `onMessage` and `onTimer` receive everything but the thread's own calls.
    CoreThread(MessageHandler onMessage, TimerHandler onTimer);
    // Ends the loop and joins the thread.
    ~CoreThread();
    CoreThread(const CoreThread&) = delete;
    CoreThread& operator=(const CoreThread&) = delete;

    void start();
    // Ends the loop (pending sent messages get 0) and joins. Idempotent.
    void stop();
    bool running() const;

    // Runs `work` on the core thread, in order with messages and other posts.
    void post(std::function<void()> work);

    Dispatcher& dispatcher() { return *m_dispatcher; }

  private:
    MsgResult handle(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam);

    MessageHandler m_onMessage;
    std::unique_ptr<LoopDispatcher> m_dispatcher;
    mutable std::mutex m_lock;
    std::deque<std::function<void()>> m_work;
    std::thread m_thread;
    bool m_started = false;
};

}  // namespace quorvane
