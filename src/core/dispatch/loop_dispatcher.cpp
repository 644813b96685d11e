#include "core/dispatch/loop_dispatcher.h"

#include <utility>

namespace quorvane {

struct LoopDispatcher::Sent {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    MsgResult result = 0;

    void finish(MsgResult r) {
        std::lock_guard lock(mutex);
        result = r;
        finished = true;
        done.notify_all();
    }
};

LoopDispatcher::LoopDispatcher(MessageHandler onMessage, TimerHandler onTimer)
    : m_onMessage(std::move(onMessage)), m_onTimer(std::move(onTimer)) {}

LoopDispatcher::~LoopDispatcher() {
    quit();
}

void LoopDispatcher::run() {
    runUntil([] { return false; }, std::chrono::milliseconds::max());
}

bool LoopDispatcher::runUntil(const std::function<bool()>& done,
                              std::chrono::milliseconds timeout) {
    {
        std::lock_guard lock(m_mutex);
        if (m_quit) {
            return done();
        }
        m_windowThread = std::this_thread::get_id();
        m_running = true;
    }
    const auto start = Clock::now();
    const auto deadline = (timeout >= std::chrono::duration_cast<std::chrono::milliseconds>(
                                          Clock::time_point::max() - start))
                              ? Clock::time_point::max()
                              : start + timeout;
    bool reached = done();
    while (!reached && Clock::now() < deadline) {
        if (!step(deadline)) {
            break;
        }
        reached = done();
    }
    std::lock_guard lock(m_mutex);
    m_running = false;
    return reached;
}

void LoopDispatcher::quit() {
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    releasePending();
}

void LoopDispatcher::releasePending() {
    std::deque<Item> pending;
    {
        std::lock_guard lock(m_mutex);
        pending.swap(m_queue);
    }
    for (auto& item : pending) {
        if (item.reply) {
            item.reply->finish(0);
        }
    }
}

bool LoopDispatcher::step(Clock::time_point deadline) {
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (m_quit) {
            lock.unlock();
            releasePending();
            return false;
        }
        if (!m_queue.empty()) {
            Item item = std::move(m_queue.front());
            m_queue.pop_front();
            lock.unlock();
            MsgResult r = m_onMessage ? m_onMessage(item.msg, item.wParam, item.lParam) : 0;
            if (item.reply) {
                item.reply->finish(r);
            }
            return true;
        }
        // Timers only when no message waits, as the platform's timers behave.
        auto now = Clock::now();
        auto next = deadline;
        for (auto& [id, timer] : m_timers) {
            if (timer.due <= now) {
                std::uint32_t firing = id;
                timer.due = now + timer.elapse;
                lock.unlock();
                if (m_onTimer) {
                    m_onTimer(firing);
                }
                return true;
            }
            next = std::min(next, timer.due);
        }
        if (next <= now) {
            return true;  // the deadline passed
        }
        if (next == Clock::time_point::max()) {
            m_wake.wait(lock);
        } else {
            m_wake.wait_until(lock, next);
        }
    }
}

void LoopDispatcher::postMessage(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
    {
        std::lock_guard lock(m_mutex);
        if (m_quit) {
            return;
        }
        m_queue.push_back(Item{msg, wParam, lParam, nullptr});
    }
    m_wake.notify_all();
}

MsgResult LoopDispatcher::sendMessage(std::uint32_t msg, std::uintptr_t wParam,
                                      std::intptr_t lParam) {
    if (onWindowThread()) {
        return m_onMessage ? m_onMessage(msg, wParam, lParam) : 0;
    }
    auto reply = std::make_shared<Sent>();
    {
        std::lock_guard lock(m_mutex);
        if (m_quit) {
            return 0;
        }
        // Sent messages go ahead of posted ones, as on the platform.
        auto firstPosted = m_queue.begin();
        while (firstPosted != m_queue.end() && firstPosted->reply) {
            ++firstPosted;
        }
        m_queue.insert(firstPosted, Item{msg, wParam, lParam, reply});
    }
    m_wake.notify_all();
    std::unique_lock lock(reply->mutex);
    reply->done.wait(lock, [&] { return reply->finished; });
    return reply->result;
}

void LoopDispatcher::setTimer(std::uint32_t id, std::uint32_t elapseMs) {
    {
        std::lock_guard lock(m_mutex);
        auto elapse = std::max(std::chrono::milliseconds(elapseMs), kMinimumElapse);
        m_timers[id] = Timer{elapse, Clock::now() + elapse};
    }
    m_wake.notify_all();
}

void LoopDispatcher::killTimer(std::uint32_t id) {
    std::lock_guard lock(m_mutex);
    m_timers.erase(id);
}

std::size_t LoopDispatcher::pendingMessages() const {
    std::lock_guard lock(m_mutex);
    return m_queue.size();
}

bool LoopDispatcher::onWindowThread() const {
    std::lock_guard lock(m_mutex);
    return m_running && m_windowThread == std::this_thread::get_id();
}

}  // namespace quorvane
