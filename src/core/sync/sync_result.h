// Result codes of the synchronisation operations beyond the device link's
// (core/device/device_result.h): 1 done, 0 no keyboard, -1 not sent, -2 no
// answer, -102 / -103 refused, -201 bad argument. The codes below say why an
// operation stopped before or without the keyboard having failed.
#pragma once

#include <string>

#include "core/device/result.h"

namespace quorvane {

inline constexpr int kSyncDefaultMode = -301;         // the keyboard is in its default mode
inline constexpr int kSyncMacroSpaceExceeded = -302;  // not even the nameless area fits
inline constexpr int kSyncCacheNotSaved = -303;       // the profile cache file was not written
inline constexpr int kSyncNotConfirmed = -304;        // a stand-in model the user did not confirm
inline constexpr int kSyncCannotBuild = -305;     // no image, memory short, area not describable
inline constexpr int kSyncProfileMoved = -306;    // the active profile changed during a write
inline constexpr int kSyncEditorOpen = -307;      // the composite editor is open
inline constexpr int kSyncBadFile = -308;         // a profile file failed its checks or load
inline constexpr int kSyncFileNotWritten = -309;  // a file could not be written
inline constexpr int kSyncCancelled = -310;       // the user answered No
inline constexpr int kSyncNotApplicable =
    -311;  // nothing to do in this state (no effect 20, profile 3)
inline constexpr int kSyncIntentNotSaved = -312;   // the intent record could not be written
inline constexpr int kSyncFileNotRead = -313;      // a file is there but could not be read
inline constexpr int kSyncTransferPending = -314;  // a cut transfer this one would not replace
inline constexpr int kSyncHistoryNotSaved = -315;  // the history entry could not be written

// True for the one success code.
constexpr bool syncSucceeded(int result) {
    return result == 1;
}

// Why an operation with this code did not succeed, in words for a person;
// the same words in the window and in the command-line tool.
std::string resultWords(int code);

// "context: words", or the words alone when there is no context.
std::string resultText(const Result& result);

}  // namespace quorvane
