// The tool's line for a failed operation; the words come from the core
// (core/sync/sync_result.h), as the window's do.
#pragma once

#include <string_view>

#include "cli/cli_command.h"
#include "core/device/result.h"

namespace quorvane::cli {

// Prints "quorvanectl: <what>: <context>: <reason>" and returns kExitFailed.
// An integer code takes the context of the command set's last failure on
// this thread when it has that code.
int failResult(CliContext& context, std::string_view what, const Result& result);
int failResult(CliContext& context, std::string_view what, int result);

}  // namespace quorvane::cli
