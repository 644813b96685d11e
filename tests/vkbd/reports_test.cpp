// What the keyboard says by itself: consumer reports, its profile key,
// presence, and the G-key bank report it is sent.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "vkbd_test_util.h"

namespace quorvane::vkbd {
namespace {

using test::send;

class Reports : public ::testing::Test {
  protected:
    void SetUp() override {
        kb.setEventSink([this](const Event& e) {
            events.push_back(e);
            // The sink may call back in: the keyboard must not hold its lock here.
            profileSeen.push_back(kb.memory(Area::Settings)[10]);
        });
    }
    void setProfile(std::uint8_t p) {
        ASSERT_TRUE(kb.writeMemory(Area::Settings, 10, std::vector<std::uint8_t>{p}));
    }

    VirtualKeyboard kb;
    std::vector<Event> events;
    std::vector<std::uint8_t> profileSeen;
};

TEST_F(Reports, ProfileKeyCyclesThroughTheThreeProfilesAndTellsTheHost) {
    for (std::uint8_t expected : {1, 2, 0, 1}) {
        ASSERT_TRUE(kb.pressProfileKey());
        EXPECT_EQ(kb.memory(Area::Settings)[10], expected);
    }
    EXPECT_EQ(events, std::vector<Event>(4, Event::consumer(0x0402)));
    // The profile had already changed when the report went out.
    EXPECT_EQ(profileSeen, (std::vector<std::uint8_t>{1, 2, 0, 1}));
}

TEST_F(Reports, ProfileKeyLeavesTheDefaultModeForProfileOne) {
    setProfile(3);
    ASSERT_TRUE(kb.pressProfileKey());
    EXPECT_EQ(kb.memory(Area::Settings)[10], 0);
}

TEST_F(Reports, ConsumerCodesGoOutAsGiven) {
    const std::vector<std::uint16_t> codes = {0x0401, 0x0402, 0x0403, 0x02FF, 0x1810, 0x1811};
    for (auto code : codes) {
        EXPECT_TRUE(kb.raiseConsumer(code));
    }
    ASSERT_EQ(events.size(), codes.size());
    for (std::size_t i = 0; i < codes.size(); ++i) {
        EXPECT_EQ(events[i], Event::consumer(codes[i]));
    }
}

TEST_F(Reports, PresenceEventsOnlyOnChange) {
    EXPECT_TRUE(kb.attached());
    kb.attach();
    kb.remove();
    kb.remove();
    EXPECT_FALSE(kb.attached());
    kb.attach();
    EXPECT_EQ(events, (std::vector<Event>{Event::presence(false), Event::presence(true)}));
}

TEST_F(Reports, ARemovedKeyboardIsSilentAndUntouched) {
    kb.remove();
    events.clear();
    EXPECT_FALSE(kb.pressProfileKey());
    EXPECT_FALSE(kb.raiseConsumer(0x0401));
    EXPECT_FALSE(kb.handleBankReport(std::vector<std::uint8_t>{0x05, 0x03}));
    const std::vector<std::uint8_t> junk(56, 0x77);
    const auto r = send(kb, 0x08, 56, 0, junk);
    EXPECT_EQ(r.outcome, CommandResult::Outcome::NotAttached);
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(kb.memories(), factoryMemories());
    EXPECT_EQ(kb.bankState(), kInitialBankState);
    EXPECT_EQ(kb.counters().framesHandled, 0u);
}

TEST_F(Reports, BankReportStoresItsStateByte) {
    EXPECT_EQ(kb.bankState(), 0x02);
    EXPECT_TRUE(kb.handleBankReport(std::vector<std::uint8_t>{0x05, 0x03}));
    EXPECT_EQ(kb.bankState(), 0x03);
    const std::vector<std::vector<std::uint8_t>> bad = {
        {}, {0x05}, {0x04, 0x02}, {0x05, 0x02, 0x00}};
    for (const auto& report : bad) {
        EXPECT_FALSE(kb.handleBankReport(report)) << report.size();
    }
    EXPECT_EQ(kb.bankState(), 0x03);
    EXPECT_EQ(kb.counters().bankReports, 5u);
}

// The backend's thread answers commands while a test presses keys; the sink
// reads the keyboard. Run under the thread sanitizer this shows any race.
TEST(ReportsConcurrency, CommandsAndOwnKeysFromTwoThreads) {
    VirtualKeyboard kb;
    std::atomic<int> profileReports{0};
    kb.setEventSink([&](const Event& e) {
        if (e.kind == Event::Kind::Consumer && e.consumerCode == 0x0402) {
            (void)kb.memory(Area::Settings);
            ++profileReports;
        }
    });
    std::thread host([&] {
        std::vector<std::uint8_t> block(44, 0x01);
        for (int i = 0; i < 500; ++i) {
            block[10] = static_cast<std::uint8_t>(i % 3);
            send(kb, 0x04, 44, 0, block);
            send(kb, 0x03, 44, 0);
        }
    });
    for (int i = 0; i < 500; ++i) {
        kb.pressProfileKey();
    }
    host.join();
    EXPECT_EQ(profileReports.load(), 500);
    EXPECT_EQ(kb.counters().perCommand[0x04], 500u);
    EXPECT_LE(kb.memory(Area::Settings)[10], 2);
}

}  // namespace
}  // namespace quorvane::vkbd
