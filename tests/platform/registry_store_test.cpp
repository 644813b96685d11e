#include "core/platform/registry_store.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "core/platform/utf_text.h"
#include "platform/temp_dir.h"

namespace quorvane {
namespace {

using test::TempDir;

TEST(RegistryStore, TypedValuesSurviveANewProcessView) {
    TempDir dir;
    std::string path = dir.file("cfg/quorvane/registry.reg");
    {
        RegistryStore store(path);
        ASSERT_TRUE(store.setDword(u"Software\\Norvalis ZR4", u"dwLanguageId", 0x0804));
        ASSERT_TRUE(store.setString(u"Software\\Q\\App\\PROFILES", u"Flip", u"1"));
        ASSERT_TRUE(store.setString(u"Software\\Q\\App\\PROFILES", u"we\"ird\\name=",
                                    u"line1\nline2\r\t\"q\" \u4e2d"));
        ASSERT_TRUE(store.setDword(u"software\\NORVALIS zr4", u"DWLANGUAGEID", 0xFFFFFFFF));
    }
    RegistryStore again(path);
    auto lang = again.query(u"Software\\Norvalis ZR4", u"dwlanguageid");
    ASSERT_TRUE(lang.has_value());
    EXPECT_EQ(lang->type, RegType::Dword);
    EXPECT_EQ(lang->dword, 0xFFFFFFFFu);
    auto weird = again.query(u"SOFTWARE\\q\\app\\profiles", u"WE\"IRD\\NAME=");
    ASSERT_TRUE(weird.has_value());
    EXPECT_EQ(weird->type, RegType::Sz);
    EXPECT_EQ(weird->text, u"line1\nline2\r\t\"q\" \u4e2d");
    EXPECT_EQ(again.valueNames(u"Software\\Q\\App\\PROFILES"),
              (std::vector<std::u16string>{u"Flip", u"we\"ird\\name="}));
    EXPECT_TRUE(again.deleteValue(u"Software\\Q\\App\\PROFILES", u"flip"));
    EXPECT_FALSE(again.query(u"Software\\Q\\App\\PROFILES", u"Flip").has_value());
    EXPECT_FALSE(again.deleteValue(u"Software\\Q\\App\\PROFILES", u"Flip"));
    // The file is replaced whole: no temporary left beside it.
    EXPECT_FALSE(again.setString(u"Bad\nKey", u"v", u"x"));
}

TEST(RegistryStore, DamagedLinesAreKeptNotFatal) {
    const std::string text =
        "\"orphan\"=\"before any key\"\n"
        "[K]\r\n"
        "\"a\"=dword:0000002A\r\n"
        "\"b\"=dword:XYZ\n"
        "\"c\"=\"unterminated\n"
        "; a comment\n"
        "\"d\"=\"ok\\x41\"\n"
        "\"e\"=dword:123\n";
    auto keys = parseRegistryText(text);
    ASSERT_EQ(keys.size(), 2u);  // the stray lines before any key, then K
    const auto& k = keys[1];
    ASSERT_EQ(k.values.size(), 2u);
    EXPECT_EQ(k.values[0].value.dword, 42u);
    EXPECT_EQ(k.values[1].value.text, u"okA");
    EXPECT_EQ(k.unparsed, (std::vector<std::string>{"\"b\"=dword:XYZ", "\"c\"=\"unterminated",
                                                    "\"e\"=dword:123"}));
    auto again = parseRegistryText(formatRegistryText(keys));
    ASSERT_EQ(again.size(), 2u);
    EXPECT_EQ(again[0].unparsed, keys[0].unparsed);
    EXPECT_EQ(again[1].unparsed, k.unparsed);
    EXPECT_EQ(again[1].values[1].value.text, u"okA");

    // A write keeps them too, and a file that cannot be read is never replaced.
    TempDir dir;
    test::writeAll(dir.file("registry.reg"), text);
    RegistryStore store(dir.file("registry.reg"));
    ASSERT_TRUE(store.setDword(u"K", u"new", 1));
    std::string after = test::readAll(dir.file("registry.reg"));
    EXPECT_NE(after.find("\"b\"=dword:XYZ\n"), std::string::npos);
    EXPECT_NE(after.find("\"orphan\"=\"before any key\"\n"), std::string::npos);
    std::filesystem::create_directory(dir.file("folder.reg"));
    RegistryStore unreadable(dir.file("folder.reg"));
    EXPECT_FALSE(unreadable.setDword(u"K", u"a", 1));
}

// Found by fuzzing: values under a hand-written "[]" and a damaged line ending
// in a carriage return were changed by every write.
TEST(RegistryStore, HandEditedOddLinesSurviveAWrite) {
    const std::string text = "[]\n\"x\"=\"y\"\n[K]\nbroken\r\r\n";
    TempDir dir;
    test::writeAll(dir.file("registry.reg"), text);
    RegistryStore store(dir.file("registry.reg"));
    ASSERT_TRUE(store.setDword(u"K", u"new", 1));
    ASSERT_TRUE(store.setDword(u"K", u"new", 2));
    const std::string after = test::readAll(dir.file("registry.reg"));
    EXPECT_NE(after.find("broken\r\r\n"), std::string::npos);
    auto x = store.query(u"", u"x");
    ASSERT_TRUE(x.has_value());
    EXPECT_EQ(x->text, u"y");
}

TEST(RegistryStore, EmptyHandleFailsSilently) {
    RegKey none;
    EXPECT_FALSE(none.isOpen());
    EXPECT_FALSE(none.queryValue(u"dwLanguageId").has_value());
    EXPECT_FALSE(none.setDword(u"dwLanguageId", 1));
    // A store that cannot be created (its folder would sit under a file) gives one.
    RegistryStore broken("/dev/null/quorvane/registry.reg");
    EXPECT_FALSE(RegKey::openOrCreate(broken, u"Software\\Norvalis ZR4").isOpen());

    TempDir dir;
    RegistryStore store(dir.file("registry.reg"));
    RegKey key = RegKey::openOrCreate(store, u"Software\\Norvalis ZR4");
    ASSERT_TRUE(key.isOpen());
    EXPECT_TRUE(store.keyExists(u"software\\norvalis zr4"));
    EXPECT_TRUE(key.setDword(u"dwLanguageId", 0x0409));
    EXPECT_EQ(key.queryValue(u"dwLanguageId")->dword, 0x0409u);
}

TEST(RegistryStore, TwoProcessesWritingAtOnceKeepEveryValue) {
    TempDir dir;
    std::string path = dir.file("registry.reg");
    constexpr int kPerProcess = 60;
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = ::fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            RegistryStore store(path);
            bool ok = true;
            for (int i = 0; i < kPerProcess; ++i) {
                std::u16string name =
                    utf8ToUtf16("p" + std::to_string(c) + "_" + std::to_string(i));
                ok = ok && store.setDword(u"Software\\Shared", name, static_cast<std::uint32_t>(i));
                ok = ok && store.setString(u"Software\\Shared", u"last", name);
            }
            ::_exit(ok ? 0 : 1);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    RegistryStore store(path);
    for (int c = 0; c < 2; ++c) {
        for (int i = 0; i < kPerProcess; ++i) {
            auto v = store.query(u"Software\\Shared",
                                 utf8ToUtf16("p" + std::to_string(c) + "_" + std::to_string(i)));
            ASSERT_TRUE(v.has_value()) << c << "/" << i;
            EXPECT_EQ(v->dword, static_cast<std::uint32_t>(i));
        }
    }
    EXPECT_EQ(store.valueNames(u"Software\\Shared").size(), 2u * kPerProcess + 1);
}

}  // namespace
}  // namespace quorvane
