#include "core/sync/busy_indicator.h"

#include <system_error>
#include <utility>

namespace quorvane {

BusyIndicator::BusyIndicator(std::function<void(bool on)> show, BusyTiming timing)
    : m_show(std::move(show)), m_timing(timing) {}

BusyIndicator::~BusyIndicator() {
    {
        std::lock_guard guard(m_lock);
        if (m_open) {
            m_queue.push_back(Message::Hide);
            m_open = false;
        }
        m_queue.push_back(Message::Quit);
    }
    m_wake.notify_all();
    if (m_worker.joinable()) {
        m_worker.join();
    }
}

void BusyIndicator::begin() {
    {
        std::lock_guard guard(m_lock);
        if (m_open) {
            // A begin() without its end(): the indicator is on its way already.
            return;
        }
        m_open = true;
    }
    if (!m_worker.joinable()) {
        try {
            m_worker = std::thread([this] { run(); });
        } catch (const std::system_error&) {
            // No thread to give: Apply goes on without the indicator.
            std::lock_guard guard(m_lock);
            m_open = false;
            return;
        }
    }
    std::this_thread::sleep_for(m_timing.showDelay);
    post(Message::Show);
}

void BusyIndicator::end() {
    {
        std::lock_guard guard(m_lock);
        if (!m_open) {
            return;
        }
        m_open = false;
        m_queue.push_back(Message::Hide);
    }
    m_wake.notify_all();
}

bool BusyIndicator::shown() const {
    std::lock_guard guard(m_lock);
    return m_shown;
}

void BusyIndicator::post(Message message) {
    {
        std::lock_guard guard(m_lock);
        m_queue.push_back(message);
    }
    m_wake.notify_all();
}

void BusyIndicator::run() {
    std::unique_lock guard(m_lock);
    for (;;) {
        m_wake.wait(guard, [this] { return !m_queue.empty(); });
        const Message message = m_queue.front();
        m_queue.pop_front();
        if (message == Message::Quit) {
            return;
        }
        if (message == Message::Show) {
            m_shown = true;
            guard.unlock();
            if (m_show) {
                m_show(true);
            }
            guard.lock();
            continue;
        }
        // Hide: a moment later, and only if it was shown at all.
        if (!m_shown) {
            continue;
        }
        guard.unlock();
        std::this_thread::sleep_for(m_timing.hideDelay);
        if (m_show) {
            m_show(false);
        }
        guard.lock();
        m_shown = false;
    }
}

}  // namespace quorvane
