// quorvanectl <command> [arguments]: looks the command up in the table and
// runs it.
#include <iostream>
#include <string_view>
#include <vector>

#include "base/file_size_signal.h"
#include "cli/cli_command.h"
#include "cli/cli_keyboard.h"
#include "cli/cli_language.h"
#include "core/app/user_checks.h"
#include "core/platform/program_folder.h"

namespace {

using quorvane::cli::CliCommand;
using quorvane::cli::CliContext;

bool isHelp(std::string_view arg) {
    return arg == "--help" || arg == "-h";
}

void printUsage(std::ostream& out) {
    out << "Usage: quorvanectl <command> [arguments]\n"
           "       quorvanectl <command> --help\n\n"
           "Commands:\n";
    for (const CliCommand& command : quorvane::cli::cliCommands()) {
        out << "  " << command.name
            << std::string(command.name.size() < 10 ? 10 - command.name.size() : 1, ' ')
            << command.summary << '\n';
    }
    // The manual page quorvanectl(1) says the same; a test keeps the two equal.
    out << "\nExit codes:\n"
           "  0  done\n"
           "  1  keyboard missing, silent or refusing\n"
           "  2  bad arguments: nothing was sent\n"
           "  3  the profile file failed its checks\n"
           "  4  the keyboard is attached, but this user may not open it (udev rule missing)\n"
           "  5  the desktop program or another quorvanectl kept the keyboard: nothing was sent\n"
           "\nEnvironment:\n"
           "  QUELLIX_DEVICE=virtual  talk to the emulated keyboard instead of a real one\n"
           "  QUELLIX_VIRTUAL_FRAMES=1  the emulated keyboard's reports travel in 1 ms USB frames\n"
           "  QUELLIX_VIRTUAL_LATENCY_MS=N  the emulated keyboard answers N ms late (0 to 60000)\n"
           "  QUORVANE_QUIET_ROOT=1   leave out the notice that the tool need not run as root\n"
           "  QUORVANECTL_WAIT=S      wait up to S seconds (default 60; 0: not at all) while "
           "another client talks to the keyboard\n";
}

// Said once before a command runs; the command goes on.
void noticeRoot(std::ostream& err) {
    const quorvane::TextLookup loadText = [](std::u16string_view key) {
        const quorvane::cli::CliLanguage language(quorvane::programFolder());
        return language.text(key);
    };
    if (const auto notice = quorvane::rootNotice(loadText)) {
        err << "quorvanectl: " << quorvane::cli::utf8(*notice) << '\n';
    }
}

}  // namespace

int main(int argc, char** argv) {
    quorvane::ignoreFileSizeSignal();  // before any thread: a save past ulimit -f then fails
    std::vector<std::string_view> args(argv + 1, argv + argc);
    CliContext context{std::cout, std::cerr, nullptr, {}};
    if (args.empty()) {
        printUsage(std::cerr);
        return quorvane::cli::kExitUsage;
    }
    if (isHelp(args[0])) {
        printUsage(std::cout);
        return quorvane::cli::kExitOk;
    }
    for (const CliCommand& command : quorvane::cli::cliCommands()) {
        if (command.name != args[0]) {
            continue;
        }
        const std::span<const std::string_view> rest(args.data() + 1, args.size() - 1);
        for (const std::string_view arg : rest) {
            if (isHelp(arg)) {
                quorvane::cli::printUsageLine(std::cout, command);
                std::cout << command.summary << '\n';
                return quorvane::cli::kExitOk;
            }
        }
        context.command = &command;
        noticeRoot(std::cerr);
        return command.run(rest, context);
    }
    std::cerr << "quorvanectl: unknown command \"" << args[0] << "\"\n"
              << "Usage: quorvanectl <command> [arguments] (see quorvanectl --help)\n";
    return quorvane::cli::kExitUsage;
}
