#include "cli/result_text.h"

#include <ostream>

#include "core/device/command_set.h"
#include "core/device/device_result.h"
#include "core/sync/sync_result.h"

namespace quorvane::cli {

int failResult(CliContext& context, std::string_view what, const Result& result) {
    context.err << "quorvanectl: " << what << ": " << resultText(result);
    if (result.code() == kResultNotSent && context.libraryError) {
        // The library may say why it did not take the report.
        const std::string why = context.libraryError();
        if (!why.empty()) {
            context.err << " (libquellix.so: " << why << ")";
        }
    }
    context.err << '\n';
    return result.code() == kResultKeyboardBusy ? kExitBusy : kExitFailed;
}

int failResult(CliContext& context, std::string_view what, int result) {
    Result failure = CommandSet::lastFailure();
    return failResult(context, what, failure.code() == result ? failure : Result(result));
}

}  // namespace quorvane::cli
