// The transport through libquellix.so and the virtual keyboard: what reaches
// the firmware, and how the keyboard's faults turn into results.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <thread>
#include <vector>

#include "core/device/device_result.h"
#include "virtual_keyboard_fixture.h"

namespace quorvane::test {
namespace {

using Frame = std::array<std::uint8_t, 64>;

Frame beginFrame() {
    Frame f{};
    f[0] = 0x04;
    f[1] = 0x01;
    f[3] = 0x01;
    return f;
}

class VirtualTransportTest : public VirtualLinkTest {
  protected:
    int send(const Frame& request, std::uint32_t capacity = 64) {
        reply.fill(0xEE);
        return transport().SendAndWait(request.data(), request.size(), reply.data(), capacity,
                                       received);
    }
    bool waitForCount(int count) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (transport().DeviceCount() != count) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }
    Frame reply{};
    std::uint32_t received = 0;
};

TEST_F(VirtualTransportTest, OneKeyboardAndOneExchange) {
    EXPECT_EQ(transport().DeviceCount(), 1);
    ASSERT_EQ(send(beginFrame()), kResultDone);
    EXPECT_EQ(received, 64u);
    EXPECT_EQ(reply[3], 0x01);
    EXPECT_EQ(reply[7], 0x00);
    const auto frames = knobs.frames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], beginFrame());
}

TEST_F(VirtualTransportTest, RemovedKeyboardReturnsZeroAndSendsNothing) {
    knobs.Remove();
    // Presence changes reach the library on its own thread, as with hardware.
    ASSERT_TRUE(waitForCount(0));
    EXPECT_EQ(send(beginFrame()), kResultNoKeyboard);
    EXPECT_EQ(received, 0u);
    EXPECT_EQ(knobs.FrameCount(), 0u);

    knobs.Attach();
    ASSERT_TRUE(waitForCount(1));
    EXPECT_EQ(send(beginFrame()), kResultDone);
}

TEST_F(VirtualTransportTest, KeyboardRemovedMidTransferEndsIt) {
    knobs.RemoveAfterFrames(3);
    std::array<std::uint8_t, 378> table{};
    table.fill(0xEE);
    const int result = commands().ReadKeyTable(table, 0);
    // Depending on whether the library has seen the removal yet, the fourth
    // chunk finds no keyboard (0) or cannot be sent (-1); never a retry loop.
    EXPECT_TRUE(result == kResultNoKeyboard || result == kResultNotSent) << result;
    EXPECT_EQ(std::vector<std::uint8_t>(table.begin(), table.begin() + 168),
              knobs.memory(QUELLIX_AREA_KEY_TABLES, 0, 168))
        << "the three answered chunks stay written";
    EXPECT_EQ(table[168], 0xEE);
    EXPECT_TRUE(waitForCount(0));
}

TEST_F(VirtualTransportTest, AnswerIsCutToTheCapacity) {
    ASSERT_EQ(send(beginFrame(), 10), kResultDone);
    EXPECT_EQ(received, 10u);
    EXPECT_EQ(reply[3], 0x01);
    EXPECT_EQ(reply[10], 0xEE);
}

struct FaultCase {
    const char* name;
    void (*arm)(const VirtualKnobs&);
    int transportResult;
    std::uint8_t statusInReply;  // when the result is 1
    std::uint32_t frames;
};

void PrintTo(const FaultCase& c, std::ostream* os) {
    *os << c.name;
}

class VirtualFaultTest : public VirtualTransportTest,
                         public ::testing::WithParamInterface<FaultCase> {};

TEST_P(VirtualFaultTest, SendAndWaitOutcome) {
    const FaultCase& c = GetParam();
    c.arm(knobs);
    EXPECT_EQ(send(beginFrame()), c.transportResult);
    EXPECT_EQ(knobs.FrameCount(), c.frames);
    for (const Frame& f : knobs.frames()) {
        EXPECT_EQ(f, beginFrame()) << "each attempt resends the same frame";
    }
    if (c.transportResult == kResultDone) {
        EXPECT_EQ(received, 64u);
        EXPECT_EQ(reply[3], 0x01);
        EXPECT_EQ(reply[7], c.statusInReply);
    } else {
        EXPECT_EQ(received, 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, VirtualFaultTest,
    ::testing::Values(FaultCase{"EveryAnswerDropped", [](const VirtualKnobs& k) { k.DropEvery(1); },
                                kResultNoAnswer, 0, 3},
                      FaultCase{"ThreeWrongEchoes", [](const VirtualKnobs& k) { k.WrongEcho(3); },
                                kResultNoAnswer, 0, 3},
                      FaultCase{"TwoWrongEchoesThenAnswer",
                                [](const VirtualKnobs& k) { k.WrongEcho(2); }, kResultDone, 0x00,
                                3},
                      FaultCase{"ThreeRefusals", [](const VirtualKnobs& k) { k.Refuse(0xFF, 3); },
                                kResultDone, 0xFF, 3},
                      FaultCase{"TwoRefusalsThenAccepted",
                                [](const VirtualKnobs& k) { k.Refuse(0xFE, 2); }, kResultDone, 0x00,
                                3}),
    [](const ::testing::TestParamInfo<FaultCase>& info) { return info.param.name; });

TEST_F(VirtualTransportTest, DroppedAnswerIsRetried) {
    knobs.DropEvery(2);  // the second answer from now on is lost
    ASSERT_EQ(send(beginFrame()), kResultDone);
    EXPECT_EQ(knobs.FrameCount(), 1u);
    ASSERT_EQ(send(beginFrame()), kResultDone);
    EXPECT_EQ(knobs.FrameCount(), 3u);
}

TEST_F(VirtualTransportTest, LateAnswerMeetsTheRetryAndTheLastOneIsDropped) {
    // Answers take longer than the wait: the first attempt times out, its late
    // answer (same command byte) satisfies the second; the second's answer then
    // arrives with nothing in flight and must reach no later command.
    knobs.SetLatencyUs(350'000);
    ASSERT_EQ(send(beginFrame()), kResultDone);
    EXPECT_EQ(knobs.FrameCount(), 2u);
    knobs.SetLatencyUs(0);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));

    std::array<std::uint8_t, 44> settings{};
    ASSERT_EQ(commands().ReadSettings(settings), kResultDone);
    const auto memory = knobs.memory(QUELLIX_AREA_SETTINGS, 0, 44);
    EXPECT_EQ(std::vector<std::uint8_t>(settings.begin(), settings.end()), memory);
}

}  // namespace
}  // namespace quorvane::test
