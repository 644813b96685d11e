// The sender keeps only the newest bracket for the same places while the
// keyboard is busy, keeps the order of the others, and never makes the caller
// wait. A send function held by the test plays the slow keyboard.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <vector>

#include "core/lighting/latest_value_sender.h"

namespace quorvane::test {
namespace {

LightingBracket recordByte(int offset, std::uint8_t value) {
    return {{Command::WriteLighting, offset, 0, {value}}};
}

// Holds every send until released; records what was sent.
class SlowKeyboard {
  public:
    int send(const LightingBracket& bracket) {
        std::unique_lock lock(m_mutex);
        m_inSend = true;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_open; });
        m_sent.push_back(bracket);
        m_inSend = false;
        return 1;
    }
    void waitUntilSending() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_inSend; });
    }
    void open() {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }
    std::vector<LightingBracket> sent() const {
        std::lock_guard lock(m_mutex);
        return m_sent;
    }

  private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = false;
    bool m_inSend = false;
    std::vector<LightingBracket> m_sent;
};

TEST(LatestValueSender, WhileTheKeyboardIsBusyOnlyTheNewestValueWaits) {
    SlowKeyboard keyboard;
    LatestValueSender sender([&](const LightingBracket& b) { return keyboard.send(b); });
    ASSERT_EQ(sender.queue(recordByte(1, 0)), 1);
    keyboard.waitUntilSending();
    // The hand keeps moving while the first value travels; none of this waits.
    for (std::uint8_t v = 1; v <= 4; ++v) {
        ASSERT_EQ(sender.queue(recordByte(1, v)), 1);
    }
    keyboard.open();
    sender.settle();
    EXPECT_EQ(keyboard.sent(), (std::vector<LightingBracket>{recordByte(1, 0), recordByte(1, 4)}));
    EXPECT_EQ(sender.sent(), 2u);
    EXPECT_EQ(sender.superseded(), 3u);
}

TEST(LatestValueSender, OtherWritesKeepTheirOrderAndTheNewestValueGoesLast) {
    SlowKeyboard keyboard;
    LatestValueSender sender([&](const LightingBracket& b) { return keyboard.send(b); });
    sender.queue(recordByte(2, 9));
    keyboard.waitUntilSending();
    sender.queue(recordByte(1, 1));                                   // brightness
    sender.queue({{Command::WriteLighting, 4, 0, {0, 10, 20, 30}}});  // colour, random off
    sender.queue(recordByte(4, 1));                                   // random on
    sender.queue({{Command::WriteLighting, 4, 0, {0, 40, 50, 60}}});  // colour again
    sender.queue(recordByte(1, 3));
    keyboard.open();
    sender.settle();
    // Random ends off, as the last colour left it.
    EXPECT_EQ(keyboard.sent(),
              (std::vector<LightingBracket>{recordByte(2, 9),
                                            recordByte(4, 1),
                                            {{Command::WriteLighting, 4, 0, {0, 40, 50, 60}}},
                                            recordByte(1, 3)}));
}

TEST(LatestValueSender, DifferentBanksOrLedsAreDifferentPlaces) {
    SlowKeyboard keyboard;
    LatestValueSender sender([&](const LightingBracket& b) { return keyboard.send(b); });
    const LightingBracket keyA = {{Command::WriteKeyColours, 64, 1, {1, 2, 3}}};
    const LightingBracket keyB = {{Command::WriteKeyColours, 65, 1, {1, 2, 3}}};
    const LightingBracket keyAOtherBank = {{Command::WriteKeyColours, 64, 2, {1, 2, 3}}};
    sender.queue(recordByte(0, 1));
    keyboard.waitUntilSending();
    sender.queue(keyA);
    sender.queue(keyB);
    sender.queue(keyAOtherBank);
    keyboard.open();
    sender.settle();
    EXPECT_EQ(keyboard.sent(),
              (std::vector<LightingBracket>{recordByte(0, 1), keyA, keyB, keyAOtherBank}));
    EXPECT_EQ(sender.superseded(), 0u);
}

TEST(LatestValueSender, WhatIsStillWaitingIsSentBeforeTheSenderEnds) {
    SlowKeyboard keyboard;
    {
        LatestValueSender sender([&](const LightingBracket& b) { return keyboard.send(b); });
        sender.queue(recordByte(1, 1));
        keyboard.waitUntilSending();
        sender.queue(recordByte(2, 2));
        keyboard.open();
    }
    EXPECT_EQ(keyboard.sent(), (std::vector<LightingBracket>{recordByte(1, 1), recordByte(2, 2)}));
}

TEST(LatestValueSender, ALostKeyboardDropsWhatWaits) {
    SlowKeyboard keyboard;
    int calls = 0;
    LatestValueSender sender([&](const LightingBracket& b) {
        keyboard.send(b);
        return ++calls == 1 ? -2 : 1;  // the first bracket finds no answer
    });
    sender.queue(recordByte(1, 1));
    keyboard.waitUntilSending();
    sender.queue(recordByte(2, 2));
    sender.queue(recordByte(3, 3));
    keyboard.open();
    sender.settle();
    EXPECT_EQ(keyboard.sent(), (std::vector<LightingBracket>{recordByte(1, 1)}));
    EXPECT_EQ(sender.dropped(), 2u);
    EXPECT_EQ(sender.lastResult(), -2);

    sender.queue(recordByte(4, 4));  // later writes go out again
    sender.settle();
    EXPECT_EQ(keyboard.sent().back(), recordByte(4, 4));
}

TEST(LatestValueSender, KeepsTheLastResult) {
    LatestValueSender sender(
        [](const LightingBracket& b) { return b.front().offset == 7 ? -2 : 1; });
    EXPECT_EQ(sender.lastResult(), 1);
    sender.queue(recordByte(7, 0));
    sender.settle();
    EXPECT_EQ(sender.lastResult(), -2);
}

}  // namespace
}  // namespace quorvane::test
