// quorvane: the desktop program. The single-instance rule and the switches
// ("/Start", "/Kill") come first, before Qt starts; then the window runs until
// the exit action.
#include <malloc.h>
#include <unistd.h>

#include <QApplication>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "base/file_size_signal.h"
#include "core/app/program_usage.h"
#include "program_signals.h"
#include "ui/main/quorvane_program.h"

namespace {
constexpr int kOwnMappingBytes = 512 * 1024;
}  // namespace

int main(int argc, char** argv) {
    quorvane::ignoreFileSizeSignal();  // before any thread: a save past ulimit -f then fails
    // The window's pictures (megabytes each, decoded on worker threads) come
    // and go with it: a fixed threshold maps every such block on its own, so
    // it goes back to the system once freed instead of staying in a thread's
    // heap (the threshold would otherwise grow past them after the first).
    mallopt(M_MMAP_THRESHOLD, kOwnMappingBytes);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    // The manual page says the same text.
    if (quorvane::asksForUsage(arguments)) {
        std::fputs(std::string(quorvane::quorvaneUsage()).c_str(), stdout);
        return 0;
    }
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    // The desktop entry's name, so that the desktop matches the window to it.
    QApplication::setDesktopFileName(
        QString::fromLatin1(quorvane::kApplicationId.data(), quorvane::kApplicationId.size()));
    QApplication::setQuitOnLastWindowClosed(false);

    std::optional<QApplication> app;
    quorvane::ProgramOptions options;
    quorvane::QuorvaneProgram* running = nullptr;
    options.startGui = [&] {
        app.emplace(argc, argv);
        quorvane::routeTerminationSignals(&*app, [&running] { running->shutdownProgram(); });
    };
    quorvane::QuorvaneProgram program(std::move(options));
    running = &program;
    return program.run(arguments);
}
