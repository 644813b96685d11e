// The worker bookkeeping of the device events: turns in ticket order, tickets
// given up, closing, and joining every worker.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "core/events/worker_threads.h"

namespace quorvane {
namespace {

using namespace std::chrono_literals;

// Polls `done` until it holds (false after five seconds: something hangs).
bool waitFor(const std::function<bool()>& done) {
    const auto until = std::chrono::steady_clock::now() + 5s;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= until) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

TEST(TurnQueue, WorkersActInTicketOrderWhateverOrderTheyStart) {
    TurnQueue turns;
    std::vector<TurnQueue::Ticket> tickets;
    tickets.reserve(6);
    for (int i = 0; i < 6; ++i) {
        tickets.push_back(turns.take());
    }
    std::mutex lock;
    std::vector<TurnQueue::Ticket> order;
    {
        WorkerThreads workers;
        // Started last ticket first; each waits for its turn.
        for (auto it = tickets.rbegin(); it != tickets.rend(); ++it) {
            const TurnQueue::Ticket t = *it;
            ASSERT_TRUE(workers.start([&, t] {
                ASSERT_TRUE(turns.waitTurn(t));
                {
                    std::lock_guard guard(lock);
                    order.push_back(t);
                }
                turns.done(t);
            }));
            std::this_thread::sleep_for(1ms);
        }
    }
    EXPECT_EQ(order, tickets);
}

TEST(TurnQueue, AGivenUpTicketPassesItsTurnAndLaterOnesGoOn) {
    TurnQueue turns;
    const auto a = turns.take();
    const auto b = turns.take();
    const auto c = turns.take();
    turns.skip(b);  // b's worker never started, before a is done
    ASSERT_TRUE(turns.waitTurn(a));
    EXPECT_TRUE(turns.superseded(a));
    turns.done(a);
    EXPECT_TRUE(turns.waitTurn(c)) << "b's turn passed by itself";
    EXPECT_FALSE(turns.superseded(c));
    turns.done(c);
    const auto d = turns.take();
    turns.skip(d);  // its own turn: passes at once
    const auto e = turns.take();
    EXPECT_TRUE(turns.waitTurn(e));
}

TEST(TurnQueue, CloseReleasesWaitersWithFalse) {
    TurnQueue turns;
    const auto first = turns.take();
    const auto second = turns.take();
    std::atomic<int> result{-1};
    std::thread waiter([&] {
        result = turns.waitTurn(second) ? 1 : 0;
        turns.done(second);  // after close: returns at once
    });
    EXPECT_TRUE(waitFor([&] { return turns.waiting() == 1 || result != -1; }));
    EXPECT_EQ(result.load(), -1) << "waits for the first ticket";
    EXPECT_EQ(turns.waiting(), 1u);
    turns.close();
    waiter.join();
    EXPECT_EQ(result.load(), 0);
    EXPECT_FALSE(turns.waitTurn(first));
}

TEST(WorkerThreads, CloseJoinsRunningWorkersAndRefusesNewOnes) {
    WorkerThreads workers;
    std::atomic<bool> release{false};
    std::atomic<int> finished{0};
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(workers.start([&] {
            while (!release) {
                std::this_thread::sleep_for(1ms);
            }
            ++finished;
        }));
    }
    EXPECT_EQ(workers.running(), 3u);
    std::atomic<bool> closerReturned{false};
    std::thread closer([&] {
        workers.closeAndJoin();
        closerReturned = true;
    });
    EXPECT_TRUE(waitFor([&] { return workers.closed(); }));
    EXPECT_FALSE(workers.start([] {})) << "closed";
    EXPECT_FALSE(closerReturned) << "waits for the running workers";
    release = true;
    closer.join();
    EXPECT_EQ(finished.load(), 3);
    EXPECT_EQ(workers.running(), 0u);
}

TEST(WorkerThreads, FinishedWorkersAreNotCountedAndAreJoinedByTheNextStart) {
    WorkerThreads workers;
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(workers.start([] {}));
    }
    const auto until = std::chrono::steady_clock::now() + 5s;
    while (workers.running() != 0 && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(1ms);
    }
    ASSERT_EQ(workers.running(), 0u);
    EXPECT_GE(workers.held(), 1u) << "the last one is joined only by the next start";

    std::atomic<bool> release{false};
    ASSERT_TRUE(workers.start([&] {
        while (!release) {
            std::this_thread::sleep_for(1ms);
        }
    }));
    EXPECT_EQ(workers.held(), 1u) << "every finished worker was joined";
    EXPECT_EQ(workers.running(), 1u);
    release = true;
    workers.closeAndJoin();
    EXPECT_EQ(workers.held(), 0u);
}

}  // namespace
}  // namespace quorvane
