// The fault knobs: each one misbehaves exactly as far as it is told to.
#include <gtest/gtest.h>

#include "base/le_bytes.h"
#include "vkbd_test_util.h"

namespace quorvane::vkbd {
namespace {

using Outcome = CommandResult::Outcome;
using test::send;

class FaultKnobsTest : public ::testing::Test {
  protected:
    // Writes one distinct byte into lighting byte `i`; returns the result.
    CommandResult writeLightingByte(std::uint16_t i) {
        const std::vector<std::uint8_t> one = {static_cast<std::uint8_t>(0xC0 + i)};
        return send(kb, 0x06, 1, i, one);
    }
    std::uint8_t lightingByte(std::size_t i) { return kb.memory(Area::Lighting)[i]; }

    VirtualKeyboard kb;
};

TEST_F(FaultKnobsTest, DropEveryNthLosesOnlyTheAnswer) {
    kb.setFaultKnobs({.dropEveryNth = 3});
    for (std::uint16_t i = 0; i < 9; ++i) {
        const auto r = writeLightingByte(i);
        const bool dropped = (i + 1) % 3 == 0;
        EXPECT_EQ(r.outcome, dropped ? Outcome::Dropped : Outcome::Answered) << i;
        EXPECT_EQ(r.answer.has_value(), !dropped) << i;
        EXPECT_EQ(lightingByte(i), 0xC0 + i) << "the command still takes effect";
    }
    EXPECT_EQ(kb.counters().answersDropped, 3u);
    EXPECT_EQ(kb.counters().answersSent, 6u);

    // Setting the knob again starts the count afresh.
    writeLightingByte(0);
    kb.setFaultKnobs({.dropEveryNth = 2});
    EXPECT_EQ(writeLightingByte(0).outcome, Outcome::Answered);
    EXPECT_EQ(writeLightingByte(0).outcome, Outcome::Dropped);
    kb.modifyFaultKnobs([](FaultKnobs& k) { k.dropEveryNth = 0; });
    EXPECT_EQ(writeLightingByte(0).outcome, Outcome::Answered);
}

TEST_F(FaultKnobsTest, WrongEchoForTheNextAnswersThenRight) {
    kb.setFaultKnobs({.wrongEchoCount = 2});
    EXPECT_EQ((*send(kb, 0x03, 44, 0).answer)[3], 0x04);
    EXPECT_EQ((*send(kb, 0x07, 56, 0).answer)[3], 0x08);
    EXPECT_EQ(kb.faultKnobs().wrongEchoCount, 0u);
    EXPECT_EQ((*send(kb, 0x07, 56, 0).answer)[3], 0x07);
}

TEST_F(FaultKnobsTest, WrongEchoAlwaysWithAFixedValueStillDoesTheWork) {
    kb.setFaultKnobs({.wrongEchoAlways = true, .wrongEchoValue = 0x55});
    for (std::uint16_t i = 0; i < 4; ++i) {
        const auto r = writeLightingByte(i);
        ASSERT_TRUE(r.answer);
        EXPECT_EQ((*r.answer)[3], 0x55);
        EXPECT_EQ(getU16(*r.answer, 1), frameChecksum(*r.answer));
        EXPECT_EQ(lightingByte(i), 0xC0 + i);
    }
}

TEST_F(FaultKnobsTest, WrongEchoIsNotSpentOnADroppedAnswer) {
    kb.setFaultKnobs({.dropEveryNth = 1, .wrongEchoCount = 1});
    EXPECT_EQ(writeLightingByte(0).outcome, Outcome::Dropped);
    kb.modifyFaultKnobs([](FaultKnobs& k) { k.dropEveryNth = 0; });
    EXPECT_EQ((*writeLightingByte(0).answer)[3], 0x07);
}

class RefuseKnob : public FaultKnobsTest, public ::testing::WithParamInterface<std::uint8_t> {};

TEST_P(RefuseKnob, RefusesTheNextCommandsAndChangesNothing) {
    const std::uint8_t status = GetParam();
    kb.setFaultKnobs({.refuseCount = 2, .refuseStatus = status});
    for (std::uint16_t i = 0; i < 2; ++i) {
        const auto r = writeLightingByte(i);
        ASSERT_TRUE(r.answer);
        EXPECT_EQ((*r.answer)[7], status);
        EXPECT_EQ((*r.answer)[3], 0x06);
        EXPECT_EQ(lightingByte(i), factoryMemories().lighting[i]);
    }
    const auto r = writeLightingByte(2);
    EXPECT_EQ((*r.answer)[7], kStatusOk);
    EXPECT_EQ(lightingByte(2), 0xC2);
    EXPECT_EQ(kb.counters().refusals, 2u);

    // Refused reads carry no data.
    kb.setFaultKnobs({.refuseAlways = true, .refuseStatus = status});
    for (int i = 0; i < 3; ++i) {
        const auto read = send(kb, 0x0F, 56, 0);
        EXPECT_EQ((*read.answer)[7], status);
        EXPECT_EQ((*read.answer)[8], 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Status, RefuseKnob, ::testing::Values(0xFF, 0xFE));

TEST_F(FaultKnobsTest, RemoveAfterFramesAnswersTheLastThenGoesSilent) {
    std::vector<Event> sunk;
    kb.setEventSink([&](const Event& e) { sunk.push_back(e); });
    kb.setFaultKnobs({.removeAfterFrames = 3});

    EXPECT_TRUE(writeLightingByte(0).events.empty());
    EXPECT_TRUE(kb.handleBankReport(std::vector<std::uint8_t>{0x05, 0x03}));  // counts too
    const auto third = writeLightingByte(2);
    EXPECT_EQ(third.outcome, Outcome::Answered);
    EXPECT_EQ(third.events, std::vector<Event>{Event::presence(false)});
    EXPECT_EQ(lightingByte(2), 0xC2);
    EXPECT_FALSE(kb.attached());
    EXPECT_TRUE(sunk.empty()) << "a command's events are delivered by its caller";

    const auto silent = writeLightingByte(3);
    EXPECT_EQ(silent.outcome, Outcome::NotAttached);
    EXPECT_FALSE(silent.answer);
    EXPECT_NE(lightingByte(3), 0xC3);
    EXPECT_EQ(kb.counters().framesHandled, 3u);

    kb.attach();
    EXPECT_EQ(sunk, std::vector<Event>{Event::presence(true)});
    EXPECT_EQ(writeLightingByte(3).outcome, Outcome::Answered);
    EXPECT_EQ(kb.faultKnobs().removeAfterFrames, 0u);
}

TEST_F(FaultKnobsTest, RemovalByABankReportGoesThroughTheSink) {
    std::vector<Event> sunk;
    kb.setEventSink([&](const Event& e) { sunk.push_back(e); });
    kb.setFaultKnobs({.removeAfterFrames = 1});
    kb.handleBankReport(std::vector<std::uint8_t>{0x05, 0x03});
    EXPECT_EQ(sunk, std::vector<Event>{Event::presence(false)});
    EXPECT_FALSE(kb.attached());
}

TEST(UsbFrames, NextFrameStartsStrictlyAfterNow) {
    using namespace std::chrono;
    using tp = steady_clock::time_point;
    EXPECT_EQ(nextUsbFrame(tp(microseconds(500))), tp(milliseconds(1)));
    EXPECT_EQ(nextUsbFrame(tp(milliseconds(2))), tp(milliseconds(3)));
    EXPECT_EQ(nextUsbFrame(tp(microseconds(2999))), tp(milliseconds(3)));
}

}  // namespace
}  // namespace quorvane::vkbd
