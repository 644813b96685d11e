#include "cli/watch_command.h"

#include <csignal>
#include <ctime>
#include <ostream>

#include "cli/cli_keyboard.h"
#include "core/platform/program_folder.h"

namespace quorvane::cli {

namespace {

// SIGINT and SIGTERM, blocked in every thread and taken from the pending set
// by the window thread: the library's threads inherit the mask, so no signal
// ends the process between two writes.
class StopSignals {
  public:
    StopSignals() {
        sigemptyset(&m_set);
        sigaddset(&m_set, SIGINT);
        sigaddset(&m_set, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &m_set, &m_previous);
    }
    ~StopSignals() { pthread_sigmask(SIG_SETMASK, &m_previous, nullptr); }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    bool received() {
        if (m_received) {
            return true;
        }
        const timespec now{0, 0};
        m_received = sigtimedwait(&m_set, nullptr, &now) > 0;
        return m_received;
    }

  private:
    sigset_t m_set{};
    sigset_t m_previous{};
    bool m_received = false;
};

}  // namespace

int runWatch(std::span<const std::string_view> args, CliContext& context) {
    if (!args.empty()) {
        return usageError(context, "watch takes no arguments");
    }
    StopSignals signals;
    CliLanguage language(programFolder());
    CliKeyboard keyboard(context, language);
    keyboard.printEvents([&context](const std::string& line) { context.out << line << std::endl; });
    const int opened = keyboard.open(false);
    if (opened != kExitOk) {
        return opened;
    }
    context.out << "watching: " << keyboard.keyboardCount() << " keyboard(s) attached" << std::endl;
    keyboard.watch([&signals] { return signals.received(); });
    return kExitOk;
}

}  // namespace quorvane::cli
