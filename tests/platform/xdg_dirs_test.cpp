#include "core/platform/xdg_dirs.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/temp_dir.h"
#include "support/env_guard.h"

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
    test::EnvGuard env;
    env.set("HOME", dir.path());
    env.unset("XDG_CONFIG_HOME");
    EXPECT_EQ(configHome(), dir.path() + "/.config");
    EXPECT_EQ(documentsDir(), dir.path() + "/Documents");
    env.set("XDG_CONFIG_HOME", "relative/ignored");
    EXPECT_EQ(configHome(), dir.path() + "/.config");
    env.set("XDG_CONFIG_HOME", dir.file("cfg"));
    std::filesystem::create_directories(dir.file("cfg"));
    test::writeAll(dir.file("cfg/user-dirs.dirs"), "XDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n");
    EXPECT_EQ(documentsDir(), dir.path() + "/Docs");

    // The state folder: never the documents, which may be synced elsewhere.
    env.unset("XDG_STATE_HOME");
    EXPECT_EQ(stateHome(), dir.path() + "/.local/state");
    env.set("XDG_STATE_HOME", "relative/ignored");
    EXPECT_EQ(stateHome(), dir.path() + "/.local/state");
    env.set("XDG_STATE_HOME", dir.file("st"));
    EXPECT_EQ(stateHome(), dir.file("st"));
}

TEST(XdgDirs, RuntimeFolderMustBePrivate) {
    test::TempDir dir;
    test::EnvGuard env;
    env.set("XDG_CACHE_HOME", dir.file("cache"));
    std::string closed = dir.file("closed");
    std::filesystem::create_directory(closed);
    ::chmod(closed.c_str(), 0700);
    std::filesystem::create_directory_symlink(closed, dir.file("link"));
    EXPECT_TRUE(isPrivateFolder(closed));
    EXPECT_FALSE(isPrivateFolder(dir.file("link")));
    EXPECT_FALSE(isPrivateFolder(dir.file("missing")));
    env.set("XDG_RUNTIME_DIR", closed);
    EXPECT_EQ(privateRuntimeDir(), closed);

    // A run-time folder others may enter or write, or that we cannot write,
    // is refused for a private folder we make ourselves.
    const std::string fallback = fallbackRuntimeDir();
    EXPECT_EQ(fallback.rfind(dir.file("cache/quorvane/run-"), 0), 0u) << fallback;
    for (mode_t mode : {0755, 0711, 0770, 0500, 01777}) {
        SCOPED_TRACE(mode);
        const std::string open = dir.file("open" + std::to_string(mode));
        std::filesystem::create_directory(open);
        ::chmod(open.c_str(), mode);
        EXPECT_FALSE(isPrivateFolder(open));
        env.set("XDG_RUNTIME_DIR", open);
        EXPECT_EQ(privateRuntimeDir(), fallback);
        EXPECT_TRUE(isPrivateFolder(fallback));
    }
    env.set("XDG_RUNTIME_DIR", "relative/run");
    EXPECT_EQ(privateRuntimeDir(), fallback);
    env.unset("XDG_RUNTIME_DIR");
    EXPECT_EQ(privateRuntimeDir(), fallback);
}

TEST(XdgDirs, FallbackParentMustBeClosedToOthers) {
    test::TempDir dir;
    test::EnvGuard env;
    env.unset("XDG_RUNTIME_DIR");
    env.set("XDG_CACHE_HOME", dir.file("cache"));
    const std::string fallback = fallbackRuntimeDir();
    const std::string parent = std::filesystem::path(fallback).parent_path().string();
    // A parent that others may write lets them swap the checked folder.
    struct Case {
        mode_t mode;
        bool used;
    };
    const Case cases[] = {{0700, true},  {0755, true},  {0711, true},  {0775, false},
                          {0757, false}, {0777, false}, {01777, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        std::filesystem::remove_all(dir.file("cache"));
        std::filesystem::create_directories(fallback);
        ::chmod(fallback.c_str(), 0700);
        ::chmod(parent.c_str(), c.mode);
        EXPECT_EQ(isClosedParent(parent), c.used);
        EXPECT_EQ(privateRuntimeDir(), c.used ? fallback : "");
    }
    // A link in the parent's place, even to a folder of ours.
    std::filesystem::remove_all(dir.file("cache"));
    std::filesystem::create_directories(
        dir.file("elsewhere/" + std::filesystem::path(fallback).filename().string()));
    ::chmod(dir.file("elsewhere").c_str(), 0700);
    std::filesystem::create_directories(dir.file("cache"));
    std::filesystem::create_directory_symlink(dir.file("elsewhere"), parent);
    EXPECT_EQ(privateRuntimeDir(), "");
    // Made fresh, the parent is closed.
    std::filesystem::remove_all(dir.file("cache"));
    EXPECT_EQ(privateRuntimeDir(), fallback);
    EXPECT_TRUE(isClosedParent(parent));
}

TEST(XdgDirs, FoldersOfAnotherUserAreNeverUsed) {
    if (::getuid() != 0) {
        GTEST_SKIP() << "needs root to give a folder to another user";
    }
    test::TempDir dir;
    test::EnvGuard env;
    env.set("XDG_CACHE_HOME", dir.file("cache"));
    const std::string theirs = dir.file("theirs");
    std::filesystem::create_directory(theirs);
    ::chmod(theirs.c_str(), 0700);
    ASSERT_EQ(::chown(theirs.c_str(), 65534, 65534), 0);
    EXPECT_FALSE(isPrivateFolder(theirs));
    env.set("XDG_RUNTIME_DIR", theirs);
    EXPECT_EQ(privateRuntimeDir(), fallbackRuntimeDir());

    // Their folder in the fallback's place: refused, not used.
    std::filesystem::remove_all(dir.file("cache"));
    std::filesystem::create_directories(fallbackRuntimeDir());
    ::chmod(fallbackRuntimeDir().c_str(), 0700);
    ASSERT_EQ(::chown(fallbackRuntimeDir().c_str(), 65534, 65534), 0);
    EXPECT_EQ(privateRuntimeDir(), "");

    // Our own folder, in a parent that belongs to them.
    std::filesystem::remove_all(dir.file("cache"));
    std::filesystem::create_directories(fallbackRuntimeDir());
    ::chmod(fallbackRuntimeDir().c_str(), 0700);
    const std::string parent = std::filesystem::path(fallbackRuntimeDir()).parent_path().string();
    ::chmod(parent.c_str(), 0755);
    ASSERT_EQ(::chown(parent.c_str(), 65534, 65534), 0);
    EXPECT_TRUE(isPrivateFolder(fallbackRuntimeDir()));
    EXPECT_EQ(privateRuntimeDir(), "");
}

}  // namespace
}  // namespace quorvane
