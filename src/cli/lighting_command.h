// quorvanectl lighting [options]: shows or changes the current profile's lighting.
#pragma once

#include "cli/cli_command.h"

namespace quorvane::cli {

int runLighting(std::span<const std::string_view> args, CliContext& context);

}  // namespace quorvane::cli
