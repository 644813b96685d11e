// quorvanectl status: the number of keyboards and the keyboard's settings.
#pragma once

#include "cli/cli_command.h"

namespace quorvane::cli {

int runStatus(std::span<const std::string_view> args, CliContext& context);

}  // namespace quorvane::cli
