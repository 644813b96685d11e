// The single-instance rule with real processes: each case runs copies of
// instance_probe in a sandbox of its own (home, run-time folder, program folder
// with a companion that leaves a trace).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <optional>
#include <thread>
#include <vector>

#include "core/app/instance_messages.h"
#include "core/platform/instance_channel.h"
#include "core/platform/named_events.h"
#include "platform/temp_dir.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::atomic<int> sandboxCounter{0};

struct Sandbox {
    test::TempDir dir;
    std::string exe;
    std::string eventSuffix;

    Sandbox() {
        int n = ++sandboxCounter;
        eventSuffix = ".t" + std::to_string(::getpid()) + "_" + std::to_string(n);
        // A name of its own, so that parallel test runs never find each other.
        exe = dir.file("qprobe" + std::to_string(::getpid()) + "x" + std::to_string(n));
        fs::copy_file(QUORVANE_INSTANCE_PROBE, exe);
        fs::permissions(exe, fs::perms::owner_all);
        test::writeAll(dir.file("orvelsyn"),
                       "#!/bin/sh\necho started >> \"$(dirname \"$0\")/companion.log\"\n");
        fs::permissions(dir.file("orvelsyn"), fs::perms::owner_all);
        for (const char* sub : {"home", "cfg", "run"}) {
            fs::create_directory(dir.file(sub));
            ::chmod(dir.file(sub).c_str(), 0700);
        }
    }

    std::string lockFile() const { return dir.file("run/Quorvane_Mutex_09A.lock"); }
    int companionStarts() const {
        std::string log = test::readAll(dir.file("companion.log"));
        return static_cast<int>(std::count(log.begin(), log.end(), '\n'));
    }
    std::string semaphoreFile(int number) const {
        return "/dev/shm/sem." + NamedEvents::eventName(number, ::getuid(), eventSuffix).substr(1);
    }
};

class Probe {
  public:
    Probe(Sandbox& box, const std::vector<std::string>& args,
          const std::vector<std::string>& extraEnv = {}) {
        static std::atomic<int> counter{0};
        log_ = box.dir.file("probe" + std::to_string(++counter) + ".log");
        std::vector<std::string> env;
        for (char** e = environ; *e != nullptr; ++e) {
            std::string_view v(*e);
            if (v.rfind("HOME=", 0) != 0 && v.rfind("XDG_", 0) != 0 && v.rfind("QPROBE_", 0) != 0) {
                env.emplace_back(v);
            }
        }
        // The sandbox's own, unless the case gives another.
        env.insert(env.end(), extraEnv.begin(), extraEnv.end());
        auto given = [&](const std::string& name) {
            return std::any_of(extraEnv.begin(), extraEnv.end(),
                               [&](const std::string& v) { return v.rfind(name + "=", 0) == 0; });
        };
        for (const auto& [name, value] :
             {std::pair<std::string, std::string>{"HOME", box.dir.file("home")},
              {"XDG_CONFIG_HOME", box.dir.file("cfg")},
              {"XDG_RUNTIME_DIR", box.dir.file("run")},
              {"QPROBE_EVENT_SUFFIX", box.eventSuffix}}) {
            if (!given(name)) {
                env.push_back(name + "=" + value);
            }
        }
        std::vector<std::string> argv{box.exe};
        argv.insert(argv.end(), args.begin(), args.end());
        auto pointers = [](std::vector<std::string>& v) {
            std::vector<char*> p;
            p.reserve(v.size() + 1);
            for (auto& s : v) {
                p.push_back(s.data());
            }
            p.push_back(nullptr);
            return p;
        };
        auto argp = pointers(argv);
        auto envp = pointers(env);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        if (::posix_spawn(&pid_, box.exe.c_str(), &actions, nullptr, argp.data(), envp.data()) !=
            0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
    }
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;
    ~Probe() {
        if (pid_ > 0 && !status_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    pid_t pid() const { return pid_; }
    std::string output() const { return test::readAll(log_); }
    bool saw(const std::string& text) const { return output().find(text) != std::string::npos; }

    bool waitFor(const std::string& text, std::chrono::milliseconds timeout = 10s) const {
        auto end = Clock::now() + timeout;
        while (Clock::now() < end) {
            if (saw(text)) {
                return true;
            }
            std::this_thread::sleep_for(10ms);
        }
        return saw(text);
    }
    // The exit code, or nullopt when still running after `timeout` (or killed).
    std::optional<int> waitExit(std::chrono::milliseconds timeout = 10s) {
        auto end = Clock::now() + timeout;
        do {
            if (!status_) {
                int status = 0;
                if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                    status_ = status;
                }
            }
            if (status_) {
                return WIFEXITED(*status_) ? std::optional<int>(WEXITSTATUS(*status_))
                                           : std::nullopt;
            }
            std::this_thread::sleep_for(10ms);
        } while (Clock::now() < end);
        return std::nullopt;
    }
    bool running() { return !waitExit(0ms).has_value() && !status_; }

  private:
    pid_t pid_ = -1;
    std::string log_;
    std::optional<int> status_;
};

bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 5s) {
    auto end = Clock::now() + timeout;
    while (Clock::now() < end) {
        if (condition()) {
            return true;
        }
        std::this_thread::sleep_for(20ms);
    }
    return condition();
}

TEST(Instance, KillWithoutARunningInstanceEndsQuietly) {
    Sandbox box;
    Probe kill(box, {"/Kill"});
    EXPECT_EQ(kill.waitExit(), 0);
    EXPECT_FALSE(kill.saw("INIT"));
    EXPECT_FALSE(fs::exists(box.lockFile()));  // the mutex was never made
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(box.companionStarts(), 0);
}

TEST(Instance, KillEndsTheRunningInstanceAndItsNamedObjects) {
    Sandbox box;
    Probe first(box, {});
    ASSERT_TRUE(first.waitFor("READY"));
    EXPECT_TRUE(first.saw("marked=1 events=208"));
    EXPECT_TRUE(fs::exists(box.semaphoreFile(1)));
    EXPECT_TRUE(fs::exists(box.semaphoreFile(208)));
    ASSERT_TRUE(eventually([&] { return box.companionStarts() == 1; }));

    Probe kill(box, {"/kILL"});
    EXPECT_EQ(kill.waitExit(), 0);
    EXPECT_FALSE(kill.saw("INIT"));
    EXPECT_TRUE(first.waitFor("KILL"));
    EXPECT_EQ(first.waitExit(), 0);
    EXPECT_FALSE(fs::exists(box.semaphoreFile(1)));
    EXPECT_FALSE(fs::exists(box.semaphoreFile(208)));
    EXPECT_EQ(box.companionStarts(), 1);  // "/Kill" starts nothing
}

TEST(Instance, ASecondStartShowsTheFirstAndEnds) {
    Sandbox box;
    Probe first(box, {});
    ASSERT_TRUE(first.waitFor("READY"));
    ASSERT_TRUE(eventually([&] { return box.companionStarts() == 1; }));
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, {"/Start"}, {"/Killer", "-Kill", "\\kill", "x"}}) {
        Probe second(box, args);
        EXPECT_EQ(second.waitExit(), 0);
        EXPECT_FALSE(second.saw("INIT"));
    }
    EXPECT_TRUE(eventually([&] {
        std::string out = first.output();
        std::size_t opens = 0;
        for (auto at = out.find("OPEN"); at != std::string::npos; at = out.find("OPEN", at + 1)) {
            ++opens;
        }
        return opens == 3;
    }));
    EXPECT_FALSE(first.saw("KILL"));
    EXPECT_TRUE(first.running());
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(box.companionStarts(), 1);
}

TEST(Instance, StartSwitchInAnyCaseStartsHidden) {
    Sandbox box;
    Probe plain(box, {"/Starter"});
    ASSERT_TRUE(plain.waitFor("READY"));
    EXPECT_TRUE(plain.saw("INIT noautoopen=0"));
    Probe kill(box, {"/KILL"});
    ASSERT_EQ(kill.waitExit(), 0);
    ASSERT_EQ(plain.waitExit(), 0);

    Probe hidden(box, {"/sTaRt"});
    ASSERT_TRUE(hidden.waitFor("READY"));
    EXPECT_TRUE(hidden.saw("INIT noautoopen=1"));
}

// The lock's holder is still starting: "/Kill" waits for its window's mark.
TEST(Instance, KillWhileTheFirstStartsReachesItOnceMarked) {
    Sandbox box;
    Probe first(box, {}, {"QPROBE_MARK_DELAY_MS=1000"});
    ASSERT_TRUE(first.waitFor("INIT"));
    Probe kill(box, {"/Kill"});
    EXPECT_EQ(kill.waitExit(), 0);
    EXPECT_TRUE(first.waitFor("KILL"));
    EXPECT_EQ(first.waitExit(), 0);
}

TEST(Instance, TenStartsAtOnceLeaveOneInstance) {
    Sandbox box;
    std::vector<std::unique_ptr<Probe>> probes;
    probes.reserve(10);
    for (int i = 0; i < 10; ++i) {
        probes.push_back(std::make_unique<Probe>(box, std::vector<std::string>{}));
    }
    // Nine end on their own; the tenth stays.
    std::vector<std::optional<int>> codes(probes.size());
    auto endedCount = [&] {
        int n = 0;
        for (std::size_t i = 0; i < probes.size(); ++i) {
            if (!codes[i]) {
                codes[i] = probes[i]->waitExit(0ms);
            }
            n += codes[i] ? 1 : 0;
        }
        return n;
    };
    eventually([&] { return endedCount() >= 9; }, 15s);
    std::this_thread::sleep_for(300ms);
    int ended = endedCount();
    Probe* survivor = nullptr;
    for (std::size_t i = 0; i < probes.size(); ++i) {
        if (codes[i]) {
            EXPECT_EQ(*codes[i], 0);
        } else {
            survivor = probes[i].get();
        }
    }
    EXPECT_EQ(ended, 9);
    ASSERT_NE(survivor, nullptr);
    EXPECT_TRUE(survivor->waitFor("READY"));
    for (auto& p : probes) {
        if (p.get() != survivor) {
            EXPECT_FALSE(p->saw("READY"));
        }
    }
    Probe kill(box, {"/Kill"});
    EXPECT_EQ(kill.waitExit(), 0);
    EXPECT_EQ(survivor->waitExit(), 0);
}

TEST(Instance, AKilledFirstLeavesNothingStale) {
    Sandbox box;
    {
        Probe first(box, {});
        ASSERT_TRUE(first.waitFor("READY"));
        ::kill(first.pid(), SIGKILL);
        EXPECT_FALSE(first.waitExit().has_value());  // killed, no exit code
    }
    EXPECT_TRUE(fs::exists(box.semaphoreFile(1)));  // what a crash leaves behind
    Probe next(box, {});
    ASSERT_TRUE(next.waitFor("READY"));
    EXPECT_TRUE(next.saw("marked=1 events=208"));
    Probe second(box, {});
    EXPECT_EQ(second.waitExit(), 0);
    EXPECT_TRUE(next.waitFor("OPEN"));
}

TEST(Instance, AFrozenFirstDoesNotHangASecondStart) {
    Sandbox box;
    Probe first(box, {});
    ASSERT_TRUE(first.waitFor("READY"));
    ASSERT_EQ(::kill(first.pid(), SIGSTOP), 0);
    auto start = Clock::now();
    Probe second(box, {});
    EXPECT_EQ(second.waitExit(15s), 0);
    auto waited = Clock::now() - start;
    EXPECT_LT(waited, 10s);
    EXPECT_FALSE(second.saw("INIT"));
    ::kill(first.pid(), SIGCONT);
    EXPECT_TRUE(first.running());
}

TEST(Instance, GarbageOnTheChannelIsIgnored) {
    Sandbox box;
    Probe first(box, {});
    ASSERT_TRUE(first.waitFor("READY"));
    auto raw = [&](const std::string& bytes) {
        int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::string name = instanceChannelAddress(box.dir.file("run"), first.pid());
        std::memcpy(addr.sun_path, name.data(), name.size());
        ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&addr),
                            static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size())),
                  0);
        ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        ::close(fd);
    };
    raw("x");
    raw(std::string(5000, 'k'));
    raw(std::string(12, '\0'));
    // Well formed, but the tags do not belong to the messages.
    EXPECT_EQ(sendInstanceMessage(box.dir.file("run"), first.pid(), UM_KILL, kTagOpen), 0u);
    EXPECT_EQ(sendInstanceMessage(box.dir.file("run"), first.pid(), UM_OPEN, kTagKill), 0u);
    EXPECT_EQ(sendInstanceMessage(box.dir.file("run"), first.pid(), 0x1234, 0), 0u);
    EXPECT_TRUE(first.running());
    EXPECT_FALSE(first.saw("OPEN"));
    EXPECT_FALSE(first.saw("KILL"));
    EXPECT_EQ(sendInstanceMessage(box.dir.file("run"), first.pid(), UM_OPEN, kTagOpen), 0u);
    EXPECT_TRUE(first.waitFor("OPEN"));
}

// Two sessions of one user (each its own run-time folder): an older instance
// in A is neither shown nor ended from B.
TEST(Instance, AnotherSessionsInstanceIsNotOurs) {
    Sandbox box;
    Probe older(box, {});
    ASSERT_TRUE(older.waitFor("READY"));
    fs::create_directory(box.dir.file("run-b"));
    ::chmod(box.dir.file("run-b").c_str(), 0700);
    const std::vector<std::string> sessionB{"XDG_RUNTIME_DIR=" + box.dir.file("run-b")};

    Probe kill(box, {"/Kill"}, sessionB);
    EXPECT_EQ(kill.waitExit(), 0);
    EXPECT_FALSE(kill.saw("INIT"));
    EXPECT_FALSE(fs::exists(box.dir.file("run-b/Quorvane_Mutex_09A.lock")));

    Probe ours(box, {}, sessionB);
    ASSERT_TRUE(ours.waitFor("READY"));
    EXPECT_TRUE(ours.saw("marked=1"));
    Probe second(box, {}, sessionB);
    EXPECT_EQ(second.waitExit(), 0);
    EXPECT_TRUE(ours.waitFor("OPEN"));
    Probe killB(box, {"/Kill"}, sessionB);
    EXPECT_EQ(killB.waitExit(), 0);
    EXPECT_TRUE(ours.waitFor("KILL"));
    EXPECT_EQ(ours.waitExit(), 0);

    std::this_thread::sleep_for(200ms);
    EXPECT_TRUE(older.running());
    EXPECT_FALSE(older.saw("OPEN"));
    EXPECT_FALSE(older.saw("KILL"));
}

// A holder that died and left its pid behind: "/Kill" ends at once, a start runs.
TEST(Instance, AStalePidIsNotWaitedFor) {
    Sandbox box;
    pid_t gone = 0;
    {
        Probe first(box, {});
        ASSERT_TRUE(first.waitFor("READY"));
        gone = first.pid();
        ::kill(gone, SIGKILL);
        first.waitExit();
    }
    ASSERT_EQ(test::readAll(box.dir.file("run/Quorvane_Mutex_09A.pid")), std::to_string(gone));
    // Were it waited for, "/Kill" would take a minute.
    Probe kill(box, {"/Kill"}, {"QPROBE_SIGNAL_TIMEOUT_MS=60000"});
    EXPECT_EQ(kill.waitExit(), 0);
    Probe next(box, {});
    EXPECT_TRUE(next.waitFor("READY"));
}

}  // namespace
}  // namespace quorvane
