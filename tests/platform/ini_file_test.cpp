#include "core/platform/ini_file.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <filesystem>

#include "platform/temp_dir.h"

namespace quorvane {
namespace {

using test::readAll;
using test::TempDir;
using test::writeAll;

std::string foreignFile() {
    return std::string(QUORVANE_TEST_DATA_DIR) + "/fixtures/foreign_editor.ini";
}

TEST(IniRead, LookupRulesOnAFileFromAnotherEditor) {
    struct Case {
        const char16_t* section;
        const char16_t* key;
        const char16_t* expected;
    };
    const Case cases[] = {
        {u"Screen", u"Main", u"main_normal.jpg"},  // blanks around name and value dropped
        {u"SCREEN", u"  main ", u"main_normal.jpg"},
        {u"screen", u"Link", u"http://example.invalid/a,b;c"},  // raw: commas and ';' kept
        {u"ButtonInfo", u"control_ok", u"10,20,30,40 ; not a comment to the platform"},
        {u"ButtonInfo", u"quoted", u" spaced "},  // one enclosing pair of quotes dropped
        {u"ButtonInfo", u"empty", u""},           // empty stays empty, not the default
        {u"ButtonInfo", u"missing", u"dflt"},
        {u"Nowhere", u"Main", u"dflt"},
        {u"Screen", u"; indented comment", u"dflt"},
        {u"Screen", u"", u"dflt"},
    };
    const std::string kForeign = foreignFile();
    auto doc = IniDocument::load(kForeign);
    ASSERT_TRUE(doc.has_value());
    for (const auto& c : cases) {
        EXPECT_EQ(iniReadString(kForeign, c.section, c.key, u"dflt"), c.expected)
            << utf16ToUtf8(c.section) << "/" << utf16ToUtf8(c.key);
        EXPECT_EQ(doc->read(c.section, c.key, u"dflt"), c.expected);
    }
    // A repeated section is not searched: its keys are invisible.
    EXPECT_EQ(iniReadString(kForeign, u"Screen", u"Later", u"dflt"), u"dflt");
    EXPECT_EQ(doc->keys(u"buttoninfo"),
              (std::vector<std::u16string>{u"CONTROL_OK", u"quoted", u"empty"}));
    EXPECT_EQ(iniReadString("/nonexistent/x.ini", u"a", u"b", u"gone  "), u"gone");
}

// Each text follows a "[s]" line; the key is looked up in section s.
TEST(IniRead, LinesAndQuotesAsThePlatformReadsThem) {
    struct Case {
        const char16_t* afterHeader;
        const char16_t* key;
        const char16_t* expected;
    };
    const Case cases[] = {
        // One pair of quotes around the whole value is dropped, nothing else.
        {u"\nv='abc'\n", u"v", u"abc"},
        {u"\nv=\"abc'\n", u"v", u"\"abc'"},
        {u"\nv=\"\n", u"v", u"\""},
        {u"\nv=\"\"\n", u"v", u""},
        {u"\nv=a\"b\"\n", u"v", u"a\"b\""},
        {u"\nv=\"a\" \"b\"\n", u"v", u"a\" \"b"},
        // A line ends at LF, CR LF or a lone CR.
        {u"\r\nv=crlf\r\nw=2\r\n", u"w", u"2"},
        {u"\rv=cr\rw=2\r", u"v", u"cr"},
        {u"\rv=cr\rw=2", u"w", u"2"},
        {u"\rv=a\r\n\rw=mixed\n", u"w", u"mixed"},
        {u"\rv=1\r[t]\rv=2\r", u"v", u"1"},
        // "=value" is a key with an empty name.
        {u"\n=nameless\nv=1\n", u"", u"nameless"},
        {u"\n  = spaced \n", u" ", u"spaced"},
        {u"\nv=1\n", u"", u"dflt"},
    };
    for (const auto& c : cases) {
        const std::u16string text = std::u16string(u"[s]") + c.afterHeader;
        auto doc = IniDocument::parse(text);
        EXPECT_EQ(doc.read(u"s", c.key, u"dflt"), c.expected) << utf16ToUtf8(text);
    }
    EXPECT_EQ(IniDocument::parse(u"[s]\rb=2\r=1\ra=3").keys(u"s"),
              (std::vector<std::u16string>{u"b", u"", u"a"}));
    // A language file saved with lone CRs reads like any other.
    TempDir dir;
    writeAll(dir.file("Lang0409.ini"), "[TEXT]\rIDS_A=first\rIDS_B=second\r");
    EXPECT_EQ(iniReadString(dir.file("Lang0409.ini"), u"TEXT", u"IDS_B", u"#Error"), u"second");
}

TEST(IniRead, ValuesAndDefaultsAreCutAtTheCallersBuffer) {
    std::u16string longValue(3000, u'x');
    longValue[258] = u'A';
    longValue[2046] = u'B';
    auto doc = IniDocument::parse(u"[SCREEN]\nLink=" + longValue + u"\n");
    std::u16string shortRead = doc.read(u"SCREEN", u"Link", u"", kIniShortBuffer);
    std::u16string longRead = doc.read(u"SCREEN", u"Link", u"", kIniLongBuffer);
    EXPECT_EQ(shortRead.size(), 259u);
    EXPECT_EQ(shortRead.back(), u'A');
    EXPECT_EQ(longRead.size(), 2047u);
    EXPECT_EQ(longRead.back(), u'B');
    EXPECT_EQ(doc.read(u"SCREEN", u"none", longValue, kIniShortBuffer).size(), 259u);
    EXPECT_EQ(doc.read(u"SCREEN", u"Link", u"", 1), u"");
    // A cut never leaves half of a surrogate pair behind.
    auto emoji = IniDocument::parse(u"[s]\nk=ab\U0001F600\n");
    EXPECT_EQ(emoji.read(u"s", u"k", u"", 4), u"ab");
}

TEST(IniRead, IntegersAsTheProfileFunctionReadsThem) {
    struct Case {
        const char16_t* value;
        int expected;
    };
    const Case cases[] = {
        {u"12abc", 12},
        {u"-5", -5},
        {u"+7", 7},
        {u"0x1F", 31},
        {u"0XfFz", 255},
        {u"abc", 0},
        // Beyond 32 bits the low 32 bits are kept.
        {u"4294967297", 1},
        {u"-4294967297", -1},
        {u"2147483648", INT_MIN},
        {u"99999999999", 1215752191},
        {u"-99999999999", -1215752191},
        {u"0xFFFFFFFF", -1},
        {u"0x100000005", 5},
        {u"\"42\"", 42},
    };
    for (const auto& c : cases) {
        auto doc = IniDocument::parse(std::u16string(u"[s]\nk=") + c.value + u"\nempty=\n");
        EXPECT_EQ(doc.readInt(u"s", u"k", 99), c.expected) << utf16ToUtf8(c.value);
        EXPECT_EQ(doc.readInt(u"s", u"empty", 99), 99);
        EXPECT_EQ(doc.readInt(u"s", u"missing", 99), 99);
    }
    EXPECT_EQ(iniReadInt("/nonexistent/x.ini", u"s", u"k", -3), -3);
}

TEST(IniRead, EncodingsWithAndWithoutBom) {
    TempDir dir;
    const std::u16string text = u"[TEXT]\r\nIDS_A=Ol\u00e1 \u4e2d\r\n";
    std::string utf8 = utf16ToUtf8(text);
    std::string le("\xFF\xFE", 2);
    std::string be("\xFE\xFF", 2);
    for (char16_t u : text) {
        le.push_back(static_cast<char>(u & 0xFF));
        le.push_back(static_cast<char>(u >> 8));
        be.push_back(static_cast<char>(u >> 8));
        be.push_back(static_cast<char>(u & 0xFF));
    }
    const std::pair<const char*, std::string> files[] = {
        {"plain.ini", utf8}, {"bom.ini", "\xEF\xBB\xBF" + utf8}, {"le.ini", le}, {"be.ini", be}};
    for (const auto& [name, bytes] : files) {
        writeAll(dir.file(name), bytes);
        EXPECT_EQ(iniReadString(dir.file(name), u"text", u"ids_a", u"#Error"), u"Ol\u00e1 \u4e2d")
            << name;
    }
}

// The foreign file with one value changed: every other byte as it was.
TEST(IniWrite, OneValueWriteKeepsEveryOtherByte) {
    TempDir dir;
    std::string path = dir.file("skin.ini");
    std::string original = readAll(foreignFile());
    ASSERT_FALSE(original.empty());
    writeAll(path, original);

    ASSERT_TRUE(iniWriteString(path, u"screen", u"MAIN", u"new.jpg"));
    std::string expected = original;
    expected.replace(expected.find("main_normal.jpg"), 15, "new.jpg");
    EXPECT_EQ(readAll(path), expected);

    ASSERT_TRUE(iniWriteString(path, u"ButtonInfo", u"empty", u"now set"));
    expected.replace(expected.find("empty=") + 6, 0, "now set");
    EXPECT_EQ(readAll(path), expected);

    // A new key goes after the section's last key, with the file's CRLF.
    ASSERT_TRUE(iniWriteString(path, u"BUTTONINFO", u"NEW_KEY", u"1,2,3,4"));
    expected.insert(expected.find("empty=now set") + 13, "\r\nNEW_KEY=1,2,3,4");
    EXPECT_EQ(readAll(path), expected);

    // A new section is appended.
    ASSERT_TRUE(iniWriteString(path, u"Control_Name", u"Usb", u"USB"));
    expected += "[Control_Name]\r\nUsb=USB\r\n";
    EXPECT_EQ(readAll(path), expected);

    EXPECT_EQ(iniReadString(path, u"screen", u"main", u""), u"new.jpg");
    // Nothing but the file and its hidden lock in the folder: no temporary left behind.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".skin.ini.lock", "skin.ini"}));
}

TEST(IniWrite, LineEndsAndMissingFinalNewline) {
    TempDir dir;
    struct Case {
        std::string before;
        std::u16string section;
        std::u16string key;
        std::string after;
    };
    const Case cases[] = {
        {"[a]\nx=1\n\n[b]\ny=2\n", u"a", u"z", "[a]\nx=1\nz=v\n\n[b]\ny=2\n"},
        {"[a]\nx=1", u"a", u"z", "[a]\nx=1\nz=v"},
        {"[a]\nx=1", u"c", u"z", "[a]\nx=1\n[c]\nz=v\n"},
        {"[a]\r\n", u"a", u"z", "[a]\r\nz=v\r\n"},
        {"[a]\nx =  old  \n", u"a", u"X", "[a]\nx =  v  \n"},
        {"[a]\nx=   \n", u"a", u"x", "[a]\nx=v   \n"},
        {"[a]\nx=1\n[a]\nz=2\n", u"a", u"z", "[a]\nx=1\nz=v\n[a]\nz=2\n"},
        {"\xE9t\xE9=latin1\n[a]\n", u"a", u"k", "\xE9t\xE9=latin1\n[a]\nk=v\n"},
        // A file with lone CRs keeps them, and its lines are found.
        {"[a]\rx=1\r[b]\ry=2\r", u"a", u"z", "[a]\rx=1\rz=v\r[b]\ry=2\r"},
        {"[a]\rx=1\r[b]\ry=2\r", u"b", u"y", "[a]\rx=1\r[b]\ry=v\r"},
        {"[a]\rx=1", u"c", u"z", "[a]\rx=1\r[c]\rz=v\r"},
        // "=value" is a key of the section: a new key goes after it.
        {"[a]\n=1\n\n[b]\n", u"a", u"z", "[a]\n=1\nz=v\n\n[b]\n"},
    };
    for (const auto& c : cases) {
        std::string path = dir.file("f.ini");
        writeAll(path, c.before);
        ASSERT_TRUE(iniWriteString(path, c.section, c.key, u"v")) << c.before;
        EXPECT_EQ(readAll(path), c.after) << c.before;
    }
}

TEST(IniWrite, NewFileIsUtf8WithoutBom) {
    TempDir dir;
    std::string path = dir.file("wskb.ini");
    ASSERT_TRUE(iniWriteString(path, u"KEYCOLOR", u"DengCheck", u"1"));
    ASSERT_TRUE(iniWriteString(path, u"MODENAME", u"0", u"Caf\u00e9"));
    EXPECT_EQ(readAll(path), "[KEYCOLOR]\nDengCheck=1\n[MODENAME]\n0=Caf\xC3\xA9\n");
}

TEST(IniWrite, KeepsUtf16AndBomEncodings) {
    TempDir dir;
    std::string le = dir.file("le.ini");
    std::string text = std::string("\xFF\xFE", 2);
    for (char c : std::string("[s]\r\nk=old\r\n")) {
        text += c;
        text += '\0';
    }
    writeAll(le, text);
    ASSERT_TRUE(iniWriteString(le, u"s", u"k", u"\u4e2d"));
    ASSERT_TRUE(iniWriteString(le, u"s", u"n", u"x"));
    std::string expected = std::string("\xFF\xFE", 2);
    for (char16_t c : std::u16string(u"[s]\r\nk=\u4e2d\r\nn=x\r\n")) {
        expected += static_cast<char>(c & 0xFF);
        expected += static_cast<char>(c >> 8);
    }
    EXPECT_EQ(readAll(le), expected);

    std::string bom = dir.file("bom.ini");
    writeAll(bom, "\xEF\xBB\xBF[s]\nk=old\n");
    ASSERT_TRUE(iniWriteString(bom, u"s", u"k", u"new"));
    EXPECT_EQ(readAll(bom), "\xEF\xBB\xBF[s]\nk=new\n");
}

TEST(IniWrite, RefusesWritesThatWouldBreakTheFile) {
    TempDir dir;
    std::string path = dir.file("f.ini");
    writeAll(path, "[s]\nk=1\n");
    struct Case {
        const char16_t* section;
        const char16_t* key;
        std::u16string value;
    };
    const Case cases[] = {
        {u"s", u"k", u"two\nlines"},
        {u"s", u"k", u"cr\r"},
        {u"s", u"a=b", u"v"},
        {u"s", u";k", u"v"},
        {u"s", u"[k", u"v"},
        {u"s]x", u"k", u"v"},
        {u"", u"k", u"v"},
        {u"s", u"  ", u"v"},
        {u"s", u"k", std::u16string(u"a\0b", 3)},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(iniWriteString(path, c.section, c.key, c.value));
    }
    EXPECT_EQ(readAll(path), "[s]\nk=1\n");
    // A path that exists but cannot be read as a file is never replaced.
    std::filesystem::create_directory(dir.file("folder.ini"));
    EXPECT_FALSE(iniWriteString(dir.file("folder.ini"), u"s", u"k", u"v"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("folder.ini")));
    EXPECT_FALSE(iniWriteString(dir.file("no/such/folder.ini"), u"s", u"k", u"v"));
}

TEST(IniWrite, TwoProcessesWritingAtOnceKeepEveryValue) {
    TempDir dir;
    const std::string path = dir.file("wskb.ini");
    constexpr int kPerProcess = 60;
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = ::fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            bool ok = true;
            for (int i = 0; i < kPerProcess; ++i) {
                const std::u16string key =
                    utf8ToUtf16("p" + std::to_string(c) + "_" + std::to_string(i));
                ok = ok && iniWriteString(path, u"Shared", key, utf8ToUtf16(std::to_string(i)));
                ok = ok && iniWriteString(path, u"Mode" + key, u"last", key);
            }
            ::_exit(ok ? 0 : 1);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const auto doc = IniDocument::load(path);
    ASSERT_TRUE(doc.has_value());
    for (int c = 0; c < 2; ++c) {
        for (int i = 0; i < kPerProcess; ++i) {
            const std::u16string key =
                utf8ToUtf16("p" + std::to_string(c) + "_" + std::to_string(i));
            EXPECT_EQ(doc->readInt(u"Shared", key, -1), i) << c << "/" << i;
            EXPECT_EQ(doc->read(u"Mode" + key, u"last", u""), key);
        }
    }
    EXPECT_EQ(doc->keys(u"Shared").size(), 2u * kPerProcess);
}

}  // namespace
}  // namespace quorvane
