// Macros to the keyboard's macro area and back, and what reading does with
// areas that break their own limits.
#include <gtest/gtest.h>

#include "base/le_bytes.h"
#include "config/config_test_support.h"
#include "core/config/default_device_bytes.h"
#include "core/config/macro_area_codec.h"

namespace quorvane {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::u16string_view kPrefix = u"Macro ";

TEST(MacroArea, EmptyListIsSixteenBytes) {
    auto named = buildMacroAreaFrom({}, true);
    ASSERT_TRUE(named);
    EXPECT_EQ(*named, Bytes(kEmptyMacroArea.begin(), kEmptyMacroArea.end()));
    EXPECT_EQ(*named, (Bytes{0xAA, 0x55, 0x10, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    auto nameless = buildMacroAreaFrom({}, false);
    EXPECT_EQ(*nameless, (Bytes{0xAA, 0x55, 0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(macroAreaSizes(std::span<const MacroRecord>{}).withNames, 16u);
}

TEST(MacroArea, TwoStepMacroNamedAb) {
    const std::vector<MacroRecord> macros = {
        test::makeMacro(1, u"ab", {{100, 0x1E, 0}, {0, 0x1E, 1}}, 3)};
    auto area = buildMacroAreaFrom(macros, true);
    ASSERT_TRUE(area);
    const Bytes expected = {0xAA, 0x55, 34,   0,    1, 0, 1, 0,  0,
                            0,    0,    0,    0,    0, 0, 0, 18, 0,  // offset table
                            0x02, 0x00, 3,    2,     // steps, play count, name length
                            0x0A, 0xA0, 0x02, 0x04,  // A down after 100 ms
                            0x00, 0x20, 0x02, 0x04,  // A up after 0 ms
                            0x61, 0x00, 0x62, 0x00};
    EXPECT_EQ(*area, expected);
    const MacroAreaSizes sizes = macroAreaSizes(macros);
    EXPECT_EQ(sizes.withNames, 34u);
    EXPECT_EQ(sizes.withoutNames, 30u);
    auto nameless = buildMacroAreaFrom(macros, false);
    EXPECT_EQ(nameless->size(), 30u);
    EXPECT_EQ((*nameless)[21], 0);  // name length
}

struct StepCase {
    const char* name;
    MacroAction action;
    std::uint16_t word0;
    std::uint16_t word1;
};

class MacroStep : public ::testing::TestWithParam<StepCase> {};

TEST_P(MacroStep, Encodes) {
    const MacroStepWords w = encodeMacroStep(GetParam().action);
    EXPECT_EQ(w.word0, GetParam().word0);
    EXPECT_EQ(w.word1, GetParam().word1);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, MacroStep,
    ::testing::Values(StepCase{"LeftCtrlDown", {0, 0x1D, 0}, 0xA000, 0x0101},
                      StepCase{"RightWindowsUp", {0, 0x15C, 1}, 0x2000, 0x8001},
                      StepCase{"RightShift", {10, 0x36, 1}, 0x2001, 0x2001},
                      StepCase{"MuteConsumer", {20, 0x120, 0}, 0xB002, 0x00E2},
                      StepCase{"PowerDesktop", {0, 0x15E, 1}, 0x4000, 0x0081},
                      StepCase{"NoUsage", {0, 0x54, 0}, 0x8000, 0},
                      StepCase{"DelayRoundedDown", {109, 0x1E, 1}, 0x200A, 0x0402},
                      StepCase{"LongestDelayThatFits", {40950, 0x1E, 1}, 0x2FFF, 0x0402},
                      StepCase{"DelayPastTwelveBitsSaturates", {41000, 0x1E, 1}, 0x2FFF, 0x0402},
                      StepCase{"HourLongDelaySaturates", {3600000, 0x1E, 0}, 0xAFFF, 0x0402},
                      StepCase{"StateOtherThanOneIsDown", {0, 0x1E, 7}, 0xA000, 0x0402}),
    [](const auto& info) { return std::string(info.param.name); });

// The macro page's meter: the figure is the size of the area Apply writes for
// the macros, against the keyboard's capacity.
struct MemoryCase {
    const char* name;
    std::vector<MacroRecord> macros;
    // The capacity, as the size of the area with names plus this (may be < 0).
    int capacityOverNamed;
    bool fits;
    bool namesDropped;
    bool nearlyFull;
};

std::vector<MacroRecord> macrosWithSteps(std::initializer_list<int> steps) {
    std::vector<MacroRecord> out;
    for (const int n : steps) {
        std::vector<MacroAction> actions;
        for (int i = 0; i < n; ++i) {
            actions.push_back({10, 0x1E, static_cast<std::uint16_t>(i % 2)});
        }
        out.push_back(test::makeMacro(static_cast<std::uint16_t>(out.size() + 1),
                                      u"macro " + std::u16string(1, u'a' + out.size()), actions,
                                      1));
    }
    return out;
}

TEST(MacroMemory, TheFigureIsTheSizeOfTheAreaApplyWrites) {
    const MemoryCase cases[] = {
        {"no macros, room to spare", {}, 1000, true, false, false},
        {"no macros, exactly at the capacity", {}, 0, true, false, true},
        {"half full", macrosWithSteps({10, 20}), 500, true, false, false},
        {"exactly at the capacity", macrosWithSteps({10, 20, 2000}), 0, true, false, true},
        {"a byte over: the names go", macrosWithSteps({10, 20, 2000}), -1, true, true, true},
        {"not even without names", macrosWithSteps({10, 20, 2000}), -1000, false, true, true},
        {"just above 90 %", macrosWithSteps({40}), 10, true, false, true},
    };
    for (const MemoryCase& c : cases) {
        SCOPED_TRACE(c.name);
        const MacroAreaSizes sizes = macroAreaSizes(c.macros);
        const auto capacity = static_cast<std::uint32_t>(
            static_cast<std::int64_t>(sizes.withNames) + c.capacityOverNamed);
        const MacroMemoryUse use = macroMemoryUse(c.macros, capacity);
        EXPECT_EQ(use.capacity, capacity);
        EXPECT_EQ(use.fits, c.fits);
        EXPECT_EQ(use.namesDropped, c.namesDropped);
        EXPECT_EQ(use.nearlyFull(), c.nearlyFull);
        const auto area = buildMacroAreaFrom(c.macros, !use.namesDropped);
        ASSERT_TRUE(area);
        EXPECT_EQ(use.used, area->size());
        EXPECT_EQ(use.percent(), use.fits ? static_cast<int>(area->size() * 100 / capacity) : 100);
    }
}

TEST(MacroStep, DecodesWhatTheKeyboardPlays) {
    EXPECT_EQ(decodeMacroStep({0xA00A, 0x0402}), (MacroAction{100, 0x1E, 0}));
    EXPECT_EQ(decodeMacroStep({0x2FFF, 0x2001}), (MacroAction{40950, 0x36, 1}));
    EXPECT_EQ(decodeMacroStep({0xB000, 0x00E2}), (MacroAction{0, 0x120, 0}));
    EXPECT_EQ(decodeMacroStep({0x4000, 0x0082}), (MacroAction{0, 0x15F, 1}));
    EXPECT_EQ(decodeMacroStep({0x0005, 0x1234}), (MacroAction{50, 0, 1}));
    // A keyboard-page usage whose code stands for a consumer key names no key.
    EXPECT_EQ(decodeMacroStep({0x2000, 0xCA02}).key, 0);
}

TEST(ReadMacroArea, NamesFromPrefixWhenTheAreaCarriesNone) {
    const std::vector<MacroRecord> macros = {test::makeMacro(4, u"x", {{30, 0x1E, 0}}, 2),
                                             test::makeMacro(9, u"y", {}, 5)};
    auto area = buildMacroAreaFrom(macros, false);
    auto back = readMacroArea(*area, kPrefix);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].nameView(), u"Macro 1");
    EXPECT_EQ(back[1].nameView(), u"Macro 2");
    EXPECT_EQ(back[0].id, 1);
    EXPECT_EQ(back[1].id, 2);
    EXPECT_EQ(back[0].playCount, 2);
    EXPECT_EQ(back[1].playCount, 5);
    EXPECT_EQ(back[0].actionCount, 1);
    EXPECT_EQ(back[0].actions[0], (MacroAction{30, 0x1E, 0}));
}

// A hand-made area: header, then whatever the case puts after it.
Bytes area(std::uint16_t count, const Bytes& rest) {
    Bytes b = {0xAA,
               0x55,
               0,
               0,
               static_cast<std::uint8_t>(count & 0xFF),
               static_cast<std::uint8_t>(count >> 8),
               1,
               0,
               0,
               0,
               0,
               0,
               0,
               0,
               0,
               0};
    b.insert(b.end(), rest.begin(), rest.end());
    putU16(b, 2, static_cast<std::uint16_t>(b.size()));
    return b;
}

Bytes record(std::uint16_t steps, std::uint8_t play, std::uint8_t nameUnits, std::size_t writeSteps,
             std::size_t writeNameUnits) {
    Bytes b = {static_cast<std::uint8_t>(steps & 0xFF), static_cast<std::uint8_t>(steps >> 8), play,
               nameUnits};
    for (std::size_t j = 0; j < writeSteps; ++j) {
        b.insert(b.end(), {0x01, static_cast<std::uint8_t>(0x20 | (j % 2 ? 0 : 0x80)), 0x02, 0x04});
    }
    for (std::size_t u = 0; u < writeNameUnits; ++u) {
        b.insert(b.end(), {static_cast<std::uint8_t>('a' + u % 26), 0});
    }
    return b;
}

TEST(ReadMacroArea, RefusesAreasWithoutMagicOrHeader) {
    EXPECT_TRUE(readMacroArea({}, kPrefix).empty());
    Bytes wrong = area(1, {18, 0, 0, 0, 1, 0});
    wrong[0] = 0xAB;
    EXPECT_TRUE(readMacroArea(wrong, kPrefix).empty());
    Bytes shortHeader = {0xAA, 0x55, 8, 0, 1, 0, 1, 0};
    EXPECT_TRUE(readMacroArea(shortHeader, kPrefix).empty());
}

TEST(ReadMacroArea, KeepsAtMostOneHundredMacros) {
    Bytes offsets;
    for (int i = 0; i < 150; ++i) {
        offsets.insert(offsets.end(), {0xFF, 0xFF});  // every record out of reach
    }
    auto back = readMacroArea(area(150, offsets), kPrefix);
    ASSERT_EQ(back.size(), 100u);
    EXPECT_EQ(back[99].id, 100);
    EXPECT_EQ(back[99].nameView(), u"Macro 100");
    EXPECT_EQ(back[99].actionCount, 0);
}

TEST(ReadMacroArea, OffsetTableCutShort) {
    // Two macros announced, only one offset present and it points past the end.
    auto back = readMacroArea(area(2, {0x40, 0x00}), kPrefix);
    ASSERT_EQ(back.size(), 2u);
    for (const MacroRecord& m : back) {
        EXPECT_EQ(m.actionCount, 0);
    }
    EXPECT_EQ(back[1].nameView(), u"Macro 2");
}

TEST(ReadMacroArea, StepsBeyondTheBytesGiveAnEmptyRecord) {
    Bytes rest = {18, 0};
    Bytes r = record(5, 7, 0, 3, 0);  // five steps announced, three present
    rest.insert(rest.end(), r.begin(), r.end());
    auto back = readMacroArea(area(1, rest), kPrefix);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].actionCount, 0);
    EXPECT_EQ(back[0].nameView(), u"Macro 1");
}

TEST(ReadMacroArea, MoreThanTwoThousandStepsKeepTheFirst) {
    Bytes rest = {18, 0};
    Bytes r = record(2100, 1, 3, 2100, 3);
    rest.insert(rest.end(), r.begin(), r.end());
    auto back = readMacroArea(area(1, rest), kPrefix);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].actionCount, 2000);
    EXPECT_EQ(back[0].actions[0], (MacroAction{10, 0x1E, 0}));
    EXPECT_EQ(back[0].actions[1999], (MacroAction{10, 0x1E, 1}));
    // The name follows all the steps the record announced.
    EXPECT_EQ(back[0].nameView(), u"abc");
}

TEST(ReadMacroArea, LongNamesKeep249Units) {
    Bytes rest = {18, 0};
    Bytes r = record(1, 1, 255, 1, 255);
    rest.insert(rest.end(), r.begin(), r.end());
    auto back = readMacroArea(area(1, rest), kPrefix);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].nameView().size(), 249u);
    EXPECT_EQ(back[0].actionCount, 1);
}

TEST(ReadMacroArea, NameBeyondTheBytesIsFormed) {
    Bytes rest = {18, 0};
    Bytes r = record(2, 9, 10, 2, 4);  // ten units announced, four present
    rest.insert(rest.end(), r.begin(), r.end());
    auto back = readMacroArea(area(1, rest), kPrefix);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].actionCount, 2);
    EXPECT_EQ(back[0].playCount, 9);
    EXPECT_EQ(back[0].nameView(), u"Macro 1");
}

TEST(MacroAreaRoundTrip, GeneratedMacroListsWithAndWithoutNames) {
    test::ModelGenerator gen(4242);
    for (int round = 0; round < 60; ++round) {
        std::vector<MacroRecord> macros;
        const int count = round == 0 ? 0 : gen.uniform(1, 12);
        macros.reserve(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) {
            macros.push_back(
                gen.macro(static_cast<std::uint16_t>(i + 1), gen.chance(20) ? 900 : 40));
        }
        for (bool names : {true, false}) {
            auto built = buildMacroAreaFrom(macros, names);
            const MacroAreaSizes sizes = macroAreaSizes(macros);
            if (!built) {
                ASSERT_GT(names ? sizes.withNames : sizes.withoutNames, 0xFFFFu);
                continue;
            }
            ASSERT_EQ(built->size(), names ? sizes.withNames : sizes.withoutNames);
            auto back = readMacroArea(*built, kPrefix);
            ASSERT_EQ(back.size(), macros.size());
            for (std::size_t i = 0; i < macros.size(); ++i) {
                MacroRecord want = macros[i];
                if (!names || macros[i].nameView().empty()) {
                    std::u16string formed(kPrefix);
                    for (char c : std::to_string(i + 1)) {
                        formed.push_back(static_cast<char16_t>(c));
                    }
                    want.setName(formed);
                }
                for (std::size_t j = want.actionCount; j < kMaxMacroActions; ++j) {
                    want.actions[j] = {};
                }
                ASSERT_EQ(back[i], want) << "round " << round << " macro " << i;
            }
        }
    }
}

TEST(MacroArea, RefusesWhatItsSixteenBitFieldsCannotHold) {
    std::vector<MacroRecord> macros(101);
    EXPECT_FALSE(buildMacroAreaFrom(macros, false));
    std::vector<MacroRecord> big;
    big.reserve(9);
    for (int i = 0; i < 9; ++i) {
        big.push_back(test::makeMacro(static_cast<std::uint16_t>(i + 1), u"",
                                      std::vector<MacroAction>(2000, {0, 0x1E, 0})));
    }
    EXPECT_GT(macroAreaSizes(big).withoutNames, 0xFFFFu);
    EXPECT_FALSE(buildMacroAreaFrom(big, false));
}

}  // namespace
}  // namespace quorvane
