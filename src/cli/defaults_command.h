// quorvanectl defaults --yes: the active profile's default keys, applied.
#pragma once

#include "cli/cli_command.h"

namespace quorvane::cli {

int runDefaults(std::span<const std::string_view> args, CliContext& context);

}  // namespace quorvane::cli
