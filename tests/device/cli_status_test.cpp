// quorvanectl status, run as a program from the program folder.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#include "cli/settings_summary.h"
#include "core/device/hid_library.h"
#include "support/temp_dir.h"
#include "virtual_keyboard_fixture.h"

namespace quorvane::test {
namespace {

struct ToolRun {
    int exitCode = -1;
    std::string out;  // standard output and standard error together
};

ToolRun runTool(const std::string& program, const std::string& args) {
    ToolRun run;
    const std::string command = "'" + program + "' " + args + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return run;
    }
    std::array<char, 512> buffer{};
    while (fgets(buffer.data(), buffer.size(), pipe) != nullptr) {
        run.out += buffer.data();
    }
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string tool() {
    return programFolder() + "quorvanectl";
}

// Every run of the tool gets the private home: it opens its settings there.
class QuorvanectlStatus : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { useVirtualKeyboardEnvironment(); }
};

TEST_F(QuorvanectlStatus, ShowsTheVirtualKeyboard) {
    const ToolRun run = runTool(tool(), "status");
    EXPECT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(run.out,
              "keyboards: 1\n"
              "active profile: 1\n"
              "macro capacity: 8192 bytes\n"
              "effects: 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 20\n");
}

TEST_F(QuorvanectlStatus, MissingLibraryIsOneLineAndExitOne) {
    // A copy of the tool in a folder without the library.
    const TempDir alone;
    ASSERT_FALSE(alone.path().empty());
    const std::string copy = alone.file("quorvanectl");
    std::filesystem::copy_file(tool(), copy);
    const ToolRun run = runTool(copy, "status");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out.rfind("quorvanectl: cannot load " + alone.path() + "/libquellix.so", 0), 0u)
        << run.out;
    EXPECT_EQ(run.out.find('\n'), run.out.size() - 1) << "one line: " << run.out;
}

TEST_F(QuorvanectlStatus, HelpAndUsageErrors) {
    const ToolRun help = runTool(tool(), "--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("status"), std::string::npos) << help.out;
    EXPECT_EQ(runTool(tool(), "status --help").exitCode, 0);
    EXPECT_EQ(runTool(tool(), "frobnicate").exitCode, 2);
    EXPECT_EQ(runTool(tool(), "").exitCode, 2);
    const ToolRun extra = runTool(tool(), "status now");
    EXPECT_NE(extra.exitCode, 0) << extra.out;
}

TEST(SettingsSummary, DecodesProfileCapacityAndEffects) {
    std::array<std::uint8_t, 44> block{};
    block[10] = 2;
    block[11] = 0x40;
    block[12] = 5;
    block[20] = 0xFF;
    block[43] = 1;
    const cli::SettingsSummary s = cli::summariseSettings(block);
    EXPECT_EQ(s.activeProfile, 2);
    EXPECT_EQ(s.macroCapacity, 8192u);
    EXPECT_EQ(s.effects, (std::vector<std::uint8_t>{5, 0xFF, 1}));

    block[11] = 0xFF;
    EXPECT_EQ(cli::summariseSettings(block).macroCapacity, 0xFFu * 128u);

    EXPECT_EQ(cli::profileText(0), "1");
    EXPECT_EQ(cli::profileText(2), "3");
    EXPECT_EQ(cli::profileText(3), "default mode");
    EXPECT_EQ(cli::profileText(9), "unknown (9)");
}

}  // namespace
}  // namespace quorvane::test
