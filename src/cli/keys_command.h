// quorvanectl keys [--json]: the active profile's assignments.
#pragma once

#include "cli/cli_command.h"

namespace quorvane::cli {

int runKeys(std::span<const std::string_view> args, CliContext& context);

}  // namespace quorvane::cli
