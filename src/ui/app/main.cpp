// quorvane: the desktop program. The single-instance rule and the switches
// ("/Start", "/Kill") come first; then the window runs until the exit action.
#include <unistd.h>

#include <QApplication>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/app/app_shell.h"
#include "program_signals.h"
#include "ui/main/quorvane_program.h"

namespace {

constexpr char kUsage[] =
    "Usage: quorvane [/Start] [/Kill]\n"
    "\n"
    "Configures the 0x0C45:0x5004 keyboard from the notification area.\n"
    "\n"
    "  /Start   start hidden in the notification area and stay there when the\n"
    "           keyboard is found\n"
    "  /Kill    make the running instance exit\n"
    "  --help   show this text\n"
    "\n"
    "A second start shows the running instance's window.\n"
    "QUELLIX_DEVICE=virtual talks to the emulated keyboard instead of a real one.\n";

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        arguments.emplace_back(argv[i]);
    }
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    QApplication::setDesktopFileName(QStringLiteral("quorvane"));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication app(argc, argv);

    quorvane::QuorvaneProgram program;
    quorvane::routeTerminationSignals(&app, [&program] { program.shutdownProgram(); });
    quorvane::AppShell shell(program);
    return shell.InitInstance(arguments);
}
