// The state the keyboard leaves the factory with, byte for byte. The emulated
// keyboard keeps its own factory bytes, apart from the program's, so that a
// misreading is not shared; here the two copies must agree.
#include <gtest/gtest.h>

#include <array>

#include "core/config/default_device_bytes.h"
#include "vkbd/virtual_keyboard.h"

namespace quorvane::vkbd {
namespace {

template <std::size_t N>
std::vector<std::uint8_t> bytesOf(const std::array<std::uint8_t, N>& a) {
    return {a.begin(), a.end()};
}

class FactoryState : public ::testing::Test {
  protected:
    VirtualKeyboard kb;
};

TEST_F(FactoryState, SettingsBlock) {
    const auto s = kb.memory(Area::Settings);
    ASSERT_EQ(s.size(), 44u);
    for (std::size_t i = 0; i < 10; ++i) {
        EXPECT_NE(s[i], 0) << "byte " << i;
    }
    EXPECT_EQ(s[10], 0);     // profile 1 active
    EXPECT_EQ(s[11], 0x40);  // 8 KiB of macros
    const std::vector<std::uint8_t> effects = {1,  2,  3,  4,  5,  6,  7,  8,  9, 10,
                                               11, 12, 13, 14, 15, 16, 17, 18, 20};
    EXPECT_EQ(std::vector<std::uint8_t>(s.begin() + 12, s.begin() + 31), effects);
    for (std::size_t i = 31; i < 44; ++i) {
        EXPECT_EQ(s[i], 0) << "byte " << i;
    }
}

TEST_F(FactoryState, EveryLightingRecordStartsWithTheDefaultRecord) {
    const auto lighting = kb.memory(Area::Lighting);
    ASSERT_EQ(lighting.size(), 126u);
    const auto def = bytesOf(kDefaultLightingRecord);
    for (std::size_t p = 0; p < 3; ++p) {
        const auto rec = lighting.begin() + static_cast<std::ptrdiff_t>(42 * p);
        EXPECT_EQ(std::vector<std::uint8_t>(rec, rec + 35), def) << "profile " << p;
        EXPECT_EQ(std::vector<std::uint8_t>(rec + 35, rec + 42), std::vector<std::uint8_t>(7, 0))
            << "profile " << p;
    }
}

TEST_F(FactoryState, EveryLedOfEveryBankIsRed) {
    const auto colours = kb.memory(Area::Colours);
    ASSERT_EQ(colours.size(), 2048u);
    for (std::size_t bank = 0; bank < 4; ++bank) {
        for (std::size_t led = 0; led < 170; ++led) {
            const std::size_t at = bank * 512 + led * 3;
            ASSERT_EQ(colours[at], 0xFF) << "bank " << bank << " led " << led;
            ASSERT_EQ(colours[at + 1], 0x00) << "bank " << bank << " led " << led;
            ASSERT_EQ(colours[at + 2], 0x00) << "bank " << bank << " led " << led;
        }
    }
}

TEST_F(FactoryState, KeyTablesAndFactoryTableHoldTheDefaultTable) {
    const auto def = bytesOf(kBuiltInDefaultKeyTable);
    ASSERT_EQ(def.size(), 378u);
    EXPECT_EQ(kb.memory(Area::FactoryKeyTable), def);
    const auto tables = kb.memory(Area::KeyTables);
    ASSERT_EQ(tables.size(), 3u * 378u);
    for (std::size_t p = 0; p < 3; ++p) {
        const auto t = tables.begin() + static_cast<std::ptrdiff_t>(378 * p);
        EXPECT_EQ(std::vector<std::uint8_t>(t, t + 378), def) << "profile " << p;
    }
}

TEST_F(FactoryState, MacroAreaIsEmptyWithNames) {
    const auto area = kb.memory(Area::MacroArea);
    ASSERT_EQ(area.size(), 0x40u * 128u);
    EXPECT_EQ(std::vector<std::uint8_t>(area.begin(), area.begin() + 16), bytesOf(kEmptyMacroArea));
}

TEST_F(FactoryState, ResetToFactoryUndoesChangesButKeepsPresence) {
    const std::vector<std::uint8_t> junk(40, 0x5A);
    ASSERT_TRUE(kb.writeMemory(Area::KeyTables, 100, junk));
    ASSERT_TRUE(kb.writeMemory(Area::Settings, 11, std::vector<std::uint8_t>{0x02}));
    kb.remove();
    kb.resetToFactory();
    EXPECT_EQ(kb.memories(), factoryMemories());
    EXPECT_FALSE(kb.attached());
}

}  // namespace
}  // namespace quorvane::vkbd
