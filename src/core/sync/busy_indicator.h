// The busy indicator of Apply: a small worker thread with its own queue shows
// the indicator on its first message and hides it, a moment after, on its
// second. The starting thread waits a moment before it posts the first, so a
// short write never flickers. The worker is joined by the next begin() or by
// the destructor; none is left running.
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
    // `show` runs on the worker thread with true, then false.
    explicit BusyIndicator(std::function<void(bool on)> show, BusyTiming timing = {});
    ~BusyIndicator();

    BusyIndicator(const BusyIndicator&) = delete;
    BusyIndicator& operator=(const BusyIndicator&) = delete;

    // Starts a worker (joining the one before), waits showDelay, posts "show".
    void begin();
    // Posts "hide"; returns at once. Nothing when begin() was not called.
    void end();
    // True while a worker has shown the indicator and not yet hidden it.
    bool shown() const;

  private:
    enum class Message { Show, Hide };

    void run();
    void post(Message message);
    void joinWorker();

    std::function<void(bool)> m_show;
    BusyTiming m_timing;
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<Message> m_queue;
    bool m_shown = false;
    bool m_running = false;
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
