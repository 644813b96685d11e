// The profile buttons, the profile switch with its question, the default
// button and the keyboard's own profile key.
#include "core/device/device_result.h"
#include "core/sync/sync_result.h"
#include "core/sync/sync_texts.h"
#include "sync_fixture.h"

namespace quorvane::test {
namespace {

constexpr std::uint8_t kWriteSettings = 0x04;
constexpr std::uint8_t kReadLighting = 0x05;
constexpr KeyId kKeyA = 0x1E;
constexpr KeyId kEsc = 0x01;

using ProfileSwitchTest = SyncTest;

std::size_t countOf(const std::vector<std::uint8_t>& sent, std::uint8_t command) {
    return static_cast<std::size_t>(std::count(sent.begin(), sent.end(), command));
}

TEST_F(ProfileSwitchTest, TheActiveProfilesButtonRereadsLightingAndDoesNotSwitch) {
    setKeyboardByte(QUELLIX_AREA_SETTINGS, SettingsBlock::kActiveProfile, 1);
    ASSERT_EQ(session->onProfileButton(1), 1);
    const std::vector<std::uint8_t> sent = commandsSent();
    EXPECT_EQ(countOf(sent, kWriteSettings), 0u);
    EXPECT_EQ(countOf(sent, kReadLighting), 3u);
    EXPECT_EQ(lighting.currentProfile, 1);
    EXPECT_EQ(keyboardActiveProfile(), 1);
    EXPECT_TRUE(prompter.questions.empty());
}

TEST_F(ProfileSwitchTest, AnotherButtonSwitchesKeepingTheRestOfTheSettingsBlock) {
    const auto before = keyboardMemory(QUELLIX_AREA_SETTINGS, 0, 44);
    ASSERT_EQ(session->onProfileButton(2), 1);
    auto after = keyboardMemory(QUELLIX_AREA_SETTINGS, 0, 44);
    EXPECT_EQ(after[10], 2);
    after[10] = before[10];
    EXPECT_EQ(after, before);
    EXPECT_EQ(lighting.activeProfile, 2);
    EXPECT_EQ(window.profileButtons.back(), 2);
    EXPECT_EQ(window.labelText, u"$Profile3");
    EXPECT_EQ(window.labelTooltip, u"The current contextual  mode: $Profile3");
}

TEST_F(ProfileSwitchTest, AnOpenEditorStopsTheSwitch) {
    window.compositeOpen = true;
    EXPECT_EQ(session->switchProfile(1), kSyncEditorOpen);
    EXPECT_EQ(prompter.messages,
              std::vector<std::u16string>{std::u16string(kCloseEditorFirstMessage)});
    EXPECT_TRUE(commandsSent().empty());
}

TEST_F(ProfileSwitchTest, DecliningTheQuestionDropsTheChangesAndSwitches) {
    assign(0, kKeyA, ActionDisabled, 0);
    session->markDirty();
    prompter.answer = false;

    ASSERT_EQ(session->switchProfile(1), 1);
    EXPECT_EQ(prompter.questions, std::vector<std::u16string>{u"[IDS_PROFILE_SELECT_PROMPT]"});
    EXPECT_FALSE(window.dirty);
    EXPECT_EQ(config.image->at(0, rowOfKey(kKeyA)).type, ActionDefault);
    EXPECT_EQ(keyboardKeyTable(0), lighting.DefaultKeyTable);
    EXPECT_EQ(keyboardActiveProfile(), 1);
}

TEST_F(ProfileSwitchTest, DecliningWithoutACacheFileRereadsTheKeyboard) {
    std::filesystem::remove(session->reloadCacheFile(0));
    assign(0, kKeyA, ActionDisabled, 0);
    session->markDirty();
    prompter.answer = false;

    ASSERT_EQ(session->switchProfile(1), 1);
    ASSERT_TRUE(config.image);
    EXPECT_EQ(config.image->at(0, rowOfKey(kKeyA)).type, ActionDefault);
    EXPECT_EQ(session->modelOrigin(), ModelOrigin::Keyboard);
    EXPECT_FALSE(window.dirty);
}

// Profile 1's cache file is made by a reload, then an Apply in profile 0
// changes the macros. Declining the question later in profile 1 must go back
// to what the keyboard holds, not to that older file, or the next Apply
// writes an old macro area under profile 0's key.
TEST_F(ProfileSwitchTest, DecliningAfterAnApplyInAnotherProfileKeepsItsMacros) {
    setKeyboardByte(QUELLIX_AREA_SETTINGS, SettingsBlock::kActiveProfile, 1);
    ASSERT_EQ(session->reloadFromKeyboard(), 1);
    setKeyboardByte(QUELLIX_AREA_SETTINGS, SettingsBlock::kActiveProfile, 0);
    ASSERT_EQ(session->reloadFromKeyboard(), 1);

    addMacro(u"one", 4);
    addMacro(u"two", 4);
    assign(0, kKeyA, ActionMacro, 2);
    session->markDirty();
    ASSERT_EQ(session->applyConfiguration(), 1);
    const std::vector<std::uint8_t> area = modelMacroArea();
    const DeviceKeyTable zero = keyboardKeyTable(0);

    // Switched on the keyboard; an edit there is declined.
    setKeyboardByte(QUELLIX_AREA_SETTINGS, SettingsBlock::kActiveProfile, 1);
    assign(1, kEsc, ActionDisabled, 0);
    session->markDirty();
    prompter.answer = false;
    ASSERT_EQ(session->switchProfile(2), 1);

    ASSERT_TRUE(config.image);
    EXPECT_EQ(config.macros.size(), 2u);
    EXPECT_EQ(config.image->at(0, rowOfKey(kKeyA)).type, ActionMacro);
    EXPECT_EQ(config.image->at(1, rowOfKey(kEsc)).type, ActionDefault) << "the edit is dropped";

    assign(2, kEsc, ActionDisabled, 0);
    session->markDirty();
    ASSERT_EQ(session->applyConfiguration(), 1);
    EXPECT_EQ(keyboardMemory(QUELLIX_AREA_MACRO_AREA, 0, static_cast<std::uint32_t>(area.size())),
              area);
    EXPECT_EQ(keyboardKeyTable(0), zero);
    EXPECT_EQ(keyboardKeyTable(2), modelKeyTable(2));
}

// An Apply that failed after its first write may have left anything in the
// keyboard: the cache files no longer tell, so declining reads the keyboard.
TEST_F(ProfileSwitchTest, DecliningAfterAFailedApplyReadsTheKeyboard) {
    addMacro(u"one", 4);
    assign(0, kKeyA, ActionMacro, 1);
    session->markDirty();
    refuseFrom([](const SentFrame& f) { return f.command == 0x08; });
    ASSERT_EQ(session->applyConfiguration(), kResultRefusedFF);
    ASSERT_TRUE(window.dirty);

    knobs.ClearFrames();
    prompter.answer = false;
    ASSERT_EQ(session->switchProfile(1), 1);
    EXPECT_EQ(countOf(commandsSent(), 0x07), 21u) << "three key tables read";
    EXPECT_EQ(config.macros.size(), 1u) << "the macro area the keyboard took";
    EXPECT_EQ(config.image->at(0, rowOfKey(kKeyA)).type, ActionDefault)
        << "the key table it refused";
    EXPECT_FALSE(window.dirty);
}

TEST_F(ProfileSwitchTest, DecliningWhenTheKeyboardWillNotSayItsProfileDropsTheChanges) {
    assign(0, kKeyA, ActionDisabled, 0);
    session->markDirty();
    refuseFrom([](const SentFrame& f) { return f.command == 0x03; });
    prompter.answer = false;

    session->switchProfile(1);
    EXPECT_FALSE(window.dirty);
    EXPECT_NE(session->modelOrigin(), ModelOrigin::Keyboard)
        << "the model no longer claims to be the keyboard's";
    ASSERT_TRUE(config.image);
    EXPECT_EQ(config.image->at(0, rowOfKey(kKeyA)).type, ActionDefault) << "the declined edit";
}

TEST_F(ProfileSwitchTest, AcceptingTheQuestionAppliesFirst) {
    assign(0, kKeyA, ActionDisabled, 0);
    session->markDirty();
    prompter.answer = true;

    ASSERT_EQ(session->switchProfile(1), 1);
    EXPECT_EQ(keyboardKeyTable(0), modelKeyTable(0));
    EXPECT_NE(keyboardKeyTable(0), lighting.DefaultKeyTable);
    EXPECT_EQ(keyboardActiveProfile(), 1);
    EXPECT_FALSE(window.dirty);
}

TEST_F(ProfileSwitchTest, AnApplyThatFailsKeepsTheProfile) {
    addMacro(u"big", 60);
    lighting.macroSpace = 64;
    session->markDirty();
    prompter.answer = true;

    EXPECT_EQ(session->switchProfile(1), kSyncMacroSpaceExceeded);
    EXPECT_EQ(keyboardActiveProfile(), 0);
    EXPECT_TRUE(window.dirty);
}

TEST_F(ProfileSwitchTest, WithTheManagerOpenItsRowFollows) {
    window.managerOpen = true;
    ASSERT_EQ(session->switchProfile(2), 1);
    EXPECT_EQ(window.managerRows, std::vector<int>{2});
}

TEST_F(ProfileSwitchTest, DefaultButtonRestoresTheActiveProfileAndApplies) {
    assign(0, kKeyA, ActionDisabled, 0);
    assign(0, kEsc, ActionDisabled, 0);
    session->markDirty();
    ASSERT_EQ(session->applyConfiguration(), 1);
    ASSERT_NE(keyboardKeyTable(0), lighting.DefaultKeyTable);

    prompter.answer = false;
    EXPECT_EQ(session->restoreDefaults(), kSyncCancelled);
    EXPECT_NE(keyboardKeyTable(0), lighting.DefaultKeyTable);

    prompter.answer = true;
    ASSERT_EQ(session->restoreDefaults(), 1);
    EXPECT_EQ(prompter.questions.back(), u"[IDS_MAIN_PROMPT_DEFAULT]");
    EXPECT_EQ(keyboardKeyTable(0), lighting.DefaultKeyTable);
    EXPECT_FALSE(window.dirty);
}

TEST_F(ProfileSwitchTest, TheKeyboardsProfileKeyMovesTheWindowAlong) {
    ASSERT_TRUE(session->setLamp(true));
    setKeyboardByte(QUELLIX_AREA_SETTINGS, SettingsBlock::kActiveProfile, 2);
    session->onActiveProfileChanged();
    EXPECT_EQ(lighting.currentProfile, 2);
    EXPECT_EQ(window.profileButtons, std::vector<int>{2});
    EXPECT_FALSE(session->lampOn());
    EXPECT_EQ(window.lampOffShown, 1);
    ASSERT_FALSE(window.shownValues.empty());
    EXPECT_EQ(window.shownValues.back().profile, 2);
}

TEST_F(ProfileSwitchTest, TheProfileKeyToProfileOneLeavesTheLampOffAlone) {
    setKeyboardByte(QUELLIX_AREA_SETTINGS, SettingsBlock::kActiveProfile, 1);
    session->onActiveProfileChanged();
    EXPECT_EQ(lighting.currentProfile, 1);
    EXPECT_EQ(window.lampOffShown, 0);
}

TEST_F(ProfileSwitchTest, LampCannotBeSwitchedOnInTheDefaultMode) {
    lighting.currentProfile = 3;
    EXPECT_FALSE(session->setLamp(true));
    EXPECT_FALSE(session->lampOn());
}

}  // namespace
}  // namespace quorvane::test
