// The lighting panel on the virtual keyboard: what each control sends, which
// controls each effect shows, the lamp, the refresh, the user modes, painting
// and the rules of the preview timer.
#include <functional>
#include <memory>
#include <set>
#include <span>

#include "base/atomic_file.h"
#include "core/config/user_mode_files.h"
#include "core/lighting/lighting_panel.h"
#include "core/lighting/panel_controls.h"
#include "core/window/key_click.h"
#include "core/window/main_window_messages.h"
#include "recording_panel_view.h"
#include "sync/sync_fixture.h"

namespace quorvane::test {
namespace {

constexpr std::uint8_t kBegin = 0x01;
constexpr std::uint8_t kEnd = 0x02;
constexpr std::uint8_t kWriteLighting = 0x06;
constexpr std::uint8_t kWriteKeyColours = 0x11;
constexpr int kProfile = 1;
constexpr int kRecordBase = kProfile * 42;
constexpr int kBankBase = kProfile * 512;
constexpr int kKeyA = 1058;  // LED 64
constexpr int kLedA = 64;

std::u16string nameOf(std::uint8_t code) {
    return u"E" + std::u16string(1, static_cast<char16_t>(u'a' + code));
}

// The factory keyboard lists 1..18 and 20 in order.
int comboOf(std::uint8_t code) {
    return code == 20 ? 18 : code - 1;
}

class LightingPanelTest : public SyncTest {
  protected:
    void SetUp() override {
        SyncTest::SetUp();
        lighting.currentProfile = kProfile;
        LightingRecord& r = lighting.lighting[kProfile];
        r.bytes[LightingRecord::kEffect] = 4;
        r.bytes[LightingRecord::kBrightness] = 4;
        r.bytes[LightingRecord::kSpeed] = 1;
        r.bytes[LightingRecord::kDirection] = 1;
        r.bytes[LightingRecord::kMulticolour] = 0;
        sender = std::make_unique<LatestValueSender>(link->commands());
        panel = std::make_unique<LightingPanel>(*session, view, timers, nameOf, sender.get());
        panel->setWindowShown(true);
        panel->refresh();
        knobs.ClearFrames();
    }
    void TearDown() override {
        panel.reset();
        sender.reset();
        SyncTest::TearDown();
    }

    // Runs a control and waits until what it queued reached the keyboard.
    void act(const std::function<void(LightingPanel&)>& control) {
        knobs.ClearFrames();
        control(*panel);
        sender->settle();
    }
    void switchLampOnWith(std::uint8_t effect) {
        panel->lampOn();
        act([&](LightingPanel& p) { p.onEffectSelected(comboOf(effect)); });
    }
    std::vector<std::uint8_t> recordOnKeyboard(int byte, int count) const {
        return keyboardMemory(QUELLIX_AREA_LIGHTING, static_cast<std::uint32_t>(kRecordBase + byte),
                              static_cast<std::uint32_t>(count));
    }

    RecordingPanelView view;
    TimerRecorder timers;
    std::unique_ptr<LatestValueSender> sender;
    std::unique_ptr<LightingPanel> panel;
};

// ---- What each control sends ----------------------------------------------------------

struct ExpectedWrite {
    std::uint8_t command;
    int offset;  // within profile 1's record or colour bank
    std::vector<std::uint8_t> payload;
};

struct ControlCase {
    const char* name;
    std::function<void(LightingPanel&)> control;
    std::vector<ExpectedWrite> writes;  // in one Begin/End bracket; empty: nothing sent
};

class ControlWriteTest : public LightingPanelTest,
                         public ::testing::WithParamInterface<ControlCase> {};

TEST_P(ControlWriteTest, SendsTheControlsBytesAtOnce) {
    const ControlCase& c = GetParam();
    act(c.control);
    const std::vector<SentFrame> frames = sentFrames();
    if (c.writes.empty()) {
        EXPECT_TRUE(frames.empty()) << c.name;
        return;
    }
    ASSERT_EQ(frames.size(), c.writes.size() + 2) << c.name;
    EXPECT_EQ(frames.front().command, kBegin) << c.name;
    EXPECT_EQ(frames.back().command, kEnd) << c.name;
    for (std::size_t i = 0; i < c.writes.size(); ++i) {
        const ExpectedWrite& w = c.writes[i];
        const SentFrame& f = frames[i + 1];
        const int base = w.command == kWriteLighting ? kRecordBase : kBankBase;
        EXPECT_EQ(f.command, w.command) << c.name << " write " << i;
        EXPECT_EQ(f.offset, base + w.offset) << c.name << " write " << i;
        EXPECT_EQ(f.payload, w.payload) << c.name << " write " << i;
    }
}

const Rgb kTeal{0x00, 0x80, 0x80};

INSTANTIATE_TEST_SUITE_P(
    Controls, ControlWriteTest,
    ::testing::Values(
        ControlCase{"effect 5 with the random flag",
                    [](LightingPanel& p) { p.onEffectSelected(comboOf(5)); },
                    {{kWriteLighting, 0, {5}}, {kWriteLighting, 4, {0}}}},
        ControlCase{"effect 12 alone",
                    [](LightingPanel& p) { p.onEffectSelected(comboOf(12)); },
                    {{kWriteLighting, 0, {12}}}},
        ControlCase{"effect 20 alone",
                    [](LightingPanel& p) { p.onEffectSelected(comboOf(20)); },
                    {{kWriteLighting, 0, {20}}}},
        ControlCase{"an index past the list", [](LightingPanel& p) { p.onEffectSelected(19); }, {}},
        ControlCase{"direction left",
                    [](LightingPanel& p) { p.onDirectionClicked(1149); },
                    {{kWriteLighting, 3, {1}}}},
        ControlCase{"direction right",
                    [](LightingPanel& p) { p.onDirectionClicked(1150); },
                    {{kWriteLighting, 3, {0}}}},
        ControlCase{"brightness 2",
                    [](LightingPanel& p) { p.onSliderMoved(1178, 2); },
                    {{kWriteLighting, 1, {2}}}},
        ControlCase{"brightness unchanged", [](LightingPanel& p) { p.onSliderMoved(1178, 4); }, {}},
        ControlCase{
            "brightness past the slider", [](LightingPanel& p) { p.onSliderMoved(1178, 5); }, {}},
        ControlCase{"speed slider fully left",
                    [](LightingPanel& p) { p.onSliderMoved(1179, 0); },
                    {{kWriteLighting, 2, {4}}}},
        ControlCase{"speed slider fully right",
                    [](LightingPanel& p) { p.onSliderMoved(1179, 4); },
                    {{kWriteLighting, 2, {0}}}},
        ControlCase{"speed slider at the stored speed",
                    [](LightingPanel& p) { p.onSliderMoved(1179, 3); },
                    {}},
        ControlCase{"effect colour",
                    [](LightingPanel& p) { p.onEffectColourChosen(kTeal); },
                    {{kWriteLighting, 4, {0, 0x00, 0x80, 0x80}}}},
        ControlCase{"random toggle",
                    [](LightingPanel& p) { p.onRandomToggled(); },
                    {{kWriteLighting, 4, {1}}}},
        ControlCase{"effect 17 green",
                    [](LightingPanel& p) { p.onColourPictureClicked(1196); },
                    {{kWriteLighting, 17, {2}}}},
        ControlCase{"effect 17 blue",
                    [](LightingPanel& p) { p.onColourPictureClicked(1197); },
                    {{kWriteLighting, 17, {3}}}},
        ControlCase{"report rate 3",
                    [](LightingPanel& p) { p.onReportRateClicked(3); },
                    {{kWriteLighting, 15, {3}}}},
        ControlCase{"brush colour sends nothing",
                    [](LightingPanel& p) { p.onBrushColourChosen(kTeal); },
                    {}},
        ControlCase{"tool sends nothing", [](LightingPanel& p) { p.onToolClicked(1165); }, {}}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST_F(LightingPanelTest, AnEffectOutsideTheListsWritesNothingButRestartsThePreview) {
    // The keyboard offers 19 after its 19 effects.
    setKeyboardByte(QUELLIX_AREA_SETTINGS, SettingsBlock::kEffects + 19, 19);
    ASSERT_EQ(session->rereadLighting(false), 1);
    panel->refresh();
    ASSERT_EQ(panel->effectSlots().codeAt(19), std::optional<std::uint8_t>(19));
    timers.started.clear();

    act([](LightingPanel& p) { p.onEffectSelected(19); });
    EXPECT_TRUE(sentFrames().empty());
    ASSERT_FALSE(timers.started.empty());
    EXPECT_EQ(timers.started.back(), (std::pair<std::uint32_t, std::uint32_t>{TIMER_PREVIEW, 100}));
}

TEST_F(LightingPanelTest, ABaseColourSendsTheBankThenItsThreeRecordBytes) {
    const Rgb base = lighting.userMode.baseColour;
    const Rgb blue{0, 0, 255};
    act([&](LightingPanel& p) { p.onBaseColourChosen(blue); });
    std::vector<std::uint8_t> expected = {kBegin};
    expected.insert(expected.end(), 8, kWriteKeyColours);
    expected.insert(expected.end(), {kEnd, kBegin, kWriteLighting, kEnd});
    EXPECT_EQ(commandsSent(), expected);
    EXPECT_EQ(recordOnKeyboard(9, 3), (std::vector<std::uint8_t>{0, 0, 255}));
    EXPECT_EQ(view.colourButtons[1162], blue);

    act([&](LightingPanel& p) { p.onBaseColourChosen(blue); });
    EXPECT_TRUE(sentFrames().empty()) << "the same colour again";
    EXPECT_NE(base, blue);
}

// ---- Visibility by effect -----------------------------------------------------------------

using Ids = std::set<int>;
constexpr std::array kLamp = {1167, 1171};
constexpr std::array kAlways = {1146, 1172, 1178};
constexpr std::array kSpeed = {1166, 1179};
constexpr std::array kDirection = {1148, 1149, 1150};
constexpr std::array kColour = {1154, 1155, 1156, 1173};
constexpr std::array kReactive = {1151, 1152, 1175, 1176};
constexpr std::array kPictures = {1194, 1195, 1196, 1197};
constexpr std::array kUser = {1159, 1160, 1161, 1162, 1163, 1164, 1165, 1198};

Ids join(std::initializer_list<std::span<const int>> groups) {
    Ids out;
    for (const auto& g : groups) {
        out.insert(g.begin(), g.end());
    }
    return out;
}

struct VisibilityCase {
    std::uint8_t effect;
    Ids shown;
};

class VisibilityTest : public LightingPanelTest,
                       public ::testing::WithParamInterface<VisibilityCase> {};

TEST_P(VisibilityTest, ShowsTheEffectsControlsOnly) {
    const VisibilityCase& c = GetParam();
    // 19 is offered at the end of the list: a code outside the lists.
    setKeyboardByte(QUELLIX_AREA_SETTINGS, SettingsBlock::kEffects + 19, 19);
    ASSERT_EQ(session->rereadLighting(false), 1);
    panel->refresh();
    panel->lampOn();
    const int combo = c.effect == 19 ? 19 : comboOf(c.effect);
    act([&](LightingPanel& p) { p.onEffectSelected(combo); });
    EXPECT_EQ(view.shownControls(), c.shown) << "effect " << int{c.effect};
}

INSTANTIATE_TEST_SUITE_P(
    Effects, VisibilityTest,
    ::testing::Values(VisibilityCase{1, join({kLamp, kAlways, kSpeed, kDirection, kColour})},
                      VisibilityCase{2, join({kLamp, kAlways, kSpeed, kDirection, kColour})},
                      VisibilityCase{3, join({kLamp, kAlways, kSpeed, kDirection, kColour})},
                      VisibilityCase{4, join({kLamp, kAlways, kSpeed})},
                      VisibilityCase{5, join({kLamp, kAlways, kSpeed, kColour})},
                      VisibilityCase{6, join({kLamp, kAlways, kReactive})},
                      VisibilityCase{7, join({kLamp, kAlways, kSpeed, kColour})},
                      VisibilityCase{8, join({kLamp, kAlways, kSpeed, kColour})},
                      VisibilityCase{9, join({kLamp, kAlways, kSpeed, kColour})},
                      VisibilityCase{10, join({kLamp, kAlways, kSpeed, kColour})},
                      VisibilityCase{11, join({kLamp, kAlways, kSpeed})},
                      VisibilityCase{12, join({kLamp, kAlways, kSpeed, kDirection})},
                      VisibilityCase{13, join({kLamp, kAlways, kSpeed, kColour})},
                      VisibilityCase{14, join({kLamp, kAlways, kSpeed, kColour})},
                      VisibilityCase{15, join({kLamp, kAlways, kSpeed, kColour})},
                      VisibilityCase{16, join({kLamp, kAlways, kReactive})},
                      VisibilityCase{17, join({kLamp, kAlways, kPictures})},
                      VisibilityCase{18, join({kLamp, kAlways, kDirection})},
                      VisibilityCase{19, join({kLamp})},
                      VisibilityCase{20, join({kLamp, kAlways, kUser})}),
    [](const auto& info) { return "effect" + std::to_string(info.param.effect); });

TEST_F(LightingPanelTest, DirectionControlsAreplacedAndPicturedByEffect) {
    panel->lampOn();
    struct Case {
        std::uint8_t effect;
        std::string label, left, right;         // placement
        std::string leftPicture, rightPicture;  // direction 1 stored
    };
    const std::vector<Case> cases = {
        {2, "CONTROL_BLFXStatic2", "CONTROL_BLFXLStaPic2", "CONTROL_BLFXRStaPic2", "leftdown.bmp",
         "rightup.bmp"},
        {12, "CONTROL_BLFXStatic3", "CONTROL_BLFXLStaPic3", "CONTROL_BLFXRStaPic3", "updown.bmp",
         "downup.bmp"},
        {18, "CONTROL_BLFXStatic", "CONTROL_BLFXLStaPic", "CONTROL_BLFXRStaPic", "kuosandown.bmp",
         "julong.bmp"},
    };
    for (const Case& c : cases) {
        act([&](LightingPanel& p) { p.onEffectSelected(comboOf(c.effect)); });
        EXPECT_EQ(view.placements[1148], c.label) << int{c.effect};
        EXPECT_EQ(view.placements[1149], c.left) << int{c.effect};
        EXPECT_EQ(view.placements[1150], c.right) << int{c.effect};
        EXPECT_EQ(view.pictures[1149], c.leftPicture) << int{c.effect};
        EXPECT_EQ(view.pictures[1150], c.rightPicture) << int{c.effect};
    }
    act([](LightingPanel& p) { p.onDirectionClicked(1150); });
    EXPECT_EQ(view.pictures[1149], "kuosan.bmp");
    EXPECT_EQ(view.pictures[1150], "julongdown.bmp");
}

// ---- The lamp and the refresh ----------------------------------------------------------------

TEST_F(LightingPanelTest, TheLampSwitchesThePanelAndThePreview) {
    const Ids offShown = view.shownControls();
    EXPECT_EQ(offShown, join({kLamp}));
    EXPECT_EQ(view.pictures[1167], "dengup.bmp");

    panel->onLampClicked();
    EXPECT_TRUE(session->lampOn()) << "DengCheck is stored";
    EXPECT_EQ(view.pictures[1167], "dengdown.bmp");
    EXPECT_EQ(view.shownControls(), join({kLamp, kAlways, kSpeed})) << "effect 4";
    ASSERT_TRUE(timers.isRunning(TIMER_PREVIEW));
    EXPECT_EQ(timers.elapseOf(TIMER_PREVIEW), 50u);
    EXPECT_EQ(view.colourButtons[1162], lighting.userMode.baseColour);
    EXPECT_EQ(view.outlines, bankFrame(lighting.colours[kProfile])) << "per-key colours shown";

    const int restores = view.keyPictureRestores;
    panel->onLampClicked();
    EXPECT_FALSE(session->lampOn());
    EXPECT_EQ(view.pictures[1167], "dengup.bmp");
    EXPECT_EQ(view.shownControls(), join({kLamp}));
    EXPECT_EQ(view.keyPictureRestores, restores + 1);
    EXPECT_FALSE(timers.isRunning(TIMER_PREVIEW));
}

TEST_F(LightingPanelTest, NothingHappensOnTheLampInTheDefaultMode) {
    lighting.currentProfile = 3;
    panel->refresh();
    const auto pictures = view.pictures;
    panel->onLampClicked();
    EXPECT_FALSE(session->lampOn());
    EXPECT_FALSE(panel->lampIsOn());
    EXPECT_EQ(view.pictures, pictures);
    EXPECT_FALSE(timers.isRunning(TIMER_PREVIEW));
}

TEST_F(LightingPanelTest, RefreshInTheDefaultModeShowsTheNoticeAndNoPanelControl) {
    panel->lampOn();
    lighting.currentProfile = 3;
    panel->refresh();
    EXPECT_EQ(view.shownControls(), (Ids{1209}));
    // The effect list is emptied, not merely hidden, and no slot remains.
    EXPECT_TRUE(view.effectNames.empty());
    EXPECT_EQ(panel->effectSlots().comboIndexOf(4), -1);
}

TEST_F(LightingPanelTest, RefreshShowsTheRecord) {
    LightingRecord& r = lighting.lighting[kProfile];
    r.bytes[LightingRecord::kEffect] = 12;
    r.bytes[LightingRecord::kBrightness] = 2;
    r.bytes[LightingRecord::kSpeed] = 4;
    r.bytes[LightingRecord::kDirection] = 0;
    r.bytes[LightingRecord::kMulticolour] = 1;
    r.bytes[LightingRecord::kReportRate] = 2;
    r.bytes[LightingRecord::kVariant] = 7;  // not a colour the panel knows
    r.setColourAt(LightingRecord::kColour, kTeal);
    ASSERT_TRUE(session->setLamp(true));
    panel->refresh();

    EXPECT_EQ(view.effectNames.size(), 19u);
    EXPECT_EQ(view.effectNames[18], nameOf(20));
    EXPECT_EQ(view.selectedEffect, comboOf(12));
    EXPECT_EQ(view.reportRate, 2);
    EXPECT_EQ(view.sliders[1178], 2);
    EXPECT_EQ(view.pictures[1178], "2.bmp");
    EXPECT_EQ(view.sliders[1179], 0) << "speed 4 is the left end";
    EXPECT_EQ(view.pictures[1179], "6.bmp");
    EXPECT_EQ(view.colourButtons[1152], kTeal);
    EXPECT_EQ(view.colourButtons[1155], kTeal);
    EXPECT_EQ(view.pictures[1156], "sjsdown.bmp");
    EXPECT_EQ(view.pictures[1175], "sjsdown.bmp");
    EXPECT_EQ(view.pictures[1194], "hongok.bmp");
    EXPECT_EQ(view.pictures[1195], "huang.bmp");
    EXPECT_EQ(view.pictures[1196], "lv.bmp");
    EXPECT_EQ(view.pictures[1197], "lan.bmp");
    EXPECT_EQ(r.bytes[LightingRecord::kVariant], 0);
    EXPECT_EQ(view.pictures[1149], "upup.bmp") << "effect 12: the up/down pair, down selected";
    EXPECT_EQ(view.pictures[1150], "downdown.bmp");
    EXPECT_EQ(view.placements[1148], "CONTROL_BLFXStatic3");
    EXPECT_EQ(view.pictures[1167], "dengdown.bmp");
    EXPECT_EQ(view.shownControls(), join({kLamp, kAlways, kSpeed, kDirection}));
    EXPECT_FALSE(view.shown[1209]);
    EXPECT_TRUE(timers.isRunning(TIMER_PREVIEW));
    EXPECT_TRUE(sentFrames().empty()) << "a refresh sends nothing";
}

TEST(EffectNames, ComeFromSectionModeWithOneForAMissingName) {
    TempDir dir;
    const std::string file = dir.path() + "/Lang0409.ini";
    ASSERT_TRUE(writeFileAtomic(file, "[TEXT]\nX=y\n[Mode]\n4=Spectrum\n20=Custom\n"));
    const EffectNameLookup names = effectNamesFromFile(file);
    EXPECT_EQ(names(4), u"Spectrum");
    EXPECT_EQ(names(20), u"Custom");
    EXPECT_EQ(names(5), u"1");
    EXPECT_EQ(effectNamesFromFile(dir.path() + "/missing.ini")(4), u"1");
}

TEST(EffectNames, FollowTheLanguageChosenWhenAsked) {
    TempDir dir;
    const std::string english = dir.path() + "/Lang0409.ini";
    const std::string french = dir.path() + "/Lang040C.ini";
    ASSERT_TRUE(writeFileAtomic(english, "[Mode]\n4=Spectrum\n"));
    ASSERT_TRUE(writeFileAtomic(french, "[Mode]\n4=Spectre\n"));
    std::string current = english;
    const EffectNameLookup names = effectNamesOfCurrentLanguage([&] { return current; });
    EXPECT_EQ(names(4), u"Spectrum");
    current = french;
    EXPECT_EQ(names(4), u"Spectre");
    current = dir.path() + "/Lang0412.ini";  // no such file
    EXPECT_EQ(names(4), u"1");
    current = english;
    EXPECT_EQ(names(4), u"Spectrum");
}

// ---- Colours ----------------------------------------------------------------------------------

TEST_F(LightingPanelTest, ChoosingAnEffectColourSwitchesRandomOffOnTheKeyboardAndOnScreen) {
    panel->lampOn();  // the colour buttons show only then
    act([](LightingPanel& p) { p.onRandomToggled(); });
    ASSERT_EQ(recordOnKeyboard(4, 1), (std::vector<std::uint8_t>{1}));
    ASSERT_EQ(view.pictures[1156], "sjsdown.bmp");

    act([](LightingPanel& p) { p.onEffectColourChosen(kTeal); });
    EXPECT_EQ(recordOnKeyboard(4, 4), (std::vector<std::uint8_t>{0, 0x00, 0x80, 0x80}));
    EXPECT_EQ(lighting.lighting[kProfile].bytes[LightingRecord::kMulticolour], 0);
    EXPECT_EQ(view.pictures[1156], "sjsup.bmp");
    EXPECT_EQ(view.pictures[1175], "sjsup.bmp");
    EXPECT_EQ(view.colourButtons[1155], kTeal);
    EXPECT_EQ(view.colourButtons[1152], kTeal);
    EXPECT_EQ(view.outlines, uniformFrame(kTeal));
}

TEST_F(LightingPanelTest, ASliderDragLeavesTheLastPositionOnTheKeyboard) {
    knobs.SetLatencyUs(3000);  // slower than the hand
    for (int position : {0, 1, 2, 3, 4, 3, 2}) {
        panel->onSliderMoved(1178, position);
    }
    sender->settle();
    EXPECT_EQ(recordOnKeyboard(1, 1), (std::vector<std::uint8_t>{2}));
    EXPECT_EQ(lighting.lighting[kProfile].bytes[LightingRecord::kBrightness], 2);
    EXPECT_EQ(view.pictures[1178], "2.bmp");
}

TEST_F(LightingPanelTest, WithTheKeyboardGoneTheModelKeepsTheNewValue) {
    removeKeyboard();
    act([](LightingPanel& p) {
        p.onSliderMoved(1178, 1);
        p.onSliderMoved(1179, 0);
        p.onDirectionClicked(1150);
    });
    const LightingRecord& r = lighting.lighting[kProfile];
    EXPECT_EQ(r.bytes[LightingRecord::kBrightness], 1);
    EXPECT_EQ(r.bytes[LightingRecord::kSpeed], 4);
    EXPECT_EQ(r.bytes[LightingRecord::kDirection], 0);
    EXPECT_EQ(sender->sent() + sender->dropped(), 3u);
}

// What the synchronisation asks for after a profile read, and what the hidden
// controls would do: none of it may outline a key while the lamp is off, or
// the outlines hide the assignment marks and the colour-key pictures.
TEST_F(LightingPanelTest, WithTheLampOffNoKeyGetsAnOutline) {
    ASSERT_FALSE(panel->lampIsOn());
    const int shows = view.outlineShows;
    panel->refresh();
    panel->showKeyColours();
    act([](LightingPanel& p) { p.onEffectColourChosen(kTeal); });
    act([](LightingPanel& p) { p.onEffectSelected(comboOf(20)); });
    act([](LightingPanel& p) { p.onUserSlotSelected(2); });
    EXPECT_EQ(view.outlineShows, shows);

    panel->lampOn();
    EXPECT_EQ(view.outlineShows, shows + 1) << "the lamp shows the per-key colours";
}

// ---- User modes ---------------------------------------------------------------------------------

TEST_F(LightingPanelTest, AnEffectListWithout20NeverFillsTheSlots) {
    setKeyboardByte(QUELLIX_AREA_SETTINGS, SettingsBlock::kEffects + 18, 0);
    ASSERT_EQ(session->rereadLighting(false), 1);
    panel->refresh();
    panel->reloadUserSlots();
    EXPECT_EQ(view.userSlotFills, 0);

    setKeyboardByte(QUELLIX_AREA_SETTINGS, SettingsBlock::kEffects + 18, 20);
    ASSERT_EQ(session->rereadLighting(false), 1);
    panel->reloadUserSlots();
    EXPECT_EQ(view.userSlotFills, 1);
    EXPECT_EQ(view.userSlots, std::vector<std::u16string>(10, u"0"));
    EXPECT_EQ(view.selectedSlot, 0);
}

TEST_F(LightingPanelTest, SelectingASlotStoresItSendsItsBankAndShowsIt) {
    panel->lampOn();  // the slot list shows only then
    panel->reloadUserSlots();
    const int fills = view.effectListFills;
    act([](LightingPanel& p) { p.onUserSlotSelected(3); });
    EXPECT_EQ(session->userModes().readPresentMode(kProfile), 3);
    std::vector<std::uint8_t> expected = {kBegin};
    expected.insert(expected.end(), 8, kWriteKeyColours);
    expected.push_back(kEnd);
    EXPECT_EQ(commandsSent(), expected);
    EXPECT_EQ(view.effectListFills, fills + 1) << "the panel is refreshed";
    EXPECT_EQ(view.outlines, bankFrame(lighting.colours[kProfile]));
}

TEST_F(LightingPanelTest, RenamingReplacesTheEntryInPlaceAndStoresAtMost259Characters) {
    panel->reloadUserSlots();
    act([](LightingPanel& p) { p.onUserSlotSelected(2); });
    const std::u16string longName(300, u'x');
    panel->onUserSlotRenamed(longName);
    EXPECT_EQ(view.userSlots[2], longName.substr(0, 259));
    EXPECT_EQ(view.userSlots[1], u"0");
    EXPECT_EQ(session->userModes().readModeName(kProfile, 2), longName.substr(0, 259));
}

TEST_F(LightingPanelTest, ToolsAndBrushAreStoredWithTheSlot) {
    panel->onToolClicked(1165);
    EXPECT_EQ(view.pictures[1164], "user1up.bmp");
    EXPECT_EQ(view.pictures[1165], "user2down.bmp");
    panel->onBrushColourChosen(kTeal);
    EXPECT_EQ(view.colourButtons[1160], kTeal);
    UserModeState stored;
    session->userModes().readModeTools(kProfile, lighting.userMode.selectedMode, stored);
    EXPECT_EQ(stored.tool, kToolBaseColour);
    EXPECT_EQ(stored.freeColour, kTeal);
    panel->onToolClicked(1164);
    EXPECT_EQ(view.pictures[1164], "user1down.bmp");
    EXPECT_EQ(view.pictures[1165], "user2up.bmp");
}

// ---- Painting ----------------------------------------------------------------------------------

struct PaintCase {
    const char* name;
    int tool;
    int controlId;
    int led;
};

class PaintTest : public LightingPanelTest, public ::testing::WithParamInterface<PaintCase> {};

TEST_P(PaintTest, PaintsTheKeyWithTheToolsColour) {
    const PaintCase& c = GetParam();
    const Rgb brush{10, 20, 30};
    const Rgb base{200, 100, 0};
    switchLampOnWith(20);
    act([&](LightingPanel& p) {
        p.onBaseColourChosen(base);
        p.onBrushColourChosen(brush);
        p.onToolClicked(c.tool == 0 ? 1164 : 1165);
    });
    const Rgb expected = c.tool == 0 ? brush : base;

    ASSERT_EQ(keyClickAction(c.controlId, panel->lampIsOn(), false, 0).what, KeyClick::Paint);
    bool painted = false;
    act([&](LightingPanel& p) { painted = p.onPaintClick(c.controlId); });
    EXPECT_TRUE(painted) << c.name;
    const std::vector<SentFrame> frames = sentFrames();
    ASSERT_EQ(frames.size(), 3u) << c.name;
    EXPECT_EQ(frames[1].command, kWriteKeyColours);
    EXPECT_EQ(frames[1].offset, kBankBase + c.led * 3) << c.name;
    EXPECT_EQ(frames[1].payload,
              (std::vector<std::uint8_t>{expected.red, expected.green, expected.blue}))
        << c.name;
    EXPECT_EQ(lighting.colours[kProfile].colourOf(c.led), expected) << c.name;
    EXPECT_EQ(view.outlineOf(c.led), expected) << c.name;
    EXPECT_EQ(session->isTied(kProfile, c.led), c.tool == 1) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Tools, PaintTest,
                         ::testing::Values(PaintCase{"brush on A", 0, kKeyA, kLedA},
                                           PaintCase{"base on A", 1, kKeyA, kLedA},
                                           PaintCase{"brush on Fn", 0, 1174, 110},
                                           PaintCase{"base on Esc", 1, 1022, 0}),
                         [](const auto& info) { return "case" + std::to_string(info.index); });

// Clicks go through the window's dispatch; a paint click reaches the panel.
TEST_F(LightingPanelTest, ClicksThatPaintNothing) {
    struct Case {
        const char* name;
        bool lamp;
        std::uint8_t effect;
        int controlId;
        KeyClick dispatched;
    };
    const std::vector<Case> cases = {
        {"G key, lamp on, effect 20", true, 20, 1000, KeyClick::OpenDialog},
        {"G9, lamp on, effect 20", true, 20, 1143, KeyClick::OpenDialog},
        {"macro button, lamp on, effect 20", true, 20, 1007, KeyClick::OpenDialog},
        {"key, lamp on, effect 5", true, 5, kKeyA, KeyClick::Paint},
        {"Fn, lamp on, effect 5", true, 5, 1174, KeyClick::Paint},
        {"key, lamp off", false, 20, kKeyA, KeyClick::OpenDialog},
        {"Fn, lamp off", false, 20, 1174, KeyClick::Nothing},
    };
    for (const Case& c : cases) {
        switchLampOnWith(c.effect);
        if (!c.lamp) {
            panel->lampOff();
        }
        const ColourBank before = lighting.colours[kProfile];
        const KeyClickAction action = keyClickAction(c.controlId, panel->lampIsOn(), false, 0);
        EXPECT_EQ(action.what, c.dispatched) << c.name;
        bool painted = false;
        act([&](LightingPanel& p) { painted = p.onPaintClick(c.controlId); });
        EXPECT_FALSE(painted) << c.name << ": even when asked directly";
        EXPECT_TRUE(sentFrames().empty()) << c.name;
        EXPECT_EQ(lighting.colours[kProfile], before) << c.name;
    }
}

// ---- The preview timer ----------------------------------------------------------------------

TEST_F(LightingPanelTest, AnEffectChangeStartsThePreviewAt100ThenItTicksAt50) {
    switchLampOnWith(4);
    EXPECT_EQ(timers.elapseOf(TIMER_PREVIEW), 100u);
    panel->onTimer(TIMER_PREVIEW);
    EXPECT_EQ(timers.elapseOf(TIMER_PREVIEW), 50u);
    EXPECT_EQ(view.outlines, uniformFrame(rainbow(0)));
    panel->onTimer(TIMER_PREVIEW);
    EXPECT_EQ(view.outlineOf(kLedA), rainbow(2)) << "direction 1 moves forwards";
    EXPECT_EQ(panel->preview().ticks(), 2u);
}

TEST_F(LightingPanelTest, AFrameEqualToTheShownOneIsNotRepainted) {
    switchLampOnWith(6);
    panel->onTimer(TIMER_PREVIEW);
    const int shows = view.outlineShows;
    for (int i = 0; i < 5; ++i) {
        panel->onTimer(TIMER_PREVIEW);
    }
    EXPECT_EQ(view.outlineShows, shows);
    EXPECT_TRUE(timers.isRunning(TIMER_PREVIEW));
}

TEST_F(LightingPanelTest, AHiddenWindowRunsNoPreviewAndShowingResumesIt) {
    switchLampOnWith(4);
    panel->setWindowShown(false);
    EXPECT_FALSE(timers.isRunning(TIMER_PREVIEW));
    const int shows = view.outlineShows;
    panel->onTimer(TIMER_PREVIEW);  // a tick already on its way
    EXPECT_EQ(view.outlineShows, shows);
    EXPECT_FALSE(timers.isRunning(TIMER_PREVIEW));
    act([](LightingPanel& p) { p.onEffectSelected(comboOf(11)); });
    EXPECT_FALSE(timers.isRunning(TIMER_PREVIEW)) << "an effect change while hidden";

    panel->setWindowShown(true);
    ASSERT_TRUE(timers.isRunning(TIMER_PREVIEW));
    EXPECT_EQ(timers.elapseOf(TIMER_PREVIEW), 50u);
}

TEST_F(LightingPanelTest, ATickWithTheLampOffPlacesTheKeysAgainAndLeavesColourKeys) {
    switchLampOnWith(4);
    panel->showLampOff();  // the flag was cleared by a profile change
    const int restores = view.keyPictureRestores;
    panel->onTimer(TIMER_PREVIEW);
    EXPECT_EQ(view.keyPictureRestores, restores + 1);
    EXPECT_EQ(view.colourKeyModeLeft, 1);
    EXPECT_FALSE(timers.isRunning(TIMER_PREVIEW));
}

TEST_F(LightingPanelTest, ATickInTheDefaultModePlacesTheKeysAgainAndStops) {
    switchLampOnWith(4);
    lighting.currentProfile = 3;
    const int restores = view.keyPictureRestores;
    const int shows = view.outlineShows;
    panel->onTimer(TIMER_PREVIEW);
    EXPECT_EQ(view.keyPictureRestores, restores + 1);
    EXPECT_EQ(view.outlineShows, shows);
    EXPECT_EQ(view.colourKeyModeLeft, 0);
    EXPECT_FALSE(timers.isRunning(TIMER_PREVIEW));
}

}  // namespace
}  // namespace quorvane::test
