#include "program_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>

#include <csignal>

namespace quorvane {

namespace {

int g_signalPipe[2] = {-1, -1};

void onTerminationSignal(int /*signal*/) {
    const char byte = 1;
    // Only async-signal-safe calls here; a full pipe already holds a wake-up.
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
}

}  // namespace

bool routeTerminationSignals(QObject* owner, std::function<void()> onSignal) {
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return false;
    }
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read,
                                         owner);  // NOLINT(cppcoreguidelines-owning-memory)
    QObject::connect(notifier, &QSocketNotifier::activated, owner,
                     [onSignal = std::move(onSignal)] {
                         char buffer[16];
                         while (::read(g_signalPipe[0], buffer, sizeof buffer) > 0) {
                         }
                         onSignal();
                     });
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        ::sigaction(signal, &action, nullptr);
    }
    return true;
}

}  // namespace quorvane
