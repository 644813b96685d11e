#include "cli/defaults_command.h"

#include <ostream>

#include "cli/cli_keyboard.h"
#include "cli/result_text.h"
#include "core/device/device_result.h"
#include "core/platform/program_folder.h"

namespace quorvane::cli {

int runDefaults(std::span<const std::string_view> args, CliContext& context) {
    if (args.size() != 1 || args[0] != "--yes") {
        return usageError(context,
                          "this replaces the active profile's key assignments: give --yes");
    }
    CliLanguage language(programFolder());
    return withKeyboard(context, language, [&](CliKeyboard& keyboard) {
        // --yes answered the question the default button asks.
        const int result = keyboard.session().restoreDefaults(false);
        if (result != kResultDone) {
            return failResult(context, "restoring the defaults",
                              keyboard.session().sync().explain(result));
        }
        context.out << "profile " << keyboard.lighting().activeProfile + 1
                    << ": default keys restored\n";
        return kExitOk;
    });
}

}  // namespace quorvane::cli
