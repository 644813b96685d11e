#include "core/app/instance_handover.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "core/app/instance_messages.h"
#include "core/platform/named_lock.h"
#include "platform/temp_dir.h"

namespace quorvane {
namespace {

using namespace std::chrono_literals;

// What the running instance is, as a second start finds it.
enum class Running { None, StillStarting, Listening };

struct HandoverCase {
    const char* name;
    std::vector<std::string> arguments;
    Running running;
    bool handedOver;
};
// NOLINTNEXTLINE(readability-identifier-naming): the name GoogleTest looks for
void PrintTo(const HandoverCase& c, std::ostream* os) {
    *os << c.name;
}

class InstanceHandoverTest : public ::testing::TestWithParam<HandoverCase> {};

TEST_P(InstanceHandoverTest, OnlyAPlainOrStartSwitchStartToAListeningInstanceHandsOver) {
    const HandoverCase& c = GetParam();
    test::TempDir dir;
    // This test is the running instance: it holds the lock, and listens once started.
    NamedLock held;
    std::unique_ptr<InstanceChannel> channel;
    std::mutex mutex;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> heard;
    if (c.running != Running::None) {
        NamedLock::Outcome outcome{};
        held = NamedLock::openOrCreate(dir.path(), kInstanceMutexName, &outcome);
        ASSERT_EQ(outcome, NamedLock::Outcome::Created);
    }
    if (c.running == Running::Listening) {
        channel = InstanceChannel::open(
            dir.path(),
            [&](std::uint32_t message, std::uint32_t tag) {
                std::lock_guard lock(mutex);
                heard.emplace_back(message, tag);
                return 0u;
            },
            ::getuid());
        ASSERT_NE(channel, nullptr);
    }

    EXPECT_EQ(handOpenToListeningInstance(c.arguments, dir.path(), 2s), c.handedOver);
    channel.reset();  // waits for a message still being handled
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> open = {{UM_OPEN, kTagOpen}};
    EXPECT_EQ(heard, c.handedOver ? open : decltype(heard){});
}

INSTANTIATE_TEST_SUITE_P(
    Starts, InstanceHandoverTest,
    ::testing::Values(
        HandoverCase{"PlainStartToListening", {}, Running::Listening, true},
        HandoverCase{"StartSwitchToListening", {"/start"}, Running::Listening, true},
        HandoverCase{"OtherArgumentsToListening", {"--verbose", "x"}, Running::Listening, true},
        // The full rule ends the instance for "/Kill", in any place and case.
        HandoverCase{"KillToListening", {"x", "/KILL"}, Running::Listening, false},
        // The full rule waits for an instance still making its window.
        HandoverCase{"PlainStartToStarting", {}, Running::StillStarting, false},
        HandoverCase{"PlainStartToNobody", {}, Running::None, false}),
    [](const ::testing::TestParamInfo<HandoverCase>& info) { return info.param.name; });

TEST(InstanceHandover, NoRunTimeFolderHandsNothingOver) {
    EXPECT_FALSE(handOpenToListeningInstance({}, "", 1s));
}

}  // namespace
}  // namespace quorvane
