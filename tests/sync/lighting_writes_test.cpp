// The lighting panel's writes: which bytes each control sends, in one
// Begin/End bracket, and what the keyboard holds afterwards.
#include <functional>

#include "core/device/device_result.h"
#include "core/sync/lighting_writes.h"
#include "core/sync/sync_result.h"
#include "sync_fixture.h"

namespace quorvane::test {
namespace {

constexpr std::uint8_t kBegin = 0x01;
constexpr std::uint8_t kEnd = 0x02;
constexpr std::uint8_t kWriteLighting = 0x06;
constexpr std::uint8_t kWriteKeyColours = 0x11;

struct ExpectedWrite {
    std::uint8_t command;
    std::uint16_t offset;  // within profile 1's record or colour bank
    std::vector<std::uint8_t> payload;
};

struct WriteCase {
    const char* name;
    std::function<int(LightingWrites&)> act;
    int result;
    std::vector<ExpectedWrite> writes;  // empty: nothing sent at all
};

class LightingWriteTest : public SyncTest, public ::testing::WithParamInterface<WriteCase> {
  protected:
    void SetUp() override {
        SyncTest::SetUp();
        lighting.currentProfile = 1;
        // A known starting record: effect 1, brightness 4, speed 1, random on.
        LightingRecord& r = lighting.lighting[1];
        r.bytes[LightingRecord::kBrightness] = 4;
        r.bytes[LightingRecord::kSpeed] = 1;
        r.bytes[LightingRecord::kMulticolour] = 3;
        knobs.ClearFrames();
    }
};

TEST_P(LightingWriteTest, SendsExactlyTheBytesOfTheControl) {
    const WriteCase& c = GetParam();
    LightingWrites writes(*session);
    EXPECT_EQ(c.act(writes), c.result) << c.name;

    const std::vector<SentFrame> frames = sentFrames();
    if (c.writes.empty()) {
        EXPECT_TRUE(frames.empty()) << c.name;
        return;
    }
    ASSERT_EQ(frames.size(), c.writes.size() + 2) << c.name;
    EXPECT_EQ(frames.front().command, kBegin);
    EXPECT_EQ(frames.back().command, kEnd);
    for (std::size_t i = 0; i < c.writes.size(); ++i) {
        const ExpectedWrite& w = c.writes[i];
        const SentFrame& f = frames[i + 1];
        EXPECT_EQ(f.command, w.command) << c.name << " write " << i;
        const std::uint16_t base = w.command == kWriteLighting ? 42 : 512;
        EXPECT_EQ(f.offset, base + w.offset) << c.name << " write " << i;
        EXPECT_EQ(f.payload, w.payload) << c.name << " write " << i;
        const std::uint32_t area =
            w.command == kWriteLighting ? QUELLIX_AREA_LIGHTING : QUELLIX_AREA_COLOURS;
        EXPECT_EQ(
            keyboardMemory(area, base + w.offset, static_cast<std::uint32_t>(w.payload.size())),
            w.payload)
            << c.name << " write " << i;
    }
}

const Rgb kTeal{0x00, 0x80, 0x80};

INSTANTIATE_TEST_SUITE_P(
    Controls, LightingWriteTest,
    ::testing::Values(WriteCase{"effect with random flag",
                                [](LightingWrites& w) { return w.setEffect(5); },
                                1,
                                {{kWriteLighting, 0, {5}}, {kWriteLighting, 4, {1}}}},
                      WriteCase{"effect alone",
                                [](LightingWrites& w) { return w.setEffect(12); },
                                1,
                                {{kWriteLighting, 0, {12}}}},
                      WriteCase{"per-key effect",
                                [](LightingWrites& w) { return w.setEffect(20); },
                                1,
                                {{kWriteLighting, 0, {20}}}},
                      WriteCase{"effect not in the lists",
                                [](LightingWrites& w) { return w.setEffect(19); },
                                kResultBadArgument,
                                {}},
                      WriteCase{"brightness",
                                [](LightingWrites& w) { return w.setBrightness(2); },
                                1,
                                {{kWriteLighting, 1, {2}}}},
                      WriteCase{"brightness unchanged",
                                [](LightingWrites& w) { return w.setBrightness(4); },
                                1,
                                {}},
                      WriteCase{"speed slider fully left",
                                [](LightingWrites& w) { return w.setSpeedPosition(0); },
                                1,
                                {{kWriteLighting, 2, {4}}}},
                      WriteCase{"speed slider fully right",
                                [](LightingWrites& w) { return w.setSpeedPosition(4); },
                                1,
                                {{kWriteLighting, 2, {0}}}},
                      WriteCase{"direction right",
                                [](LightingWrites& w) { return w.setDirection(0); },
                                1,
                                {{kWriteLighting, 3, {0}}}},
                      WriteCase{"effect colour clears random",
                                [](LightingWrites& w) { return w.setEffectColour(kTeal); },
                                1,
                                {{kWriteLighting, 4, {0, 0x00, 0x80, 0x80}}}},
                      WriteCase{"random toggle",
                                [](LightingWrites& w) { return w.toggleRandomColour(); },
                                1,
                                {{kWriteLighting, 4, {0}}}},
                      WriteCase{"effect 17 colour",
                                [](LightingWrites& w) { return w.setEffect17Colour(2); },
                                1,
                                {{kWriteLighting, 17, {2}}}},
                      WriteCase{"report rate",
                                [](LightingWrites& w) { return w.setReportRate(3); },
                                1,
                                {{kWriteLighting, 15, {3}}}},
                      WriteCase{"report rate out of range",
                                [](LightingWrites& w) { return w.setReportRate(4); },
                                kResultBadArgument,
                                {}}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

using LightingModelTest = SyncTest;

TEST_F(LightingModelTest, NothingIsSentInTheDefaultMode) {
    lighting.currentProfile = 3;
    LightingWrites writes(*session);
    EXPECT_EQ(writes.setBrightness(1), kSyncNotApplicable);
    EXPECT_EQ(writes.setEffect(4), kSyncNotApplicable);
    EXPECT_TRUE(commandsSent().empty());
}

TEST_F(LightingModelTest, AWriteThatFailsKeepsTheNewValueInTheModel) {
    removeKeyboard();
    LightingWrites writes(*session);
    EXPECT_EQ(writes.setReportRate(2), kResultNoKeyboard);
    EXPECT_EQ(lighting.lighting[0].bytes[LightingRecord::kReportRate], 2);
}

// Brightness and speed are sent only when they change: after a refused write
// the same value asked for again must still go out.
TEST_F(LightingModelTest, ABrightnessOrSpeedThatFailedIsSentWhenAskedAgain) {
    struct Case {
        const char* name;
        std::size_t byte;
        int (LightingWrites::*set)(int);
    };
    for (const Case& c :
         {Case{"brightness", LightingRecord::kBrightness, &LightingWrites::setBrightness},
          Case{"speed", LightingRecord::kSpeed, &LightingWrites::setSpeed}}) {
        LightingWrites writes(*session);
        const std::uint8_t before = lighting.lighting[0].bytes[c.byte];
        const int value = before == 3 ? 1 : 3;
        refuseFrom([](const SentFrame& f) { return f.command == 0x06; });
        EXPECT_NE((writes.*c.set)(value), 1) << c.name;
        EXPECT_EQ(lighting.lighting[0].bytes[c.byte], before) << c.name;

        knobs.Refuse(0xFF, 0);
        ASSERT_EQ((writes.*c.set)(value), 1) << c.name;
        EXPECT_EQ(
            keyboardMemory(QUELLIX_AREA_LIGHTING, static_cast<std::uint32_t>(c.byte), 1).front(),
            value)
            << c.name;
    }
}

class UserModeTest : public SyncTest {
  protected:
    void SetUp() override {
        SyncTest::SetUp();
        ASSERT_TRUE(session->setLamp(true));
        LightingWrites writes(*session);
        ASSERT_EQ(writes.setEffect(20), 1);
        knobs.ClearFrames();
    }
};

TEST_F(UserModeTest, PaintingAKeySendsItsThreeBytesAndRemembersIt) {
    LightingWrites writes(*session);
    ASSERT_TRUE(writes.setTool(kToolFreeColour));
    ASSERT_TRUE(writes.setBrushColour(Rgb{1, 2, 3}));
    knobs.ClearFrames();

    ASSERT_EQ(writes.paintKey(64), 1);
    const std::vector<SentFrame> frames = sentFrames();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[1].command, kWriteKeyColours);
    EXPECT_EQ(frames[1].offset, 64 * 3);
    EXPECT_EQ(frames[1].payload, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(keyboardMemory(QUELLIX_AREA_COLOURS, 64 * 3, 3),
              (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_FALSE(session->isTied(0, 64));
    const KeyColour stored = session->userModes().readKeyColour(0, 0, 64);
    EXPECT_EQ(stored.colour, (Rgb{1, 2, 3}));
    EXPECT_FALSE(stored.tied);
}

TEST_F(UserModeTest, PaintingNeedsTheLampAndTheUserModeEffect) {
    LightingWrites writes(*session);
    ASSERT_EQ(writes.setEffect(5), 1);
    knobs.ClearFrames();
    EXPECT_EQ(writes.paintKey(64), kResultBadArgument);
    ASSERT_EQ(writes.setEffect(20), 1);
    ASSERT_TRUE(session->setLamp(false));
    knobs.ClearFrames();
    EXPECT_EQ(writes.paintKey(64), kResultBadArgument);
    EXPECT_TRUE(commandsSent().empty());
}

TEST_F(UserModeTest, ANewBaseColourRecoloursOnlyTheTiedKeys) {
    LightingWrites writes(*session);
    ASSERT_TRUE(writes.setTool(kToolBaseColour));
    ASSERT_EQ(writes.paintKey(64), 1);  // A follows the base colour
    ASSERT_TRUE(writes.setTool(kToolFreeColour));
    ASSERT_TRUE(writes.setBrushColour(Rgb{9, 9, 9}));
    ASSERT_EQ(writes.paintKey(90), 1);  // B has a colour of its own
    ASSERT_TRUE(session->isTied(0, 64));
    ASSERT_FALSE(session->isTied(0, 90));
    knobs.ClearFrames();

    ASSERT_EQ(writes.setBaseColour(Rgb{0, 0, 200}), 1);

    EXPECT_EQ(lighting.colours[0].colourOf(64), (Rgb{0, 0, 200}));  // A, tied
    EXPECT_EQ(lighting.colours[0].colourOf(90), (Rgb{9, 9, 9}));    // B keeps its own
    EXPECT_EQ(keyboardMemory(QUELLIX_AREA_COLOURS, 64 * 3, 3),
              (std::vector<std::uint8_t>{0, 0, 200}));
    EXPECT_EQ(keyboardMemory(QUELLIX_AREA_COLOURS, 90 * 3, 3),
              (std::vector<std::uint8_t>{9, 9, 9}));
    EXPECT_EQ(keyboardMemory(QUELLIX_AREA_LIGHTING, 9, 3), (std::vector<std::uint8_t>{0, 0, 200}));
    const KeyColour a = session->userModes().readKeyColour(0, 0, 64);
    EXPECT_EQ(a.colour, (Rgb{0, 0, 200}));
    EXPECT_TRUE(a.tied);
    // The mode keeps its base colour at once.
    UserModeState stored;
    session->userModes().readModeTools(0, 0, stored);
    EXPECT_EQ(stored.baseColour, (Rgb{0, 0, 200}));
    // Eight colour pieces in one bracket, then bytes 9..11 in another.
    const std::vector<std::uint8_t> sent = commandsSent();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), kWriteKeyColours), 8);
    EXPECT_EQ(std::count(sent.begin(), sent.end(), kWriteLighting), 1);

    knobs.ClearFrames();
    EXPECT_EQ(writes.setBaseColour(Rgb{0, 0, 200}), 1);
    EXPECT_TRUE(commandsSent().empty());
}

TEST_F(UserModeTest, ChoosingAModeStoresItAndSendsItsColours) {
    const UserModeFiles& files = session->userModes();
    ASSERT_TRUE(files.writeKeyColour(0, 3, 64, Rgb{7, 8, 9}, false));
    LightingWrites writes(*session);
    ASSERT_EQ(writes.selectUserMode(3), 1);
    EXPECT_EQ(files.readPresentMode(0), 3);
    EXPECT_EQ(keyboardMemory(QUELLIX_AREA_COLOURS, 64 * 3, 3),
              (std::vector<std::uint8_t>{7, 8, 9}));
    EXPECT_FALSE(session->isTied(0, 64));
}

TEST_F(UserModeTest, RestoringTheLightingDefaultsWritesTheDefaultRecord) {
    LightingWrites writes(*session);
    ASSERT_EQ(writes.setBrightness(1), 1);
    ASSERT_EQ(session->restoreLightingDefaults(), 1);
    const std::vector<std::uint8_t> expected(kDefaultLightingRecord.begin(),
                                             kDefaultLightingRecord.end());
    EXPECT_EQ(keyboardMemory(QUELLIX_AREA_LIGHTING, 0, 35), expected);
    EXPECT_EQ(window.selectedUserMode, 0);
    EXPECT_EQ(session->userModes().readPresentMode(0), 0);
    // The template's colours went to the keyboard.
    EXPECT_EQ(session->userModes().readModeName(0, 0), u"tpl");
    EXPECT_EQ(keyboardMemory(QUELLIX_AREA_COLOURS, 64 * 3, 3),
              (std::vector<std::uint8_t>{0, 255, 0}));
}

}  // namespace
}  // namespace quorvane::test
