// A tool killed with SIGKILL part-way through an import leaves the keyboard
// with some memories new and some old. The next run says so, `status` shows
// the transfer as pending and `finish` writes it again; nothing else writes
// over the keyboard meanwhile.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <optional>
#include <string>

#include "cli/tool_runner.h"

namespace quorvane::test {
namespace {

class KilledTransfer : public ::testing::Test {
  protected:
    void SetUp() override {
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

    ToolResult ok(const std::vector<std::string>& args) {
        ToolResult r = tool.run(args);
        EXPECT_EQ(r.exitCode, 0) << args.front() << "\n" << r.out << r.err;
        return r;
    }

    // Runs an import on the factory keyboard that the kill library stops just
    // before its `renameAt`-th rename (a file of the tool's or a write the
    // keyboard takes). True when it was killed there.
    bool importKilledAt(int renameAt) {
        if (!tool.writeState(factory)) {
            return false;
        }
        const pid_t pid = tool.start({"import", importFile},
                                     {{"LD_PRELOAD", QUORVANE_KILL_AT_RENAME_LIBRARY},
                                      {"QUORVANE_KILL_AT_RENAME", std::to_string(renameAt)},
                                      // The preloaded library comes before the sanitizer's runtime.
                                      {"ASAN_OPTIONS", "verify_asan_link_order=0"}});
        if (pid < 0) {
            return false;
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    }

    // Kills an import at the first rename after the keyboard took the new
    // macro area, before every key table is written. The rename is found once
    // by counting up from the first; every later run kills at that same one.
    bool killImportAfterTheMacroArea() {
        static int renameAt = 0;
        if (renameAt > 0) {
            const std::optional<KeyboardMemories> m =
                importKilledAt(renameAt) ? tool.memories() : std::nullopt;
            return m && m->macroArea == imported.macroArea;
        }
        for (int n = 1; n <= kMaxRenames; ++n) {
            if (!importKilledAt(n)) {
                return false;  // the import ended before its n-th rename
            }
            const std::optional<KeyboardMemories> m = tool.memories();
            if (m && m->macroArea == imported.macroArea) {
                renameAt = n;
                RecordProperty("renameAt", n);
                return true;
            }
        }
        return false;
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

TEST_F(KilledTransfer, FinishTakesNoArguments) {
    const ToolResult r = tool.run({"finish", "now"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("Usage: quorvanectl finish"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace quorvane::test
