#include "core/sync/busy_indicator.h"

#include <utility>

namespace quorvane {

BusyIndicator::BusyIndicator(std::function<void(bool on)> show, BusyTiming timing)
    : m_show(std::move(show)), m_timing(timing) {}

BusyIndicator::~BusyIndicator() {
    {
        std::lock_guard guard(m_lock);
        if (m_running) {
            m_queue.push_back(Message::Hide);
        }
    }
    m_wake.notify_all();
    joinWorker();
}

void BusyIndicator::begin() {
    joinWorker();
    {
        std::lock_guard guard(m_lock);
        m_queue.clear();
        m_running = true;
    }
    m_worker = std::thread([this] { run(); });
    std::this_thread::sleep_for(m_timing.showDelay);
    post(Message::Show);
}

void BusyIndicator::end() {
    std::lock_guard guard(m_lock);
    if (!m_running) {
        return;
    }
    m_queue.push_back(Message::Hide);
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

void BusyIndicator::joinWorker() {
    if (m_worker.joinable()) {
        m_worker.join();
    }
}

void BusyIndicator::run() {
    std::unique_lock guard(m_lock);
    for (;;) {
        m_wake.wait(guard, [this] { return !m_queue.empty(); });
        const Message message = m_queue.front();
        m_queue.pop_front();
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
        const bool wasShown = m_shown;
        guard.unlock();
        if (wasShown) {
            std::this_thread::sleep_for(m_timing.hideDelay);
            if (m_show) {
                m_show(false);
            }
        }
        guard.lock();
        m_shown = false;
        m_running = false;
        return;
    }
}

}  // namespace quorvane
