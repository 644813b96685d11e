// Writing the key configuration to the keyboard: the download and Apply.
#include <optional>
#include <string>
#include <vector>

#include "base/atomic_file.h"
#include "core/config/key_table_codec.h"
#include "core/config/macro_area_codec.h"
#include "core/config/profile_cache.h"
#include "core/config/profile_file.h"
#include "core/device/device_result.h"
#include "core/sync/sync_result.h"
#include "core/sync/sync_session.h"
#include "core/sync/sync_texts.h"

namespace quorvane {

namespace {

// True when `next` writes every memory `cut` holds: the macro area always,
// and each of its key tables.
bool writesAllOf(const TransferIntent& next, const TransferIntent& cut) {
    for (const TransferIntent::Table& t : cut.tables) {
        bool found = false;
        for (const TransferIntent::Table& n : next.tables) {
            found = found || n.profile == t.profile;
        }
        if (!found) {
            return false;
        }
    }
    return true;
}

}  // namespace

int SyncSession::download(bool allProfiles, HistoryOperation operation) {
    std::lock_guard configLock(m_config.ConfigLock);
    m_failure = Result();

    TransferIntent intent;
    bool withNames = true;
    int result = buildDownloadArea(intent.macroArea, withNames);
    if (result != kResultDone) {
        return result;
    }
    int active = -1;
    if (!allProfiles) {
        active = readActiveProfile();
        if (active < 0) {
            return m_lastSettingsResult;
        }
        if (active >= kProfileCount) {
            return fail(kSyncDefaultMode, {});
        }
    }
    result = chooseDownloadTables(allProfiles, active, intent.tables);
    if (result != kResultDone) {
        return result;
    }

    TransferOutcome outcome;
    {
        // From the look at the record to the end of the writes no other
        // client may start or cut a transfer; messages wait until after.
        const KeyboardLock::Hold client = m_commands.holdKeyboard();
        if (!client.taken()) {
            return fail(kResultKeyboardBusy, {});
        }
        // A transfer cut short (by another client, or before this one was
        // told) gives way only to one that writes all it would have written:
        // its record must not be replaced by a smaller one.
        const TransferRecordPlace place = transferRecordPlace();
        const PendingTransfer cut = readTransferIntent(place);
        if (cut.state == PendingTransfer::State::Unreadable) {
            return fail(kSyncFileNotRead, "the record of the last transfer: " + cut.error);
        }
        if (cut.state == PendingTransfer::State::Pending && !writesAllOf(intent, cut.intent)) {
            return fail(kSyncTransferPending, describeTransferIntent(cut.intent));
        }
        // What the keyboard holds now can be gone back to; without it no write.
        result = saveHistoryBeforeWrite(operation, intent);
        if (result != kResultDone) {
            return result;
        }
        // The keyboard's memories are written one after the other: a transfer
        // cut short leaves some new and some old, so what is about to go is
        // recorded first and can be written again.
        if (!saveTransferIntent(place, intent)) {
            return fail(kSyncIntentNotSaved,
                        "save the record of the transfer in " + m_recordFolder);
        }
        outcome = writeTransfer(intent, active, place);
    }
    if (outcome.areaWritten && !withNames) {
        m_prompter.showMessage(kMacroNamesDroppedMessage);
    }
    return outcome.result;
}

int SyncSession::buildDownloadArea(std::vector<std::uint8_t>& area, bool& withNames) {
    std::lock_guard downloadLock(m_snapshot.DownloadLock);
    if (!takeDownloadSnapshot(m_config, m_snapshot)) {
        return fail(kSyncCannotBuild, "copy the model");
    }
    // The rule the macro page's meter shows.
    const MacroMemoryUse use = macroMemoryUse(macroAreaSizes(m_snapshot), m_lighting.macroSpace);
    if (!use.fits) {
        m_prompter.showMessage(kMacroSpaceExceededMessage);
        return fail(kSyncMacroSpaceExceeded, "macro area of " + std::to_string(use.used) +
                                                 " bytes, the keyboard holds " +
                                                 std::to_string(m_lighting.macroSpace));
    }
    withNames = !use.namesDropped;
    std::optional<std::vector<std::uint8_t>> built = buildMacroArea(m_snapshot, withNames);
    if (!built) {
        return fail(kSyncCannotBuild, "build the macro area");
    }
    area = std::move(*built);
    return kResultDone;
}

int SyncSession::chooseDownloadTables(bool allProfiles, int active,
                                      std::vector<TransferIntent::Table>& tables) {
    for (int p = 0; p < kProfileCount; ++p) {
        std::optional<DeviceKeyTable> built =
            buildKeyTable(m_snapshot, m_config, m_lighting.DefaultKeyTable, p);
        if (!built) {
            return kSyncCannotBuild;
        }
        const bool changedElsewhere =
            m_keyboardTables[p].has_value() && *m_keyboardTables[p] != *built;
        if (allProfiles || p == active || changedElsewhere) {
            // The active profile's table goes first.
            tables.insert(p == active ? tables.begin() : tables.end(),
                          TransferIntent::Table{p, *built});
        }
    }
    return kResultDone;
}

SyncSession::TransferOutcome SyncSession::writeTransfer(const TransferIntent& intent,
                                                        int checkedProfile,
                                                        const TransferRecordPlace& place) {
    // Whatever arrives, the cache files no longer describe the keyboard until
    // they are saved again.
    m_cacheInStep = {};

    // The first failure ends the writes: a key table must never go out after
    // the macro area it points into did not arrive whole.
    TransferOutcome outcome;
    // What the keyboard will hold, piece by piece; unknown unless all of it arrives.
    std::optional<KeyboardCopy> copy = std::move(m_keyboardCopy);
    m_keyboardCopy.reset();
    int result = m_commands.BeginTransfer();
    if (result == kResultDone && !intent.writingStarted) {
        // From here the keyboard may hold a mix: the record says so before
        // the first memory is written, or nothing is written.
        TransferIntent started = intent;
        started.writingStarted = true;
        if (!saveTransferIntent(place, started)) {
            result =
                fail(kSyncIntentNotSaved, "save the record of the transfer in " + m_recordFolder);
        }
    }
    if (result == kResultDone) {
        result = m_commands.WriteMacroArea(intent.macroArea,
                                           static_cast<std::uint32_t>(intent.macroArea.size()));
        outcome.areaWritten = result == kResultDone;
        if (outcome.areaWritten && copy) {
            copy->macroArea = intent.macroArea;
        }
    }
    if (result != kResultDone && result != kSyncIntentNotSaved) {
        failCommand(result);
    }
    for (const TransferIntent::Table& t : intent.tables) {
        if (result != kResultDone) {
            break;
        }
        if (t.profile == checkedProfile) {
            // A profile switched on the keyboard meanwhile would get the
            // table built for another profile.
            const int now = readActiveProfile();
            if (now != t.profile) {
                result = now < 0 ? m_lastSettingsResult
                                 : fail(kSyncProfileMoved,
                                        "profile " + std::to_string(now + 1) +
                                            " became active before the key table of profile " +
                                            std::to_string(t.profile + 1) + " went");
                break;
            }
        }
        result = m_commands.WriteKeyTable(t.table.bytes, t.profile);
        if (result == kResultDone) {
            m_keyboardTables[t.profile] = t.table;
            if (copy) {
                copy->tables[static_cast<std::size_t>(t.profile)] = t.table;
            }
        } else {
            failCommand(result);
        }
    }
    const int ended = m_commands.EndTransfer(1);
    if (result == kResultDone && ended != kResultDone) {
        result = failCommand(ended);
    }
    if (result == kResultDone) {
        clearTransferIntent(place);
        m_keyboardCopy = std::move(copy);
    }
    outcome.result = result;
    return outcome;
}

void SyncSession::rememberKeyboardTables() {
    std::lock_guard lock(m_config.ConfigLock);
    for (int p = 0; p < kProfileCount; ++p) {
        if (m_config.image) {
            m_keyboardTables[p] =
                buildKeyTableFrom(*m_config.image, m_config.macros, m_lighting.DefaultKeyTable, p);
        } else {
            m_keyboardTables[p].reset();
        }
    }
}

int SyncSession::confirmStandIn() {
    if (m_origin != ModelOrigin::StandIn && m_origin != ModelOrigin::Startup) {
        return kResultDone;
    }
    if (!m_prompter.askYesNo(kWriteStandInModelQuestion)) {
        return kSyncNotConfirmed;
    }
    m_origin = ModelOrigin::UserAction;
    return kResultDone;
}

int SyncSession::applyConfiguration(HistoryOperation operation) {
    m_failure = Result();
    const int p = readActiveProfile();
    if (p < 0) {
        return m_lastSettingsResult;
    }
    if (p >= kProfileCount) {
        return fail(kSyncDefaultMode, {});
    }

    BusyScope busy(m_busy);
    if (!isDirty()) {
        return kResultDone;
    }
    int result = confirmStandIn();
    if (result != kResultDone) {
        return result;
    }
    if (m_offerPendingTransfer && pendingTransfer().state != PendingTransfer::State::None) {
        // Another client's transfer was cut while this program ran: it is
        // settled first (finished or let go), then the model goes out.
        offerPendingTransfer();
    }

    std::lock_guard lock(m_config.ConfigLock);
    result = download(false, operation);
    if (result != kResultDone) {
        return result;
    }
    // Saved only once the keyboard holds the model: the cache files stay the
    // keyboard's copy that declining a profile switch goes back to.
    result = saveKeyboardCopy();
    if (result != kResultDone) {
        return result;
    }
    clearDirty();
    return kResultDone;
}

int SyncSession::saveKeyboardCopy() {
    // Every profile's file: a switch to any profile may go back to its file,
    // and one left behind would hold an older macro area than the keyboard.
    makeDirectories(m_userDataFolder);
    int result = kResultDone;
    for (int p = 0; p < kProfileCount; ++p) {
        const std::string path = profileCacheFilePath(m_userDataFolder, p);
        m_cacheInStep[p] = !path.empty() && saveProfileFile(m_config, path, true) == 1;
        if (!m_cacheInStep[p]) {
            result = fail(kSyncCacheNotSaved, "save " + path);
        }
    }
    return result;
}

}  // namespace quorvane
