// Import, export, the profile manager's Apply and the profile label.
#include "core/sync/profile_transfer.h"
#include "base/atomic_file.h"
#include "core/config/profile_file.h"
#include "core/device/device_result.h"
#include "core/platform/registry_store.h"
#include "core/platform/utf_text.h"
#include "core/sync/sync_result.h"
#include "sync_fixture.h"

namespace quorvane::test {
namespace {

constexpr KeyId kKeyA = 0x1E;

using ProfileTransferTest = SyncTest;

TEST_F(ProfileTransferTest, ImportWritesAllThreeKeyTables) {
    WorkingConfig other;
    createDefaultImage(other, std::string(), true);
    for (int p = 0; p < 3; ++p) {
        ASSERT_TRUE(writeAssignment(other, entryIndex(p, rowOfKey(kKeyA)), ActionMedia, 0,
                                    static_cast<std::uint32_t>(p)));
    }
    const std::string file = home.file("all.fwc");
    ASSERT_EQ(saveProfileFile(other, file, true), 1);
    session->markDirty();

    ASSERT_EQ(importProfile(*session, file), 1);
    for (int p = 0; p < 3; ++p) {
        EXPECT_EQ(keyboardKeyTable(p), modelKeyTable(p)) << "profile " << p;
        EXPECT_NE(keyboardKeyTable(p), lighting.DefaultKeyTable) << "profile " << p;
    }
    EXPECT_FALSE(window.dirty);
    EXPECT_GE(window.pictureRefreshes, 1);
    // The cache file now holds the import.
    WorkingConfig cached;
    ASSERT_EQ(loadProfileFile(cached, session->reloadCacheFile(0)), 1);
    EXPECT_EQ(cached.image->entries, config.image->entries);
}

TEST_F(ProfileTransferTest, AChecksumOffByOneIsRejectedWithBothMessages) {
    WorkingConfig other;
    createDefaultImage(other, std::string(), true);
    const std::string file = home.file("bad.fwc");
    ASSERT_EQ(saveProfileFile(other, file, true), 1);
    auto bytes = readFileBytes(file).value();
    bytes[31] = static_cast<std::uint8_t>(bytes[31] + 1);
    ASSERT_TRUE(writeFileAtomic(file, bytes));
    assign(0, kKeyA, ActionDisabled, 0);
    const auto before = config.image->entries;
    session->markDirty();

    EXPECT_EQ(importProfile(*session, file), kSyncBadFile);
    ASSERT_EQ(prompter.messages.size(), 2u);
    EXPECT_NE(prompter.messages[0].find(u"wrong file format"), std::u16string::npos);
    EXPECT_NE(prompter.messages[0].find(u"bad.fwc"), std::u16string::npos);
    EXPECT_EQ(prompter.messages[1], u"[IDS_MAIN_PROMPT_INPORT]");
    EXPECT_EQ(config.image->entries, before);
    EXPECT_TRUE(commandsSent().empty());
    EXPECT_TRUE(window.dirty);
}

TEST_F(ProfileTransferTest, AMissingFileIsRejected) {
    EXPECT_EQ(importProfile(*session, home.file("none.fwc")), kSyncBadFile);
    EXPECT_EQ(prompter.messages.back(), u"[IDS_MAIN_PROMPT_INPORT]");
}

TEST_F(ProfileTransferTest, ExportWritesTheModelAndReportsAFolderItCannotWrite) {
    assign(1, kKeyA, ActionDisabled, 0);
    const std::string file = home.file("out.fwc");
    ASSERT_EQ(exportProfile(*session, file), 1);
    WorkingConfig read;
    ASSERT_EQ(loadProfileFile(read, file), 1);
    EXPECT_EQ(read.image->entries, config.image->entries);
    EXPECT_EQ(exportProfile(*session, home.file("missing/folder/out.fwc")), kSyncFileNotWritten);
}

TEST_F(ProfileTransferTest, ProfileManagerApplyStoresTheRowsSelectsAndReloads) {
    RegistryStore store(home.file("registry.reg"));
    FrameworkProfile profile(store, u"Quorvane_Pelmora", u"Quorvane");
    std::vector<ProfileRow> rows = profileManagerRows(*session);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_TRUE(rows[0].checked);
    EXPECT_EQ(rows[2].name, "$Profile3");
    rows[0].checked = false;
    rows[2].checked = true;
    rows.push_back({"/elsewhere/", "mine", true});
    assign(0, kKeyA, ActionDisabled, 0);
    session->markDirty();

    ASSERT_EQ(applyProfileManager(*session, rows, profile), 1);
    EXPECT_EQ(profile.GetProfileString(u"PROFILES", u"PROFILE00", u""), u"4");
    EXPECT_EQ(profile.GetProfileString(u"PROFILES", u"PROFILE04", u""), u"/elsewhere/mine.fwc");
    EXPECT_EQ(profile.GetProfileString(u"PROFILES", u"PROFILE03", u""),
              utf8ToUtf16(userData + "/$Profile3.fwc"));
    EXPECT_EQ(keyboardActiveProfile(), 2);
    EXPECT_EQ(config.image->at(0, rowOfKey(kKeyA)).type, ActionDefault);
    EXPECT_FALSE(window.dirty);
    EXPECT_EQ(window.labelText, u"$Profile3");
}

TEST_F(ProfileTransferTest, ACheckedRowBeyondTheThreeProfilesSelectsNothing) {
    RegistryStore store(home.file("registry.reg"));
    FrameworkProfile profile(store, u"Quorvane_Pelmora", u"Quorvane");
    std::vector<ProfileRow> rows = profileManagerRows(*session);
    rows[0].checked = false;
    rows.push_back({"/elsewhere/", "mine", true});
    knobs.ClearFrames();
    ASSERT_EQ(applyProfileManager(*session, rows, profile), 1);
    EXPECT_EQ(keyboardActiveProfile(), 0);
    const std::vector<std::uint8_t> sent = commandsSent();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), 0x04), 0);
}

struct LabelCase {
    int keyboardProfile;  // -1: no keyboard
    std::u16string text;
};

class ProfileLabelTest : public SyncTest, public ::testing::WithParamInterface<LabelCase> {};

TEST_P(ProfileLabelTest, NamesTheActiveProfilesCacheFile) {
    if (GetParam().keyboardProfile < 0) {
        removeKeyboard();
    } else {
        setKeyboardByte(QUELLIX_AREA_SETTINGS, SettingsBlock::kActiveProfile,
                        static_cast<std::uint8_t>(GetParam().keyboardProfile));
    }
    updateProfileLabel(*session);
    EXPECT_EQ(window.labelText, GetParam().text);
    EXPECT_EQ(window.labelTooltip, u"The current contextual  mode: " + GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Profiles, ProfileLabelTest,
                         ::testing::Values(LabelCase{0, u"$Profile1"}, LabelCase{1, u"$Profile2"},
                                           LabelCase{2, u"$Profile3"}, LabelCase{3, u""},
                                           LabelCase{-1, u"[IDS_DEFAULT_PROFILE_NAME]"}));

}  // namespace
}  // namespace quorvane::test
