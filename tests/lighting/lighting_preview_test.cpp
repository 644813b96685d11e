// The preview's step routines: after N ticks the outline colours of a few keys
// are what each routine's rule says. Also the grid and the rainbow they use.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "core/lighting/lighting_preview.h"
#include "core/window/key_buttons.h"

namespace quorvane::test {
namespace {

constexpr int kLedEsc = 0;
constexpr int kLedA = 64;
constexpr int kLedSpace = 108;
constexpr int kLedNumMinus = 41;  // the number pad's minus, the rightmost column
constexpr int kLedG = kGKeyLed;
const Rgb kOrange{255, 128, 0};

PreviewSettings settingsFor(std::uint8_t effect, int direction = 1, int speed = 1,
                            bool random = false) {
    PreviewSettings s;
    s.effect = effect;
    s.direction = static_cast<std::uint8_t>(direction);
    s.speed = static_cast<std::uint8_t>(speed);
    s.random = random;
    s.colour = kOrange;
    return s;
}

// Runs `ticks` steps; the frame of the last one.
PreviewFrame run(LightingPreview& preview, const PreviewSettings& s, int ticks) {
    PreviewFrame frame;
    for (int i = 0; i < ticks; ++i) {
        frame = PreviewFrame{};
        preview.step(s, frame);
    }
    return frame;
}

// Every LED of the picture: the key buttons, Fn and the G keys.
std::vector<int> pictureLeds() {
    std::vector<int> leds;
    leds.reserve(kKeyButtons.size() + 2);
    for (const KeyButton& b : kKeyButtons) {
        leds.push_back(b.led);
    }
    leds.push_back(kFnLed);
    leds.push_back(kGKeyLed);
    return leds;
}

int rainbowIndexOf(Rgb c) {
    const auto& table = rainbowTable();
    const auto it = std::find(table.begin(), table.end(), c);
    return it == table.end() ? -1 : static_cast<int>(it - table.begin());
}

int levelOf(Rgb c) {
    return std::max({c.red, c.green, c.blue});
}

// The LED at a grid cell, or -1.
int ledAt(int column, int row) {
    for (int led : pictureLeds()) {
        if (cellOfLed(led) == GridCell{column, row}) {
            return led;
        }
    }
    return -1;
}

TEST(PreviewRainbow, RunsThroughTheSixColoursInEqualSteps) {
    EXPECT_EQ(rainbow(0), (Rgb{255, 0, 0}));
    EXPECT_EQ(rainbow(32), (Rgb{255, 255, 0}));
    EXPECT_EQ(rainbow(64), (Rgb{0, 255, 0}));
    EXPECT_EQ(rainbow(96), (Rgb{0, 255, 255}));
    EXPECT_EQ(rainbow(128), (Rgb{0, 0, 255}));
    EXPECT_EQ(rainbow(160), (Rgb{255, 0, 255}));
    EXPECT_EQ(rainbow(192), rainbow(0));
    EXPECT_EQ(rainbow(-2), rainbow(190));
    const std::set<std::tuple<int, int, int>> distinct = [] {
        std::set<std::tuple<int, int, int>> s;
        for (const Rgb& c : rainbowTable()) {
            s.insert({c.red, c.green, c.blue});
        }
        return s;
    }();
    EXPECT_EQ(distinct.size(), 192u) << "each entry appears once";
}

TEST(PreviewGrid, EveryKeyHasItsPlaceOnTheKeyboard) {
    for (int led : pictureLeds()) {
        const auto cell = cellOfLed(led);
        ASSERT_TRUE(cell) << "LED " << led;
        EXPECT_GE(cell->column, 0);
        EXPECT_LT(cell->column, kPreviewColumns);
        EXPECT_GE(cell->row, 0);
        EXPECT_LT(cell->row, kPreviewRows);
    }
    EXPECT_EQ(cellOfLed(kLedEsc), (GridCell{1, 0}));
    EXPECT_EQ(cellOfLed(kLedA)->row, 3) << "home row";
    EXPECT_EQ(cellOfLed(kLedSpace)->row, 5) << "bottom row";
    EXPECT_EQ(cellOfLed(kLedNumMinus), (GridCell{22, 1}));
    EXPECT_EQ(cellOfLed(kLedG)->column, 0);
    EXPECT_EQ(cellOfLed(13), std::nullopt) << "no key on LED 13";
    EXPECT_LT(cellOfLed(kFnLed)->column, cellOfLed(113)->column) << "Fn left of right Ctrl";
}

// ---- Effect 4 ---------------------------------------------------------------------------

struct SpectrumCase {
    int direction;
    int ticks;
    int entry;  // the rainbow entry every key shows on the last tick
};

class SpectrumTest : public ::testing::TestWithParam<SpectrumCase> {};

TEST_P(SpectrumTest, EveryKeyShowsEntryKMovingByTwoATick) {
    const SpectrumCase& c = GetParam();
    LightingPreview preview;
    const PreviewFrame frame = run(preview, settingsFor(4, c.direction, /*speed=*/0), c.ticks);
    for (int led : pictureLeds()) {
        ASSERT_TRUE(frame.outlined[led]);
        EXPECT_EQ(frame.colour[led], rainbow(c.entry)) << "LED " << led;
    }
}

INSTANTIATE_TEST_SUITE_P(Directions, SpectrumTest,
                         ::testing::Values(SpectrumCase{1, 1, 0}, SpectrumCase{1, 2, 2},
                                           SpectrumCase{1, 10, 18}, SpectrumCase{1, 97, 0},
                                           SpectrumCase{0, 2, 190}, SpectrumCase{0, 10, 174},
                                           SpectrumCase{0, 97, 0}));

// ---- Effect 6 ---------------------------------------------------------------------------

TEST(PreviewStatic, EveryKeyInTheColourWithoutRandom) {
    LightingPreview preview;
    const PreviewFrame frame = run(preview, settingsFor(6), 3);
    for (int led : pictureLeds()) {
        EXPECT_EQ(frame.colour[led], kOrange) << "LED " << led;
    }
}

TEST(PreviewStatic, WithRandomColumnCShowsEntryNineTimesC) {
    LightingPreview preview;
    const PreviewFrame frame = run(preview, settingsFor(6, 1, 1, true), 3);
    EXPECT_EQ(frame.colour[kLedG], rainbow(0)) << "column 0";
    EXPECT_EQ(frame.colour[kLedEsc], rainbow(9)) << "column 1";
    EXPECT_EQ(frame.colour[kLedA], rainbow(18)) << "column 2";
    EXPECT_EQ(frame.colour[kLedNumMinus], rainbow(6)) << "column 22: 198 wraps to 6";
    EXPECT_EQ(frame.colour[ledAt(21, 1)], rainbow(189));
}

// ---- Plain pictures and per-key colours ------------------------------------------------

TEST(PreviewPlain, EffectsWithoutAnimationShowThePlainPictures) {
    for (std::uint8_t effect : {7, 8, 9, 17, 19, 0}) {
        LightingPreview preview;
        const PreviewFrame frame = run(preview, settingsFor(effect), 2);
        for (int led : pictureLeds()) {
            EXPECT_FALSE(frame.outlined[led]) << "effect " << int{effect} << " LED " << led;
        }
    }
}

TEST(PreviewPerKey, ShowsTheBanksColours) {
    ColourBank bank;
    bank.setColour(kLedA, {1, 2, 3});
    bank.setColour(kFnLed, {4, 5, 6});
    bank.setColour(kLedG, {7, 8, 9});
    PreviewSettings s = settingsFor(20);
    s.keys = &bank;
    LightingPreview preview;
    const PreviewFrame frame = run(preview, s, 1);
    EXPECT_EQ(frame.colour[kLedA], (Rgb{1, 2, 3}));
    EXPECT_EQ(frame.colour[kFnLed], (Rgb{4, 5, 6}));
    EXPECT_EQ(frame.colour[kLedG], (Rgb{7, 8, 9}));
    EXPECT_EQ(frame.colour[kLedEsc], (Rgb{}));
    EXPECT_TRUE(frame.outlined[kLedEsc]);
}

// ---- Our own previews --------------------------------------------------------------------

// Rainbow routines: every key's entry moves by a fixed step a tick; its sign is
// the direction of the movement.
struct DriftCase {
    std::uint8_t effect;
    int direction;
    int speed;
    int step;  // rainbow entries a tick
};

class DriftTest : public ::testing::TestWithParam<DriftCase> {};

TEST_P(DriftTest, EachKeysColourMovesAlongTheRainbow) {
    const DriftCase& c = GetParam();
    LightingPreview preview;
    const PreviewSettings s = settingsFor(c.effect, c.direction, c.speed, true);
    PreviewFrame before = run(preview, s, 3);
    const PreviewFrame after = run(preview, s, 1);
    for (int led : {kLedEsc, kLedA, kLedSpace, kLedNumMinus}) {
        const int was = rainbowIndexOf(before.colour[led]);
        ASSERT_GE(was, 0) << "LED " << led;
        EXPECT_EQ(rainbowIndexOf(after.colour[led]), (was + c.step + 192) % 192)
            << "effect " << int{c.effect} << " LED " << led;
    }
}

INSTANTIATE_TEST_SUITE_P(Rainbows, DriftTest,
                         ::testing::Values(DriftCase{1, 1, 1, 8}, DriftCase{1, 0, 1, -8},
                                           DriftCase{1, 1, 4, 2}, DriftCase{11, 1, 1, 4},
                                           DriftCase{12, 1, 1, 8}, DriftCase{12, 0, 0, -10},
                                           DriftCase{18, 1, 1, -8}, DriftCase{18, 0, 1, 8},
                                           DriftCase{16, 0, 0, 5}));

TEST(PreviewWave, Direction1MovesLeftAndDirection0Right) {
    // At speed 1 the wave moves exactly one column a tick.
    for (int direction : {1, 0}) {
        LightingPreview preview;
        const PreviewSettings s = settingsFor(1, direction, 1, true);
        const PreviewFrame before = run(preview, s, 2);
        const PreviewFrame after = run(preview, s, 1);
        const int from = direction == 1 ? ledAt(3, 1) : ledAt(2, 1);  // keys 2 and 1
        const int to = direction == 1 ? ledAt(2, 1) : ledAt(3, 1);
        EXPECT_EQ(after.colour[to], before.colour[from]) << "direction " << direction;
    }
}

TEST(PreviewWaterfall, Direction1StreamsUp) {
    // At speed 1 the rows move one row every four ticks.
    LightingPreview preview;
    const PreviewSettings s = settingsFor(12, 1, 1, false);
    const PreviewFrame before = run(preview, s, 1);
    const PreviewFrame after = run(preview, s, 4);
    EXPECT_EQ(after.colour[ledAt(1, 3)], before.colour[ledAt(1, 4)]);
}

TEST(PreviewWave, WithoutRandomItIsTheEffectColourAtVaryingStrength) {
    LightingPreview preview;
    const PreviewFrame frame = run(preview, settingsFor(1, 1, 1, false), 5);
    std::set<int> levels;
    for (int led : pictureLeds()) {
        const Rgb c = frame.colour[led];
        EXPECT_EQ(c.blue, 0);
        EXPECT_NEAR(c.green * 2, c.red, 2) << "orange, only darker";
        levels.insert(c.red);
    }
    EXPECT_GT(levels.size(), 5u);
}

TEST(PreviewMarquee, LitColumnsMarchOneColumnATickAtTopSpeed) {
    for (int direction : {1, 0}) {
        LightingPreview preview;
        const PreviewSettings s = settingsFor(2, direction, 0, false);
        const PreviewFrame before = run(preview, s, 1);
        const PreviewFrame after = run(preview, s, 1);
        for (int column = 2; column < 14; ++column) {
            const int led = ledAt(column, 1);
            const int from = ledAt(column + (direction == 1 ? 1 : -1), 1);
            EXPECT_EQ(after.colour[led], before.colour[from]) << "column " << column;
        }
        int lit = 0;
        for (int column = 1; column <= 14; ++column) {
            lit += after.colour[ledAt(column, 1)] == kOrange ? 1 : 0;
        }
        EXPECT_TRUE(lit == 3 || lit == 4) << "every fourth column of the number row";
    }
}

TEST(PreviewSnake, LightsTheTenPlacesBehindItsHead) {
    // Places run along row 0 left to right, row 1 right to left, and so on.
    auto placeOf = [](GridCell c) {
        return c.row * kPreviewColumns +
               (c.row % 2 == 0 ? c.column : kPreviewColumns - 1 - c.column);
    };
    for (int direction : {1, 0}) {
        LightingPreview preview;
        const int ticks = 40;
        const PreviewFrame frame = run(preview, settingsFor(3, direction, 4, false), ticks);
        const int head = ((direction == 1 ? ticks : -ticks) % 138 + 138) % 138;  // pace 1
        for (int led : pictureLeds()) {
            const int place = placeOf(*cellOfLed(led));
            const int behind = (((direction == 1 ? head - place : place - head)) % 138 + 138) % 138;
            const bool lit = levelOf(frame.colour[led]) > 0;
            EXPECT_EQ(lit, behind < 10) << "direction " << direction << " LED " << led;
        }
    }
}

TEST(PreviewBreathing, AllKeysRiseAndFallTogether) {
    LightingPreview preview;
    const PreviewSettings s = settingsFor(5, 1, 0, false);  // a breath is 13 ticks
    std::vector<int> levels;
    for (int tick = 0; tick < 13; ++tick) {
        const PreviewFrame frame = run(preview, s, 1);
        for (int led : pictureLeds()) {
            ASSERT_EQ(frame.colour[led], frame.colour[kLedA]);
        }
        levels.push_back(frame.colour[kLedA].red);
    }
    const auto peak = std::max_element(levels.begin(), levels.end()) - levels.begin();
    EXPECT_TRUE(std::is_sorted(levels.begin(), levels.begin() + peak + 1));
    EXPECT_TRUE(std::is_sorted(levels.begin() + peak, levels.end(), std::greater<>()));
    EXPECT_GT(levels[peak], 200);
}

TEST(PreviewBreathing, WithRandomEachBreathTakesTheNextColour) {
    LightingPreview preview;
    const PreviewSettings s = settingsFor(5, 1, 0, true);
    const PreviewFrame first = run(preview, s, 6);    // middle of breath 1: red
    const PreviewFrame second = run(preview, s, 13);  // middle of breath 2: yellow
    EXPECT_EQ(first.colour[kLedA].blue, 0);
    EXPECT_EQ(first.colour[kLedA].green, 0);
    EXPECT_EQ(second.colour[kLedA].red, second.colour[kLedA].green);
}

TEST(PreviewHeartbeat, BeatsTwiceThenRests) {
    LightingPreview preview;
    const PreviewSettings s = settingsFor(15, 1, 4, false);  // pace 1: a beat is 60 ticks
    std::vector<int> levels;
    levels.reserve(60);
    for (int tick = 0; tick < 60; ++tick) {
        levels.push_back(levelOf(run(preview, s, 1).colour[kLedA]));
    }
    int rises = 0;
    for (std::size_t i = 1; i < levels.size(); ++i) {
        rises += levels[i] > levels[i - 1] + 50 ? 1 : 0;
    }
    EXPECT_EQ(rises, 2) << "two beats";
    EXPECT_EQ(levels[30], levels[40]) << "rest";
}

TEST(PreviewNeon, WithoutRandomItGlowsInTheColour) {
    LightingPreview preview;
    for (int tick = 0; tick < 50; ++tick) {
        const Rgb c = run(preview, settingsFor(16, 1, 0, false), 1).colour[kLedA];
        EXPECT_GE(c.red, 127);
        EXPECT_EQ(c.blue, 0);
    }
}

TEST(PreviewStarlight, FewKeysShineAndTheyFade) {
    LightingPreview preview;
    const PreviewSettings s = settingsFor(10, 1, 2, false);
    PreviewFrame before = run(preview, s, 30);
    const PreviewFrame after = run(preview, s, 1);
    int lit = 0;
    int faded = 0;
    for (int led : pictureLeds()) {
        const Rgb c = after.colour[led];
        lit += levelOf(c) > 0 ? 1 : 0;
        EXPECT_EQ(c.blue, 0) << "orange stars";
        faded += levelOf(c) < levelOf(before.colour[led]) ? 1 : 0;
    }
    EXPECT_GT(lit, 0);
    EXPECT_LT(lit, 40);
    EXPECT_GT(faded, 0);
}

TEST(PreviewRaindrops, DropsFallOneRowATickAtTopSpeed) {
    LightingPreview preview;
    const PreviewSettings s = settingsFor(13, 1, 0, true);
    const PreviewFrame before = run(preview, s, 7);
    const PreviewFrame after = run(preview, s, 1);
    int heads = 0;
    for (int led : pictureLeds()) {
        const GridCell cell = *cellOfLed(led);
        if (levelOf(after.colour[led]) != 255 || cell.row == 0 || led == kGKeyLed) {
            continue;
        }
        const int above = ledAt(cell.column, cell.row - 1);
        if (above >= 0) {
            ++heads;
            EXPECT_EQ(levelOf(before.colour[above]), 255) << "LED " << led;
            EXPECT_LT(levelOf(after.colour[above]), 255) << "the trail fades";
        }
    }
    EXPECT_GT(heads, 0);
}

TEST(PreviewFireworks, RingsGrowAwayFromTheirKey) {
    LightingPreview preview;
    const PreviewSettings s = settingsFor(14, 1, 0, false);
    // A burst starts on the first tick; its ring widens for the next ones.
    std::vector<int> litCounts;
    for (int tick = 0; tick < 6; ++tick) {
        const PreviewFrame frame = run(preview, s, 1);
        int lit = 0;
        for (int led : pictureLeds()) {
            lit += levelOf(frame.colour[led]) > 0 ? 1 : 0;
            EXPECT_EQ(frame.colour[led].blue, 0);
        }
        litCounts.push_back(lit);
    }
    EXPECT_GT(litCounts.back(), litCounts.front());
}

TEST(PreviewReset, StartsEveryRoutineAfresh) {
    for (std::uint8_t effect : {1, 2, 3, 4, 5, 10, 11, 12, 13, 14, 15, 16, 18}) {
        LightingPreview preview;
        const PreviewSettings s = settingsFor(effect, 1, 2, true);
        const PreviewFrame first = run(preview, s, 5);
        preview.reset();
        EXPECT_EQ(preview.ticks(), 0u);
        EXPECT_EQ(run(preview, s, 5), first) << "effect " << int{effect};
    }
}

}  // namespace
}  // namespace quorvane::test
