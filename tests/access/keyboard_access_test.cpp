// The permission path without hardware: libquellix.so is pointed at nodes
// (QUELLIX_DEVICE=hidraw:...) that this process may not open. Root may open
// anything, so as root the opening runs without the two capabilities that
// let it (the file's mode then applies to root as to anyone).
#include <fcntl.h>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "core/app/language_texts.h"
#include "core/app/user_checks.h"
#include "core/device/hid_library.h"
#include "core/platform/utf_text.h"
#include "platform/temp_dir.h"

namespace quorvane::test {
namespace {

constexpr std::uint32_t kDacCapabilities =
    CAP_TO_MASK(CAP_DAC_OVERRIDE) | CAP_TO_MASK(CAP_DAC_READ_SEARCH);

// Takes the capabilities that pass every file permission out of this thread's
// effective set (the library scans its nodes on the thread that calls Init).
class WithoutDacOverride {
  public:
    WithoutDacOverride() {
        if (::geteuid() != 0) {
            return;
        }
        header_ = {_LINUX_CAPABILITY_VERSION_3, 0};
        if (::syscall(SYS_capget, &header_, saved_) != 0) {
            return;
        }
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        reduced[0].effective &= ~kDacCapabilities;
        dropped_ = ::syscall(SYS_capset, &header_, reduced) == 0;
    }
    ~WithoutDacOverride() {
        if (dropped_) {
            ::syscall(SYS_capset, &header_, saved_);
        }
    }
    WithoutDacOverride(const WithoutDacOverride&) = delete;
    WithoutDacOverride& operator=(const WithoutDacOverride&) = delete;
    bool effective() const { return ::geteuid() != 0 || dropped_; }

  private:
    __user_cap_header_struct header_{};
    __user_cap_data_struct saved_[2]{};
    bool dropped_ = false;
};

std::u16string englishText(std::u16string_view key) {
    static LanguageTexts texts("", programFolder());
    return texts.LoadText(key, 0);
}

std::string english(std::u16string_view key) {
    return utf16ToUtf8(englishText(key));
}

// A file nobody but root with its capabilities may open: the stand-in for a
// hidraw node whose udev rule is missing.
std::string unreadableNode(const TempDir& dir, const std::string& name) {
    std::string path = dir.file(name);
    writeAll(path, "");
    ::chmod(path.c_str(), 0);
    return path;
}

struct NodeCase {
    const char* name;
    std::vector<std::string> files;  // "-" marks an unreadable node, "+" a readable file
    bool denied;
    std::string deniedNode;  // the file name reported
};

class LibraryAccess : public testing::TestWithParam<NodeCase> {};

// The program's side: the bound library answers the count with 0 and names
// the node it may not open; other failures to open are no permission problem.
TEST_P(LibraryAccess, ReportsOnlyTheNodesItMayNotOpen) {
    const NodeCase& c = GetParam();
    TempDir dir;
    std::string list;
    for (const std::string& file : c.files) {
        const std::string name = file.substr(1);
        if (file[0] == '-') {
            unreadableNode(dir, name);
        } else if (file[0] == '+') {
            writeAll(dir.file(name), "");
        }
        list += (list.empty() ? "" : ",") + dir.file(name);
    }
    ::setenv("QUELLIX_DEVICE", ("hidraw:" + list).c_str(), 1);
    HidBindResult bound;
    {
        const WithoutDacOverride unprivileged;
        ASSERT_TRUE(unprivileged.effective()) << "cannot drop the root capabilities";
        testing::internal::CaptureStderr();
        bound = HidLibrary::bind(programFolder());
        testing::internal::GetCapturedStderr();
    }
    ::unsetenv("QUELLIX_DEVICE");
    ASSERT_TRUE(bound) << bound.reason;
    const HidFunctions& fn = bound.library->functions();
    const QuellixFilter ctrl{QUELLIX_MATCH_ALL, 0x0C45, 0x5004, 0xFF1C, 0x0092, 0};
    EXPECT_EQ(fn.RequestGetDeviceCount(&ctrl, nullptr, 0, 0, nullptr), 0);

    const KeyboardAccess access = bound.library->keyboardAccess();
    EXPECT_EQ(access.denied, c.denied);
    EXPECT_EQ(access.node, c.denied ? dir.file(c.deniedNode) : "");

    // A buffer too small for the path still gets a terminated prefix.
    char shortBuffer[6] = {'x', 'x', 'x', 'x', 'x', 'x'};
    EXPECT_EQ(fn.QuellixDeviceProblem(shortBuffer, sizeof shortBuffer),
              c.denied ? QUELLIX_PROBLEM_NO_ACCESS : QUELLIX_PROBLEM_NONE);
    EXPECT_EQ(std::string(shortBuffer), c.denied ? dir.file(c.deniedNode).substr(0, 5) : "");
    EXPECT_EQ(fn.QuellixDeviceProblem(nullptr, 0),
              c.denied ? QUELLIX_PROBLEM_NO_ACCESS : QUELLIX_PROBLEM_NONE);

    EXPECT_EQ(fn.End(), 1);
    EXPECT_EQ(fn.QuellixDeviceProblem(nullptr, 0), QUELLIX_PROBLEM_NONE) << "after End";
}

INSTANTIATE_TEST_SUITE_P(
    Nodes, LibraryAccess,
    testing::Values(NodeCase{"unreadable", {"-hidraw3"}, true, "hidraw3"},
                    NodeCase{"second_of_two_unreadable", {"+hidraw4", "-hidraw5"}, true, "hidraw5"},
                    NodeCase{"readable_but_no_hidraw_node", {"+hidraw6"}, false, ""},
                    NodeCase{"missing", {"=hidraw7"}, false, ""}),
    [](const testing::TestParamInfo<NodeCase>& info) { return info.param.name; });

// Through the real library: its words for a failed start reach the binding.
TEST(LibraryStart, AFailedStartSaysWhy) {
    ::setenv("QUELLIX_DEVICE", "carrier-pigeon", 1);
    testing::internal::CaptureStderr();
    const HidBindResult bound = HidLibrary::bind(programFolder());
    testing::internal::GetCapturedStderr();
    ::unsetenv("QUELLIX_DEVICE");
    EXPECT_FALSE(bound);
    EXPECT_NE(bound.reason.find("(Init returned 0): QUELLIX_DEVICE=carrier-pigeon is not a device"),
              std::string::npos)
        << bound.reason;
}

TEST(AccessTexts, AreTheLanguageTextsOfTheProblem) {
    const TextLookup loadText = [](std::u16string_view key) { return englishText(key); };
    const std::string message = utf16ToUtf8(noAccessMessage(loadText));
    EXPECT_NE(message.find("udev rule"), std::string::npos) << message;
    EXPECT_NE(message.find("plug it in again"), std::string::npos) << message;
    const std::u16string tip = noAccessTip(loadText);
    EXPECT_NE(tip, kMissingText);
    EXPECT_LE(tip.size(), 127u);
}

TEST(RootNotice, OnlyForRootAndNotWhenQuietened) {
    const TextLookup loadText = [](std::u16string_view key) { return std::u16string(key); };
    struct Case {
        const char* quiet;
        uid_t uid;
        bool notice;
    };
    const Case cases[] = {
        {nullptr, 0, true}, {"0", 0, true},         {"", 0, true},
        {"1", 0, false},    {nullptr, 1000, false}, {"0", 65534, false},
    };
    for (const Case& c : cases) {
        const auto notice = rootNotice(loadText, c.uid, c.quiet);
        EXPECT_EQ(notice.has_value(), c.notice) << c.uid << " " << (c.quiet ? c.quiet : "(unset)");
        if (notice) {
            EXPECT_EQ(*notice, kRunAsRootKey);
        }
    }
}

struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// quorvanectl with `args` in a home of its own, English texts and no root
// notice; `env` overrides (an empty value removes the variable). As root,
// without the capabilities that pass every file permission.
ToolRun runTool(const TempDir& home, const std::vector<std::string>& args,
                std::map<std::string, std::string> env) {
    env.emplace("HOME", home.path());
    env.emplace("XDG_CONFIG_HOME", home.file("config"));
    env.emplace("LC_ALL", "C");
    env.emplace("LANG", "C");
    env.emplace(kQuietRootVariable, "1");
    std::vector<std::string> entries;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        if (env.count(entry.substr(0, entry.find('='))) == 0) {
            entries.push_back(entry);
        }
    }
    for (const auto& [name, value] : env) {
        if (!value.empty()) {
            std::string entry = name;
            entry.append("=").append(value);
            entries.push_back(std::move(entry));
        }
    }
    std::vector<char*> envp;
    envp.reserve(entries.size() + 1);
    for (std::string& entry : entries) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    std::string program = programFolder() + "quorvanectl";
    std::vector<std::string> argStrings = args;
    std::vector<char*> argv{program.data()};
    for (std::string& a : argStrings) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    const std::string outFile = home.file("out.txt");
    const std::string errFile = home.file("err.txt");

    ToolRun run;
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int out = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) {
            ::_exit(126);
        }
        // Root regains every capability of its bounding set at exec.
        if (::geteuid() == 0 && (::prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0) != 0 ||
                                 ::prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH, 0, 0, 0) != 0)) {
            ::_exit(125);
        }
        ::execve(program.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
    int status = 0;
    if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
        run.exitCode = WEXITSTATUS(status);
    }
    run.out = readAll(outFile);
    run.err = readAll(errFile);
    return run;
}

// The tool's side: every command that needs the keyboard says the cause and
// the fix in the user's language, names the node and ends with its own code.
TEST(QuorvanectlAccess, SaysCauseAndFixAndExitsFour) {
    TempDir home;
    const std::string node = unreadableNode(home, "hidraw9");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"status"}, {"status", "--json"}, {"keys"}}) {
        SCOPED_TRACE(args.back());
        const ToolRun r = runTool(home, args, {{"QUELLIX_DEVICE", "hidraw:" + node}});
        EXPECT_EQ(r.exitCode, 4) << r.err;
        EXPECT_EQ(r.out, "");
        const std::string line = "quorvanectl: " + english(kNoAccessTextKey) + " (" + node + ")\n";
        EXPECT_NE(r.err.find(line), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("no keyboard attached"), std::string::npos) << r.err;
    }
    // A node that is simply absent stays the missing keyboard, with the
    // library's words for what it met.
    const std::string absentNode = home.file("hidraw10");
    const ToolRun absent = runTool(home, {"status"}, {{"QUELLIX_DEVICE", "hidraw:" + absentNode}});
    EXPECT_EQ(absent.exitCode, 1) << absent.err;
    EXPECT_EQ(absent.err, "quorvanectl: no keyboard attached (libquellix.so: " + absentNode +
                              ": No such file or directory)\n");
}

// The library's reason follows the tool's own line: the system's words for
// the refused node, and what a file that is no hidraw node gave.
TEST(QuorvanectlAccess, ShowsTheLibrarysReason) {
    TempDir home;
    const std::string node = unreadableNode(home, "hidraw11");
    const ToolRun denied = runTool(home, {"status"}, {{"QUELLIX_DEVICE", "hidraw:" + node}});
    EXPECT_EQ(denied.exitCode, 4) << denied.err;
    EXPECT_NE(denied.err.find("quorvanectl: libquellix.so: the keyboard is attached but " + node +
                              " cannot be opened (Permission denied)"),
              std::string::npos)
        << denied.err;

    const std::string plain = home.file("hidraw12");
    writeAll(plain, "");
    const ToolRun notHidraw = runTool(home, {"status"}, {{"QUELLIX_DEVICE", "hidraw:" + plain}});
    EXPECT_EQ(notHidraw.exitCode, 1) << notHidraw.err;
    EXPECT_NE(
        notHidraw.err.find("quorvanectl: no keyboard attached (libquellix.so: " + plain + ": "),
        std::string::npos)
        << notHidraw.err;
}

// Root is told, once, and the command still runs; QUORVANE_QUIET_ROOT=1 (set
// by the test harness for every other test) leaves it out.
TEST(QuorvanectlAccess, RootIsToldItNeedNotBeRootAndGoesOn) {
    TempDir home;
    const std::string notice = "quorvanectl: " + english(kRunAsRootKey) + "\n";
    const ToolRun told =
        runTool(home, {"status"}, {{"QUELLIX_DEVICE", "virtual"}, {kQuietRootVariable, ""}});
    EXPECT_EQ(told.exitCode, 0) << told.err;
    EXPECT_NE(told.out.find("keyboards: 1"), std::string::npos) << told.out;
    EXPECT_EQ(told.err, ::geteuid() == 0 ? notice : "");

    const ToolRun quiet =
        runTool(home, {"status"}, {{"QUELLIX_DEVICE", "virtual"}, {kQuietRootVariable, "1"}});
    EXPECT_EQ(quiet.exitCode, 0) << quiet.err;
    EXPECT_EQ(quiet.err, "");
}

}  // namespace
}  // namespace quorvane::test
