#include "core/sync/profile_transfer.h"

#include <cstdio>

#include "core/config/profile_cache.h"
#include "core/config/profile_file.h"
#include "core/device/device_result.h"
#include "core/platform/utf_text.h"
#include "core/sync/sync_result.h"
#include "core/sync/sync_session.h"
#include "core/sync/sync_texts.h"

namespace quorvane {

namespace {

std::u16string profileValueName(int number) {
    char name[16];
    std::snprintf(name, sizeof name, "%s%02d", "PROFILE", number);
    return utf8ToUtf16(name);
}

}  // namespace

int exportProfile(SyncSession& session, const std::string& path) {
    return saveProfileFile(session.config(), path, true) == 1 ? kResultDone : kSyncFileNotWritten;
}

int importProfile(SyncSession& session, const std::string& path, HistoryOperation operation) {
    if (checkProfileFile(path, &session.prompter()) <= 0) {
        session.prompter().showMessage(session.text(kTextImportFailed));
        return kSyncBadFile;
    }

    WorkingConfig& config = session.config();
    int result = kResultDone;
    {
        std::lock_guard lock(config.ConfigLock);
        // The model is replaced only by a file that loads whole.
        if (loadProfileFile(config, path) != 1) {
            session.prompter().showMessage(session.text(kTextImportFailed));
            return kSyncBadFile;
        }
        // A file whose keys name macros it lacks would leave them dangling on
        // the keyboard.
        dropKeysOfMissingMacros(config);
        session.setModelOrigin(ModelOrigin::UserAction);
        // The refreshed picture and the default-mode notice follow the
        // keyboard's active profile.
        session.readActiveProfile();
        result = session.download(true, operation);
        // The cache files stay the keyboard's copy until the keyboard holds
        // the import.
        if (result == kResultDone) {
            session.saveKeyboardCopy();
        }
        session.window().refreshKeyboardPicture();
    }

    // The model holds the import either way; Apply retries what did not arrive.
    if (result == kResultDone) {
        session.clearDirty();
    } else {
        session.markDirty();
    }
    return result;
}

int restoreHistoryEntry(SyncSession& session, const std::string& entryPath, bool ask) {
    const HistoryEntry entry = checkHistoryEntry(entryPath);
    if (entry.state != HistoryEntry::State::Saved) {
        session.prompter().showMessage(session.text(kTextHistoryCannotRestore) + u"\n\n" +
                                       utf8ToUtf16(entry.fileName + ": " + entry.reason));
        return kSyncBadFile;
    }
    if (ask && !session.prompter().askYesNo(session.text(kTextHistoryRestorePrompt))) {
        return kSyncCancelled;
    }
    return importProfile(session, entryPath, HistoryOperation::Restore);
}

std::vector<ProfileRow> profileManagerRows(SyncSession& session) {
    const int active = session.readActiveProfile();
    std::string folder = session.userDataFolder();
    if (folder.empty() || folder.back() != '/') {
        folder += '/';
    }
    std::vector<ProfileRow> rows;
    rows.reserve(kProfileCount);
    for (int p = 0; p < kProfileCount; ++p) {
        rows.push_back({folder, profileCacheFileName(p), p == active});
    }
    return rows;
}

int applyProfileManager(SyncSession& session, const std::vector<ProfileRow>& rows,
                        FrameworkProfile& profile) {
    for (std::size_t f = 0; f < rows.size(); ++f) {
        const ProfileRow& row = rows[f];
        profile.WriteProfileString(u"PROFILES", profileValueName(static_cast<int>(f) + 1),
                                   utf8ToUtf16(row.folder + row.name + ".fwc"));
    }
    profile.WriteProfileString(u"PROFILES", profileValueName(0),
                               utf8ToUtf16(std::to_string(rows.size())));

    int result = kResultDone;
    for (std::size_t f = 0; f < rows.size(); ++f) {
        if (rows[f].checked) {
            // Rows past the keyboard's three profiles name no profile of it.
            if (f < static_cast<std::size_t>(kProfileCount)) {
                result = session.selectProfile(static_cast<int>(f));
            }
            break;
        }
    }
    const int reloaded = session.reloadFromKeyboard(false);
    updateProfileLabel(session);
    session.clearDirty();
    return result == kResultDone ? reloaded : result;
}

ProfileLabel profileLabel(SyncSession& session) {
    const int active = session.readActiveProfile();
    ProfileLabel label;
    if (active >= 0 && active < kProfileCount) {
        label.text = utf8ToUtf16(profileCacheFileName(active));
    } else if (active == -1) {
        label.text = session.text(kTextDefaultProfileName);
    }
    label.tooltip = std::u16string(kProfileTip) + label.text;
    return label;
}

void updateProfileLabel(SyncSession& session) {
    const ProfileLabel label = profileLabel(session);
    session.window().setProfileLabel(label.text, label.tooltip);
}

}  // namespace quorvane
