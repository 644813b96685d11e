// quorvanectl history [--json] | history restore N [--yes]: the keyboard's
// history, and writing one of its entries back.
#pragma once

#include "cli/cli_command.h"

namespace quorvane::cli {

int runHistory(std::span<const std::string_view> args, CliContext& context);

}  // namespace quorvane::cli
