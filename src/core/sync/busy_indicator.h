// The busy indicator of Apply: a small worker thread with its own queue shows
// the indicator on one message and hides it, a moment after, on the next. The
// starting thread waits a moment before it posts the show, so a short write
// never flickers.
//
// Threads. begin() and end() run on the window thread and never wait for the
// worker: they only post to its queue. The worker calls `show` in the order
// of the posts and may wait there for the window thread (a port that hands
// the call over synchronously) without ever holding the window thread up:
// one worker serves every Apply and is joined only by the destructor. So
// destroy the indicator where a `show` in progress can finish: off the window
// thread, or once the window thread's loop has ended (its sends then return).
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace quorvane {

struct BusyTiming {
    std::chrono::milliseconds showDelay{100};  // begin() waits this long, then shows
    std::chrono::milliseconds hideDelay{100};  // the worker hides this long after end()
};

class BusyIndicator {
  public:
    // `show` runs on the worker thread, with true, then false.
    explicit BusyIndicator(std::function<void(bool on)> show, BusyTiming timing = {});
    // Hides a shown indicator, then ends and joins the worker (see above).
    ~BusyIndicator();

    BusyIndicator(const BusyIndicator&) = delete;
    BusyIndicator& operator=(const BusyIndicator&) = delete;

    // Starts the worker the first time, waits showDelay, posts "show".
    void begin();
    // Posts "hide"; returns at once. Nothing without a begin() before it.
    void end();
    // True while the worker has shown the indicator and not yet hidden it.
    bool shown() const;

  private:
    enum class Message { Show, Hide, Quit };

    void run();
    void post(Message message);

    std::function<void(bool)> m_show;
    BusyTiming m_timing;
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<Message> m_queue;
    bool m_shown = false;
    bool m_open = false;  // begin() without its end() yet
    std::thread m_worker;
};

// Runs begin() on construction and end() on destruction.
class BusyScope {
  public:
    explicit BusyScope(BusyIndicator& indicator) : m_indicator(indicator) { m_indicator.begin(); }
    ~BusyScope() { m_indicator.end(); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

  private:
    BusyIndicator& m_indicator;
};

}  // namespace quorvane
