// One line for every result code the device link and the synchronisation give.
#pragma once

#include <string>
#include <string_view>

#include "cli/cli_command.h"

namespace quorvane::cli {

// Why an operation with this result did not succeed.
std::string resultReason(int result);

// Prints "quorvanectl: <what>: <reason>" and returns kExitFailed.
int failResult(CliContext& context, std::string_view what, int result);

}  // namespace quorvane::cli
