// A tool killed with SIGKILL part-way through an import leaves the keyboard
// with some memories new and some old. The next run says so, `status` shows
// the transfer as pending and `finish` writes it again; nothing else writes
// over the keyboard meanwhile.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <thread>

#include "cli/tool_runner.h"

namespace quorvane::test {
namespace {

class KilledTransfer : public ::testing::Test {
  protected:
    void SetUp() override {
        ::chmod(tool.file("runtime").c_str(), 0700);
        ToolResult first = tool.run({"status"});
        ASSERT_EQ(first.exitCode, 0) << first.err;
        factory = tool.stateBytes();
        // Three profiles that differ, two macros: a profile file to import.
        ok({"macro", "add", "First", "down:A:10", "up:A:10", "down:B:10", "up:B:10"});
        ok({"macro", "add", "Second", "down:C:10", "up:C:10"});
        ok({"assign", "F2", "macro:1"});
        ok({"profile", "2"});
        ok({"assign", "F3", "macro:2"});
        ok({"profile", "3"});
        ok({"assign", "F4", "disable"});
        ok({"profile", "1"});
        importFile = tool.file("three.fwc");
        ok({"export", importFile});
        // What a whole import leaves on a factory keyboard.
        ASSERT_TRUE(tool.writeState(factory));
        ok({"import", importFile});
        const std::optional<KeyboardMemories> m = tool.memories();
        ASSERT_TRUE(m.has_value());
        imported = *m;
        ASSERT_TRUE(tool.writeState(factory));
        const std::optional<KeyboardMemories> f = tool.memories();
        ASSERT_TRUE(f.has_value());
        factoryMemories = *f;
        ASSERT_NE(imported.keyTables, factoryMemories.keyTables);
    }

    // The runs share a private run-time folder, where the keyboard's lock
    // lives; true once the run `pid` holds it (an earlier run killed while
    // holding it leaves its own name there).
    bool waitForLockHolder(pid_t pid) const {
        const std::string holder = "quorvanectl " + std::to_string(pid) + "\n";
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < until) {
            if (readAll(tool.file("runtime/keyboard-0c45-5004.lock")).starts_with(holder)) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

    ToolResult ok(const std::vector<std::string>& args) {
        ToolResult r = tool.run(args);
        EXPECT_EQ(r.exitCode, 0) << args.front() << "\n" << r.out << r.err;
        return r;
    }

    // Runs an import on the factory keyboard that the kill library stops just
    // before its `renameAt`-th rename (a file of the tool's or a write the
    // keyboard takes), at the pace given; `started` runs once it holds the
    // keyboard (the pace must leave it time before the kill).
    // True when it was killed there.
    bool importKilledAt(int renameAt, const std::map<std::string, std::string>& pace = {},
                        const std::function<void()>& started = {}) {
        if (!tool.writeState(factory)) {
            return false;
        }
        std::map<std::string, std::string> environment = pace;
        environment["LD_PRELOAD"] = QUORVANE_KILL_AT_RENAME_LIBRARY;
        environment["QUORVANE_KILL_AT_RENAME"] = std::to_string(renameAt);
        // The preloaded library comes before the sanitizer's runtime.
        environment["ASAN_OPTIONS"] = "verify_asan_link_order=0";
        const pid_t pid = tool.start({"import", importFile}, environment);
        if (pid < 0) {
            return false;
        }
        if (started && waitForLockHolder(pid)) {
            started();
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    }

    // Kills an import at the first rename after the keyboard took the new
    // macro area, before every key table is written. The rename is found once
    // by counting up from the first at full speed; every later run kills at
    // that same one, at the pace given, with `started` run meanwhile.
    bool killImportAfterTheMacroArea(const std::map<std::string, std::string>& pace = {},
                                     const std::function<void()>& started = {}) {
        static int renameAt = 0;
        const bool plain = pace.empty() && !started;
        if (renameAt == 0) {
            for (int n = 1; n <= kMaxRenames && renameAt == 0; ++n) {
                if (!importKilledAt(n)) {
                    return false;  // the import ended before its n-th rename
                }
                const std::optional<KeyboardMemories> m = tool.memories();
                if (m && m->macroArea == imported.macroArea) {
                    renameAt = n;
                    RecordProperty("renameAt", n);
                }
            }
            if (renameAt == 0) {
                return false;
            }
            if (plain) {
                return true;  // the search's last run is the kill asked for
            }
        }
        const std::optional<KeyboardMemories> m =
            importKilledAt(renameAt, pace, started) ? tool.memories() : std::nullopt;
        return m && m->macroArea == imported.macroArea;
    }

    // Far more renames than an import of three profiles makes.
    static constexpr int kMaxRenames = 2000;

    ToolRunner tool;
    std::string factory;
    std::string importFile;
    KeyboardMemories imported;
    KeyboardMemories factoryMemories;
};

TEST_F(KilledTransfer, TheNextRunTellsAndFinishWritesItAgain) {
    ASSERT_TRUE(killImportAfterTheMacroArea());
    const std::optional<KeyboardMemories> cut = tool.memories();
    ASSERT_TRUE(cut.has_value());
    EXPECT_NE(cut->keyTables, imported.keyTables) << "killed after the last key table";

    // A new run reads the keyboard as it is, says so and writes nothing.
    const ToolResult status = ok({"status"});
    EXPECT_NE(status.out.find("\npending: the last transfer was cut short: the macro area ("),
              std::string::npos)
        << status.out;
    EXPECT_NE(status.out.find("key tables of profiles 1, 2, 3"), std::string::npos) << status.out;
    EXPECT_NE(status.err.find("cut short"), std::string::npos) << status.err;
    const ToolResult json = ok({"status", "--json"});
    EXPECT_NE(json.out.find("\"pending\": \"the last transfer was cut short"), std::string::npos)
        << json.out;
    const std::optional<KeyboardMemories> afterStatus = tool.memories();
    ASSERT_TRUE(afterStatus.has_value());
    EXPECT_EQ(afterStatus->keyTables, cut->keyTables);
    EXPECT_EQ(afterStatus->macroArea, cut->macroArea);

    const ToolResult finished = ok({"finish"});
    EXPECT_EQ(finished.out.rfind("finished: the macro area (", 0), 0u) << finished.out;
    EXPECT_EQ(finished.err, "");
    const std::optional<KeyboardMemories> done = tool.memories();
    ASSERT_TRUE(done.has_value());
    EXPECT_EQ(done->keyTables, imported.keyTables);
    EXPECT_EQ(done->macroArea, imported.macroArea);

    EXPECT_EQ(ok({"status"}).out.find("pending:"), std::string::npos);
    EXPECT_EQ(ok({"finish"}).out, "nothing pending\n");
}

TEST_F(KilledTransfer, ANewTransferTakesThePlaceOfTheCutOne) {
    ASSERT_TRUE(killImportAfterTheMacroArea());
    ok({"import", importFile});
    EXPECT_EQ(ok({"status"}).out.find("pending:"), std::string::npos);
    const std::optional<KeyboardMemories> m = tool.memories();
    ASSERT_TRUE(m.has_value());
    EXPECT_EQ(m->keyTables, imported.keyTables);
}

// Another client (here a second run of the tool; the desktop program takes
// the same lock) waits while a transfer runs, says so, and when that transfer
// is killed it neither writes into the keyboard's mix nor takes the place of
// its record: a one-profile assign does not write all the import would have.
TEST_F(KilledTransfer, ASecondClientWaitsAndLeavesTheCutTransferPending) {
    ToolRunner second;  // its own output files; the same home, run-time folder and keyboard
    const std::map<std::string, std::string> shared = {
        {"HOME", tool.file("home")},
        {"XDG_CONFIG_HOME", tool.file("home/.config")},
        {"XDG_RUNTIME_DIR", tool.file("runtime")},
        {"QUELLIX_VIRTUAL_STATE", tool.stateFile()},
    };
    pid_t assign = -1;
    bool waited = false;
    ASSERT_TRUE(killImportAfterTheMacroArea(
        {{"QUELLIX_VIRTUAL_FRAMES", "1"}, {"QUELLIX_VIRTUAL_LATENCY_MS", "100"}}, [&] {
            // The assign starts while the import holds the keyboard, and says it waits.
            assign = second.start({"assign", "F6", "disable"}, shared);
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (!waited && std::chrono::steady_clock::now() < until) {
                waited =
                    readAll(second.file("err.txt")).find("is writing to the keyboard; waiting") !=
                    std::string::npos;
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        }));
    ASSERT_GT(assign, 0);
    EXPECT_TRUE(waited) << readAll(second.file("err.txt"));
    const std::optional<KeyboardMemories> cut = tool.memories();
    ASSERT_TRUE(cut.has_value());

    const ToolResult assigned = second.finish(assign, 30000);
    EXPECT_NE(assigned.err.find("another quorvanectl (process "), std::string::npos)
        << assigned.err;
    EXPECT_EQ(assigned.exitCode, 1) << assigned.err;
    EXPECT_NE(assigned.err.find("cut short"), std::string::npos) << assigned.err;
    // The keyboard holds what the import left, each memory whole, nothing of the assign.
    const std::optional<KeyboardMemories> after = tool.memories();
    ASSERT_TRUE(after.has_value());
    EXPECT_EQ(after->macroArea, imported.macroArea);
    EXPECT_EQ(after->keyTables, cut->keyTables);
    for (int p = 0; p < 3; ++p) {
        EXPECT_TRUE(after->keyTable(p) == imported.keyTable(p) ||
                    after->keyTable(p) == factoryMemories.keyTable(p))
            << "profile " << p + 1 << "'s table is neither old nor new";
    }
    EXPECT_NE(ok({"status"}).out.find("\npending: the last transfer was cut short"),
              std::string::npos);
    ok({"finish"});
    const std::optional<KeyboardMemories> done = tool.memories();
    ASSERT_TRUE(done.has_value());
    EXPECT_EQ(done->keyTables, imported.keyTables);
}

// A client that may not wait refuses at once with its own exit code.
TEST_F(KilledTransfer, AClientThatMayNotWaitEndsWithExitFive) {
    ToolRunner second;
    const std::map<std::string, std::string> shared = {
        {"HOME", tool.file("home")},
        {"XDG_CONFIG_HOME", tool.file("home/.config")},
        {"XDG_RUNTIME_DIR", tool.file("runtime")},
        {"QUELLIX_VIRTUAL_STATE", tool.stateFile()},
        {"QUORVANECTL_WAIT", "0"},
    };
    ToolResult refused;
    ASSERT_TRUE(killImportAfterTheMacroArea({{"QUELLIX_VIRTUAL_LATENCY_MS", "100"}},
                                            [&] { refused = second.run({"status"}, shared); }));
    EXPECT_EQ(refused.exitCode, 5) << refused.err;
    EXPECT_EQ(refused.err.rfind("quorvanectl: another quorvanectl (process ", 0), 0u)
        << refused.err;
    EXPECT_NE(refused.err.find("kept the keyboard busy; nothing was sent"), std::string::npos)
        << refused.err;
    EXPECT_EQ(refused.out, "");
}

TEST_F(KilledTransfer, FinishTakesNoArguments) {
    const ToolResult r = tool.run({"finish", "now"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("Usage: quorvanectl finish"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace quorvane::test
