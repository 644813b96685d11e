#include "core/app/app_shell.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "core/app/instance_messages.h"
#include "core/platform/instance_channel.h"
#include "platform/temp_dir.h"
#include "support/env_guard.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;

// Records what the shell asks of the program around it, in order.
struct RecordingHost : ShellHost {
    std::vector<std::string> calls;
    std::function<void(AppShell&, MainWindow&)> duringRun;
    int runCode = 0;

    struct Window : MainWindow {
        RecordingHost& host;
        AppShell& shell;
        Window(RecordingHost& h, AppShell& s) : host(h), shell(s) {}
        ~Window() override { host.calls.push_back("destroy dialog"); }
        int runModal() override {
            host.calls.push_back("run");
            if (host.duringRun) {
                host.duringRun(shell, *this);
            }
            return host.runCode;
        }
        void openAction() override { host.calls.push_back("open"); }
        void exitAction() override { host.calls.push_back("exit"); }
    };

    void createConfigLocks() override { calls.push_back("create locks"); }
    void deleteConfigLocks() override { calls.push_back("delete locks"); }
    std::unique_ptr<MainWindow> constructMainDialog(AppShell& shell) override {
        calls.push_back("construct dialog");
        return std::make_unique<Window>(*this, shell);
    }
    void repaintScreen() override { calls.push_back("repaint"); }
    void closeChildDialogs() override { calls.push_back("close children"); }
    void removeNotificationIcon() override { calls.push_back("remove icon"); }
    void freeModel() override { calls.push_back("free model"); }
};

struct ShellFixture : ::testing::Test {
    test::TempDir dir;
    RecordingHost host;
    ShellOptions options;
    ShellFixture() {
        fs::create_directories(dir.file("prog"));
        fs::create_directory(dir.file("run"));
        ::chmod(dir.file("run").c_str(), 0700);
        options.exePath = dir.file("prog/quorvane");
        options.registryPath = dir.file("cfg/quorvane/registry.reg");
        options.userDataFolder = dir.file("docs/Quorvane_09A");
        options.runtimeFolder = dir.file("run");
        options.eventSuffix = ".shell" + std::to_string(::getpid());
    }
};

TEST_F(ShellFixture, StartUpAndShutdownRunInTheirOrder) {
    bool ownedLock = false;
    bool marked = false;
    int events = 0;
    std::optional<std::uint32_t> answer;
    host.duringRun = [&](AppShell& shell, MainWindow& window) {
        ownedLock = shell.state().g_hInstanceMutex.owns();
        shell.computeSettingsFile();
        marked = shell.markMainWindow(window);
        events = shell.createMainEvents();
        answer = sendInstanceMessage(dir.file("run"), ::getpid(), UM_OPEN, kTagOpen);
        host.calls.push_back("shutdown");
        EXPECT_TRUE(shell.Shutdown());
        EXPECT_FALSE(shell.state().g_hInstanceMutex.isOpen());
        EXPECT_EQ(shell.state().g_hMainEvents.count(), 0);
    };
    AppShell shell(host, options);
    EXPECT_EQ(shell.InitInstance({"/start"}), 0);
    EXPECT_TRUE(ownedLock);
    EXPECT_TRUE(marked);
    EXPECT_EQ(events, 208);
    EXPECT_EQ(answer, std::optional<std::uint32_t>(0));
    EXPECT_EQ(shell.state().g_bNoAutoOpen, 1);
    EXPECT_EQ(host.calls,
              (std::vector<std::string>{"create locks", "construct dialog", "run", "open",
                                        "shutdown", "close children", "remove icon", "free model",
                                        "delete locks", "repaint", "destroy dialog"}));
    // The window's mark is gone with the window.
    EXPECT_FALSE(sendInstanceMessage(dir.file("run"), ::getpid(), UM_OPEN, kTagOpen).has_value());
    EXPECT_EQ(shell.paths().g_szSkinDir, dir.file("prog/Skins/"));
    EXPECT_EQ(shell.paths().settingsFile, dir.file("docs/Quorvane_09A/wskb.ini"));
    EXPECT_TRUE(shell.state().g_settingsKey.isOpen());
}

TEST_F(ShellFixture, AFailedRunGivesItsExitCode) {
    host.runCode = 1;
    AppShell shell(host, options);
    EXPECT_EQ(shell.InitInstance({}), 1);
}

// This test plays the running instance: it holds the lock of the run-time
// folder and listens on its channel.
TEST_F(ShellFixture, AHeldMutexEndsTheStartBeforeTheDialogRuns) {
    NamedLock::Outcome outcome{};
    NamedLock first = NamedLock::openOrCreate(dir.file("run"), kInstanceMutexName, &outcome);
    ASSERT_EQ(outcome, NamedLock::Outcome::Created);
    std::vector<std::uint32_t> heard;
    auto channel = InstanceChannel::open(
        dir.file("run"),
        [&](std::uint32_t message, std::uint32_t) {
            heard.push_back(message);
            return 0u;
        },
        ::getuid());
    ASSERT_NE(channel, nullptr);
    for (const auto& [arguments, message] :
         {std::pair{std::vector<std::string>{}, UM_OPEN}, {{"/kill"}, UM_KILL}}) {
        RecordingHost second;
        AppShell shell(second, options);
        EXPECT_EQ(shell.InitInstance(arguments), 0);
        EXPECT_EQ(second.calls,
                  (std::vector<std::string>{"create locks", "construct dialog", "delete locks",
                                            "repaint", "destroy dialog"}));
        EXPECT_FALSE(shell.state().g_hInstanceMutex.owns());
        ASSERT_FALSE(heard.empty());
        EXPECT_EQ(heard.back(), message);
    }
    EXPECT_EQ(heard.size(), 2u);
}

TEST_F(ShellFixture, AHolderThatNeverAnswersDoesNotKeepAStartFromRunning) {
    NamedLock::Outcome outcome{};
    NamedLock first = NamedLock::openOrCreate(dir.file("run"), kInstanceMutexName, &outcome);
    ASSERT_EQ(outcome, NamedLock::Outcome::Created);
    options.signalTimeout = std::chrono::milliseconds(200);
    {
        AppShell shell(host, options);
        EXPECT_EQ(shell.InitInstance({}), 0);
        EXPECT_FALSE(shell.state().g_hInstanceMutex.owns());
    }
    EXPECT_EQ(host.calls, (std::vector<std::string>{"create locks", "construct dialog", "run",
                                                    "delete locks", "repaint", "destroy dialog"}));
    // "/Kill" finds no one to end, and does nothing else.
    RecordingHost kill;
    AppShell shell(kill, options);
    EXPECT_EQ(shell.InitInstance({"/Kill"}), 0);
    EXPECT_EQ(kill.calls, (std::vector<std::string>{"create locks", "construct dialog",
                                                    "delete locks", "repaint", "destroy dialog"}));
}

TEST_F(ShellFixture, ASettingsKeyThatCannotBeMadeLeavesAnEmptyHandle) {
    options.registryPath = "/dev/null/quorvane/registry.reg";
    AppShell shell(host, options);
    shell.buildPaths();
    shell.openSettingsKey();
    EXPECT_FALSE(shell.state().g_settingsKey.isOpen());
    test::EnvGuard env;
    env.set("LC_ALL", "zh_HK.UTF-8");
    EXPECT_EQ(shell.language().GetLanguageId(), 0x0804);
    env.set("LC_ALL", "ko_KR.UTF-8");
    EXPECT_EQ(shell.language().GetLanguageId(), 0x0412);        // nothing was stored
    EXPECT_EQ(shell.LoadText(u"IDS_MAIN_CAPTION"), u"#Error");  // no language file beside it
}

TEST(NamedLock, OneHolderAtATimeAndReleasedOnClose) {
    test::TempDir dir;
    NamedLock::Outcome a{};
    NamedLock::Outcome b{};
    NamedLock first = NamedLock::openOrCreate(dir.path(), "L", &a);
    NamedLock second = NamedLock::openOrCreate(dir.path(), "L", &b);
    EXPECT_EQ(a, NamedLock::Outcome::Created);
    EXPECT_EQ(b, NamedLock::Outcome::Existed);
    EXPECT_TRUE(second.isOpen());
    EXPECT_FALSE(second.owns());
    first.close();
    NamedLock third = NamedLock::openOrCreate(dir.path(), "L", &a);
    EXPECT_EQ(a, NamedLock::Outcome::Created);
    NamedLock none = NamedLock::openOrCreate("", "L", &b);
    EXPECT_EQ(b, NamedLock::Outcome::Failed);
    EXPECT_FALSE(none.isOpen());
}

TEST(NamedLock, TheHolderNamesItself) {
    test::TempDir dir;
    EXPECT_EQ(NamedLock::holderPid(dir.path(), "L"), 0);
    NamedLock::Outcome outcome{};
    NamedLock first = NamedLock::openOrCreate(dir.path(), "L", &outcome);
    EXPECT_EQ(NamedLock::holderPid(dir.path(), "L"), ::getpid());
    {
        // A handle that only names the lock leaves the holder's word alone.
        NamedLock second = NamedLock::openOrCreate(dir.path(), "L", &outcome);
        ASSERT_EQ(outcome, NamedLock::Outcome::Existed);
    }
    EXPECT_EQ(NamedLock::holderPid(dir.path(), "L"), ::getpid());
    NamedLock moved = std::move(first);
    EXPECT_EQ(NamedLock::holderPid(dir.path(), "L"), ::getpid());
    moved.close();
    EXPECT_EQ(NamedLock::holderPid(dir.path(), "L"), 0);
    for (const char* text : {"", "12x", "-5", "0", "99999999999999999999"}) {
        test::writeAll(dir.file("L.pid"), text);
        EXPECT_EQ(NamedLock::holderPid(dir.path(), "L"), 0) << text;
    }
}

}  // namespace
}  // namespace quorvane
