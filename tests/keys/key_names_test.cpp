// Key names through a fake language file, the format fallback, the buffer cut
// and the command-line text forms.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/keys/key_conversions.h"
#include "core/keys/key_lists.h"
#include "core/keys/key_names.h"
#include "core/keys/key_table.h"

namespace quorvane {
namespace {

// A language file: missing keys give the not-found text, as the real lookup does.
struct FakeLanguage {
    std::map<std::string, std::u16string, std::less<>> texts;
    mutable std::vector<std::string> asked;

    TextLookup lookup() const {
        return [this](std::u16string_view key16) {
            const std::string key(key16.begin(), key16.end());
            asked.push_back(key);
            const auto it = texts.find(key);
            return it == texts.end() ? std::u16string(u"#Error") : it->second;
        };
    }
};

FakeLanguage standardLanguage() {
    return FakeLanguage{{{"IDS_KEYBOARD_A", u"A"},
                         {"IDS_KEYBOARD_ESC", u"Escape"},
                         {"IDS_KEYBOARD_RSHIFT", u"Right Shift"},
                         {"IDS_KEYBOARD_ENTER", u"Enter"},
                         {"IDS_KEYBOARD_SYSREQ", u""},
                         {"IDS_KEYBOARD_MUTE", u"Stumm \u00FC\U0001F507"},
                         {"Unknown Key: %03x", u"Unknown Key: %03x"},
                         {"IDS_COMPOSITE_FUNC_KEY_OPEN", u"Open"},
                         {"IDS_COMPOSITE_FUNC_KEY_ZOOMIN", u"Zoom in"}},
                        {}};
}

TEST(KeyNameTest, NamesFallbacksAndCuts) {
    struct Case {
        const char* what;
        KeyId id;
        std::size_t size;
        std::u16string name;
    };
    const Case cases[] = {
        {"language text of the key", 0x1E, 260, u"A"},
        {"second Right Shift row", 0x136, 260, u"Right Shift"},
        {"row without text key", 0x64, 260, u"Unknown Key: 064"},
        {"empty row", 0x80, 260, u"Unknown Key: 080"},
        {"no key", 0x00, 260, u"Unknown Key: 000"},
        {"empty text in the file", 0x54, 260, u"Unknown Key: 054"},
        {"text missing from the file", 0x1F, 260, u"#Error"},
        {"cut to size - 1", 0x01, 4, u"Esc"},
        {"exact fit", 0x01, 7, u"Escape"},
        {"one short", 0x01, 6, u"Escap"},
        {"only the terminator", 0x01, 1, u""},
        {"fallback cut", 0x64, 8, u"Unknown"},
        {"cut never splits a surrogate pair", 0x120, 9, u"Stumm \u00FC"},
        {"surrogate pair that fits", 0x120, 10, u"Stumm \u00FC\U0001F507"},
    };
    const FakeLanguage language = standardLanguage();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<char16_t> buffer(c.size + 4, u'#');
        const std::size_t n = keyName(c.id, buffer.data(), c.size, language.lookup());
        EXPECT_EQ(std::u16string(buffer.data(), n), c.name);
        EXPECT_EQ(buffer[n], u'\0');
        EXPECT_LT(n, c.size);
        // Nothing written past the caller's buffer.
        for (std::size_t i = c.size; i < buffer.size(); ++i) {
            EXPECT_EQ(buffer[i], u'#') << i;
        }
        EXPECT_EQ(keyName(c.id, language.lookup(), c.size), c.name);
    }
}

TEST(KeyNameTest, ZeroSizeBufferIsLeftAlone) {
    const FakeLanguage language = standardLanguage();
    char16_t sentinel = u'#';
    EXPECT_EQ(keyName(0x1E, &sentinel, 0, language.lookup()), 0U);
    EXPECT_EQ(sentinel, u'#');
    EXPECT_EQ(keyName(0x1E, nullptr, 260, language.lookup()), 0U);
}

TEST(KeyNameTest, MissingFallbackTextIsTheName) {
    FakeLanguage language = standardLanguage();
    language.texts.erase(std::string(kUnknownKeyTextKey));
    EXPECT_EQ(keyName(0x64, language.lookup()), u"#Error");
}

TEST(KeyNameTest, RowWithoutTextKeyDoesNotAskForOne) {
    const FakeLanguage language = standardLanguage();
    keyName(0x64, language.lookup());
    EXPECT_EQ(language.asked, std::vector<std::string>{"Unknown Key: %03x"});
}

TEST(KeyNameTest, FormatTakesOneUnsignedValue) {
    struct Case {
        std::u16string format;
        unsigned value;
        std::u16string text;
    };
    const Case cases[] = {
        {u"Unknown Key: %03x", 0x64, u"Unknown Key: 064"},
        {u"Unknown Key: %03x", 0x17E, u"Unknown Key: 17e"},
        {u"%X!", 0x17E, u"17E!"},
        {u"%d", 0x1E, u"30"},
        {u"%u", 0x1E, u"30"},
        {u"%#o", 8, u"010"},
        {u"100%% %x", 0x1E, u"100% 1e"},
        {u"%s", 0x1E, u"%s"},        // would read a pointer: left as written
        {u"%x %x", 0x1E, u"1e %x"},  // only one value to give
        {u"%s %x", 0x1E, u"%s 1e"},
        {u"%", 0x1E, u"%"},
        {u"trailing %", 0x1E, u"trailing %"},
        {u"%*x", 0x1E, u"%*x"},
        {u"%8.4x|", 0x1E, u"    001e|"},
        {u"%-5x|", 0x1E, u"1e   |"},
        {u"%lx", 0x1E, u"1e"},
        {u"%hhx", 0x1E, u"1e"},
        {u"Touche inconnue\u00A0: %03X", 0x80, u"Touche inconnue\u00A0: 080"},
        {u"no conversion", 0x1E, u"no conversion"},
        {u"", 0x1E, u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.format.begin(), c.format.end()));
        EXPECT_EQ(formatWithUnsigned(c.format, c.value), c.text);
    }
}

TEST(KeyNameTest, HugeFieldWidthIsBounded) {
    const std::u16string text = formatWithUnsigned(u"%99999999999x", 0x1E);
    EXPECT_LE(text.size(), 1024U);
    EXPECT_EQ(text.substr(text.size() - 2), u"1e");
}

// Random formats with one integer conversion among literal text and "%%" must
// print exactly what the C library prints for them.
TEST(KeyNameTest, FormatMatchesTheCLibrary) {
    std::mt19937 rng(20261210);
    const std::string flags = "-+ #0";
    const std::string conversions = "diuoxX";
    const std::string literals = "Unknown Key: ab";
    auto pick = [&rng](std::size_t n) {
        return static_cast<std::size_t>(std::uniform_int_distribution<std::size_t>(0, n - 1)(rng));
    };
    for (int round = 0; round < 2000; ++round) {
        std::string format;
        const std::size_t before = pick(6);
        for (std::size_t i = 0; i < before; ++i) {
            format +=
                pick(4) == 0 ? std::string("%%") : std::string(1, literals[pick(literals.size())]);
        }
        format += '%';
        for (std::size_t i = pick(3); i > 0; --i) {
            format += flags[pick(flags.size())];
        }
        if (pick(2) == 0) {
            format += std::to_string(pick(40));
        }
        if (pick(3) == 0) {
            format += '.' + std::to_string(pick(12));
        }
        format += conversions[pick(conversions.size())];
        for (std::size_t i = pick(4); i > 0; --i) {
            format += literals[pick(literals.size())];
        }
        const unsigned value = static_cast<unsigned>(pick(0x180));

        std::array<char, 256> expected{};
        std::snprintf(expected.data(), expected.size(), format.c_str(), value);
        const std::u16string got =
            formatWithUnsigned(std::u16string(format.begin(), format.end()), value);
        ASSERT_EQ(std::string(got.begin(), got.end()), std::string(expected.data()))
            << "format \"" << format << "\" value " << value;
    }
}

TEST(KeyNameTest, KeyNameOfListIndex) {
    struct Case {
        KeyListIndex index;
        std::u16string name;
    };
    const Case cases[] = {
        {0, u"A"},      {37, u"Escape"}, {103, u"Right Shift"},
        {36, u"Enter"}, {1, u"#Error"},  // B is missing from the file
        {106, u""},     {0x8000, u""},   {0xFFFF, u""},
    };
    const FakeLanguage language = standardLanguage();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(keyNameOfListIndex(c.index, language.lookup()), c.name);
    }
}

TEST(KeyNameTest, PickerListReadsInItsOrder) {
    const char* const expected[] = {
        "A",         "B",       "C",      "D",       "E",      "F",      "G",    "H",   "I",
        "J",         "K",       "L",      "M",       "N",      "O",      "P",    "Q",   "R",
        "S",         "T",       "U",      "V",       "W",      "X",      "Y",    "Z",   "1",
        "2",         "3",       "4",      "5",       "6",      "7",      "8",    "9",   "0",
        "ENTER",     "ESC",     "BS",     "TAB",     "SPACE",  "MINUS",  "EQU",  "SB1", "SB2",
        "AV",        "SEM",     "QUOT",   "AID1",    "COMMA",  "PER",    "VIR",  "F1",  "F2",
        "F3",        "F4",      "F5",     "F6",      "F7",     "F8",     "F9",   "F10", "F11",
        "F12",       "PRINT",   "PAUSE",  "BREAK",   "INSERT", "DELETE", "HOME", "END", "PAGE_UP",
        "PAGE_DOWN", "UP",      "DOWN",   "LEFT",    "RIGHT",  "SCROLL", "CAPS", "NUM", "S_VIR",
        "S_AST",     "S_MINUS", "S_PLUS", "S_ENTER", "S_1",    "S_2",    "S_3",  "S_4", "S_5",
        "S_6",       "S_7",     "S_8",    "S_9",     "S_0",    "S_DEL",  "K45",  "APP", "LCTRL",
        "LSHIFT",    "LALT",    "LWIN",   "RCTRL",   "RSHIFT", "RALT",   "RWIN",
    };
    ASSERT_EQ(std::size(expected), kKeyListSize);
    // Every text answers with its own key, so the name shows which row was taken.
    const TextLookup echo = [](std::u16string_view key) {
        return std::u16string(key.begin(), key.end());
    };
    for (KeyListIndex i = 0; i < kKeyListSize; ++i) {
        const std::string want = std::string("IDS_KEYBOARD_") + expected[i];
        EXPECT_EQ(keyNameOfListIndex(i, echo), std::u16string(want.begin(), want.end()))
            << "index " << i;
    }
}

TEST(KeyNameTest, FunctionNames) {
    const FakeLanguage language = standardLanguage();
    EXPECT_EQ(functionName(0, language.lookup()), u"Open");
    EXPECT_EQ(functionName(10, language.lookup()), u"Zoom in");
    EXPECT_EQ(functionName(1, language.lookup()), u"#Error");
    EXPECT_EQ(functionName(11, language.lookup()), u"");
    EXPECT_EQ(FunctionList[8], "IDS_COMPOSITE_FUNC_KEY_SELECT_ALL");
}

TEST(KeyNameTest, NoLookupGivesTheBareFormat) {
    EXPECT_EQ(keyName(0x1E, TextLookup{}), u"");
}

TEST(KeyTextTest, TextKeys) {
    EXPECT_EQ(textKeyOfKey(0x01), "IDS_KEYBOARD_ESC");
    EXPECT_EQ(textKeyOfKey(0x47), "IDS_KEYBOARD_S_7");
    EXPECT_EQ(textKeyOfKey(0x64), "");
    EXPECT_EQ(textKeyOfKey(0x80), "");
    EXPECT_EQ(textSuffixOfKey(0x136), "RSHIFT");
}

TEST(KeyTextTest, KeyOfTextSuffix) {
    struct Case {
        const char* text;
        std::optional<KeyId> id;
    };
    const Case cases[] = {
        {"ESC", 0x01},
        {"esc", 0x01},
        {"S_7", 0x47},
        {"s_del", 0x53},
        {"RSHIFT", 0x36},
        {"rshift", 0x36},
        {"F1", 0x3B},
        {"f12", 0x58},
        {"A", 0x1E},
        {"1", 0x02},
        {"0", 0x0B},
        {"LCTRL", 0x1D},
        {"IDS_KEYBOARD_A", 0x1E},
        {"ids_keyboard_page_up", 0x149},
        {"", std::nullopt},
        {"IDS_KEYBOARD_", std::nullopt},
        {"F13", std::nullopt},
        {"ESC ", std::nullopt},
        {"ES", std::nullopt},
        {"0x1E", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(keyOfTextSuffix(c.text), c.id);
    }
}

TEST(KeyTextTest, ParseKeyText) {
    struct Case {
        const char* text;
        std::optional<KeyId> id;
    };
    const Case cases[] = {
        {"0x1E", 0x1E},
        {"0x1e", 0x1E},
        {"0X137", 0x137},
        {"0x0137", 0x137},
        {"0x64", 0x64},
        {"0x136", 0x136},
        {"esc", 0x01},
        {"1", 0x02},
        {"0x0", std::nullopt},    // no key
        {"0x80", std::nullopt},   // empty row
        {"0x19E", std::nullopt},  // shares A's row
        {"0x", std::nullopt},
        {"0x1G", std::nullopt},
        {"0x00001E", std::nullopt},
        {"0x-1", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(parseKeyText(c.text), c.id);
    }
}

TEST(KeyTextTest, EveryKeyRoundTripsThroughItsText) {
    for (int row = 0; row < kKeyTableRows; ++row) {
        if (!KeyTable[row].populated()) {
            continue;
        }
        const KeyId id = keyOfRow(static_cast<std::uint8_t>(row));
        const std::string text = keyText(id);
        EXPECT_EQ(parseKeyText(text), id) << text;
    }
    EXPECT_EQ(keyText(0x1E), "A");
    EXPECT_EQ(keyText(0x36), "RSHIFT");
    EXPECT_EQ(keyText(0x136), "0x136");
    EXPECT_EQ(keyText(0x64), "0x064");
    EXPECT_EQ(keyText(0x80), "0x080");
}

}  // namespace
}  // namespace quorvane
