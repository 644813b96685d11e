// Threads started one per event, each kept so that shutdown can join it: no
// worker outlives the object that started it. A finished worker is joined by
// the next start or by closeAndJoin().
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <set>
#include <thread>

namespace quorvane {

class WorkerThreads {
  public:
    WorkerThreads() = default;
    ~WorkerThreads() { closeAndJoin(); }
    WorkerThreads(const WorkerThreads&) = delete;
    WorkerThreads& operator=(const WorkerThreads&) = delete;

    // Runs `body` on a new thread. False (nothing started) once closed or when
    // the system has no thread to give.
    bool start(std::function<void()> body);

    // Refuses new workers, then joins every one started. Not from a worker.
    void closeAndJoin();

    // Workers started and not yet finished.
    std::size_t running() const;
    // Threads started and not yet joined, finished or not.
    std::size_t held() const;
    // closeAndJoin() has begun: start() refuses.
    bool closed() const;

  private:
    struct Worker {
        std::thread thread;
        bool finished = false;
    };
    void joinFinishedLocked(std::unique_lock<std::mutex>& lock);

    mutable std::mutex m_lock;
    std::list<Worker> m_workers;
    bool m_closed = false;
};

// Turns in the order tickets were taken, so that workers started for a stream
// of events act in the order of the events. close() releases every waiter.
class TurnQueue {
  public:
    using Ticket = std::uint64_t;

    // The next ticket; called where the events arrive, in their order.
    Ticket take();
    // Waits until every earlier ticket is done. False when closed first.
    bool waitTurn(Ticket ticket);
    // Ends the turn of `ticket` (also after a waitTurn that returned false).
    void done(Ticket ticket);
    // Gives up a ticket whose worker never started: its turn passes at once.
    void skip(Ticket ticket);
    // True when a later ticket has been taken.
    bool superseded(Ticket ticket) const;
    void close();
    bool closed() const;
    // Threads inside waitTurn() (or done()) waiting for their turn now.
    std::size_t waiting() const;

  private:
    void advanceLocked();

    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    Ticket m_next = 0;     // the next ticket to give
    Ticket m_serving = 0;  // the ticket whose turn it is
    std::set<Ticket> m_skipped;
    std::size_t m_waiting = 0;
    bool m_closed = false;
};

}  // namespace quorvane
