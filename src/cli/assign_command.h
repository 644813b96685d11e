// quorvanectl assign KEY ACTION: one assignment in the active profile, applied at once.
#pragma once

#include "cli/cli_command.h"

namespace quorvane::cli {

int runAssign(std::span<const std::string_view> args, CliContext& context);

}  // namespace quorvane::cli
