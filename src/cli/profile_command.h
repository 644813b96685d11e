// quorvanectl profile [1|2|3]: shows or switches the active profile.
#pragma once

#include "cli/cli_command.h"

namespace quorvane::cli {

int runProfile(std::span<const std::string_view> args, CliContext& context);

}  // namespace quorvane::cli
