#include <array>
#include <ostream>
#include <string>

#include "cli/assign_command.h"
#include "cli/cli_args.h"
#include "cli/cli_command.h"
#include "cli/defaults_command.h"
#include "cli/history_command.h"
#include "cli/keys_command.h"
#include "cli/lighting_command.h"
#include "cli/macro_command.h"
#include "cli/profile_command.h"
#include "cli/status_command.h"
#include "cli/transfer_commands.h"
#include "cli/watch_command.h"

namespace quorvane::cli {

std::span<const CliCommand> cliCommands() {
    static constexpr std::array kCommands = {
        CliCommand{"status", "show the attached keyboards and the keyboard's settings", "[--json]",
                   &runStatus},
        CliCommand{"export", "save the keyboard's key configuration as a profile file", "FILE",
                   &runExport},
        CliCommand{"import", "write a profile file's key configuration to all three profiles",
                   "FILE", &runImport},
        CliCommand{"finish", "write again a transfer to the keyboard that was cut short", "",
                   &runFinish},
        CliCommand{"history",
                   "list what the keyboard held before each write, or write an entry back",
                   "[--json] | restore N [--yes]", &runHistory},
        CliCommand{"profile", "show or switch the active profile", "[1|2|3]", &runProfile},
        CliCommand{"keys", "list the active profile's key assignments", "[--json]", &runKeys},
        CliCommand{"assign", "assign an action to a key of the active profile and apply it",
                   "KEY default|disable|key:KEY|media:N|function:N|macro:ID", &runAssign},
        CliCommand{"macro", "list, add or delete the keyboard's macros",
                   "list [--json] | add NAME [--count N] STEP... | delete ID\n"
                   "  STEP is down:KEY:DELAY_MS or up:KEY:DELAY_MS (DELAY_MS 0-40000, a "
                   "multiple of 10)",
                   &runMacro},
        CliCommand{"lighting", "show or change the current profile's lighting",
                   "[--effect N] [--brightness 0-4] [--speed 0-4] [--direction 0|1]\n"
                   "  [--colour RRGGBB] [--random on|off] [--rate 0-3]",
                   &runLighting},
        CliCommand{"defaults", "restore the active profile's default keys and apply them", "--yes",
                   &runDefaults},
        CliCommand{"watch", "print every keyboard event until interrupted", "", &runWatch},
    };
    return kCommands;
}

int failWith(CliContext& context, std::string_view reason) {
    context.err << "quorvanectl: " << reason << '\n';
    return kExitFailed;
}

void printUsageLine(std::ostream& out, const CliCommand& command) {
    out << "Usage: quorvanectl " << command.name << (command.usage.empty() ? "" : " ")
        << command.usage << '\n';
}

std::optional<int> parseJsonOnly(std::span<const std::string_view> args, CliContext& context,
                                 bool& json) {
    static constexpr std::array<std::string_view, 1> kFlags = {"json"};
    const ParsedOptions options = parseOptions(args, {}, kFlags);
    if (!options.error.empty()) {
        return usageError(context, options.error);
    }
    if (!options.positionals.empty()) {
        return usageError(
            context, "unexpected argument \"" + std::string(options.positionals.front()) + "\"");
    }
    json = options.hasFlag("json");
    return std::nullopt;
}

int usageError(CliContext& context, std::string_view reason) {
    if (context.command == nullptr) {
        context.err << "quorvanectl: " << reason << '\n';
        return kExitUsage;
    }
    context.err << "quorvanectl " << context.command->name << ": " << reason << '\n';
    printUsageLine(context.err, *context.command);
    return kExitUsage;
}

}  // namespace quorvane::cli
