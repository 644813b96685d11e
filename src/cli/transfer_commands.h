// quorvanectl export FILE and import FILE: the key configuration and profile files.
#pragma once

#include "cli/cli_command.h"

namespace quorvane::cli {

int runExport(std::span<const std::string_view> args, CliContext& context);
int runImport(std::span<const std::string_view> args, CliContext& context);
// Writes a transfer that was cut short again (status shows it as "pending:").
int runFinish(std::span<const std::string_view> args, CliContext& context);

}  // namespace quorvane::cli
