// quorvanectl watch: every keyboard event, until SIGINT or SIGTERM.
#pragma once

#include "cli/cli_command.h"

namespace quorvane::cli {

int runWatch(std::span<const std::string_view> args, CliContext& context);

}  // namespace quorvane::cli
