#include "core/app/settings_store.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "core/app/app_paths.h"
#include "core/platform/program_folder.h"
#include "platform/temp_dir.h"
#include "support/env_guard.h"

namespace quorvane {
namespace {

TEST(Settings, FrameworkProfileValuesLiveUnderTheCompanyKey) {
    test::TempDir dir;
    RegistryStore store(dir.file("registry.reg"));
    FrameworkProfile profile(store, kCompanyKey, kApplicationTitle);
    EXPECT_EQ(profile.GetProfileString(kProfilesSection, u"Flip", u"0"), u"0");
    ASSERT_TRUE(profile.WriteProfileString(kProfilesSection, u"Flip", u"1"));
    ASSERT_TRUE(profile.WriteProfileInt(kProfilesSection, u"Count", -2));
    auto raw = store.query(u"Software\\Quorvane_Pelmora\\Quorvane\\PROFILES", u"flip");
    ASSERT_TRUE(raw.has_value());
    EXPECT_EQ(raw->text, u"1");
    EXPECT_EQ(profile.GetProfileString(u"profiles", u"FLIP", u"0"), u"1");
    EXPECT_EQ(profile.GetProfileInt(kProfilesSection, u"Count", 5), -2);
    // A value of the other type reads as missing.
    EXPECT_EQ(profile.GetProfileInt(kProfilesSection, u"Flip", 5), 5);
    EXPECT_EQ(profile.GetProfileString(kProfilesSection, u"Count", u"d"), u"d");
}

TEST(Settings, SettingsKeyIsCreatedOnceAndSharedByProcesses) {
    test::TempDir dir;
    RegistryStore store(dir.file("cfg/quorvane/registry.reg"));
    RegKey key = openSettingsKey(store);
    ASSERT_TRUE(key.isOpen());
    ASSERT_TRUE(key.setDword(u"dwLanguageId", 0x0412));
    RegistryStore other(dir.file("cfg/quorvane/registry.reg"));
    EXPECT_EQ(openSettingsKey(other).queryValue(u"DWLANGUAGEID")->dword, 0x0412u);
}

TEST(Paths, TableFromTheProgramsFileName) {
    PathTable t = buildPathTable("/opt/quorvane/bin/quorvane", "/home/u/Documents/Quorvane_09A");
    EXPECT_EQ(t.drive, "");
    EXPECT_EQ(t.folder, "/opt/quorvane/bin/");
    EXPECT_EQ(t.g_szExeName, "quorvane");
    EXPECT_EQ(t.g_szHelpDir, "/opt/quorvane/bin/Help/");
    EXPECT_EQ(t.g_szMainIni, "/opt/quorvane/bin/Skins/Main.ini");
    EXPECT_EQ(t.g_szSkinDir, "/opt/quorvane/bin/Skins/");
    EXPECT_EQ(t.g_szProfileIni, "/opt/quorvane/bin/Skins/Profile.ini");
    EXPECT_EQ(t.g_szCompositeIni, "/opt/quorvane/bin/Skins/Composite.ini");
    EXPECT_EQ(t.compositeSkinFolder, "/opt/quorvane/bin/Skins/");
    EXPECT_EQ(t.g_szCompanionExe, "/opt/quorvane/bin/orvelsyn");
    // What the program writes goes to the user data folder, never beside the program.
    EXPECT_EQ(t.g_szUserColorPrefix, "/home/u/Documents/Quorvane_09A/UserDengColor_");
    EXPECT_EQ(t.userColorTemplatePrefix, "/opt/quorvane/bin/Skins/UserDengColor_");
    EXPECT_EQ(t.settingsFile, "/home/u/Documents/Quorvane_09A/wskb.ini");
    EXPECT_EQ(helpPageFile(t), "/opt/quorvane/bin/Help/index.html");
}

TEST(Paths, OwnFileNameAndUserDataFolder) {
    auto exe = currentExePath();
    ASSERT_TRUE(exe.has_value());
    EXPECT_EQ(buildPathTable(*exe, "").g_szExeName, "test_app");
    test::TempDir dir;
    test::EnvGuard env;
    env.set("HOME", dir.path());
    env.unset("XDG_CONFIG_HOME");
    EXPECT_EQ(userDataFolder(), dir.path() + "/Documents/Quorvane_09A");
}

}  // namespace
}  // namespace quorvane
