// The in-memory model: default image, texts, macro lookups, assignments,
// restoring a profile's default assignment, the download snapshot.
#include <gtest/gtest.h>

#include <array>

#include "config/config_test_support.h"
#include "core/config/device_layouts.h"
#include "core/config/working_config.h"

namespace quorvane {
namespace {

TEST(DefaultImage, CarriesGKeyCodesInBlockZeroOnly) {
    auto config = test::defaultModel();
    ASSERT_TRUE(config->image);
    EXPECT_EQ(config->macroCount(), 0);
    const ConfigImage& image = *config->image;
    for (int block = 0; block < kBlockCount; ++block) {
        for (int slot = 0; slot < kSlotsPerBlock; ++slot) {
            const KeyActionEntry& e = image.at(block, slot);
            EXPECT_EQ(e.type, ActionDefault);
            EXPECT_EQ(e.value, 0u);
            const bool gSlot = block == 0 && slot >= 256 && slot <= 273;
            if (!gSlot) {
                EXPECT_EQ(e.aux, 0) << block << "/" << slot;
            }
        }
    }
    for (int j = 0; j < 9; ++j) {
        EXPECT_EQ(image.at(0, 256 + j).aux, 0x0301 + j);
        EXPECT_EQ(image.at(0, 265 + j).aux, 0x1301 + j);
    }
    EXPECT_EQ(image.identity.words, kDeviceIdentityWords);
}

TEST(EntryIndex, AddressesBlocksOf512) {
    EXPECT_EQ(entryIndex(0, 0), 0);
    EXPECT_EQ(entryIndex(2, 5), 1029);
    EXPECT_EQ(entryIndex(3, 511), 2047);
    EXPECT_EQ(gKeySlot(false, 0), 256);
    EXPECT_EQ(gKeySlot(true, 8), 273);
    auto config = test::defaultModel();
    EXPECT_EQ(entryAt(*config, 2, 5), &config->image->entries[1029]);
    EXPECT_EQ(entryAt(*config, 4, 0), nullptr);
    EXPECT_EQ(entryAt(*config, 0, 512), nullptr);
    clearImage(*config);
    EXPECT_EQ(entryAt(*config, 0, 0), nullptr);
}

TEST(Texts, TotalFollowsEverySetAndClear) {
    WorkingConfig config;
    ASSERT_TRUE(setText(config, 1024 + 0x1E, u"/usr/bin/editor"));
    EXPECT_EQ(config.texts[1024 + 0x1E].byteLength, 32u);
    EXPECT_EQ(config.textTotal, 32u);
    ASSERT_TRUE(setText(config, 3, u"hi"));
    EXPECT_EQ(config.textTotal, 38u);
    // Replacing keeps the sum right.
    ASSERT_TRUE(setText(config, 3, u"hello"));
    EXPECT_EQ(config.textTotal, 44u);
    // An empty text is a text: a terminator only.
    ASSERT_TRUE(setText(config, 4, u""));
    EXPECT_EQ(config.textTotal, 46u);
    // An embedded zero ends the text, as it would in a file.
    ASSERT_TRUE(setText(config, 5, std::u16string_view(u"ab\0cd", 5)));
    EXPECT_EQ(*config.texts[5].text, u"ab");
    EXPECT_EQ(config.textTotal, 52u);
    clearText(config, 3);
    EXPECT_FALSE(config.texts[3].text);
    EXPECT_EQ(config.textTotal, 40u);
    EXPECT_FALSE(setText(config, 2048, u"x"));
    EXPECT_FALSE(setText(config, -1, u"x"));
    clearText(config, 9999);  // outside: nothing happens
    clearTexts(config);
    EXPECT_EQ(config.textTotal, 0u);
    for (const TextSlot& slot : config.texts) {
        EXPECT_FALSE(slot.text);
        EXPECT_EQ(slot.byteLength, 0u);
    }
}

TEST(Assignment, FreesTheOldTextWhateverTheNewType) {
    auto config = test::defaultModel();
    const int n = entryIndex(1, 0x1E);
    ASSERT_TRUE(setText(*config, n, u"C:/tools/run"));
    config->image->entries[n].type = ActionProgram;
    config->image->entries[n].colourMark = 1;
    config->image->entries[n].reserved = 0xABCD;
    ASSERT_TRUE(setText(*config, 7, u"other"));
    const std::uint32_t before = config->textTotal;

    ASSERT_TRUE(writeAssignment(*config, n, ActionKey, 0, 0x30));
    const KeyActionEntry& e = config->image->entries[n];
    EXPECT_EQ(e.type, ActionKey);
    EXPECT_EQ(e.value, 0x30u);
    EXPECT_EQ(e.colourMark, 1u);
    EXPECT_EQ(e.reserved, 0xABCDu);
    EXPECT_FALSE(config->texts[n].text);
    EXPECT_EQ(config->textTotal, before - 26);
    EXPECT_TRUE(config->texts[7].text);

    EXPECT_FALSE(writeAssignment(*config, 2048, ActionKey, 0, 1));
    clearImage(*config);
    EXPECT_FALSE(writeAssignment(*config, 0, ActionKey, 0, 1));
}

TEST(MacroLookup, IdsAndPositions) {
    WorkingConfig config;
    EXPECT_EQ(macroIndexOfId(config, 1), 0);
    EXPECT_EQ(macroIdAt(config, 0), 0);
    config.macros.push_back(test::makeMacro(7, u"seven", {}));
    config.macros.push_back(test::makeMacro(3, u"three", {}));
    EXPECT_EQ(macroIndexOfId(config, 3), 1);
    EXPECT_EQ(macroIndexOfId(config, 7), 0);
    // No macro has id 9: the first macro's position.
    EXPECT_EQ(macroIndexOfId(config, 9), 0);
    EXPECT_EQ(macroIdAt(config, 1), 3);
    EXPECT_EQ(macroIdAt(config, 2), 0);
    EXPECT_EQ(macroIdAt(config, -1), 0);
    clearMacros(config);
    EXPECT_EQ(config.macroCount(), 0);
}

class RestoreDefaults : public ::testing::Test {
  protected:
    void SetUp() override {
        config = test::defaultModel();
        for (int block = 0; block < kBlockCount; ++block) {
            for (int slot = 0; slot < 274; ++slot) {
                KeyActionEntry& e = config->image->at(block, slot);
                e.type = ActionDisabled;
                e.aux = 0x55;
                e.value = 9;
            }
        }
    }
    std::unique_ptr<WorkingConfig> config;
    const std::array<KeyId, 3> keys = {0x1E, 0x147, 0x36};
};

TEST_F(RestoreDefaults, BankBClearsItsGKeysAndThePictureKeys) {
    ASSERT_TRUE(restoreDefaultAssignment(*config, 2, 1, keys));
    for (int j = 0; j < 9; ++j) {
        EXPECT_EQ(config->image->at(2, 265 + j), KeyActionEntry{});
        EXPECT_EQ(config->image->at(2, 256 + j).type, ActionDisabled);
    }
    EXPECT_EQ(config->image->at(2, 0x1E), KeyActionEntry{});
    EXPECT_EQ(config->image->at(2, rowOfKey(0x147)), KeyActionEntry{});
    EXPECT_EQ(config->image->at(2, 0x36), KeyActionEntry{});
    EXPECT_EQ(config->image->at(2, 0x30).type, ActionDisabled);  // not in the picture
    EXPECT_EQ(config->image->at(1, 0x1E).type, ActionDisabled);  // another profile
}

TEST_F(RestoreDefaults, BankAInTheDefaultModeBlock) {
    ASSERT_TRUE(restoreDefaultAssignment(*config, 3, 0, keys));
    for (int j = 0; j < 9; ++j) {
        EXPECT_EQ(config->image->at(3, 256 + j), KeyActionEntry{});
        EXPECT_EQ(config->image->at(3, 265 + j).type, ActionDisabled);
    }
}

TEST_F(RestoreDefaults, NothingWithoutAKnownProfile) {
    for (int active : {-1, 4}) {
        EXPECT_FALSE(restoreDefaultAssignment(*config, active, 0, keys));
    }
    EXPECT_EQ(config->image->at(0, 0x1E).type, ActionDisabled);
    EXPECT_EQ(config->image->at(3, 256).type, ActionDisabled);
}

TEST(ColourBank, ThreeBytesPerLedAndNothingOutside) {
    ColourBank bank;
    bank.setColour(110, {1, 2, 3});
    EXPECT_EQ(bank.bytes[330], 1);
    EXPECT_EQ(bank.bytes[332], 3);
    EXPECT_EQ(bank.colourOf(110), (Rgb{1, 2, 3}));
    bank.setColour(169, {4, 5, 6});  // the last whole LED of 512 bytes
    EXPECT_EQ(bank.bytes[509], 6);
    const ColourBank before = bank;
    bank.setColour(170, {9, 9, 9});
    bank.setColour(-1, {9, 9, 9});
    EXPECT_EQ(bank, before);
    EXPECT_EQ(bank.colourOf(170), Rgb{});
}

TEST(DisplayBlock, FollowsTheActiveProfile) {
    EXPECT_EQ(displayBlockOf(-1), -1);
    EXPECT_EQ(displayBlockOf(0), 0);
    EXPECT_EQ(displayBlockOf(3), 3);
    EXPECT_EQ(displayBlockOf(4), -1);
}

TEST(DownloadSnapshot, CopiesImageAndMacrosWithFreshCounters) {
    auto config = test::defaultModel();
    config->macros.push_back(test::makeMacro(1, u"m", {{10, 0x1E, 0}}));
    setText(*config, 9, u"abc");
    config->image->header.macroCount = 77;
    DownloadSnapshot snapshot;
    ASSERT_TRUE(takeDownloadSnapshot(*config, snapshot));
    ASSERT_TRUE(snapshot.image);
    EXPECT_EQ(snapshot.image->entries, config->image->entries);
    EXPECT_EQ(snapshot.image->header.macroCount, 1);
    EXPECT_EQ(snapshot.image->header.textSize, 8u);
    EXPECT_EQ(snapshot.image->header.totalSize, 32832u + 16512u + 8u);
    EXPECT_EQ(snapshot.macros, config->macros);
    // Later edits do not reach the snapshot.
    config->image->entries[0].type = ActionDisabled;
    EXPECT_EQ(snapshot.image->entries[0].type, ActionDefault);

    clearImage(*config);
    EXPECT_FALSE(takeDownloadSnapshot(*config, snapshot));
    EXPECT_FALSE(snapshot.image);
}

}  // namespace
}  // namespace quorvane
