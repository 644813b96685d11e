// quorvanectl macro list|add|delete: the macros, which all profiles share.
#pragma once

#include "cli/cli_command.h"

namespace quorvane::cli {

int runMacro(std::span<const std::string_view> args, CliContext& context);

}  // namespace quorvane::cli
