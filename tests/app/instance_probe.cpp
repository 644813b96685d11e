// A stand-in for the program in instance tests: the real start-up, instance rule
// and shutdown of the shell, with a window that has no pixels. It prints one line
// per event on standard output:
//   INIT noautoopen=<0|1>       the dialog starts initialising
//   READY <pid> marked=<0|1> events=<n>
//   OPEN | KILL                 an instance message reached the window
//   EXIT <code>
// QPROBE_MARK_DELAY_MS delays the window mark; QPROBE_SIGNAL_TIMEOUT_MS replaces
// the time given to a running instance to answer; QPROBE_EVENT_SUFFIX is appended to the named
// events' names.
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>

#include "core/app/app_shell.h"

namespace quorvane {
namespace {

void say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// What the window's thread does for the channel's thread: one action at a time,
// the sender waits until it is done (or the window has gone).
class Mailbox {
  public:
    enum class Action { Open, Kill };

    void sendAndWait(Action action) {
        std::unique_lock lock(mutex_);
        if (closed_) {
            return;
        }
        std::uint64_t ticket = ++posted_;
        queue_.push_back(action);
        changed_.notify_all();
        changed_.wait(lock, [&] { return closed_ || done_ >= ticket; });
    }
    // Waits for the next action; false once closed.
    bool next(Action& action) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return closed_ || !queue_.empty(); });
        if (queue_.empty()) {
            return false;
        }
        action = queue_.front();
        queue_.pop_front();
        return true;
    }
    void finished() {
        std::lock_guard lock(mutex_);
        ++done_;
        changed_.notify_all();
    }
    void close() {
        std::lock_guard lock(mutex_);
        closed_ = true;
        changed_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Action> queue_;
    std::uint64_t posted_ = 0;
    std::uint64_t done_ = 0;
    bool closed_ = false;
};

class ProbeWindow : public MainWindow {
  public:
    explicit ProbeWindow(AppShell& shell) : shell_(shell) {}

    int runModal() override {
        say("INIT noautoopen=" + std::to_string(shell_.state().g_bNoAutoOpen));
        if (const char* delay = std::getenv("QPROBE_MARK_DELAY_MS")) {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(delay)));
        }
        shell_.computeSettingsFile();
        bool marked = shell_.markMainWindow(*this);
        int events = shell_.createMainEvents();
        say("READY " + std::to_string(::getpid()) + " marked=" + std::to_string(marked ? 1 : 0) +
            " events=" + std::to_string(events));
        Mailbox::Action action{};
        while (mailbox_.next(action)) {
            bool end = false;
            if (action == Mailbox::Action::Open) {
                say("OPEN");
            } else {
                say("KILL");
                shell_.Shutdown();
                end = true;
            }
            mailbox_.finished();
            if (end) {
                break;
            }
        }
        mailbox_.close();
        return 0;
    }
    void openAction() override { mailbox_.sendAndWait(Mailbox::Action::Open); }
    void exitAction() override { mailbox_.sendAndWait(Mailbox::Action::Kill); }

  private:
    AppShell& shell_;
    Mailbox mailbox_;
};

class ProbeHost : public ShellHost {
  public:
    std::unique_ptr<MainWindow> constructMainDialog(AppShell& shell) override {
        return std::make_unique<ProbeWindow>(shell);
    }
};

}  // namespace
}  // namespace quorvane

int main(int argc, char** argv) {
    quorvane::ProbeHost host;
    quorvane::ShellOptions options;
    if (const char* timeout = std::getenv("QPROBE_SIGNAL_TIMEOUT_MS")) {
        options.signalTimeout = std::chrono::milliseconds(std::atoi(timeout));
    }
    if (const char* suffix = std::getenv("QPROBE_EVENT_SUFFIX")) {
        options.eventSuffix = suffix;
    }
    quorvane::AppShell shell(host, options);
    int code = shell.InitInstance(std::vector<std::string>(argv + 1, argv + argc));
    quorvane::say("EXIT " + std::to_string(code));
    return code;
}
