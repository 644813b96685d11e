// The state the keyboard leaves the factory with, byte for byte.
#include <gtest/gtest.h>

#include <cctype>
#include <string_view>

#include "vkbd/virtual_keyboard.h"

namespace quorvane::vkbd {
namespace {

std::vector<std::uint8_t> fromHex(std::string_view hex) {
    std::vector<std::uint8_t> out;
    int high = -1;
    for (char c : hex) {
        if (std::isxdigit(static_cast<unsigned char>(c)) == 0) {
            continue;
        }
        const int v = std::isdigit(static_cast<unsigned char>(c)) != 0
                          ? c - '0'
                          : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
        if (high < 0) {
            high = v;
        } else {
            out.push_back(static_cast<std::uint8_t>(high << 4 | v));
            high = -1;
        }
    }
    return out;
}

// Eight slots per line.
constexpr std::string_view kDefaultKeyTableHex =
    "050000 050000 050000 050000 050000 050000 000000 000000 "
    "020229 020235 02022B 020239 020102 020101 000000 000000 "
    "02023A 02021E 020214 020204 02021D 020108 000000 000000 "
    "02023B 02021F 02021A 020216 02021B 020104 000000 000000 "
    "02023C 020220 020208 020207 020206 02022C 020246 000000 "
    "02023D 020221 020215 020209 020219 020140 020247 000000 "
    "02023E 020222 020217 02020A 020205 050202 02022E 000000 "
    "02023F 020223 02021C 02020B 020211 020265 020248 000000 "
    "020240 020224 020218 02020D 020210 020110 020249 000000 "
    "020241 020225 02020C 02020E 020236 020250 02024A 000000 "
    "020242 020226 020212 02020F 020237 020251 02024B 000000 "
    "020243 020227 020213 020233 020238 020252 02024C 000000 "
    "020244 02022D 02022F 020234 020120 02024F 02024D 000000 "
    "020245 02022E 020230 020231 020228 02022A 02024E 000000 "
    "03B600 020253 02025F 02025C 020259 020262 020256 000000 "
    "03CD00 020254 020260 02025D 02025A 020263 ";

constexpr std::string_view kDefaultLightingHex =
    "01 04 01 00 01 FF 00 00 08 FF FF FF FF 00 00 FF FF 00 00 00 00 FF FF 00 00 "
    "FF FF FF 00 00 FF FF FF 00 00";

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
    const auto def = fromHex(kDefaultLightingHex);
    ASSERT_EQ(def.size(), 35u);
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
    const auto def = fromHex(kDefaultKeyTableHex);
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
    const std::vector<std::uint8_t> header = {0xAA, 0x55, 0x10, 0x00, 0x00, 0x00, 0x01, 0x00,
                                              0,    0,    0,    0,    0,    0,    0,    0};
    EXPECT_EQ(std::vector<std::uint8_t>(area.begin(), area.begin() + 16), header);
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
