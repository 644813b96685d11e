// The user mode files of the per-key colour effect and the lamp flag.
#include <gtest/gtest.h>

#include "config/config_test_support.h"
#include "core/config/user_mode_files.h"
#include "core/platform/ini_file.h"
#include "platform/fifo_guard.h"

namespace quorvane {
namespace {

class UserModes : public ::testing::Test {
  protected:
    test::TempDir data;
    test::TempDir skins;
    UserModeFiles files{data.path(), skins.path()};
};

TEST_F(UserModes, FreshInstallationGivesTheDefaults) {
    for (int bank = 0; bank < 4; ++bank) {
        EXPECT_EQ(files.readPresentMode(bank), 0);
        for (int m = 0; m < 10; ++m) {
            EXPECT_EQ(files.readModeName(bank, m), u"0");
            UserModeState state;
            state.tool = kToolBaseColour;
            state.baseColour = {1, 2, 3};
            files.readModeTools(bank, m, state);
            EXPECT_EQ(state.tool, kToolFreeColour);
            EXPECT_EQ(state.baseColour, Rgb{});
            EXPECT_EQ(state.freeColour, Rgb{});
        }
        EXPECT_EQ(files.readKeyColour(bank, 0, 17), (KeyColour{{255, 0, 0}, true}));
        EXPECT_EQ(files.readKeyColour(bank, 9, 110), (KeyColour{{255, 0, 0}, true}));
    }
    EXPECT_TRUE(data.names().empty());
    EXPECT_FALSE(readLampFlag(data.path()));
}

TEST_F(UserModes, ValuesWrittenReadBackPerBankAndMode) {
    ASSERT_TRUE(files.writePresentMode(1, 3));
    ASSERT_TRUE(files.writeModeName(1, 3, u"Gaming ✓"));
    UserModeState state;
    state.tool = kToolBaseColour;
    state.baseColour = {10, 20, 30};
    state.freeColour = {0, 255, 7};
    ASSERT_TRUE(files.writeModeTools(1, 3, state));
    ASSERT_TRUE(files.writeKeyColour(1, 3, 42, {1, 2, 3}, false));

    EXPECT_EQ(files.readPresentMode(1), 3);
    EXPECT_EQ(files.readPresentMode(0), 0);
    EXPECT_EQ(files.readModeName(1, 3), u"Gaming ✓");
    EXPECT_EQ(files.readModeName(1, 2), u"0");
    UserModeState back;
    files.readModeTools(1, 3, back);
    EXPECT_EQ(back.tool, kToolBaseColour);
    EXPECT_EQ(back.baseColour, (Rgb{10, 20, 30}));
    EXPECT_EQ(back.freeColour, (Rgb{0, 255, 7}));
    EXPECT_EQ(files.readKeyColour(1, 3, 42), (KeyColour{{1, 2, 3}, false}));
    EXPECT_EQ(files.readKeyColour(1, 4, 42), KeyColour{});

    const std::string path = files.writePathOf(1);
    EXPECT_EQ(path, data.file("UserDengColor_1.userd"));
    EXPECT_EQ(iniReadString(path, u"PRESENTMODE", u"mode", u""), u"3");
    EXPECT_EQ(iniReadString(path, u"Mode3", u"tool", u""), u"1");
    EXPECT_EQ(iniReadString(path, u"Mode3", u"jcolor", u""), u"10,20,30");
    EXPECT_EQ(iniReadString(path, u"Mode3", u"color", u""), u"0,255,7");
    EXPECT_EQ(iniReadString(path, u"Mode3", u"42", u""), u"1,2,3,0");
    EXPECT_EQ(iniReadString(path, u"MODENAME", u"3", u""), u"Gaming ✓");
}

TEST_F(UserModes, TieFlagIsWrittenAsZeroOrOne) {
    const std::string path = files.writePathOf(0);
    ASSERT_TRUE(iniWriteString(path, u"Mode0", u"5", u"9,8,7,42"));
    const KeyColour read = files.readKeyColour(0, 0, 5);
    EXPECT_EQ(read, (KeyColour{{9, 8, 7}, true}));
    ASSERT_TRUE(files.writeKeyColour(0, 0, 5, read.colour, read.tied));
    EXPECT_EQ(iniReadString(path, u"Mode0", u"5", u""), u"9,8,7,1");
}

struct ValueCase {
    const char* text;
    KeyColour expected;
};

TEST_F(UserModes, DamagedValuesReadAsDefaultsOrClamped) {
    const std::string path = files.writePathOf(2);
    const ValueCase cases[] = {
        {"", KeyColour{}},
        {"red", KeyColour{}},
        {"1,2", KeyColour{}},
        {"1,2,3", KeyColour{}},
        {" 1, 2, 3, 0", {{1, 2, 3}, false}},
        {"300,-5,255,0", {{255, 0, 255}, false}},
        {"1,2,3,0,junk", {{1, 2, 3}, false}},
        {"99999999999999999999,0,0,1", {{255, 0, 0}, true}},
    };
    for (const ValueCase& c : cases) {
        ASSERT_TRUE(iniWriteString(path, u"Mode0", u"1", utf8ToUtf16(c.text)));
        EXPECT_EQ(files.readKeyColour(2, 0, 1), c.expected) << c.text;
    }
    ASSERT_TRUE(iniWriteString(path, u"PRESENTMODE", u"mode", u"12"));
    EXPECT_EQ(files.readPresentMode(2), 0);
    ASSERT_TRUE(iniWriteString(path, u"PRESENTMODE", u"mode", u"-1"));
    EXPECT_EQ(files.readPresentMode(2), 0);
    ASSERT_TRUE(iniWriteString(path, u"Mode4", u"jcolor", u"5,6"));
    UserModeState state;
    files.readModeTools(2, 4, state);
    EXPECT_EQ(state.baseColour, Rgb{});
}

TEST_F(UserModes, OutOfRangeBanksAndModesTouchNothing) {
    EXPECT_FALSE(files.writePresentMode(4, 1));
    EXPECT_FALSE(files.writePresentMode(0, 10));
    EXPECT_FALSE(files.writeModeName(0, -1, u"x"));
    EXPECT_FALSE(files.writeKeyColour(-1, 0, 0, {}, true));
    EXPECT_EQ(files.readModeName(7, 0), u"0");
    EXPECT_TRUE(data.names().empty());
}

TEST_F(UserModes, LongNamesAreCutTo259Characters) {
    ASSERT_TRUE(files.writeModeName(0, 1, std::u16string(300, u'x')));
    EXPECT_EQ(files.readModeName(0, 1), std::u16string(259, u'x'));
}

TEST_F(UserModes, DefaultModeReadsTheShippedTemplateAndWritesACopy) {
    const std::string shipped = skins.file("UserDengColor_3.userd");
    ASSERT_TRUE(iniWriteString(shipped, u"MODENAME", u"0", u"Shipped"));
    ASSERT_TRUE(iniWriteString(shipped, u"Mode0", u"7", u"0,0,255,0"));
    const auto templateBytes = test::readAll(shipped);
    EXPECT_EQ(files.readModeName(3, 0), u"Shipped");
    EXPECT_EQ(files.readKeyColour(3, 0, 7), (KeyColour{{0, 0, 255}, false}));

    ASSERT_TRUE(files.writePresentMode(3, 2));
    EXPECT_EQ(test::readAll(shipped), templateBytes);  // the program folder is never written
    EXPECT_EQ(files.readPresentMode(3), 2);
    EXPECT_EQ(files.readModeName(3, 0), u"Shipped");  // the copy kept the rest
    EXPECT_EQ(files.readPathOf(3), data.file("UserDengColor_3.userd"));
}

TEST_F(UserModes, RestoringCopiesTheTemplateByteForByte) {
    const std::string shipped = skins.file("UserDengColor_3.userd");
    ASSERT_TRUE(iniWriteString(shipped, u"MODENAME", u"0", u"Shipped"));
    ASSERT_TRUE(files.writeModeName(1, 0, u"Mine"));
    ASSERT_TRUE(files.restoreFromTemplate(1));
    EXPECT_EQ(test::readAll(files.writePathOf(1)), test::readAll(shipped));
    EXPECT_EQ(files.readModeName(1, 0), u"Shipped");
    EXPECT_FALSE(files.restoreFromTemplate(3));
    EXPECT_FALSE(files.restoreFromTemplate(-1));

    // Without a template the profile's file stays as it was.
    UserModeFiles noTemplate(data.path(), data.file("missing"));
    ASSERT_TRUE(files.writeModeName(2, 0, u"Keep"));
    const auto kept = test::readAll(files.writePathOf(2));
    EXPECT_FALSE(noTemplate.restoreFromTemplate(2));
    EXPECT_EQ(test::readAll(files.writePathOf(2)), kept);
}

// FIFOs in place of a user mode file, the shipped template and the settings
// file: reads give the defaults and writes fail, at once.
TEST_F(UserModes, FifosReadAsMissingAndAreNeverWaitedOn) {
    const std::string bankFile = files.writePathOf(1);
    const std::string shipped = files.templatePath();
    const std::string settings = settingsFilePath(data.path());
    for (const std::string& fifo : {bankFile, shipped, settings}) {
        ASSERT_TRUE(test::makeFifo(fifo)) << fifo;
    }
    EXPECT_TRUE(test::returnsWithoutAWriter(bankFile, [&] {
        EXPECT_EQ(files.readPresentMode(1), 0);
        EXPECT_EQ(files.readModeName(1, 4), u"0");
        EXPECT_EQ(files.readKeyColour(1, 0, 17), KeyColour{});
        EXPECT_FALSE(files.writeModeName(1, 4, u"x"));
        EXPECT_FALSE(files.restoreFromTemplate(1));
    }));
    EXPECT_TRUE(test::returnsWithoutAWriter(shipped, [&] {
        EXPECT_EQ(files.readModeName(3, 0), u"0");
        EXPECT_FALSE(files.restoreFromTemplate(2));
    }));
    EXPECT_TRUE(test::returnsWithoutAWriter(settings, [&] {
        EXPECT_FALSE(readLampFlag(data.path()));
        EXPECT_FALSE(writeLampFlag(data.path(), true));
    }));
}

TEST(LampFlag, OnlyOneMeansOn) {
    test::TempDir data;
    EXPECT_FALSE(readLampFlag(data.path()));
    ASSERT_TRUE(writeLampFlag(data.path(), true));
    EXPECT_TRUE(readLampFlag(data.path()));
    EXPECT_EQ(iniReadString(data.file("wskb.ini"), u"KEYCOLOR", u"DengCheck", u""), u"1");
    const std::vector<std::uint8_t> written = test::readAll(data.file("wskb.ini"));
    EXPECT_EQ(std::string(written.begin(), written.end()), "[KEYCOLOR]\nDengCheck=1\n");
    ASSERT_TRUE(writeLampFlag(data.path(), false));
    EXPECT_FALSE(readLampFlag(data.path()));
    ASSERT_TRUE(iniWriteString(data.file("wskb.ini"), u"KEYCOLOR", u"DengCheck", u"yes"));
    EXPECT_FALSE(readLampFlag(data.path()));
}

}  // namespace
}  // namespace quorvane
