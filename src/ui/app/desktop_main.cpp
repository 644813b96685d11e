// The desktop program proper, loaded by quorvane's main() once this start is
// not only a handover to a running instance: the single-instance rule in full,
// the switches ("/Start", "/Kill") before Qt starts, then the window until the
// exit action.
#include <QApplication>

#include <optional>
#include <string>
#include <vector>

#include "core/app/program_usage.h"
#include "program_signals.h"
#include "ui/app/desktop_entry.h"
#include "ui/main/quorvane_program.h"

extern "C" __attribute__((visibility("default"))) int quorvaneDesktopMain(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
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
