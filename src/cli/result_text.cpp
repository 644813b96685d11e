#include "cli/result_text.h"

#include <ostream>

#include "core/device/device_result.h"
#include "core/sync/sync_result.h"

namespace quorvane::cli {

std::string resultReason(int result) {
    switch (result) {
        case kResultDone:
            return "done";
        case kResultNoKeyboard:
            return "the keyboard is missing (removed, or the wait for it failed)";
        case kResultNotSent:
            return "the HID library did not accept the command";
        case kResultNoAnswer:
            return "the keyboard did not answer";
        case kResultRefusedFF:
            return "the keyboard refused the command (status 0xFF)";
        case kResultRefusedFE:
            return "the keyboard refused the command (status 0xFE)";
        case kResultBadArgument:
            return "the command was not sent (bad argument)";
        case kSyncDefaultMode:
            return "the keyboard is in its default mode; choose a profile first "
                   "(quorvanectl profile 1)";
        case kSyncMacroSpaceExceeded:
            return "the macros do not fit the keyboard's macro space; nothing was written";
        case kSyncCacheNotSaved:
            return "the keyboard holds the change, but the profile cache file could not be saved";
        case kSyncNotConfirmed:
            return "the configuration could not be read from the keyboard; nothing was written";
        case kSyncCannotBuild:
            return "the configuration could not be built for the keyboard";
        case kSyncProfileMoved:
            return "the keyboard's active profile changed during the write; run it again";
        case kSyncEditorOpen:
            return "an editor is open";
        case kSyncBadFile:
            return "the profile file failed its checks";
        case kSyncFileNotWritten:
            return "the file could not be written";
        case kSyncCancelled:
            return "cancelled";
        case kSyncIntentNotSaved:
            return "the record of the transfer could not be saved in the user data folder; "
                   "nothing was written";
        case kSyncNotApplicable:
            return "not possible while the keyboard is in its default mode";
        default:
            return "failed with result " + std::to_string(result);
    }
}

int failResult(CliContext& context, std::string_view what, int result) {
    context.err << "quorvanectl: " << what << ": " << resultReason(result) << '\n';
    return kExitFailed;
}

}  // namespace quorvane::cli
