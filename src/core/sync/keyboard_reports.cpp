// What the program does when the keyboard reports a change of its own.
#include "core/sync/sync_session.h"

namespace quorvane {

void SyncSession::onLightingChanged() {
    rereadLighting(false);
    m_window.refreshLightingPanel();
}

void SyncSession::onActiveProfileChanged() {
    m_window.leaveColourKeyMode();
    m_window.refreshKeyboardPicture();
    const int p = readActiveProfile();
    if (p < 0 || p > kDefaultModeBlock) {
        return;
    }
    m_lighting.currentProfile = p;
    rereadLighting(false);
    m_window.reloadUserModeList();
    applyUserMode();
    if (p >= 2 || lampOn()) {
        switchLampOff();
    }
    m_window.refreshLightingPanel();
    m_window.setProfileButtons(p);
    m_window.leaveColourKeyMode();
    m_window.refreshKeyColours();
}

void SyncSession::onProfileMessage() {
    if (m_offerPendingTransfer) {
        offerPendingTransfer();
    }
    reloadFromKeyboard(false);
    const int active = m_lighting.activeProfile;
    m_lighting.currentProfile = active >= 0 && active < kProfileCount ? active : kDefaultModeBlock;
    m_window.setProfileButtons(m_lighting.currentProfile);
    rereadLighting(true);
    applyUserMode();
    if (offersUserModes()) {
        markTiesFromBanks();
    }
    m_window.refreshLightingPanel();
    m_window.refreshKeyColours();
}

}  // namespace quorvane
