#include "core/device/unit_id.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <numeric>

#include "core/device/command_transport.h"
#include "core/device/hid_filter.h"

namespace quorvane {
namespace {

TEST(UnitIdTable, IsAPermutationOfAllBytes) {
    std::array<std::uint8_t, 256> sorted = kUnitIdTable;
    std::sort(sorted.begin(), sorted.end());
    std::array<std::uint8_t, 256> identity{};
    std::iota(identity.begin(), identity.end(), 0);
    EXPECT_EQ(sorted, identity);
    // Spot checks at the corners of each row of the table.
    EXPECT_EQ(kUnitIdTable[0x00], 0xFD);
    EXPECT_EQ(kUnitIdTable[0x0F], 0xA8);
    EXPECT_EQ(kUnitIdTable[0x1E], 0x00);
    EXPECT_EQ(kUnitIdTable[0x7F], 0x74);
    EXPECT_EQ(kUnitIdTable[0x80], 0x30);
    EXPECT_EQ(kUnitIdTable[0xF0], 0x27);
    EXPECT_EQ(kUnitIdTable[0xFF], 0xDE);
}

TEST(UnitId, SumsTheTableOverTheBytesAndWrapsAt32Bits) {
    const std::array<std::uint8_t, 3> bytes{0x00, 0x01, 0xFF};
    EXPECT_EQ(UnitId(0, bytes), 0xFDu + 0x86u + 0xDEu);
    EXPECT_EQ(UnitId(1000, bytes), 1000u + 0xFDu + 0x86u + 0xDEu);
    const std::array<std::uint8_t, 1> zero{0x00};
    EXPECT_EQ(UnitId(0xFFFFFFFFu, zero), 0xFCu);
    EXPECT_EQ(UnitId(7, nullptr, 0), 7u);
}

TEST(UnitId, ChainingMatchesOneSumInAnyOrder) {
    const std::array<std::uint8_t, 6> all{9, 8, 7, 200, 100, 0};
    const std::array<std::uint8_t, 2> head{9, 8};
    const std::array<std::uint8_t, 4> tail{7, 200, 100, 0};
    const std::array<std::uint8_t, 6> shuffled{0, 100, 9, 200, 8, 7};
    EXPECT_EQ(UnitId(UnitId(0, head), tail), UnitId(0, all));
    EXPECT_EQ(UnitId(0, shuffled), UnitId(0, all));
}

TEST(UnitId, CountRequestHasTheConstantId) {
    EXPECT_EQ(requestUnitId(commandFilter(), 0, 0), 0x1544u);
    EXPECT_EQ(CommandTransport::kDeviceCountUnitId, requestUnitId(commandFilter(), 0, 0));
}

TEST(UnitId, BeginTransferFrameHasId5374) {
    std::array<std::uint8_t, 64> frame{};
    frame[0] = 0x04;
    frame[1] = 0x01;
    frame[3] = 0x01;
    EXPECT_EQ(requestUnitId(commandFilter(), 0, 0, frame), 0x5374u);
}

TEST(FilterRecord, PacksLittleEndianFieldByField) {
    const auto bytes = filterBytes(makeFilter(0xFF1C, 0x0092));
    const std::array<std::uint8_t, 16> expected{0x0F, 0,    0,    0, 0x45, 0x0C, 0x04, 0x50,
                                                0x1C, 0xFF, 0x92, 0, 0,    0,    0,    0};
    EXPECT_EQ(bytes, expected);
}

}  // namespace
}  // namespace quorvane
