#include "core/dispatch/loop_dispatcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>
#include <vector>

namespace quorvane {
namespace {

using namespace std::chrono_literals;

// A window that records what reached it and on which thread.
struct RecordingWindow {
    std::mutex mutex;
    std::vector<std::uint32_t> messages;
    std::vector<std::uint32_t> ticks;
    std::vector<std::thread::id> threads;
    LoopDispatcher* loop = nullptr;
    std::function<void(std::uint32_t)> onTick;

    MessageHandler messageHandler() {
        return [this](std::uint32_t msg, std::uintptr_t w, std::intptr_t) -> MsgResult {
            std::lock_guard lock(mutex);
            messages.push_back(msg);
            threads.push_back(std::this_thread::get_id());
            return static_cast<MsgResult>(msg + w);
        };
    }
    TimerHandler timerHandler() {
        return [this](std::uint32_t id) {
            {
                std::lock_guard lock(mutex);
                ticks.push_back(id);
            }
            if (onTick) {
                onTick(id);
            }
        };
    }
    std::size_t tickCount(std::uint32_t id) {
        std::lock_guard lock(mutex);
        return static_cast<std::size_t>(std::count(ticks.begin(), ticks.end(), id));
    }
};

TEST(LoopDispatcher, PostedMessagesRunInOrderOnTheWindowThread) {
    RecordingWindow w;
    LoopDispatcher loop(w.messageHandler(), w.timerHandler());
    std::thread poster([&] {
        for (std::uint32_t m = 1; m <= 5; ++m) {
            loop.postMessage(m, 0, 0);
        }
    });
    poster.join();
    EXPECT_TRUE(loop.runUntil([&] { return w.messages.size() == 5; }, 2s));
    EXPECT_EQ(w.messages, (std::vector<std::uint32_t>{1, 2, 3, 4, 5}));
    for (auto id : w.threads) {
        EXPECT_EQ(id, std::this_thread::get_id());
    }
}

TEST(LoopDispatcher, SendWaitsForTheHandlerAndReturnsItsResult) {
    RecordingWindow w;
    LoopDispatcher loop(w.messageHandler(), w.timerHandler());
    auto answer = std::async(std::launch::async, [&] { return loop.sendMessage(0x5452, 7, 0); });
    EXPECT_TRUE(loop.runUntil([&] { return w.messages.size() == 1; }, 2s));
    EXPECT_EQ(answer.get(), 0x5452 + 7);
}

TEST(LoopDispatcher, SendOnTheWindowThreadRunsDirectly) {
    MsgResult inner = -1;
    std::unique_ptr<LoopDispatcher> loop;
    bool done = false;
    loop = std::make_unique<LoopDispatcher>(
        [&](std::uint32_t msg, std::uintptr_t, std::intptr_t) -> MsgResult {
            if (msg == 1) {
                inner = loop->sendMessage(2, 0, 0);  // would deadlock if queued
                done = true;
            }
            return msg * 10;
        },
        nullptr);
    loop->postMessage(1, 0, 0);
    EXPECT_TRUE(loop->runUntil([&] { return done; }, 2s));
    EXPECT_EQ(inner, 20);
}

TEST(LoopDispatcher, SentMessagesOvertakePostedOnes) {
    RecordingWindow w;
    LoopDispatcher loop(w.messageHandler(), w.timerHandler());
    loop.postMessage(1, 0, 0);
    loop.postMessage(2, 0, 0);
    auto sent = std::async(std::launch::async, [&] { return loop.sendMessage(9, 0, 0); });
    while (loop.pendingMessages() < 3) {
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_TRUE(loop.runUntil([&] { return w.messages.size() == 3; }, 2s));
    EXPECT_EQ(sent.get(), 9);
    EXPECT_EQ(w.messages, (std::vector<std::uint32_t>{9, 1, 2}));
}

TEST(LoopDispatcher, QuitReleasesWaitingSendersAndRefusesNewOnes) {
    RecordingWindow w;
    LoopDispatcher loop(w.messageHandler(), w.timerHandler());
    auto waiting = std::async(std::launch::async, [&] { return loop.sendMessage(5, 0, 0); });
    std::this_thread::sleep_for(20ms);
    loop.quit();
    ASSERT_EQ(waiting.wait_for(2s), std::future_status::ready);
    EXPECT_EQ(waiting.get(), 0);
    EXPECT_EQ(loop.sendMessage(6, 0, 0), 0);
    loop.run();  // returns at once after quit
    EXPECT_TRUE(w.messages.empty());
}

TEST(LoopDispatcher, ZeroElapseTimerKilledByItsHandlerFiresOnce) {
    RecordingWindow w;
    LoopDispatcher loop(w.messageHandler(), w.timerHandler());
    w.onTick = [&](std::uint32_t id) { loop.killTimer(id); };
    loop.setTimer(1054, 0);
    loop.runUntil([] { return false; }, 150ms);
    EXPECT_EQ(w.tickCount(1054), 1u);
}

TEST(LoopDispatcher, PeriodicTimerRepeatsUntilKilled) {
    RecordingWindow w;
    LoopDispatcher loop(w.messageHandler(), w.timerHandler());
    w.onTick = [&](std::uint32_t id) {
        if (w.tickCount(id) == 3) {
            loop.killTimer(id);
        }
    };
    loop.setTimer(1050, 10);
    EXPECT_TRUE(loop.runUntil([&] { return w.tickCount(1050) == 3; }, 2s));
    loop.runUntil([] { return false; }, 60ms);
    EXPECT_EQ(w.tickCount(1050), 3u);
}

TEST(LoopDispatcher, TimerSetFromAnotherThreadWakesTheLoop) {
    RecordingWindow w;
    LoopDispatcher loop(w.messageHandler(), w.timerHandler());
    w.onTick = [&](std::uint32_t id) { loop.killTimer(id); };
    std::thread setter([&] {
        std::this_thread::sleep_for(20ms);
        loop.setTimer(1051, 0);
    });
    EXPECT_TRUE(loop.runUntil([&] { return w.tickCount(1051) == 1; }, 2s));
    setter.join();
}

TEST(LoopDispatcher, ManySendersFromManyThreadsAllGetTheirAnswers) {
    RecordingWindow w;
    LoopDispatcher loop(w.messageHandler(), w.timerHandler());
    std::atomic<int> answered{0};
    std::vector<std::thread> senders;
    for (std::uint32_t t = 0; t < 8; ++t) {
        senders.emplace_back([&, t] {
            for (std::uint32_t i = 0; i < 50; ++i) {
                if (loop.sendMessage(100, t * 1000 + i, 0) ==
                    static_cast<MsgResult>(100 + t * 1000 + i)) {
                    ++answered;
                }
            }
        });
    }
    EXPECT_TRUE(loop.runUntil([&] { return answered.load() == 400; }, 10s));
    for (auto& s : senders) {
        s.join();
    }
}

}  // namespace
}  // namespace quorvane
