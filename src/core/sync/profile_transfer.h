// Moving whole key configurations between the keyboard and profile files:
// export, import, the profile manager's Apply, and the profile label of the
// main window's profile-manager button.
#pragma once

#include <string>
#include <vector>

#include "core/app/settings_store.h"
#include "core/sync/keyboard_history.h"

namespace quorvane {

class SyncSession;

// Saves the model to `path` (a ".fwc" file). 1, or kSyncFileNotWritten.
int exportProfile(SyncSession& session, const std::string& path);

// Checks the file (format message naming it, then "IDS_MAIN_PROMPT_INPORT"
// when it fails; the model is then unchanged and kSyncBadFile returned),
// loads it, saves the cache file, writes all three profiles and refreshes the
// keyboard picture. The dirty mark is cleared only when the keyboard took the
// whole configuration; otherwise it stays set and the download's result is
// returned.
// `operation` names the write in the keyboard's history.
int importProfile(SyncSession& session, const std::string& path,
                  HistoryOperation operation = HistoryOperation::Import);

// Writes an entry of the keyboard's history back: an import of its file, which
// saves what the keyboard holds now as a new entry first. A damaged entry, or
// one that saved nothing, is refused (kSyncBadFile, after the message
// "IDS_HISTORY_CANNOT_RESTORE"); with `ask` the question
// "IDS_HISTORY_RESTORE_PROMPT" comes first (No: kSyncCancelled).
int restoreHistoryEntry(SyncSession& session, const std::string& entryPath, bool ask);

// One row of the profile manager's list.
struct ProfileRow {
    std::string folder;  // with a trailing '/'
    std::string name;    // file name without ".fwc"
    bool checked = false;
};

// The profile manager's Apply: the rows go to the framework profile's
// "PROFILES" section ("PROFILE01".. the paths, "PROFILE00" the count), the
// first checked row among the keyboard's three profiles becomes the active
// profile, the model is reloaded, the label updated and the dirty mark
// cleared. Returns the reload's result.
int applyProfileManager(SyncSession& session, const std::vector<ProfileRow>& rows,
                        FrameworkProfile& profile);

// The profile manager's rows when it opens: the cache file of each profile,
// the row of the active profile checked.
std::vector<ProfileRow> profileManagerRows(SyncSession& session);

struct ProfileLabel {
    std::u16string text;
    std::u16string tooltip;
};

// Reads the active profile: the cache file's name for 0..2, the language
// text "IDS_DEFAULT_PROFILE_NAME" for -1, empty for 3 and anything else.
ProfileLabel profileLabel(SyncSession& session);
// profileLabel, handed to the window.
void updateProfileLabel(SyncSession& session);

}  // namespace quorvane
