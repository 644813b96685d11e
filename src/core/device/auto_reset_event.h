// An unnamed event with automatic reset: one successful wait consumes the
// signal. Built on a mutex and a condition variable.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace quorvane {

class AutoResetEvent {
  public:
    enum class WaitResult { Signalled, TimedOut };

    void set();
    void reset();
    // Waits until signalled or until `timeout` has passed; a signal consumed
    // here is cleared.
    WaitResult waitFor(std::chrono::microseconds timeout);

  private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_signalled = false;
};

}  // namespace quorvane
