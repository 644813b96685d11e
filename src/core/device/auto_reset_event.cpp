#include "core/device/auto_reset_event.h"

namespace quorvane {

void AutoResetEvent::set() {
    {
        std::lock_guard guard(m_lock);
        m_signalled = true;
    }
    m_changed.notify_one();
}

void AutoResetEvent::reset() {
    std::lock_guard guard(m_lock);
    m_signalled = false;
}

AutoResetEvent::WaitResult AutoResetEvent::waitFor(std::chrono::microseconds timeout) {
    std::unique_lock guard(m_lock);
    // steady_clock, so a change of the wall clock neither ends nor stretches the wait
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    if (!m_changed.wait_until(guard, deadline, [this] { return m_signalled; })) {
        return WaitResult::TimedOut;
    }
    m_signalled = false;
    return WaitResult::Signalled;
}

}  // namespace quorvane
