// The std-based window thread: one loop that runs posted and sent messages and
// timers in order, for the command-line tool and the tests.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "core/dispatch/dispatcher.h"

namespace quorvane {

class LoopDispatcher final : public Dispatcher {
  public:
    // The shortest timer interval, as the platform's timers have one.
    static constexpr std::chrono::milliseconds kMinimumElapse{10};

    LoopDispatcher(MessageHandler onMessage, TimerHandler onTimer);
    ~LoopDispatcher() override;
    LoopDispatcher(const LoopDispatcher&) = delete;
    LoopDispatcher& operator=(const LoopDispatcher&) = delete;

    // Runs the loop on the calling thread, which becomes the window thread,
    // until quit() is called.
    void run();
    // Runs the loop until `done` returns true (checked after every event) or the
    // deadline passes; returns whether `done` became true. For tools and tests.
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
    // Ends run(); pending sent messages are released with 0. Any thread.
    void quit();

    void postMessage(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) override;
    MsgResult sendMessage(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) override;
    void setTimer(std::uint32_t id, std::uint32_t elapseMs) override;
    void killTimer(std::uint32_t id) override;
    bool onWindowThread() const override;

    // Messages queued and not yet handled.
    std::size_t pendingMessages() const;

  private:
    struct Sent;
    struct Item {
        std::uint32_t msg;
        std::uintptr_t wParam;
        std::intptr_t lParam;
        std::shared_ptr<Sent> reply;  // set for sent messages
    };
    struct Timer {
        std::chrono::milliseconds elapse;
        std::chrono::steady_clock::time_point due;
    };
    using Clock = std::chrono::steady_clock;

    // One step: waits for the next message or due timer (until `deadline`) and
    // runs it. Returns false when the loop has been told to quit.
    bool step(Clock::time_point deadline);
    void releasePending();

    MessageHandler m_onMessage;
    TimerHandler m_onTimer;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Item> m_queue;
    std::map<std::uint32_t, Timer> m_timers;
    std::thread::id m_windowThread;
    bool m_running = false;
    bool m_quit = false;
};

}  // namespace quorvane
