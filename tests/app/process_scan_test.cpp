#include "core/platform/process_scan.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/temp_dir.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;

// A /proc tree: per process a stat file (start time in field 22) and an exe link.
struct FakeProc {
    test::TempDir dir;

    void add(int pid, unsigned long long start, const std::string& exe,
             const std::string& comm = "x") {
        std::string folder = dir.file(std::to_string(pid));
        fs::create_directory(folder);
        std::string stat = std::to_string(pid) + " (" + comm + ") S";
        for (int field = 4; field <= 21; ++field) {
            stat += " 0";
        }
        stat += " " + std::to_string(start) + " 0 0\n";
        test::writeAll(folder + "/stat", stat);
        fs::create_symlink(exe, folder + "/exe");
    }
};

TEST(ProcessScan, OldestMatchAfterTheSkippedFirstEntry) {
    FakeProc proc;
    proc.add(1, 0, "/sbin/quorvane");  // first entry: never compared
    proc.add(500, 100, "/usr/bin/other");
    proc.add(20, 300, "/opt/quorvane (deleted)");  // lower pid, started later
    proc.add(31, 200, "/opt/QUORVANE", "a) (b");   // odd command name
    proc.add(40, 400, "/opt/quorvane-helper");
    fs::create_directory(proc.dir.file("self"));
    uid_t me = ::getuid();
    EXPECT_EQ(findProcessByExeNameIn(proc.dir.path(), "quorvane", me), 31);
    EXPECT_EQ(findProcessByExeNameIn(proc.dir.path(), "Quorvane-Helper", me), 40);
    EXPECT_EQ(findProcessByExeNameIn(proc.dir.path(), "other", me), 500);
    EXPECT_EQ(findProcessByExeNameIn(proc.dir.path(), "quorv", me), 0);
    // Another user's processes are not ours to signal.
    EXPECT_EQ(findProcessByExeNameIn(proc.dir.path(), "quorvane", me + 1), 0);
    EXPECT_EQ(findProcessByExeNameIn(proc.dir.file("missing"), "quorvane", me), 0);
}

TEST(ProcessScan, TheRealListFindsThisProgram) {
    std::string self = fs::read_symlink("/proc/self/exe").filename().string();
    pid_t found = FindProcessByExeName(self);
    // Another copy of this test may run in parallel and be older; it is never 0.
    EXPECT_NE(found, 0);
    EXPECT_EQ(FindProcessByExeName("no-such-program-anywhere"), 0);
}

}  // namespace
}  // namespace quorvane
