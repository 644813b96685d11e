// Reading the keyboard into the model: the reload, the backup file and the
// profile-changed message.
#include <gmock/gmock.h>

#include "base/atomic_file.h"
#include "core/config/profile_file.h"
#include "core/device/device_result.h"
#include "core/sync/picture_keys.h"
#include "core/sync/sync_result.h"
#include "sync_fixture.h"

namespace quorvane::test {
namespace {

constexpr KeyId kKeyA = 0x1E;
constexpr KeyId kKeyB = 0x30;
constexpr KeyId kKeyC = 0x2E;

using ReloadTest = SyncTest;

TEST_F(ReloadTest, AnAreaWithoutTheMagicGivesNoMacros) {
    addMacro(u"gone", 2);
    session->markDirty();
    ASSERT_EQ(session->applyConfiguration(), 1);
    setKeyboardByte(QUELLIX_AREA_MACRO_AREA, 0, 0x00);

    ASSERT_EQ(session->reloadFromKeyboard(), 1);
    EXPECT_TRUE(config.macros.empty());
    EXPECT_EQ(session->modelOrigin(), ModelOrigin::Keyboard);
}

// A keyboard cut off between its macro area and its key tables holds keys
// naming a macro it no longer has.
TEST_F(ReloadTest, AKeyOfAMissingMacroComesBackAsDefaultAndApplyWritesIt) {
    const std::uint16_t id = addMacro(u"m", 2).id;
    assign(0, kKeyA, ActionMacro, id);
    assign(0, kKeyB, ActionKey, kKeyC);
    session->markDirty();
    ASSERT_EQ(session->applyConfiguration(), 1);
    const DeviceKeyTable dangling = keyboardKeyTable(0);
    setKeyboardByte(QUELLIX_AREA_MACRO_AREA, 0, 0x00);

    ASSERT_EQ(session->reloadFromKeyboard(), 1);
    EXPECT_TRUE(config.macros.empty());
    EXPECT_EQ(config.image->at(0, rowOfKey(kKeyA)).type, ActionDefault);
    EXPECT_EQ(config.image->at(0, rowOfKey(kKeyB)).type, ActionKey);
    EXPECT_TRUE(window.dirty) << "the model differs from the keyboard";

    ASSERT_EQ(session->applyConfiguration(), 1);
    EXPECT_NE(keyboardKeyTable(0), dangling);
    EXPECT_EQ(keyboardKeyTable(0), modelKeyTable(0));
    EXPECT_FALSE(window.dirty);
}

TEST_F(ReloadTest, ProgramAndTextKeysComeBackAsDefaultAndDisabled) {
    assign(0, kKeyA, ActionProgram, 0);
    ASSERT_TRUE(setText(config, entryIndex(0, rowOfKey(kKeyA)), u"/usr/bin/true"));
    assign(0, kKeyB, ActionText, 0);
    ASSERT_TRUE(setText(config, entryIndex(0, rowOfKey(kKeyB)), u"hello"));
    assign(0, kKeyC, ActionKey, kKeyA);
    session->markDirty();
    ASSERT_EQ(session->applyConfiguration(), 1);

    ASSERT_EQ(session->reloadFromKeyboard(), 1);
    EXPECT_EQ(config.image->at(0, rowOfKey(kKeyA)).type, ActionDefault);
    EXPECT_EQ(config.image->at(0, rowOfKey(kKeyB)).type, ActionDisabled);
    EXPECT_EQ(config.image->at(0, rowOfKey(kKeyC)).type, ActionKey);
    EXPECT_EQ(config.image->at(0, rowOfKey(kKeyC)).value, kKeyA);
    EXPECT_EQ(config.textTotal, 0u);
    EXPECT_FALSE(config.texts[entryIndex(0, rowOfKey(kKeyA))].text.has_value());
}

TEST_F(ReloadTest, KeepsTheDirtyMarkWhenAsked) {
    session->markDirty();
    ASSERT_EQ(session->reloadFromKeyboard(true), 1);
    EXPECT_TRUE(window.dirty);
    ASSERT_EQ(session->reloadFromKeyboard(false), 1);
    EXPECT_FALSE(window.dirty);
    EXPECT_GE(window.pictureRefreshes, 2);
}

TEST_F(ReloadTest, MacrosWrittenWithoutNamesReadBackWithFormedNames) {
    addMacro(std::u16string(200, u'x'), 2);
    addMacro(std::u16string(200, u'y'), 2);
    lighting.macroSpace = 256;
    session->markDirty();
    ASSERT_EQ(session->applyConfiguration(), 1);

    ASSERT_EQ(session->reloadFromKeyboard(), 1);
    ASSERT_EQ(config.macros.size(), 2u);
    EXPECT_EQ(config.macros[0].nameView(), u"[IDS_MACRO_NEW_PREFIX]1");
    EXPECT_EQ(config.macros[1].nameView(), u"[IDS_MACRO_NEW_PREFIX]2");
    EXPECT_EQ(config.macros[1].id, 2);
}

TEST_F(ReloadTest, AFailedBackupLeavesTheCacheFileAsItWas) {
    const std::string cache = session->reloadCacheFile(0);
    const auto before = readFileBytes(cache);
    ASSERT_TRUE(before.has_value());

    // The keyboard goes away in the middle of the key tables.
    knobs.RemoveAfterFrames(5);
    EXPECT_NE(session->backupKeyboard(cache), 1);
    EXPECT_EQ(readFileBytes(cache), before);
}

TEST_F(ReloadTest, TheBackupIsAValidProfileFileOfTheWholeKeyboard) {
    addMacro(u"one", 2);
    assign(2, kKeyA, ActionMacro, 1);
    session->markDirty();
    setKeyboardByte(QUELLIX_AREA_SETTINGS, SettingsBlock::kActiveProfile, 2);
    ASSERT_EQ(session->applyConfiguration(), 1);

    const std::string path = home.file("backup.fwc");
    ASSERT_EQ(session->backupKeyboard(path), 1);
    EXPECT_EQ(checkProfileFile(path, &prompter), 1);
    WorkingConfig loaded;
    ASSERT_EQ(loadProfileFile(loaded, path), 1);
    EXPECT_EQ(loaded.image->at(2, rowOfKey(kKeyA)).type, ActionMacro);
    ASSERT_EQ(loaded.macros.size(), 1u);
    EXPECT_EQ(loaded.macros[0].nameView(), u"one");
}

TEST_F(ReloadTest, ProfileMessageFollowsTheKeyboardIntoItsDefaultMode) {
    setKeyboardByte(QUELLIX_AREA_SETTINGS, SettingsBlock::kActiveProfile, 3);
    session->onProfileMessage();
    EXPECT_EQ(lighting.activeProfile, 3);
    EXPECT_EQ(lighting.currentProfile, 3);
    EXPECT_EQ(window.profileButtons, std::vector<int>{3});
    EXPECT_TRUE(window.defaultModeNotice);
    EXPECT_TRUE(window.shownValues.empty());
    // The default mode's colours are the keyboard's own: nothing is written.
    EXPECT_TRUE(writesSent().empty());
}

TEST_F(ReloadTest, ProfileMessageTiesTheKeysThatShowTheBaseColour) {
    // Profile 1: base colour green; key A green, key B blue.
    const std::uint8_t green[3] = {0, 255, 0};
    const std::uint8_t blue[3] = {0, 0, 255};
    ASSERT_EQ(knobs.WriteMemory(QUELLIX_AREA_LIGHTING, 42 + 9, green, 3), 3);
    ASSERT_EQ(knobs.WriteMemory(QUELLIX_AREA_COLOURS, 512 + 64 * 3, green, 3), 3);
    ASSERT_EQ(knobs.WriteMemory(QUELLIX_AREA_COLOURS, 512 + 90 * 3, blue, 3), 3);

    session->onProfileMessage();
    EXPECT_TRUE(session->isTied(1, 64));   // A
    EXPECT_FALSE(session->isTied(1, 90));  // B
    EXPECT_EQ(lighting.colours[1].colourOf(90), (Rgb{0, 0, 255}));
}

TEST_F(ReloadTest, LightingReReadKeepsWhatItCouldNotRead) {
    lighting.lighting[2].bytes.fill(0x5A);
    // Settings, Begin and two records answered, then the keyboard is gone.
    knobs.RemoveAfterFrames(4);
    const int result = session->rereadLighting(false);
    // Gone before the count dropped (not sent) or after (no keyboard).
    EXPECT_THAT(result, ::testing::AnyOf(kResultNoKeyboard, kResultNotSent));
    EXPECT_EQ(lighting.lighting[2].bytes[0], 0x5A);
    EXPECT_EQ(lighting.lighting[1].bytes[0], 1);  // the factory effect
}

std::vector<SentFrame> framesOf(const std::vector<SentFrame>& frames, std::uint8_t command) {
    std::vector<SentFrame> out;
    for (const SentFrame& f : frames) {
        if (f.command == command) {
            out.push_back(f);
        }
    }
    return out;
}

// Ten pieces per bank, the last one 26 bytes, and 42 bytes per record: a
// piece that ran past the banks or the records would be refused.
TEST_F(ReloadTest, FullLightingReReadAsksForEachPieceOnce) {
    ASSERT_TRUE(session->offersUserModes());
    knobs.ClearFrames();
    ASSERT_EQ(session->rereadLighting(true), 1);

    const std::vector<SentFrame> frames = sentFrames();
    const std::vector<SentFrame> colours = framesOf(frames, 0x10);
    ASSERT_EQ(colours.size(), 40u);
    for (int bank = 0; bank < 4; ++bank) {
        for (int k = 0; k < 10; ++k) {
            const SentFrame& f = colours[static_cast<std::size_t>(bank * 10 + k)];
            EXPECT_EQ(f.offset, bank * 512 + k * 54) << bank << "/" << k;
            EXPECT_EQ(f.length, k < 9 ? 54 : 26) << bank << "/" << k;
        }
    }
    const std::vector<SentFrame> records = framesOf(frames, 0x05);
    ASSERT_EQ(records.size(), 3u);
    for (int p = 0; p < 3; ++p) {
        EXPECT_EQ(records[static_cast<std::size_t>(p)].offset, 42 * p);
        EXPECT_EQ(records[static_cast<std::size_t>(p)].length, 42);
    }
    EXPECT_EQ(frames.back().command, 0x02);
    const std::vector<std::uint8_t> bank3 = keyboardMemory(QUELLIX_AREA_COLOURS, 3 * 512, 512);
    EXPECT_TRUE(std::equal(bank3.begin(), bank3.end(), lighting.colours[3].bytes.begin()));
}

TEST_F(ReloadTest, ARefusedColourPieceIsReportedAndTheRestIsStillRead) {
    lighting.colours[3].bytes.fill(0x5A);
    lighting.lighting[2].bytes.fill(0x5A);
    refuseFrom(
        [](const SentFrame& f) { return f.command == 0x10 && f.offset == 3 * 512 + 9 * 54; });

    EXPECT_EQ(session->rereadLighting(true), kResultRefusedFF);

    const std::vector<std::uint8_t> bank3 = keyboardMemory(QUELLIX_AREA_COLOURS, 3 * 512, 512);
    const auto& held = lighting.colours[3].bytes;
    EXPECT_TRUE(std::equal(bank3.begin(), bank3.begin() + 486, held.begin()));
    EXPECT_TRUE(std::all_of(held.begin() + 486, held.end(), [](std::uint8_t b) {
        return b == 0x5A;
    })) << "the refused piece keeps what the bank held";
    EXPECT_EQ(lighting.lighting[2].bytes[0], 1) << "the records are read after it";
    EXPECT_EQ(sentFrames().back().command, 0x02);
}

TEST_F(ReloadTest, LightingReReadWithoutASettingsBlockStops) {
    removeKeyboard();
    EXPECT_EQ(session->rereadLighting(true), -1);
    EXPECT_TRUE(lighting.effectList.empty());
}

TEST_F(ReloadTest, LightingReReadHandsTheRecordToThePanel) {
    setKeyboardByte(QUELLIX_AREA_LIGHTING, 18, 7);  // effect-7 option outside 0..1
    setKeyboardByte(QUELLIX_AREA_LIGHTING, 15, 9);  // report rate above 3
    setKeyboardByte(QUELLIX_AREA_LIGHTING, 19, 1);
    ASSERT_EQ(session->rereadLighting(false), 1);
    ASSERT_EQ(window.shownValues.size(), 1u);
    const LightingPanelValues& v = window.shownValues[0];
    EXPECT_EQ(v.profile, 0);
    EXPECT_EQ(v.reportRate, 3);
    EXPECT_FALSE(v.effect7Option.has_value());
    EXPECT_EQ(v.trigger, std::optional<std::uint8_t>(1));
    EXPECT_FALSE(v.baseColour.has_value());
    EXPECT_EQ(lighting.effectList.size(), 19u);
    EXPECT_EQ(lighting.effectList.back().effectCode, 20);
}

}  // namespace
}  // namespace quorvane::test
