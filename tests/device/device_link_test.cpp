#include <gtest/gtest.h>

#include <vector>

#include "core/device/hid_filter.h"
#include "core/device/unit_id.h"
#include "fake_link_fixture.h"

namespace quorvane::test {
namespace {

TEST_F(FakeLinkTest, StartRegistersTheControlReadWithItsUnitId) {
    ASSERT_EQ(fake.reads.size(), 1u);
    const FakeRead& read = fake.reads[0];
    EXPECT_EQ(filterBytes(read.filter), filterBytes(makeFilter(0xFF1C, 0x0092)));
    EXPECT_EQ(read.tag, 0x4354524Cu);
    EXPECT_EQ(read.callback, &DeviceLink::DeviceCallback);
    EXPECT_EQ(link->ctrlReadId(), read.id);

    // The count request's id covers the filter and eight zero bytes; this one
    // has the callback's low address bytes and "CTRL" in their place.
    std::uint32_t expected = 0x1544u - 8u * kUnitIdTable[0];
    const std::uint32_t address = callbackField(&DeviceLink::DeviceCallback);
    for (int i = 0; i < 4; ++i) {
        expected += kUnitIdTable[(address >> (8 * i)) & 0xFF];
    }
    for (const std::uint8_t b : {0x4C, 0x52, 0x54, 0x43}) {
        expected += kUnitIdTable[b];
    }
    EXPECT_EQ(read.unit, expected);
}

TEST_F(FakeLinkTest, RegisteringAgainCancelsThePreviousRequest) {
    std::uint32_t id = 0;
    link->registerStandingRead(0x000C, 0x0001, kTagCons, id);
    const std::uint32_t first = id;
    ASSERT_NE(first, 0u);
    link->registerStandingRead(0x000C, 0x0001, kTagCons, id);
    EXPECT_NE(id, first);
    EXPECT_EQ(fake.deletedIds.back(), first);
    EXPECT_EQ(fake.reads.size(), 2u) << "CTRL and the newest CONS read";
}

TEST_F(FakeLinkTest, OtherEventsGoToTheHookNotTheTransport) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> seen;  // kind, tag
    link->setEventHook([&seen](const QuellixEvent& e) {
        seen.emplace_back(e.kind, e.request != nullptr ? e.request->tag : 0);
    });
    std::uint32_t consId = 0;
    link->registerStandingRead(0x000C, 0x0001, kTagCons, consId);
    fake.deliver(kTagCons, Bytes{0x02, 0x04});

    QuellixRequestRecord presence{};
    presence.tag = kTagCtrl;
    presence.count = 0;
    QuellixEvent gone{};
    gone.kind = QUELLIX_EVENT_PRESENCE;
    gone.request = &presence;
    EXPECT_EQ(DeviceLink::DeviceCallback(&gone), 1);

    fake.deliver(kTagCtrl, Bytes(64, 0));  // a command answer: the transport's
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], std::make_pair(QUELLIX_EVENT_REPORT, kTagCons));
    EXPECT_EQ(seen[1], std::make_pair(QUELLIX_EVENT_PRESENCE, kTagCtrl));
    EXPECT_EQ(DeviceLink::DeviceCallback(nullptr), 1);
}

TEST_F(FakeLinkTest, GoneLinkCancelsItsReadsAndIsNoLongerReached) {
    int hookCalls = 0;
    link->setEventHook([&hookCalls](const QuellixEvent&) { ++hookCalls; });
    const std::uint32_t ctrlId = link->ctrlReadId();
    link.reset();
    EXPECT_TRUE(fake.reads.empty());
    EXPECT_EQ(fake.deletedIds.back(), ctrlId);

    QuellixRequestRecord record{};
    record.tag = kTagCons;
    QuellixEvent event{};
    event.kind = QUELLIX_EVENT_REPORT;
    event.request = &record;
    EXPECT_EQ(DeviceLink::DeviceCallback(&event), 1);
    EXPECT_EQ(hookCalls, 0);
}

}  // namespace
}  // namespace quorvane::test
