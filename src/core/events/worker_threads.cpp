#include "core/events/worker_threads.h"

#include <system_error>
#include <utility>

namespace quorvane {

bool WorkerThreads::start(std::function<void()> body) {
    std::unique_lock lock(m_lock);
    if (m_closed) {
        return false;
    }
    joinFinishedLocked(lock);
    auto slot = m_workers.emplace(m_workers.end());
    try {
        slot->thread = std::thread([this, slot, body = std::move(body)] {
            body();
            std::lock_guard guard(m_lock);
            slot->finished = true;
        });
    } catch (const std::system_error&) {
        m_workers.erase(slot);
        return false;
    }
    return true;
}

void WorkerThreads::joinFinishedLocked(std::unique_lock<std::mutex>& lock) {
    // A finished worker has nothing left to run but its return; joining it
    // under the lock cannot wait on anything that needs the lock.
    for (auto it = m_workers.begin(); it != m_workers.end();) {
        if (it->finished) {
            std::thread done = std::move(it->thread);
            it = m_workers.erase(it);
            lock.unlock();
            done.join();
            lock.lock();
        } else {
            ++it;
        }
    }
}

void WorkerThreads::closeAndJoin() {
    std::list<Worker> all;
    {
        std::lock_guard lock(m_lock);
        m_closed = true;
    }
    for (;;) {
        {
            std::lock_guard lock(m_lock);
            if (m_workers.empty()) {
                return;
            }
            // A worker still running writes its own slot when it ends, so only
            // the threads move out; the slots go once every thread is joined.
            all.splice(all.end(), m_workers);
        }
        for (Worker& worker : all) {
            if (worker.thread.joinable()) {
                worker.thread.join();
            }
        }
        std::lock_guard lock(m_lock);
        all.clear();
    }
}

std::size_t WorkerThreads::running() const {
    std::lock_guard lock(m_lock);
    std::size_t n = 0;
    for (const Worker& worker : m_workers) {
        n += worker.finished ? 0 : 1;
    }
    return n;
}

std::size_t WorkerThreads::held() const {
    std::lock_guard lock(m_lock);
    return m_workers.size();
}

bool WorkerThreads::closed() const {
    std::lock_guard lock(m_lock);
    return m_closed;
}

TurnQueue::Ticket TurnQueue::take() {
    std::lock_guard lock(m_lock);
    return m_next++;
}

bool TurnQueue::waitTurn(Ticket ticket) {
    std::unique_lock lock(m_lock);
    ++m_waiting;
    m_changed.wait(lock, [&] { return m_closed || m_serving == ticket; });
    --m_waiting;
    return !m_closed;
}

void TurnQueue::done(Ticket ticket) {
    {
        std::unique_lock lock(m_lock);
        // After close the turns no longer matter; waiters have left already.
        ++m_waiting;
        m_changed.wait(lock, [&] { return m_closed || m_serving == ticket; });
        --m_waiting;
        if (m_serving == ticket) {
            advanceLocked();
        }
    }
    m_changed.notify_all();
}

void TurnQueue::skip(Ticket ticket) {
    {
        std::lock_guard lock(m_lock);
        if (m_serving == ticket) {
            advanceLocked();
        } else if (ticket > m_serving) {
            m_skipped.insert(ticket);
        }
    }
    m_changed.notify_all();
}

void TurnQueue::advanceLocked() {
    ++m_serving;
    while (!m_skipped.empty() && *m_skipped.begin() == m_serving) {
        m_skipped.erase(m_skipped.begin());
        ++m_serving;
    }
}

bool TurnQueue::superseded(Ticket ticket) const {
    std::lock_guard lock(m_lock);
    return m_next > ticket + 1;
}

void TurnQueue::close() {
    {
        std::lock_guard lock(m_lock);
        m_closed = true;
    }
    m_changed.notify_all();
}

bool TurnQueue::closed() const {
    std::lock_guard lock(m_lock);
    return m_closed;
}

std::size_t TurnQueue::waiting() const {
    std::lock_guard lock(m_lock);
    return m_waiting;
}

}  // namespace quorvane
