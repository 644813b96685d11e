// Saves that do not finish: a full disk (a file-size limit in a child process)
// and a process killed after writing its temporary file but before renaming
// it. Either way the previous profile file stays byte for byte. Like the
// programs, this one ignores SIGXFSZ from its start, so that a save past the
// limit fails instead of killing the process.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>

#include "base/file_size_signal.h"
#include "config/config_test_support.h"
#include "core/config/profile_file.h"

namespace {
std::atomic<bool> gDieBeforeRename{false};
}  // namespace

// Stands in for the C library's rename in this test program, so that a child
// can die exactly between writing and renaming.
extern "C" int rename(const char* from, const char* to) {
    if (gDieBeforeRename.load()) {
        ::kill(::getpid(), SIGKILL);
    }
    return ::renameat(AT_FDCWD, from, AT_FDCWD, to);
}

namespace quorvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::unique_ptr<WorkingConfig> bigModel() {
    auto config = test::defaultModel();
    test::ModelGenerator gen(5);
    for (int i = 0; i < 20; ++i) {
        config->macros.push_back(gen.macro(static_cast<std::uint16_t>(i + 1), 2000));
    }
    writeAssignment(*config, 40, ActionProgram, 0, 0);
    setText(*config, 40, u"/opt/tool");
    return config;
}

// Runs `body` in a child process; its exit status or signal.
template <typename Body>
int inChild(Body body) {
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

class InterruptedSave : public ::testing::Test {
  protected:
    void SetUp() override {
        auto old = test::defaultModel();
        old->image->entries[0x1E].type = ActionDisabled;
        ASSERT_EQ(saveProfileFile(*old, path, true), 1);
        before = test::readAll(path);
        ASSERT_EQ(before.size(), kConfigImageSize);
    }
    test::TempDir dir;
    std::string path = dir.file("keys.fwc");
    Bytes before;
};

TEST_F(InterruptedSave, FullDiskLeavesThePreviousFileAndNoTemporary) {
    auto config = bigModel();
    const int status = inChild([&] {
        rlimit limit{40000, 40000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        return saveProfileFile(*config, path, true) == 0 ? 0 : 1;
    });
    ASSERT_TRUE(WIFEXITED(status)) << "the child was killed: " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the save reported success";
    EXPECT_EQ(test::readAll(path), before);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"keys.fwc"});

    // The same limit lets a file that fits through.
    const int small = inChild([&] {
        rlimit limit{40000, 40000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        auto fits = test::defaultModel();
        return saveProfileFile(*fits, path, true) == 1 ? 0 : 1;
    });
    ASSERT_TRUE(WIFEXITED(small));
    EXPECT_EQ(WEXITSTATUS(small), 0);
}

TEST_F(InterruptedSave, KilledBeforeTheRenameLeavesThePreviousFile) {
    auto config = bigModel();
    const auto expected =
        packProfileFile(*config->image, config->macros, config->texts, config->textTotal);
    ASSERT_TRUE(expected);
    const int status = inChild([&] {
        gDieBeforeRename = true;
        saveProfileFile(*config, path, true);
        return 3;
    });
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGKILL);
    EXPECT_EQ(test::readAll(path), before);

    // The dead save's temporary file holds the whole new content: the kill
    // came after the writing, and it cannot clean up after itself.
    auto names = dir.names();
    ASSERT_EQ(names.size(), 2u);
    const std::string stray = names[0] == "keys.fwc" ? names[1] : names[0];
    EXPECT_EQ(stray.rfind("keys.fwc.tmp-", 0), 0u) << stray;
    EXPECT_EQ(test::readAll(dir.file(stray)), *expected);

    // The next save of the file replaces it and removes the leftover.
    ASSERT_EQ(saveProfileFile(*config, path, true), 1);
    EXPECT_EQ(test::readAll(path), *expected);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"keys.fwc"});
}

}  // namespace
}  // namespace quorvane

int main(int argc, char** argv) {
    quorvane::ignoreFileSizeSignal();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
