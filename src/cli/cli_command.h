// The commands of quorvanectl. A command is a function taking its own
// arguments (after the command name) and returning the exit code.
#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quorvane::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;       // no keyboard, no answer, refused
inline constexpr int kExitUsage = 2;        // bad arguments: nothing was sent
inline constexpr int kExitInvalidFile = 3;  // a profile file failed its checks
inline constexpr int kExitNoAccess = 4;     // the keyboard is attached but may not be opened
inline constexpr int kExitBusy = 5;         // another client kept the keyboard: nothing was sent

struct CliCommand;

struct CliContext {
    std::ostream& out;
    std::ostream& err;
    const CliCommand* command = nullptr;  // the one running, for its usage text
    // The HID library's words for its last failure, once it is bound.
    std::function<std::string()> libraryError;
};

struct CliCommand {
    std::string_view name;
    std::string_view summary;  // one line for --help
    std::string_view usage;    // the arguments after the name, for its --help
    int (*run)(std::span<const std::string_view> args, CliContext& context);
};

// Every command, in the order --help lists them.
std::span<const CliCommand> cliCommands();

// Prints "quorvanectl: <reason>" as the single line of a failure.
int failWith(CliContext& context, std::string_view reason);

// Prints "quorvanectl <command>: <reason>" and the command's usage line;
// returns kExitUsage.
int usageError(CliContext& context, std::string_view reason);

// For commands whose only option is --json: nullopt with `json` set, or the
// usage error's exit code when the arguments are anything else.
std::optional<int> parseJsonOnly(std::span<const std::string_view> args, CliContext& context,
                                 bool& json);

// The usage line of a command: "Usage: quorvanectl <name> <usage>".
void printUsageLine(std::ostream& out, const CliCommand& command);

}  // namespace quorvane::cli
