#include "core/platform/xdg_dirs.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/temp_dir.h"

namespace quorvane {
namespace {

TEST(XdgDirs, DocumentsLineOfUserDirs) {
    struct Case {
        const char* text;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"# comment\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n",
         "/home/u/Dokumente"},
        {"XDG_DOCUMENTS_DIR=\"/data/docs\"\r\n", "/data/docs"},
        {"XDG_DOCUMENTS_DIR=\"$HOME/My \\\"Docs\\\"\"", "/home/u/My \"Docs\""},
        {"XDG_DOCUMENTS_DIR=\"$HOME\"", "/home/u"},
        {"XDG_DOCUMENTS_DIR=\"$HOMEX/a\"", std::nullopt},
        {"XDG_DOCUMENTS_DIR=\"docs\"", std::nullopt},
        {"XDG_DOCUMENTS_DIR=$HOME/docs", std::nullopt},
        {"XDG_MUSIC_DIR=\"$HOME/Music\"", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(documentsDirFromUserDirs(c.text, "/home/u"), c.expected) << c.text;
    }
}

TEST(XdgDirs, FoldersFollowTheEnvironment) {
    test::TempDir dir;
    ::setenv("HOME", dir.path().c_str(), 1);
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(configHome(), dir.path() + "/.config");
    EXPECT_EQ(documentsDir(), dir.path() + "/Documents");
    ::setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    EXPECT_EQ(configHome(), dir.path() + "/.config");
    ::setenv("XDG_CONFIG_HOME", dir.file("cfg").c_str(), 1);
    std::filesystem::create_directories(dir.file("cfg"));
    test::writeAll(dir.file("cfg/user-dirs.dirs"), "XDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n");
    EXPECT_EQ(documentsDir(), dir.path() + "/Docs");
}

TEST(XdgDirs, RuntimeFolderMustBePrivate) {
    test::TempDir dir;
    std::string open = dir.file("open");
    std::filesystem::create_directory(open);
    ::chmod(open.c_str(), 0755);
    std::string closed = dir.file("closed");
    std::filesystem::create_directory(closed);
    ::chmod(closed.c_str(), 0700);
    std::filesystem::create_directory_symlink(closed, dir.file("link"));
    EXPECT_FALSE(isPrivateFolder(open));
    EXPECT_TRUE(isPrivateFolder(closed));
    EXPECT_FALSE(isPrivateFolder(dir.file("link")));

    ::setenv("XDG_RUNTIME_DIR", closed.c_str(), 1);
    EXPECT_EQ(privateRuntimeDir(), closed);
    ::setenv("XDG_RUNTIME_DIR", open.c_str(), 1);
    std::string fallback = privateRuntimeDir();
    EXPECT_EQ(fallback, "/tmp/quorvane-" + std::to_string(::getuid()));
    EXPECT_TRUE(isPrivateFolder(fallback));
}

}  // namespace
}  // namespace quorvane
