// quorvanectl's refusals: bad arguments never reach the keyboard (exit 2), a
// missing or silent keyboard is one line and exit 1, a file past the
// file-size limit is an error, not a killed tool.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include "cli/tool_runner.h"

namespace quorvane::test {
namespace {

using Args = std::vector<std::string>;

// Exit 2 and a state file left byte for byte.
TEST(CliUsage, BadArgumentsExitTwoAndWriteNothing) {
    ToolRunner tool;
    ASSERT_EQ(tool.run({"macro", "add", "One", "down:A:10"}).exitCode, 0);
    const std::string before = tool.stateBytes();
    const Args cases[] = {
        {},
        {"frobnicate"},
        {"status", "now"},
        {"status", "--bogus"},
        {"keys", "extra"},
        {"export"},
        {"export", "a", "b"},
        {"import"},
        {"profile", "0"},
        {"profile", "4"},
        {"profile", "x"},
        {"profile", "1", "2"},
        {"assign", "ESC"},
        {"assign", "NOPE", "default"},
        {"assign", "0x80", "default"},
        {"assign", "ESC", "key:NOPE"},
        {"assign", "ESC", "key:MUTE"},  // not a keyboard-page key
        {"assign", "ESC", "media:18"},
        {"assign", "ESC", "media:-1"},
        {"assign", "ESC", "function:11"},
        {"assign", "ESC", "macro:0"},
        {"assign", "ESC", "macro:101"},
        {"assign", "ESC", "macro:7"},  // no such macro on the keyboard
        {"assign", "ESC", "launch:x"},
        {"assign", "ESC", "sometimes"},
        {"macro"},
        {"macro", "frob"},
        {"macro", "add"},
        {"macro", "add", "X"},
        {"macro", "add", "", "down:A:10"},
        {"macro", "add", "X", "down:A:15"},
        {"macro", "add", "X", "down:A:40010"},
        {"macro", "add", "X", "down:A"},
        {"macro", "add", "X", "sideways:A:10"},
        {"macro", "add", "X", "down:NOPE:10"},
        {"macro", "add", "X", "down:SYSREQ:10"},  // the keyboard cannot play it
        {"macro", "add", "X", "--count", "0", "down:A:10"},
        {"macro", "add", "X", "--count", "256", "down:A:10"},
        {"macro", "add", "X", "--count"},
        {"macro", "delete"},
        {"macro", "delete", "5"},  // no such macro
        {"macro", "delete", "abc"},
        {"lighting", "--brightness", "5"},
        {"lighting", "--speed", "-1"},
        {"lighting", "--direction", "2"},
        {"lighting", "--colour", "12345"},
        {"lighting", "--colour", "1234567"},
        {"lighting", "--colour", "12345G"},
        {"lighting", "--colour", "#12345"},
        {"lighting", "--effect", "19"},
        {"lighting", "--effect", "0"},
        {"lighting", "--effect", "21"},
        {"lighting", "--random", "maybe"},
        {"lighting", "--rate", "4"},
        {"lighting", "--brightness", "1", "--brightness", "2"},
        {"lighting", "--brightness"},
        {"lighting", "--glow", "1"},
        {"lighting", "bright"},
        {"defaults"},
        {"defaults", "--force"},
        {"watch", "now"},
    };
    for (const Args& args : cases) {
        std::string line;
        for (const auto& a : args) {
            line += a + ' ';
        }
        SCOPED_TRACE(line);
        const ToolResult r = tool.run(args);
        EXPECT_EQ(r.exitCode, 2) << r.out << r.err;
        EXPECT_NE(r.err.find("Usage: quorvanectl"), std::string::npos) << r.err;
        EXPECT_EQ(tool.stateBytes(), before);
    }
}

TEST(CliUsage, HelpOnEveryCommand) {
    ToolRunner tool;
    const ToolResult all = tool.run({"--help"});
    EXPECT_EQ(all.exitCode, 0);
    for (const char* command : {"status", "export", "import", "profile", "keys", "assign", "macro",
                                "lighting", "defaults", "watch"}) {
        SCOPED_TRACE(command);
        EXPECT_NE(all.out.find(std::string("  ") + command), std::string::npos) << all.out;
        const ToolResult one = tool.run({command, "--help"});
        EXPECT_EQ(one.exitCode, 0);
        EXPECT_EQ(one.out.rfind(std::string("Usage: quorvanectl ") + command, 0), 0u) << one.out;
    }
    // Help never needs the keyboard.
    EXPECT_FALSE(std::filesystem::exists(tool.stateFile()));
}

// A replay whose recording holds no keyboard, and one whose keyboard never
// answers.
TEST(CliKeyboard, MissingKeyboardIsOneLineAndExitOne) {
    ToolRunner tool;
    writeAll(tool.file("none.jsonl"),
             "{\"v\":1,\"t_us\":0,\"dir\":\"presence\",\"count\":0,\"keyboards\":[]}\n");
    const std::map<std::string, std::string> env = {
        {"QUELLIX_DEVICE", "replay:" + tool.file("none.jsonl")}};
    const Args commands[] = {
        {"status"},
        {"export", tool.file("out.fwc")},
        {"profile", "2"},
        {"keys"},
        {"assign", "ESC", "disable"},
        {"macro", "list"},
        {"lighting", "--brightness", "1"},
        {"defaults", "--yes"},
    };
    for (const Args& args : commands) {
        SCOPED_TRACE(args.front());
        const ToolResult r = tool.run(args, env);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, "quorvanectl: no keyboard attached\n");
    }
    EXPECT_FALSE(std::filesystem::exists(tool.file("out.fwc")));
}

TEST(CliKeyboard, SilentKeyboardExitsOne) {
    ToolRunner tool;
    writeAll(tool.file("silent.jsonl"),
             "{\"v\":1,\"t_us\":0,\"dir\":\"presence\",\"count\":1,\"keyboards\":[{\"key\":"
             "\"virtual\",\"vid\":\"0c45\",\"pid\":\"5004\",\"collections\":[\"0001:0006\","
             "\"000c:0001\",\"ff1c:0092\",\"0008:0089\"]}]}\n");
    const ToolResult r = tool.run({"assign", "ESC", "disable"},
                                  {{"QUELLIX_DEVICE", "replay:" + tool.file("silent.jsonl")}});
    EXPECT_EQ(r.exitCode, 1);
    const std::string last = r.err.substr(r.err.rfind("quorvanectl:"));
    EXPECT_NE(last.find("did not answer"), std::string::npos) << r.err;
}

// The reload goes through the profile cache file: when the user data folder
// cannot be made, nothing stands in for the keyboard's configuration.
TEST(CliKeyboard, UnusableUserDataFolderWritesNothing) {
    ToolRunner tool;
    ASSERT_EQ(tool.run({"status"}).exitCode, 0);
    const std::string before = tool.stateBytes();
    std::filesystem::create_directories(tool.file("blocked"));
    writeAll(tool.file("blocked/Documents"), "a file where the folder should be");
    const ToolResult r = tool.run({"assign", "ESC", "disable"}, {{"HOME", tool.file("blocked")}});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("not saved in " + tool.file("blocked/Documents")), std::string::npos)
        << r.err;
    EXPECT_EQ(tool.stateBytes(), before);
}

// The tool starts with SIGXFSZ at its default (as a shell leaves it) under
// `ulimit -f`: the saves that do not fit (the keyboard's cached configuration
// comes first) fail with a line saying so, and the export leaves nothing.
TEST(CliFiles, AnExportPastTheFileSizeLimitFailsWithItsReason) {
    ToolRunner tool;
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    struct sigaction previous {};
    ASSERT_EQ(::sigaction(SIGXFSZ, &fallback, &previous), 0);
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
    // A profile file is larger. The child inherits the limit; this process
    // writes nothing while it is set.
    const rlimit low{20000, limit.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &low), 0);
    const ToolResult r = tool.run({"export", tool.file("big.fwc")});
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ::sigaction(SIGXFSZ, &previous, nullptr);
    ASSERT_NE(r.exitCode, -1) << "the tool was killed";
    EXPECT_NE(r.exitCode, 0);
    EXPECT_NE(r.err.find("not saved"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(tool.file("big.fwc")));
}

}  // namespace
}  // namespace quorvane::test
