#include <array>
#include <ostream>

#include "cli/cli_command.h"
#include "cli/status_command.h"

namespace quorvane::cli {

std::span<const CliCommand> cliCommands() {
    static constexpr std::array kCommands = {
        CliCommand{"status", "show the attached keyboards and the keyboard's settings", "",
                   &runStatus},
    };
    return kCommands;
}

int failWith(CliContext& context, std::string_view reason) {
    context.err << "quorvanectl: " << reason << '\n';
    return kExitFailed;
}

}  // namespace quorvane::cli
