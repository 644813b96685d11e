// The key buttons' tips: every kind of entry, the G keys' names and the
// values that point nowhere.
#include <gtest/gtest.h>

#include <vector>

#include "assign/assign_test_support.h"
#include "core/assign/key_tip.h"
#include "core/config/action_type.h"

namespace quorvane {
namespace {

using test::FakeLanguage;
using test::macroOf;

FakeLanguage tipLanguage() {
    return FakeLanguage{{
        {u"IDS_KEY_PROMPT_SET", u": set"},
        {u"IDS_KEY_PROMPT_SINGLE", u" key ("},
        {u"IDS_KEY_PROMPT_MACRO", u" macro ("},
        {u"IDS_KEY_PROMPT_MEDIA", u" media ("},
        {u"IDS_KEY_PROMPT_FUNCTION", u" function ("},
        {u"IDS_KEYBOARD_A", u"A"},
        {u"IDS_KEYBOARD_B", u"B"},
        {u"IDS_KEYBOARD_MEDIA", u"Media player"},
        {u"IDS_KEYBOARD_MAIL", u"Mail"},
        {u"IDS_COMPOSITE_FUNC_KEY_OPEN", u"Open"},
        {u"IDS_COMPOSITE_FUNC_KEY_ZOOMIN", u"Zoom in"},
        {u"Unknown Key: %03x", u"key %03x"},
    }};
}

KeyActionEntry entryOf(std::uint16_t type, std::uint32_t value, std::uint16_t aux = 0) {
    KeyActionEntry e;
    e.type = type;
    e.aux = aux;
    e.value = value;
    return e;
}

TEST(KeyTipTest, KeyButtonTips) {
    const FakeLanguage language = tipLanguage();
    const std::vector<MacroRecord> macros = {macroOf(4, u"Combo"), macroOf(7, u"Burst")};
    struct Case {
        const char* what;
        KeyActionEntry entry;
        std::u16string tip;
        bool assigned;
    };
    const Case cases[] = {
        {"default is the name alone", entryOf(ActionDefault, 0x30), u"A", false},
        {"default keeps a G-key code out", entryOf(ActionDefault, 0, 0x0301), u"A", false},
        {"single key", entryOf(ActionKey, 0x30), u"A: set key (B)", true},
        {"single key without a name", entryOf(ActionKey, 0x64), u"A: set key (key 064)", true},
        {"single key wider than an id", entryOf(ActionKey, 0x1001E), u"A: set key (key 1001e)",
         true},
        {"macro by id, not position", entryOf(ActionMacro, 7, 3), u"A: set macro (Burst)", true},
        {"macro id nobody has", entryOf(ActionMacro, 5), u"A: set macro ()", true},
        {"macro 0", entryOf(ActionMacro, 0), u"A: set macro ()", true},
        {"media first", entryOf(ActionMedia, 0), u"A: set media (Media player)", true},
        {"media last", entryOf(ActionMedia, 17), u"A: set media (Mail)", true},
        {"media past the list", entryOf(ActionMedia, 18), u"A: set media ()", true},
        {"function first", entryOf(ActionFunction, 0), u"A: set function (Open)", true},
        {"function last", entryOf(ActionFunction, 10), u"A: set function (Zoom in)", true},
        {"function past the list", entryOf(ActionFunction, 11), u"A: set function ()", true},
        {"disabled", entryOf(ActionDisabled, 0), u"A: set", true},
        {"program", entryOf(ActionProgram, 12), u"A: set", true},
        {"stop macro", entryOf(ActionStopMacro, 0), u"A: set", true},
        {"text", entryOf(ActionText, 40), u"A: set", true},
        {"type from a file beyond the list", entryOf(9, 3), u"A: set", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(keyButtonTipOfKey(0x1E, c.entry, macros, language.lookup()), c.tip);
        EXPECT_EQ(showsAssigned(c.entry), c.assigned);
    }
}

TEST(KeyTipTest, GKeysGoByY) {
    const FakeLanguage language = tipLanguage();
    const std::vector<MacroRecord> macros = {macroOf(1, u"Open all")};
    EXPECT_EQ(gKeyButtonTip(0, entryOf(ActionDefault, 0, 0x0301), macros, language.lookup()),
              u"Y1");
    EXPECT_EQ(gKeyButtonTip(8, entryOf(ActionMacro, 1, 2), macros, language.lookup()),
              u"Y9: set macro (Open all)");
    EXPECT_EQ(gKeyTipName(4), u"Y5");
}

TEST(KeyTipTest, WithoutLanguageOnlyTheTextsAreMissing) {
    const std::vector<MacroRecord> macros = {macroOf(2, u"Solo")};
    EXPECT_EQ(keyButtonTip(u"Q", entryOf(ActionMacro, 2), macros, TextLookup{}), u"QSolo)");
}

}  // namespace
}  // namespace quorvane
