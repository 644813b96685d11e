// quorvanectl <command> [arguments]: looks the command up in the table and
// runs it.
#include <iostream>
#include <string_view>
#include <vector>

#include "cli/cli_command.h"

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
    out << "\nExit codes: 0 done, 1 keyboard missing, silent or refusing, 2 usage, 3 invalid "
           "file.\n"
           "QUELLIX_DEVICE=virtual talks to the emulated keyboard instead of a real one.\n";
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string_view> args(argv + 1, argv + argc);
    CliContext context{std::cout, std::cerr};
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
        return command.run(rest, context);
    }
    std::cerr << "quorvanectl: unknown command \"" << args[0] << "\"\n"
              << "Usage: quorvanectl <command> [arguments] (see quorvanectl --help)\n";
    return quorvane::cli::kExitUsage;
}
