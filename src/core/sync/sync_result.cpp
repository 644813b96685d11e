#include "core/sync/sync_result.h"

namespace quorvane {

std::string resultWords(int code) {
    switch (code) {
        case kSyncDefaultMode:
            return "the keyboard is in its default mode; choose profile 1, 2 or 3 first";
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
            return "the record of the transfer could not be saved in the state folder; "
                   "nothing was written";
        case kSyncFileNotRead:
            return "the file could not be read";
        case kSyncTransferPending:
            return "the last transfer to the keyboard was cut short, and this one would not "
                   "write all of it; nothing was written (finish it first)";
        case kSyncHistoryNotSaved:
            return "what the keyboard held could not be saved in its history; nothing was "
                   "written";
        case kSyncNotApplicable:
            return "not possible while the keyboard is in its default mode";
        default:
            break;
    }
    std::string words = deviceResultWords(code);
    return words.empty() ? "failed with result " + std::to_string(code) : words;
}

std::string resultText(const Result& result) {
    const std::string words = resultWords(result.code());
    return result.context().empty() ? words : result.context() + ": " + words;
}

}  // namespace quorvane
