#include "core/platform/program_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace quorvane {
namespace {

TEST(ProgramFolder, FolderOfAFileNameEndsWithASlash) {
    struct Case {
        const char* exePath;
        const char* folder;
    };
    for (const Case& c :
         {Case{"/usr/lib/quorvane/quorvane", "/usr/lib/quorvane/"}, Case{"/quorvane", "/"},
          Case{"bin/quorvanectl", "bin/"}, Case{"quorvane", "./"}, Case{"", "./"}}) {
        EXPECT_EQ(folderOf(c.exePath), c.folder) << c.exePath;
    }
}

TEST(ProgramFolder, IsTheFolderOfThisExecutable) {
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
    ASSERT_EQ(currentExePath(), self.string());
    EXPECT_EQ(programFolder(), self.parent_path().string() + "/");
}

}  // namespace
}  // namespace quorvane
