// Choosing a profile, the profile switch and restoring the defaults.
#include "core/config/working_config.h"
#include "core/device/device_result.h"
#include "core/sync/picture_keys.h"
#include "core/sync/profile_transfer.h"
#include "core/sync/sync_result.h"
#include "core/sync/sync_session.h"
#include "core/sync/sync_texts.h"

namespace quorvane {

int SyncSession::switchProfile(int p) {
    if (p < 0 || p >= kProfileCount) {
        return kResultBadArgument;
    }
    if (m_window.isCompositeEditorOpen()) {
        m_prompter.showMessage(kCloseEditorFirstMessage);
        return kSyncEditorOpen;
    }

    int result = kResultDone;
    const bool pending = m_window.profileManagerHasUnappliedChanges() || isDirty();
    if (pending && !m_switchPromptOpen) {
        m_switchPromptOpen = true;
        const bool apply = m_prompter.askYesNo(text(kTextProfileSelectPrompt));
        m_switchPromptOpen = false;
        if (apply) {
            result = applyConfiguration();
            // The changes belong to the profile being left: switching now
            // would leave them unwritten, or write them into the wrong table.
            if (result != kResultDone && isDirty()) {
                return result;
            }
        } else {
            clearDirty();
            const int active = readActiveProfile();
            if (active >= 0) {
                reloadModelFromCache(active);
            } else {
                // The keyboard's copy cannot be read now: the declined edits
                // must not stay in the model behind a clear dirty mark.
                installStandIn(m_lastSettingsResult);
            }
        }
        result = selectProfile(p);
    } else {
        result = selectProfile(p);
        if (m_window.isProfileManagerOpen()) {
            m_window.profileManagerSelectRow(p);
        }
    }

    {
        std::lock_guard lock(m_config.ConfigLock);
        m_window.refreshKeyboardPicture();
    }
    updateProfileLabel(*this);
    return result;
}

int SyncSession::onProfileButton(int p) {
    if (p < 0 || p >= kProfileCount) {
        return kResultBadArgument;
    }
    m_lighting.currentProfile = p;
    rereadLighting(true);
    if (offersUserModes()) {
        m_window.reloadUserModeList();
    }
    if (lampOn()) {
        switchLampOff();
    }
    const int active = readActiveProfile();
    if (active == p) {
        m_window.refreshLightingPanel();
        return kResultDone;
    }
    const int result = switchProfile(p);
    if (result == kResultDone) {
        applyUserMode();
        m_window.showDefaultModeNotice(false);
        m_window.setProfileButtons(p);
        m_window.leaveColourKeyMode();
        m_window.refreshKeyColours();
    }
    m_window.refreshLightingPanel();
    return result;
}

int SyncSession::restoreDefaults() {
    if (!m_prompter.askYesNo(text(kTextRestoreDefaultPrompt))) {
        return kSyncCancelled;
    }
    return restoreDefaultsConfirmed();
}

int SyncSession::restoreDefaultsConfirmed() {
    const int active = readActiveProfile();
    if (active < 0) {
        return m_lastSettingsResult;
    }
    if (restoreDefaultAssignment(m_config, active, m_lighting.gKeyBank, pictureKeys())) {
        // A stand-in stays one: its other profiles and its empty macro area
        // still go to the keyboard only on the user's Yes.
        if (m_origin != ModelOrigin::StandIn && m_origin != ModelOrigin::Startup) {
            m_origin = ModelOrigin::UserAction;
        }
        markDirty();
    }
    if (lampOn()) {
        restoreLightingDefaults();
    }
    return applyConfiguration(HistoryOperation::Defaults);
}

}  // namespace quorvane
