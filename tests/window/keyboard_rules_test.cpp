// The keyboard picture's rules that draw nothing: what a click does, what the
// buttons show, the colour-keys selection words, and the profile manager's list.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/config/action_type.h"
#include "core/config/config_image.h"
#include "core/config/working_config.h"
#include "core/sync/profile_manager.h"
#include "core/window/gkey_captions.h"
#include "core/window/key_buttons.h"
#include "core/window/key_click.h"
#include "core/window/keyboard_picture.h"
#include "platform/temp_dir.h"

namespace quorvane {
namespace {

constexpr int kKeyA = 1058;     // KeyId 0x1E
constexpr int kKeyWinL = 1084;  // KeyId 0x15B
constexpr int kG1 = 1000;
constexpr int kG6 = 1140;

struct ClickCase {
    const char* name;
    int controlId;
    bool lampOn;
    bool colourKeys;
    std::uint8_t bank;
    KeyClick what;
    int keyCode;
    bool macroOnly;
};

class KeyClickTest : public ::testing::TestWithParam<ClickCase> {};

TEST_P(KeyClickTest, DecidesByModeAndKey) {
    const ClickCase& c = GetParam();
    const KeyClickAction action = keyClickAction(c.controlId, c.lampOn, c.colourKeys, c.bank);
    EXPECT_EQ(action.what, c.what);
    if (c.what == KeyClick::OpenDialog || c.what == KeyClick::ToggleSelection) {
        EXPECT_EQ(action.keyCode, c.keyCode);
        EXPECT_EQ(action.macroOnly, c.macroOnly);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Clicks, KeyClickTest,
    ::testing::Values(
        ClickCase{"KeyOpensOnItsRow", kKeyA, false, false, 0, KeyClick::OpenDialog, 0x1E, false},
        ClickCase{"ExtendedKeyRow", kKeyWinL, false, false, 0, KeyClick::OpenDialog, 0xDB, false},
        ClickCase{"GKeyBankA", kG1, false, false, 0, KeyClick::OpenDialog, 0x100, false},
        ClickCase{"GKeyBankB", kG6, false, false, 1, KeyClick::OpenDialog, 0x100 + 5 + 9, false},
        ClickCase{"G9MacroOnly", 1143, false, false, 0, KeyClick::OpenDialog, 0x108, true},
        ClickCase{"MacroButtonIsG9", 1007, false, false, 1, KeyClick::OpenDialog, 0x111, true},
        ClickCase{"LampOnPaintsKey", kKeyA, true, false, 0, KeyClick::Paint, 0, false},
        ClickCase{"LampOnPaintsFn", kFnButtonId, true, false, 0, KeyClick::Paint, 0, false},
        ClickCase{"LampOnGKeyStillOpens", kG1, true, false, 0, KeyClick::OpenDialog, 0x100, false},
        ClickCase{"LampOnMacroButtonOpens", 1007, true, false, 0, KeyClick::OpenDialog, 0x108,
                  true},
        ClickCase{"FnWithLampOffDoesNothing", kFnButtonId, false, false, 0, KeyClick::Nothing, 0,
                  false},
        ClickCase{"ColourKeysToggles", kKeyA, false, true, 0, KeyClick::ToggleSelection, 0x1E,
                  false},
        ClickCase{"ColourKeysGKey", kG1, false, true, 0, KeyClick::ToggleSelection, 0x100, false},
        ClickCase{"UnknownId", 1124, false, false, 0, KeyClick::Nothing, 0, false}),
    [](const auto& info) { return std::string(info.param.name); });

class KeyboardPictureTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(createDefaultImage(config, {}, true), 1); }

    static std::u16string tip(const KeyActionEntry& entry, std::u16string_view name) {
        return std::u16string(name) + (entry.type != 0 ? u" *" : u"");
    }
    static std::u16string name(KeyId key) { return key == 0x1E ? u"A" : u"?"; }

    static std::size_t positionOf(int controlId) {
        for (std::size_t j = 0; j < kKeyButtons.size(); ++j) {
            if (kKeyButtons[j].controlId == controlId) {
                return j;
            }
        }
        return kKeyButtons.size();
    }

    WorkingConfig config;
};

TEST_F(KeyboardPictureTest, AssignedKeysAreCheckedWithTheirTipInTheActiveProfileOnly) {
    ASSERT_TRUE(writeAssignment(config, entryIndex(1, 0x1E), ActionMacro, 1, 7));
    const KeyboardPicture shown = readKeyboardPicture(config, 1, 1, 0, tip, name);
    const KeyButtonView& a = shown.keys[positionOf(kKeyA)];
    EXPECT_TRUE(a.checked);
    EXPECT_EQ(a.tooltip, u"A *");
    EXPECT_FALSE(shown.keys[positionOf(kKeyWinL)].checked);

    const KeyboardPicture other = readKeyboardPicture(config, 0, 0, 0, tip, name);
    EXPECT_FALSE(other.keys[positionOf(kKeyA)].checked);
    EXPECT_EQ(other.keys[positionOf(kKeyA)].tooltip, u"A");
}

TEST_F(KeyboardPictureTest, GKeysFollowTheBankAndAreNamedY) {
    ASSERT_TRUE(writeAssignment(config, entryIndex(0, gKeySlot(true, 2)), ActionKey, 0, 0x1E));
    const KeyboardPicture bankA = readKeyboardPicture(config, 0, 0, 0, tip, name);
    const KeyboardPicture bankB = readKeyboardPicture(config, 0, 0, 1, tip, name);
    EXPECT_FALSE(bankA.gKeys[2].checked);
    EXPECT_TRUE(bankB.gKeys[2].checked);
    EXPECT_EQ(bankB.gKeys[2].tooltip, u"Y3 *");
    EXPECT_EQ(readGKeyStates(config, 0, 1)[2], true);
    EXPECT_EQ(readGKeyStates(config, 0, 0)[2], false);
}

TEST_F(KeyboardPictureTest, UnknownActiveProfileShowsNothingChecked) {
    ASSERT_TRUE(writeAssignment(config, entryIndex(0, 0x1E), ActionKey, 0, 0x30));
    const KeyboardPicture shown = readKeyboardPicture(config, -1, 0, 0, tip, name);
    EXPECT_EQ(shown.block, -1);
    EXPECT_FALSE(shown.keys[positionOf(kKeyA)].checked);
}

TEST_F(KeyboardPictureTest, SelectionWordsFlipAndUseBlockZeroOutsideTheProfiles) {
    // Profile 1: key A is button position j and uses word j of block 1.
    EXPECT_TRUE(toggleColourKeySelection(config, 1, kKeyA, 0));
    EXPECT_EQ(entryAt(config, 1, static_cast<int>(positionOf(kKeyA)))->colourMark, 1U);
    EXPECT_TRUE(readKeyboardPicture(config, 1, 1, 0, {}, {}).keys[positionOf(kKeyA)].selected);
    EXPECT_FALSE(toggleColourKeySelection(config, 1, kKeyA, 0));
    EXPECT_EQ(entryAt(config, 1, static_cast<int>(positionOf(kKeyA)))->colourMark, 0U);

    // The default mode (3) and an unknown profile keep their words in block 0.
    EXPECT_TRUE(toggleColourKeySelection(config, 3, kG6, 1));
    EXPECT_EQ(entryAt(config, 0, 5 + 9)->colourMark, 1U);
    EXPECT_TRUE(readKeyboardPicture(config, 3, 3, 1, {}, {}).gKeys[5].selected);
    EXPECT_FALSE(readKeyboardPicture(config, 3, 3, 0, {}, {}).gKeys[5].selected);
    EXPECT_FALSE(toggleColourKeySelection(config, 0, 1124, 0));
}

TEST(ProfileManagerListTest, RowsOfPathsAndTheApplyRule) {
    EXPECT_EQ(profileRowOfPath("/a/b/Game.fwc").folder, "/a/b/");
    EXPECT_EQ(profileRowOfPath("/a/b/Game.fwc").name, "Game");
    EXPECT_EQ(profileRowOfPath("/a/b.c/Game").name, "Game");
    EXPECT_EQ(profileRowOfPath("/a/.hidden").name, ".hidden");

    ProfileManagerList list({{"/d/", "$Profile1", false}, {"/d/", "$Profile2", true}});
    EXPECT_FALSE(list.applyEnabled());
    EXPECT_FALSE(list.deleteRow(-1));
    EXPECT_FALSE(list.deleteRow(2));
    EXPECT_FALSE(list.applyEnabled());
    list.setChecked(0, true);
    EXPECT_TRUE(list.applyEnabled());
    list.disableApply();
    list.addRow("/e/Mine.fwc");
    ASSERT_EQ(list.rows().size(), 3U);
    EXPECT_EQ(list.rows()[2].name, "Mine");
    EXPECT_FALSE(list.rows()[2].checked);
    EXPECT_TRUE(list.applyEnabled());
    EXPECT_TRUE(list.deleteRow(0));
    EXPECT_EQ(list.rows()[0].name, "$Profile2");
    list.selectOnly(1);
    EXPECT_FALSE(list.rows()[0].checked);
    EXPECT_TRUE(list.rows()[1].checked);
    EXPECT_FALSE(list.applyEnabled());
}

TEST(ProfileManagerListTest, AddWritesADefaultFileAndAFailureAddsNoRow) {
    test::TempDir dir;
    WorkingConfig config;
    ProfileManagerList list;
    EXPECT_TRUE(addNewProfileFile(list, config, dir.file("New.fwc")));
    EXPECT_TRUE(std::filesystem::exists(dir.file("New.fwc")));
    EXPECT_EQ(config.image, nullptr);  // the model is not touched
    EXPECT_FALSE(addNewProfileFile(list, config, dir.file("missing/x.fwc")));
    ASSERT_EQ(list.rows().size(), 1U);
    EXPECT_EQ(list.rows()[0].name, "New");
}

TEST(GKeyCaptions, BankBitPicksTheLetterAndTheLastFourStayEmpty) {
    struct Case {
        std::uint8_t bank;
        char16_t letter;
    };
    for (const Case c : {Case{0, u'A'}, Case{1, u'B'}, Case{2, u'A'}, Case{3, u'B'}}) {
        const GKeyCaptions captions = gKeyCaptions(c.bank);
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(captions[static_cast<std::size_t>(i)],
                      (std::u16string{c.letter, static_cast<char16_t>(u'1' + i)}))
                << int(c.bank);
        }
        for (std::size_t i = 5; i < kGKeyCount; ++i) {
            EXPECT_TRUE(captions[i].empty());
        }
    }
}

}  // namespace
}  // namespace quorvane
