// The language files shipped beside the program. A text the program looks up
// and a file lacks shows up as "#Error" in the window; a text used as a printf
// format whose directives differ from what the caller passes prints garbage or
// reads an argument that was never passed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/atomic_file.h"
#include "core/platform/ini_file.h"
#include "core/platform/utf_text.h"

namespace quorvane {
namespace {

// Every key the program passes to LoadText, in the order the files keep them.
constexpr std::array kTextKeys = std::to_array<std::string_view>({
    "IDS_ABOUT_COPYRIGHT",
    "IDS_ABOUT_OK",
    "IDS_ABOUT_TITLE",
    "IDS_ABOUT_VERSION",
    "IDS_BUTTON_MENU_ABOUT",
    "IDS_BUTTON_MENU_EXPORT",
    "IDS_BUTTON_MENU_HIDE",
    "IDS_BUTTON_MENU_IMPORT",
    "IDS_BUTTON_MENU_LANGUAGE",
    "IDS_COMPOSITE_CANCEL",
    "IDS_COMPOSITE_FUNC_KEY_COPY",
    "IDS_COMPOSITE_FUNC_KEY_CUT",
    "IDS_COMPOSITE_FUNC_KEY_FIND",
    "IDS_COMPOSITE_FUNC_KEY_NEW",
    "IDS_COMPOSITE_FUNC_KEY_OPEN",
    "IDS_COMPOSITE_FUNC_KEY_PASTE",
    "IDS_COMPOSITE_FUNC_KEY_SAVE",
    "IDS_COMPOSITE_FUNC_KEY_SELECT_ALL",
    "IDS_COMPOSITE_FUNC_KEY_UNDO",
    "IDS_COMPOSITE_FUNC_KEY_ZOOMIN",
    "IDS_COMPOSITE_FUNC_KEY_ZOOMOUT",
    "IDS_COMPOSITE_MACRO_ACTION_CLEAR",
    "IDS_COMPOSITE_MACRO_ACTION_DELETE",
    "IDS_COMPOSITE_MACRO_ACTION_DOWN",
    "IDS_COMPOSITE_MACRO_ACTION_DOWNBOTTOM",
    "IDS_COMPOSITE_MACRO_ACTION_RECORD",
    "IDS_COMPOSITE_MACRO_ACTION_UP",
    "IDS_COMPOSITE_MACRO_ACTION_UPTOP",
    "IDS_COMPOSITE_OK",
    "IDS_COMPOSITE_SELECT_FUNCTION",
    "IDS_COMPOSITE_SELECT_KEY",
    "IDS_COMPOSITE_SELECT_MACRO",
    "IDS_COMPOSITE_SELECT_MEDIA",
    "IDS_DEFAULT_PROFILE_NAME",
    "IDS_FUNCTION_EDIT",
    "IDS_KEYBOARD_0",
    "IDS_KEYBOARD_1",
    "IDS_KEYBOARD_2",
    "IDS_KEYBOARD_3",
    "IDS_KEYBOARD_4",
    "IDS_KEYBOARD_5",
    "IDS_KEYBOARD_6",
    "IDS_KEYBOARD_7",
    "IDS_KEYBOARD_8",
    "IDS_KEYBOARD_9",
    "IDS_KEYBOARD_A",
    "IDS_KEYBOARD_AID1",
    "IDS_KEYBOARD_APP",
    "IDS_KEYBOARD_AV",
    "IDS_KEYBOARD_B",
    "IDS_KEYBOARD_BREAK",
    "IDS_KEYBOARD_BS",
    "IDS_KEYBOARD_C",
    "IDS_KEYBOARD_CALC",
    "IDS_KEYBOARD_CAPS",
    "IDS_KEYBOARD_CHG",
    "IDS_KEYBOARD_COMMA",
    "IDS_KEYBOARD_D",
    "IDS_KEYBOARD_DELETE",
    "IDS_KEYBOARD_DOWN",
    "IDS_KEYBOARD_E",
    "IDS_KEYBOARD_EDIT_TISHI",
    "IDS_KEYBOARD_END",
    "IDS_KEYBOARD_ENTER",
    "IDS_KEYBOARD_EQU",
    "IDS_KEYBOARD_ESC",
    "IDS_KEYBOARD_F",
    "IDS_KEYBOARD_F1",
    "IDS_KEYBOARD_F10",
    "IDS_KEYBOARD_F11",
    "IDS_KEYBOARD_F12",
    "IDS_KEYBOARD_F2",
    "IDS_KEYBOARD_F3",
    "IDS_KEYBOARD_F4",
    "IDS_KEYBOARD_F5",
    "IDS_KEYBOARD_F6",
    "IDS_KEYBOARD_F7",
    "IDS_KEYBOARD_F8",
    "IDS_KEYBOARD_F9",
    "IDS_KEYBOARD_FUNC_CALENDAR",
    "IDS_KEYBOARD_FUNC_COLOR",
    "IDS_KEYBOARD_FUNC_COLOURFUL",
    "IDS_KEYBOARD_FUNC_COPY",
    "IDS_KEYBOARD_FUNC_CUT",
    "IDS_KEYBOARD_FUNC_DENG",
    "IDS_KEYBOARD_FUNC_EXCEL",
    "IDS_KEYBOARD_FUNC_FX",
    "IDS_KEYBOARD_FUNC_JCOLOR",
    "IDS_KEYBOARD_FUNC_LIGHTING",
    "IDS_KEYBOARD_FUNC_MAXI",
    "IDS_KEYBOARD_FUNC_MINI",
    "IDS_KEYBOARD_FUNC_PASTE",
    "IDS_KEYBOARD_FUNC_POWERPOINT",
    "IDS_KEYBOARD_FUNC_PROFILE",
    "IDS_KEYBOARD_FUNC_SPEED",
    "IDS_KEYBOARD_FUNC_TEXTLIGHT",
    "IDS_KEYBOARD_FUNC_TOOL",
    "IDS_KEYBOARD_FUNC_USB",
    "IDS_KEYBOARD_FUNC_WORD",
    "IDS_KEYBOARD_FUNC_ZOOMIN",
    "IDS_KEYBOARD_FUNC_ZOOMOUT",
    "IDS_KEYBOARD_G",
    "IDS_KEYBOARD_H",
    "IDS_KEYBOARD_HOME",
    "IDS_KEYBOARD_I",
    "IDS_KEYBOARD_INSERT",
    "IDS_KEYBOARD_J",
    "IDS_KEYBOARD_K",
    "IDS_KEYBOARD_K107",
    "IDS_KEYBOARD_K14",
    "IDS_KEYBOARD_K45",
    "IDS_KEYBOARD_K56",
    "IDS_KEYBOARD_KEY_SETTING",
    "IDS_KEYBOARD_KEY_SINGLE",
    "IDS_KEYBOARD_KL",
    "IDS_KEYBOARD_KR",
    "IDS_KEYBOARD_L",
    "IDS_KEYBOARD_LALT",
    "IDS_KEYBOARD_LCTRL",
    "IDS_KEYBOARD_LEFT",
    "IDS_KEYBOARD_LSHIFT",
    "IDS_KEYBOARD_LWIN",
    "IDS_KEYBOARD_M",
    "IDS_KEYBOARD_MAIL",
    "IDS_KEYBOARD_MARCO_RESET",
    "IDS_KEYBOARD_MEDIA",
    "IDS_KEYBOARD_MINUS",
    "IDS_KEYBOARD_MOU_DBCLICK",
    "IDS_KEYBOARD_MOU_LEFT",
    "IDS_KEYBOARD_MOU_MIDDLE",
    "IDS_KEYBOARD_MOU_PANLEFT",
    "IDS_KEYBOARD_MOU_PANRIGHT",
    "IDS_KEYBOARD_MOU_RIGHT",
    "IDS_KEYBOARD_MUTE",
    "IDS_KEYBOARD_MY_PC",
    "IDS_KEYBOARD_N",
    "IDS_KEYBOARD_NEXT_TRACK",
    "IDS_KEYBOARD_NUM",
    "IDS_KEYBOARD_N_CHG",
    "IDS_KEYBOARD_O",
    "IDS_KEYBOARD_P",
    "IDS_KEYBOARD_PAGE_DOWN",
    "IDS_KEYBOARD_PAGE_UP",
    "IDS_KEYBOARD_PAUSE",
    "IDS_KEYBOARD_PER",
    "IDS_KEYBOARD_PLAY",
    "IDS_KEYBOARD_POWER",
    "IDS_KEYBOARD_PREV_TRACK",
    "IDS_KEYBOARD_PRINT",
    "IDS_KEYBOARD_Q",
    "IDS_KEYBOARD_QUOT",
    "IDS_KEYBOARD_R",
    "IDS_KEYBOARD_RALT",
    "IDS_KEYBOARD_RCTRL",
    "IDS_KEYBOARD_RIGHT",
    "IDS_KEYBOARD_ROMA",
    "IDS_KEYBOARD_RSHIFT",
    "IDS_KEYBOARD_RWIN",
    "IDS_KEYBOARD_S",
    "IDS_KEYBOARD_SB1",
    "IDS_KEYBOARD_SB2",
    "IDS_KEYBOARD_SCROLL",
    "IDS_KEYBOARD_SEM",
    "IDS_KEYBOARD_SLEEP",
    "IDS_KEYBOARD_SPACE",
    "IDS_KEYBOARD_STOP",
    "IDS_KEYBOARD_SYSREQ",
    "IDS_KEYBOARD_S_0",
    "IDS_KEYBOARD_S_1",
    "IDS_KEYBOARD_S_2",
    "IDS_KEYBOARD_S_3",
    "IDS_KEYBOARD_S_4",
    "IDS_KEYBOARD_S_5",
    "IDS_KEYBOARD_S_6",
    "IDS_KEYBOARD_S_7",
    "IDS_KEYBOARD_S_8",
    "IDS_KEYBOARD_S_9",
    "IDS_KEYBOARD_S_AST",
    "IDS_KEYBOARD_S_DEL",
    "IDS_KEYBOARD_S_ENTER",
    "IDS_KEYBOARD_S_MINUS",
    "IDS_KEYBOARD_S_PLUS",
    "IDS_KEYBOARD_S_VIR",
    "IDS_KEYBOARD_T",
    "IDS_KEYBOARD_TAB",
    "IDS_KEYBOARD_TRAY_DESC",
    "IDS_KEYBOARD_U",
    "IDS_KEYBOARD_UP",
    "IDS_KEYBOARD_V",
    "IDS_KEYBOARD_VIR",
    "IDS_KEYBOARD_VOL_ADD",
    "IDS_KEYBOARD_VOL_SUB",
    "IDS_KEYBOARD_W",
    "IDS_KEYBOARD_WAKE",
    "IDS_KEYBOARD_W_BACK",
    "IDS_KEYBOARD_W_FAVORITE",
    "IDS_KEYBOARD_W_FORWARD",
    "IDS_KEYBOARD_W_HOME",
    "IDS_KEYBOARD_W_REFRESH",
    "IDS_KEYBOARD_W_SEARCH",
    "IDS_KEYBOARD_W_STOP",
    "IDS_KEYBOARD_X",
    "IDS_KEYBOARD_Y",
    "IDS_KEYBOARD_Z",
    "IDS_KEY_APPLY_PROMPT",
    "IDS_KEY_DELAY",
    "IDS_KEY_MACRO_DELETE_CONFIRM_OF_KEYS",
    "IDS_KEY_PRESS",
    "IDS_KEY_PROMPT",
    "IDS_KEY_PROMPT_FUNCTION",
    "IDS_KEY_PROMPT_MACRO",
    "IDS_KEY_PROMPT_MEDIA",
    "IDS_KEY_PROMPT_SET",
    "IDS_KEY_PROMPT_SINGLE",
    "IDS_MACRO_ACTION_CLEAR_CONFIRM",
    "IDS_MACRO_ACTION_ERR_DELAY_MAX",
    "IDS_MACRO_ACTION_ERR_DELAY_MIN",
    "IDS_MACRO_ACTION_ERR_MODIFY",
    "IDS_MACRO_ACTION_RECORD",
    "IDS_MACRO_ACTION_RECORD_DELAY",
    "IDS_MACRO_ACTION_STOP_RECORD",
    "IDS_MACRO_CYCLES",
    "IDS_MACRO_DEFAULT_NAME",
    "IDS_MACRO_ERR_MAX",
    "IDS_MACRO_ERR_NAME_SYSTEM",
    "IDS_MACRO_ERR_RECORD",
    "IDS_MACRO_ERR_SAME",
    "IDS_MACRO_KB_KEY",
    "IDS_MACRO_MACRO_ACTION_COLUME_ACTION",
    "IDS_MACRO_MACRO_ACTION_COLUME_DELAY",
    "IDS_MACRO_MACRO_ACTION_COLUME_KEYS",
    "IDS_MACRO_MOU_KEY",
    "IDS_MACRO_NAME",
    "IDS_MACRO_NEW_PREFIX",
    "IDS_MACRO_RECORD_DELAY",
    "IDS_MAIN_A",
    "IDS_MAIN_APPLY_PROMPT",
    "IDS_MAIN_C",
    "IDS_MAIN_CAPTION",
    "IDS_MAIN_CLOSE_PROMPT",
    "IDS_MAIN_DEFAULT",
    "IDS_MAIN_DEVICE_PROMRT",
    "IDS_MAIN_DEVICE_NO_ACCESS",
    "IDS_MAIN_DEVICE_NO_ACCESS_TIP",
    "IDS_MAIN_RUN_AS_ROOT",
    "IDS_MAIN_HELP_PROMPT",
    "IDS_MAIN_MACRO",
    "IDS_MAIN_MENU_PROMPT",
    "IDS_MAIN_MINIMIZE_PROMPT",
    "IDS_MAIN_OK",
    "IDS_MAIN_PROFILE1",
    "IDS_MAIN_PROFILE2",
    "IDS_MAIN_PROFILE3",
    "IDS_MAIN_PROMPT_DEFAULT",
    "IDS_MAIN_PROMPT_INPORT",
    "IDS_MEDIA_EDIT",
    "IDS_MIAN_DEFAULT_PROMPT",
    "IDS_MOUSE_LEFT",
    "IDS_MOUSE_MID",
    "IDS_MOUSE_RIGHT",
    "IDS_POP_UP_MENU_ABOUT",
    "IDS_POP_UP_MENU_EXIT",
    "IDS_POP_UP_MENU_LANGUAGE",
    "IDS_POP_UP_MENU_OPEN",
    "IDS_POP_UP_MENU_STOP",
    "IDS_PROFILE_SELECT_PROMPT",
    "IDS_ROLL_DOWN",
    "IDS_ROLL_UP",
    "IDS_TRANSFER_FINISH_FAILED",
    "IDS_TRANSFER_PENDING_PROMPT",
    "IDS_TRANSFER_RECORD_DAMAGED",
    // Looked up by the main window's buttons and the key-name fallback.
    "IDS_MAIN_Cancel",
    "IDS_MAIN_Apply",
    "Unknown Key: %03x",
    // Captions of our own: buttons, banners and columns the resource
    // captions left in one language.
    "IDS_COMPOSITE_CLEAR",
    "IDS_COMPOSITE_APPLY",
    "IDS_MACRO_ADD",
    "IDS_MACRO_DELETE",
    "IDS_MAIN_SWITCH_COLOR_KEYS",
    "IDS_MAIN_SWITCH_FUNCTION_KEYS",
    "IDS_PROFILE_TITLE",
    "IDS_PROFILE_ADD",
    "IDS_PROFILE_LOAD",
    "IDS_PROFILE_DELETE",
    "IDS_PROFILE_COLUMN_ACTIVE",
    "IDS_PROFILE_COLUMN_NAME",
    "IDS_PROFILE_COLUMN_PATH",
    "IDS_MAIN_DEFAULT_MODE",
    // The cut transfer's question when nothing was written, and a record that could not be read.
    "IDS_TRANSFER_PENDING_NOTHING_WRITTEN",
    "IDS_TRANSFER_RECORD_UNREADABLE",
    // A cut transfer's record that belongs to another keyboard.
    "IDS_TRANSFER_OTHER_KEYBOARD",
    // What a screen reader calls the controls that have no caption.
    "IDS_A11Y_LINK",
    "IDS_A11Y_CAPS_LOCK",
    "IDS_A11Y_NUM_LOCK",
    "IDS_A11Y_SCROLL_LOCK",
    "IDS_A11Y_GKEY_BANK",
    "IDS_A11Y_TOP_ROW",
    "IDS_A11Y_FLIP_BACK",
    "IDS_A11Y_FLIP_NEXT",
    "IDS_A11Y_REPORT_RATE1",
    "IDS_A11Y_REPORT_RATE2",
    "IDS_A11Y_REPORT_RATE3",
    "IDS_A11Y_REPORT_RATE4",
    "IDS_A11Y_EFFECT",
    "IDS_A11Y_USER_MODE",
    "IDS_A11Y_DIRECTION_FIRST",
    "IDS_A11Y_DIRECTION_SECOND",
    "IDS_A11Y_RED",
    "IDS_A11Y_YELLOW",
    "IDS_A11Y_GREEN",
    "IDS_A11Y_BLUE",
    "IDS_A11Y_TOOL_BRUSH",
    "IDS_A11Y_TOOL_BASE",
    "IDS_A11Y_CLOSE",
    "IDS_A11Y_OSK",
    "IDS_A11Y_MACRO_STEPS",
    "IDS_A11Y_PROFILE_LIST",
    "IDS_A11Y_BUSY",
    // The keyboard's history and the macro memory meter.
    "IDS_BUTTON_MENU_HISTORY",
    "IDS_HISTORY_TITLE",
    "IDS_HISTORY_COLUMN_TIME",
    "IDS_HISTORY_COLUMN_OPERATION",
    "IDS_HISTORY_COLUMN_PROFILES",
    "IDS_HISTORY_COLUMN_STATE",
    "IDS_HISTORY_OP_APPLY",
    "IDS_HISTORY_OP_IMPORT",
    "IDS_HISTORY_OP_DEFAULTS",
    "IDS_HISTORY_OP_FINISH",
    "IDS_HISTORY_OP_RESTORE",
    "IDS_HISTORY_STATE_SAVED",
    "IDS_HISTORY_STATE_NOT_SAVED",
    "IDS_HISTORY_STATE_DAMAGED",
    "IDS_HISTORY_RESTORE",
    "IDS_HISTORY_OPEN_FOLDER",
    "IDS_HISTORY_CLOSE",
    "IDS_HISTORY_EMPTY",
    "IDS_HISTORY_STAND_IN",
    "IDS_HISTORY_RESTORE_PROMPT",
    "IDS_HISTORY_CANNOT_RESTORE",
    "IDS_HISTORY_SAVE_FAILED",
    "IDS_MACRO_MEMORY",
    "IDS_MACRO_MEMORY_BYTES",
    "IDS_MACRO_MEMORY_NEARLY_FULL",
    "IDS_MACRO_MEMORY_NAMES_LEFT_OUT",
    "IDS_MACRO_MEMORY_FULL",
    // Export and the profile manager's Add before they replace a file.
    "IDS_FILE_REPLACE_PROMPT",
});

// Texts the program formats with one integer argument, and the directives
// the reference (English) file gives them. Every other text must hold no
// directive at all: a text that holds a number may be run through printf, and a
// stray "%s" there reads an argument that was never passed.
struct FormatText {
    std::string_view key;
    std::string_view directives;
};
constexpr std::array kFormatTexts = {
    FormatText{"IDS_MACRO_ERR_MAX", "%d"},               // the macro limit, 100
    FormatText{"IDS_MACRO_ACTION_ERR_DELAY_MAX", "%d"},  // the longest delay, 40000
    FormatText{"Unknown Key: %03x", "%03x"},             // the key id
};

// The lighting effects the keyboard may list; 19 never occurs.
constexpr std::array kEffectCodes = {1,  2,  3,  4,  5,  6,  7,  8,  9, 10,
                                     11, 12, 13, 14, 15, 16, 17, 18, 20};

// Its text is not shown: it names the record-delays setting in the settings
// store, so a different text per language would lose the setting whenever the
// language changes.
constexpr std::string_view kSettingNameKey = "IDS_MACRO_ACTION_RECORD_DELAY";

// LoadText reads into 260 characters; the tray tooltip holds 127.
constexpr std::size_t kMaxTextLength = kIniShortBuffer - 1;
constexpr std::size_t kMaxTrayTipLength = 127;
constexpr std::array kTrayTipKeys =
    std::to_array<std::string_view>({"IDS_KEYBOARD_TRAY_DESC", "IDS_MAIN_DEVICE_NO_ACCESS_TIP"});

struct LanguageFile {
    const char* file;
    const char* language;
};
constexpr std::array kLanguageFiles = {
    LanguageFile{"Lang0409.ini", "English"},
    LanguageFile{"Lang040C.ini", "French"},
    LanguageFile{"Lang040A.ini", "Spanish"},
    LanguageFile{"Lang0416.ini", "BrazilianPortuguese"},
    LanguageFile{"Lang0412.ini", "Korean"},
    LanguageFile{"Lang0804.ini", "SimplifiedChinese"},
    LanguageFile{"Lang0404.ini", "TraditionalChinese"},
};
constexpr const char* kReferenceFile = "Lang0409.ini";

std::string sourcePath(std::string_view file) {
    return std::string(QUORVANE_SOURCE_DIR) + "/data/lang/" + std::string(file);
}

std::u16string u16(std::string_view s) {
    return utf8ToUtf16(s);
}

std::string u8(std::u16string_view s) {
    return utf16ToUtf8(s);
}

bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\v' || c == u'\f';
}

std::u16string_view trim(std::u16string_view s) {
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

// The printf directives of a text in order, as written ("%d", "%03x", "%%").
// A '%' that starts no complete directive comes back as far as it got.
std::vector<std::string> printfDirectives(std::u16string_view text) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'%') {
            continue;
        }
        std::size_t j = i + 1;
        auto at = [&](std::u16string_view set) {
            return j < text.size() && set.find(text[j]) != std::u16string_view::npos;
        };
        while (at(u"-+ #0")) {
            ++j;
        }
        while (at(u"0123456789*")) {
            ++j;
        }
        if (at(u".")) {
            ++j;
            while (at(u"0123456789*")) {
                ++j;
            }
        }
        while (at(u"hljztL")) {
            ++j;
        }
        if (at(u"diouxXeEfFgGaAcspn%")) {
            ++j;
        }
        out.push_back(u8(text.substr(i, j - i)));
        i = j - 1;
    }
    return out;
}

std::string joined(const std::vector<std::string>& parts) {
    std::string s;
    for (const auto& p : parts) {
        s += s.empty() ? "" : " ";
        s += p;
    }
    return s.empty() ? "(none)" : s;
}

std::optional<std::string_view> formatDirectivesOf(std::string_view key) {
    for (const auto& f : kFormatTexts) {
        if (f.key == key) {
            return f.directives;
        }
    }
    return std::nullopt;
}

// Key lines per section, counted by folded name: the reader takes the first of
// two equal keys and silently ignores the second.
std::map<std::u16string, std::map<std::u16string, int>> countKeyLines(std::u16string_view text) {
    std::map<std::u16string, std::map<std::u16string, int>> counts;
    std::u16string section;
    std::size_t begin = 0;
    while (begin <= text.size()) {
        std::size_t nl = text.find(u'\n', begin);
        std::size_t end = nl == std::u16string_view::npos ? text.size() : nl;
        std::u16string_view line = trim(text.substr(begin, end - begin));
        if (!line.empty() && line.front() == u'[' && line.find(u']') != std::u16string_view::npos) {
            section = foldCase(trim(line.substr(1, line.find(u']') - 1)));
        } else if (!line.empty() && line.front() != u';') {
            std::size_t eq = line.find(u'=');
            if (eq != std::u16string_view::npos && !trim(line.substr(0, eq)).empty()) {
                ++counts[section][foldCase(trim(line.substr(0, eq)))];
            }
        }
        if (nl == std::u16string_view::npos) {
            break;
        }
        begin = nl + 1;
    }
    return counts;
}

// The folder the running program sits in; the program reads its language files there.
std::string programFolder() {
    std::string buf(4096, '\0');
    ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n <= 0) {
        return {};
    }
    buf.resize(static_cast<std::size_t>(n));
    return buf.substr(0, buf.rfind('/'));
}

const IniDocument& reference() {
    static const IniDocument doc = [] {
        auto loaded = IniDocument::load(sourcePath(kReferenceFile));
        return loaded ? *loaded : IniDocument{};
    }();
    return doc;
}

TEST(LanguageKeyTable, NamesEachKeyOnce) {
    std::set<std::u16string> seen;
    for (auto key : kTextKeys) {
        EXPECT_TRUE(seen.insert(foldCase(u16(key))).second) << "listed twice: " << key;
    }
    for (const auto& f : kFormatTexts) {
        EXPECT_TRUE(seen.count(foldCase(u16(f.key))) == 1) << "format text not listed: " << f.key;
    }
    EXPECT_TRUE(seen.count(foldCase(u16(kSettingNameKey))) == 1);
    for (auto key : kTrayTipKeys) {
        EXPECT_TRUE(seen.count(foldCase(u16(key))) == 1) << key;
    }
}

TEST(ReferenceLanguageFile, FormatsTakeExactlyTheArgumentTheCallerPasses) {
    ASSERT_TRUE(IniDocument::load(sourcePath(kReferenceFile))) << sourcePath(kReferenceFile);
    for (auto key : kTextKeys) {
        auto text = reference().value(u"TEXT", u16(key));
        if (!text) {
            continue;  // reported by the per-file checks
        }
        auto expected = formatDirectivesOf(key);
        EXPECT_EQ(joined(printfDirectives(*text)), expected ? std::string(*expected) : "(none)")
            << kReferenceFile << ": key \"" << key << "\" = \"" << u8(*text) << "\"";
    }
}

TEST(PrintfDirectives, FindsWhatPrintfWouldConsume) {
    struct Case {
        std::u16string_view text;
        std::string_view directives;
    };
    const Case cases[] = {
        {u"no directive here", "(none)"},
        {u"at most %d macros", "%d"},
        {u"Key 0x%03x", "%03x"},
        {u"%s and %-5.2lf and %%", "%s %-5.2lf %%"},
        {u"50% off", "% o"},  // a space flag and an octal conversion
        {u"ends in %", "%"},
        {u"%l", "%l"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(joined(printfDirectives(c.text)), c.directives) << u8(c.text);
    }
}

class LanguageFileTest : public ::testing::TestWithParam<LanguageFile> {
  protected:
    void SetUp() override {
        path_ = sourcePath(GetParam().file);
        bytes_ = readFileBytes(path_);
        ASSERT_TRUE(bytes_) << "cannot read " << path_;
        auto doc = IniDocument::load(path_);
        ASSERT_TRUE(doc) << "cannot read " << path_;
        doc_ = *doc;
    }

    std::string_view rawText() const {
        return {reinterpret_cast<const char*>(bytes_->data()), bytes_->size()};
    }
    std::u16string text(std::string_view key) const {
        return doc_.value(u"TEXT", u16(key)).value_or(u"");
    }
    const char* file() const { return GetParam().file; }

    std::string path_;
    std::optional<std::vector<std::uint8_t>> bytes_;
    IniDocument doc_;
};

TEST_P(LanguageFileTest, IsUtf8WithoutBomAndWithLfLineEnds) {
    std::string_view raw = rawText();
    EXPECT_FALSE(raw.starts_with("\xEF\xBB\xBF")) << file() << ": starts with a byte-order mark";
    EXPECT_EQ(raw.find('\r'), std::string_view::npos) << file() << ": holds a CR";
    EXPECT_TRUE(raw.ends_with('\n')) << file() << ": last line has no line end";
    std::u16string decoded = utf8ToUtf16(raw);
    auto bad = decoded.find(u'\uFFFD');
    EXPECT_EQ(bad, std::u16string::npos) << file() << ": invalid UTF-8 near \""
                                         << u8(decoded.substr(bad > 20 ? bad - 20 : 0, 40)) << "\"";
}

TEST_P(LanguageFileTest, GivesEveryKeyTheProgramLooksUpAText) {
    for (auto key : kTextKeys) {
        auto value = doc_.value(u"TEXT", u16(key));
        if (!value) {
            ADD_FAILURE() << file() << ": key \"" << key << "\" is missing (shows as #Error)";
            continue;
        }
        EXPECT_FALSE(value->empty()) << file() << ": key \"" << key << "\" is empty";
        EXPECT_LE(value->size(), kMaxTextLength)
            << file() << ": key \"" << key << "\" is cut at " << kMaxTextLength << " characters";
    }
    for (auto key : kTrayTipKeys) {
        EXPECT_LE(text(key).size(), kMaxTrayTipLength)
            << file() << ": key \"" << key << "\" is longer than the tray tooltip";
    }
}

TEST_P(LanguageFileTest, HoldsNoKeyTheProgramDoesNotKnowAndNoKeyTwice) {
    std::set<std::u16string> known;
    for (auto key : kTextKeys) {
        known.insert(foldCase(u16(key)));
    }
    for (const auto& key : doc_.keys(u"TEXT")) {
        EXPECT_TRUE(known.count(foldCase(key)) == 1)
            << file() << ": key \"" << u8(key) << "\" is looked up nowhere (misspelt?)";
    }
    for (const auto& [section, keys] : countKeyLines(utf8ToUtf16(rawText()))) {
        for (const auto& [key, count] : keys) {
            EXPECT_EQ(count, 1) << file() << ": [" << u8(section) << "] key \"" << u8(key)
                                << "\" appears " << count << " times; only the first counts";
        }
    }
}

TEST_P(LanguageFileTest, FormatDirectivesMatchTheReference) {
    for (auto key : kTextKeys) {
        auto ref = reference().value(u"TEXT", u16(key));
        auto own = doc_.value(u"TEXT", u16(key));
        if (!ref || !own) {
            continue;  // reported by the checks above
        }
        EXPECT_EQ(joined(printfDirectives(*own)), joined(printfDirectives(*ref)))
            << file() << ": key \"" << key << "\" = \"" << u8(*own) << "\"";
    }
}

// Values are taken raw: a "\n" written in a file is shown as a backslash and an n.
TEST_P(LanguageFileTest, WritesNoEscapeSequences) {
    for (auto key : kTextKeys) {
        std::u16string value = text(key);
        for (std::u16string_view escape : {u"\\n", u"\\r", u"\\t"}) {
            EXPECT_EQ(value.find(escape), std::u16string::npos)
                << file() << ": key \"" << key << "\" holds the escape " << u8(escape);
        }
    }
}

TEST_P(LanguageFileTest, KeepsTheSettingNameOfTheReference) {
    EXPECT_EQ(u8(text(kSettingNameKey)),
              u8(reference().value(u"TEXT", u16(kSettingNameKey)).value_or(u"")))
        << file() << ": key \"" << kSettingNameKey << "\" names a stored setting";
}

TEST_P(LanguageFileTest, NamesEveryLightingEffectOnceAndNothingElse) {
    std::set<std::u16string> expectedCodes;
    std::map<std::u16string, std::string> codeOfName;
    for (int code : kEffectCodes) {
        std::u16string key = u16(std::to_string(code));
        expectedCodes.insert(key);
        auto name = doc_.value(u"Mode", key);
        if (!name || name->empty()) {
            ADD_FAILURE() << file() << ": [Mode] has no name for effect " << code;
            continue;
        }
        EXPECT_LE(name->size(), kMaxTextLength) << file() << ": effect " << code;
        EXPECT_EQ(name->find(u'%'), std::u16string::npos) << file() << ": effect " << code;
        auto [it, fresh] = codeOfName.emplace(foldCase(*name), std::to_string(code));
        EXPECT_TRUE(fresh) << file() << ": effects " << it->second << " and " << code
                           << " share the name \"" << u8(*name) << "\"";
    }
    for (const auto& key : doc_.keys(u"Mode")) {
        EXPECT_TRUE(expectedCodes.count(key) == 1)
            << file() << ": [Mode] key \"" << u8(key) << "\" is no effect code";
    }
}

// The program reads its texts beside itself, so the build must have copied
// each file there unchanged.
TEST_P(LanguageFileTest, IsInstalledBesideTheProgram) {
    std::string folder = programFolder();
    ASSERT_FALSE(folder.empty());
    auto installed = readFileBytes(folder + "/" + file());
    ASSERT_TRUE(installed) << file() << " is not in the program folder " << folder;
    EXPECT_TRUE(*installed == *bytes_) << file() << " in " << folder << " differs from its source";
}

INSTANTIATE_TEST_SUITE_P(AllLanguages, LanguageFileTest, ::testing::ValuesIn(kLanguageFiles),
                         [](const ::testing::TestParamInfo<LanguageFile>& info) {
                             return std::string(info.param.language);
                         });

}  // namespace
}  // namespace quorvane
