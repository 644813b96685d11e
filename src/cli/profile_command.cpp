#include "cli/profile_command.h"

#include <ostream>

#include "cli/cli_args.h"
#include "cli/cli_keyboard.h"
#include "cli/result_text.h"
#include "cli/settings_summary.h"
#include "core/device/device_result.h"
#include "core/platform/program_folder.h"

namespace quorvane::cli {

int runProfile(std::span<const std::string_view> args, CliContext& context) {
    if (args.size() > 1) {
        return usageError(context, "at most one profile number");
    }
    std::optional<long> wanted;
    if (args.size() == 1) {
        wanted = parseDecimal(args[0], 1, 3);
        if (!wanted) {
            return usageError(context,
                              "the profile is 1, 2 or 3, not \"" + std::string(args[0]) + "\"");
        }
    }
    CliLanguage language(programFolder());
    return withKeyboard(context, language, [&](CliKeyboard& keyboard) {
        SyncSession& sync = keyboard.sync();
        if (wanted) {
            // As the profile buttons do: the lighting of that profile is
            // re-read, and the keyboard switched when it is not there yet.
            const int result = keyboard.session().switchProfile(static_cast<int>(*wanted) - 1);
            if (result != kResultDone) {
                return failResult(context, "switching to profile " + std::to_string(*wanted),
                                  result);
            }
        }
        const int active = sync.readActiveProfile();
        if (active < 0) {
            return failResult(context, "reading the active profile", sync.lastSettingsResult());
        }
        context.out << "active profile: " << profileText(active) << '\n';
        return kExitOk;
    });
}

}  // namespace quorvane::cli
