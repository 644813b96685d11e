// The command set against the emulated firmware: data arrives where the
// keyboard keeps it and comes back unchanged, in the chunks the protocol fixes.
#include <gtest/gtest.h>

#include <array>
#include <numeric>
#include <thread>
#include <vector>

#include "core/device/device_result.h"
#include "virtual_keyboard_fixture.h"

namespace quorvane::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Header {
    std::uint8_t command;
    std::uint8_t length;
    std::uint16_t offset;
};

std::vector<Header> headers(const std::vector<std::array<std::uint8_t, 64>>& frames) {
    std::vector<Header> out;
    out.reserve(frames.size());
    for (const auto& f : frames) {
        out.push_back({f[3], f[4], static_cast<std::uint16_t>(f[5] | (f[6] << 8))});
    }
    return out;
}

bool operator==(const Header& a, const Header& b) {
    return a.command == b.command && a.length == b.length && a.offset == b.offset;
}

void PrintTo(const Header& h, std::ostream* os) {
    *os << "{cmd " << int(h.command) << ", len " << int(h.length) << ", off " << h.offset << "}";
}

class VirtualCommandTest : public VirtualLinkTest {};

TEST_F(VirtualCommandTest, KeyTableOfProfile2TravelsInSevenChunks) {
    std::array<std::uint8_t, 378> table{};
    ASSERT_EQ(commands().ReadKeyTable(table, 2), kResultDone);
    const std::vector<Header> expected{{0x07, 56, 756}, {0x07, 56, 812}, {0x07, 56, 868},
                                       {0x07, 56, 924}, {0x07, 56, 980}, {0x07, 56, 1036},
                                       {0x07, 42, 1092}};
    EXPECT_EQ(headers(knobs.frames()), expected);
    const Bytes memory = knobs.memory(QUELLIX_AREA_KEY_TABLES, 756, 378);
    EXPECT_EQ(Bytes(table.begin(), table.end()), memory);
}

TEST_F(VirtualCommandTest, MacroAreaChunksFollowTheCount) {
    struct Case {
        std::uint32_t count;
        std::vector<Header> frames;
    };
    const std::vector<Case> cases{
        {16, {{0x09, 16, 0}}},
        {112, {{0x09, 56, 0}, {0x09, 56, 56}}},
        {113, {{0x09, 56, 0}, {0x09, 56, 56}, {0x09, 1, 112}}},
    };
    for (const Case& c : cases) {
        knobs.ClearFrames();
        Bytes area(c.count);
        ASSERT_EQ(commands().ReadMacroArea(area, c.count), kResultDone) << c.count;
        EXPECT_EQ(headers(knobs.frames()), c.frames) << c.count;
        EXPECT_EQ(area, knobs.memory(QUELLIX_AREA_MACRO_AREA, 0, c.count)) << c.count;
    }
}

TEST_F(VirtualCommandTest, WrittenAreasComeBackUnchanged) {
    Bytes table(378);
    std::iota(table.begin(), table.end(), 3);
    ASSERT_EQ(commands().BeginTransfer(), kResultDone);
    ASSERT_EQ(commands().WriteKeyTable(std::span<const std::uint8_t, 378>(table), 1), kResultDone);
    Bytes macro(200);
    std::iota(macro.begin(), macro.end(), 90);
    ASSERT_EQ(commands().WriteMacroArea(macro, 200), kResultDone);
    ASSERT_EQ(commands().EndTransfer(1), kResultDone);

    EXPECT_EQ(knobs.memory(QUELLIX_AREA_KEY_TABLES, 378, 378), table);
    EXPECT_EQ(knobs.memory(QUELLIX_AREA_KEY_TABLES, 0, 378),
              knobs.memory(QUELLIX_AREA_FACTORY_KEY_TABLE, 0, 378))
        << "the other profiles stay as they were";
    EXPECT_EQ(knobs.memory(QUELLIX_AREA_MACRO_AREA, 0, 200), macro);

    std::array<std::uint8_t, 378> back{};
    ASSERT_EQ(commands().ReadKeyTable(back, 1), kResultDone);
    EXPECT_EQ(Bytes(back.begin(), back.end()), table);
}

TEST_F(VirtualCommandTest, LightingAndColourWindowsLandAtTheirOffsets) {
    const Bytes one{0x07};
    ASSERT_EQ(commands().WriteLighting(one, 1, 15), kResultDone);
    EXPECT_EQ(knobs.memory(QUELLIX_AREA_LIGHTING, 15, 1), one);

    const Bytes rgb{0x10, 0x20, 0x30};
    ASSERT_EQ(commands().WriteKeyColours(rgb, 3, 5, 2), kResultDone);
    EXPECT_EQ(knobs.memory(QUELLIX_AREA_COLOURS, 1039, 3), rgb);

    std::array<std::uint8_t, 56> window{};
    ASSERT_EQ(commands().ReadKeyColours(window, 3, 5, 2), kResultDone);
    EXPECT_EQ(Bytes(window.begin(), window.begin() + 3), rgb);
    ASSERT_EQ(commands().ReadLighting(window, 42, 42), kResultDone);
    EXPECT_EQ(Bytes(window.begin(), window.begin() + 42),
              knobs.memory(QUELLIX_AREA_LIGHTING, 42, 42));
}

TEST_F(VirtualCommandTest, SettingsReadAndProfileSwitch) {
    std::array<std::uint8_t, 44> settings{};
    ASSERT_EQ(commands().ReadSettings(settings), kResultDone);
    EXPECT_EQ(settings[10], 0);
    EXPECT_EQ(settings[11], 0x40);
    settings[10] = 2;
    ASSERT_EQ(commands().WriteSettings(settings), kResultDone);
    EXPECT_EQ(knobs.memory(QUELLIX_AREA_SETTINGS, 10, 1), Bytes{2});
}

TEST_F(VirtualCommandTest, RefusalsBecomeTheirResultCodesAndLeaveOutputAlone) {
    std::array<std::uint8_t, 44> settings{};
    settings.fill(0xEE);
    knobs.Refuse(0xFF, 3);
    EXPECT_EQ(commands().ReadSettings(settings), kResultRefusedFF);
    EXPECT_EQ(settings[0], 0xEE);
    knobs.Refuse(0xFE, 3);
    EXPECT_EQ(commands().BeginTransfer(), kResultRefusedFE);

    // The firmware's own refusal: an address past the macro area's end.
    const std::uint32_t capacity = 0x40 * 128;
    Bytes tooMuch(capacity + 1, 0);
    EXPECT_EQ(commands().WriteMacroArea(tooMuch, capacity + 1), kResultRefusedFE);
}

TEST_F(VirtualCommandTest, BadProfileSendsNothing) {
    std::array<std::uint8_t, 378> table{};
    EXPECT_EQ(commands().ReadKeyTable(table, 3), kResultBadArgument);
    EXPECT_EQ(commands().WriteKeyTable(table, 3), kResultBadArgument);
    EXPECT_EQ(knobs.FrameCount(), 0u);
}

TEST_F(VirtualCommandTest, TwoThreadsNeverMixTheirAnswers) {
    // The user interface and an arrival worker send at the same time. Answers
    // take a millisecond, so the two threads' exchanges overlap unless whole
    // transactions take turns.
    // Each thread keeps sending for longer than the 301 ms back-off.
    knobs.SetLatencyUs(1000);
    constexpr unsigned kSettingsReads = 350;
    constexpr unsigned kTableReads = 50;
    std::array<std::uint8_t, 44> expectedSettings{};
    const Bytes memory = knobs.memory(QUELLIX_AREA_SETTINGS, 0, 44);
    std::copy(memory.begin(), memory.end(), expectedSettings.begin());
    const Bytes expectedTable = knobs.memory(QUELLIX_AREA_KEY_TABLES, 378, 378);

    int settingsFailures = 0;
    int tableFailures = 0;
    std::thread settingsReader([&] {
        for (int i = 0; i < kSettingsReads; ++i) {
            std::array<std::uint8_t, 44> s{};
            if (commands().ReadSettings(s) != kResultDone || s != expectedSettings) {
                ++settingsFailures;
            }
        }
    });
    std::thread tableReader([&] {
        for (int i = 0; i < kTableReads; ++i) {
            std::array<std::uint8_t, 378> t{};
            if (commands().ReadKeyTable(t, 1) != kResultDone ||
                Bytes(t.begin(), t.end()) != expectedTable) {
                ++tableFailures;
            }
        }
    });
    settingsReader.join();
    tableReader.join();
    EXPECT_EQ(settingsFailures, 0);
    EXPECT_EQ(tableFailures, 0);
    EXPECT_EQ(knobs.FrameCount(), kSettingsReads + kTableReads * 7u) << "no attempt was repeated";
}

}  // namespace
}  // namespace quorvane::test
