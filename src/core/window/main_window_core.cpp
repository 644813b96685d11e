#include "core/window/main_window_core.h"

#include <utility>

#include "core/window/main_window_messages.h"

namespace quorvane {

MainWindowCore::MainWindowCore(Dispatcher& window, MainWindowView& view,
                               KeyboardReactions& keyboard, LightingState& lighting,
                               Prompter& prompter, TextLookup loadText)
    : m_window(window),
      m_view(view),
      m_keyboard(keyboard),
      m_lighting(lighting),
      m_prompter(prompter),
      m_loadText(std::move(loadText)) {}

bool MainWindowCore::handlesMessage(std::uint32_t msg) {
    switch (msg) {
        case UM_INIT:
        case UM_LANG:
        case UM_OPEN:
        case UM_KILL:
        case UM_PROFILE:
        case UM_LED:
        case UM_DEVICE_GONE:
        case UM_CORE_TRAY_STATE:
        case UM_CORE_GKEY_BANK:
        case UM_CORE_HIDE:
        case UM_CORE_DEVICE_PROMPT:
            return true;
        default:
            return false;
    }
}

bool MainWindowCore::handlesTimer(std::uint32_t timerId) {
    return timerId == TIMER_LIGHT_REFRESH || timerId == TIMER_PROFILE_CHANGED ||
           timerId == TIMER_PROFILE_RELOAD;
}

MsgResult MainWindowCore::onMessage(std::uint32_t msg, std::uintptr_t wParam,
                                    std::intptr_t lParam) {
    switch (msg) {
        case UM_INIT:
            if (wParam == kTagInit) {
                onInit();
            }
            break;
        case UM_LANG:
            if (wParam == kTagLang) {
                m_view.applyLanguage(broadcastLanguageIndex(static_cast<int>(lParam)));
                m_keyboard.updateProfileLabel();
            }
            break;
        case UM_OPEN:
            if (wParam == kTagOpen) {
                openAction();
            }
            break;
        case UM_KILL:
            if (wParam == kTagKill) {
                exitAction();
            }
            break;
        case UM_PROFILE:
            if (wParam == kTagProfile) {
                handOver();
                m_keyboard.onProfileMessage();
            }
            break;
        case UM_LED:
            if (wParam == kTagLedMessage) {
                handOver();
                m_view.refreshGKeys();
            }
            break;
        case UM_DEVICE_GONE:
            handOver();
            m_view.closeChildDialogs();
            break;
        case UM_CORE_TRAY_STATE:
            applyTrayIconState(static_cast<int>(wParam), static_cast<int>(lParam));
            break;
        case UM_CORE_GKEY_BANK: {
            const auto bank = static_cast<std::uint8_t>(wParam & 0x01);
            m_view.showGKeyBank(bank, gKeyCaptions(bank));
            break;
        }
        case UM_CORE_HIDE:
            m_view.hideWindow();
            break;
        case UM_CORE_DEVICE_PROMPT:
            if (m_events != nullptr) {
                m_events->showPendingPrompts();
            }
            break;
        default:
            break;
    }
    return 0;
}

void MainWindowCore::onTimer(std::uint32_t timerId) {
    // One-shot timers: each is killed before its work, which may take long
    // enough for the timer to come round again.
    switch (timerId) {
        case TIMER_LIGHT_REFRESH:
            m_window.killTimer(timerId);
            m_keyboard.onLightingChanged();
            break;
        case TIMER_PROFILE_CHANGED:
            m_window.killTimer(timerId);
            m_keyboard.onActiveProfileChanged();
            break;
        case TIMER_PROFILE_RELOAD:
            m_window.killTimer(timerId);
            m_window.sendMessage(UM_PROFILE, kTagProfile, 0);
            break;
        default:
            break;
    }
}

void MainWindowCore::onInit() {
    m_trayAdded = m_view.createTrayIcon();
    m_nShownIcon = kIconNoKeyboard;
    m_keyboard.updateProfileLabel();
    m_bReady.store(true);
    m_view.hideWindow();
}

void MainWindowCore::openAction() {
    if (m_events != nullptr && m_events->deviceCount() != 0) {
        m_view.openWindow();
        return;
    }
    // A click on an icon that came before the keyboard was read.
    if (m_events != nullptr && m_events->openOnceRead()) {
        return;
    }
    if (m_noKeyboardReason) {
        const std::u16string reason = m_noKeyboardReason();
        if (!reason.empty()) {
            m_prompter.showMessage(reason);
            return;
        }
    }
    m_prompter.showMessage(m_loadText ? m_loadText(u"IDS_MAIN_DEVICE_PROMRT")
                                      : std::u16string(u"IDS_MAIN_DEVICE_PROMRT"));
}

bool MainWindowCore::chooseLanguage(int index) {
    if (m_languageChoice == nullptr || !m_languageChoice->setLanguageIndex(index)) {
        return false;
    }
    m_window.sendMessage(UM_LANG, kTagLang, index);
    return true;
}

void MainWindowCore::exitAction() {
    m_view.hideWindow();
    m_view.endProgram();
}

void MainWindowCore::removeTrayIcon() {
    if (m_trayAdded) {
        m_view.removeTrayIcon();
    }
    m_trayAdded = false;
    m_nShownIcon = 0;
}

void MainWindowCore::SetTrayIconState(int mode, int iconId) {
    // On the window thread this runs at once; from elsewhere it waits there.
    m_window.sendMessage(UM_CORE_TRAY_STATE, static_cast<std::uintptr_t>(mode), iconId);
}

void MainWindowCore::applyTrayIconState(int mode, int iconId) {
    int icon = 0;
    if (mode == 0) {
        if (iconId != 0) {
            g_nLastDeviceIcon = iconId;
        }
        icon = g_nLastDeviceIcon;
    } else if (mode == 1) {
        icon = kIconKeyboardSignal;
    } else {
        return;
    }
    if (icon == m_nShownIcon) {
        return;
    }
    m_nShownIcon = icon;
    if (m_trayAdded) {
        m_view.showTrayIcon(icon);
    }
}

void MainWindowCore::keyboardArrived() {
    m_window.sendMessage(UM_PROFILE, kTagProfile, 0);
}

void MainWindowCore::keyboardRemoved() {
    m_window.sendMessage(UM_DEVICE_GONE, 0, 0);
    hideMainWindow();
}

void MainWindowCore::gKeyBankChanged() {
    m_window.sendMessage(UM_LED, kTagLedMessage, 0);
}

void MainWindowCore::showKeyboardPresence(bool attached) {
    SetTrayIconState(0, attached ? kIconKeyboard : kIconNoKeyboard);
}

void MainWindowCore::showKeyboardSignal(bool on) {
    SetTrayIconState(on ? 1 : 0, 0);
}

// One-shot timers: the handler kills each on its first tick.
void MainWindowCore::lightingChanged() {
    m_window.setTimer(TIMER_LIGHT_REFRESH, 0);
}

void MainWindowCore::activeProfileChanged() {
    m_window.setTimer(TIMER_PROFILE_CHANGED, 0);
}

void MainWindowCore::configurationChanged() {
    m_window.setTimer(TIMER_PROFILE_RELOAD, 0);
}

void MainWindowCore::openRequested() {
    m_window.postMessage(UM_OPEN, kTagOpen, 0);
}

void MainWindowCore::promptsWaiting() {
    // Posted, not sent: a message box open on the window thread must not hold
    // the worker, nor a worker hold the window thread's prompter.
    m_window.postMessage(UM_CORE_DEVICE_PROMPT, 0, 0);
}

void MainWindowCore::showGKeyBank(std::uint8_t bank) {
    m_window.sendMessage(UM_CORE_GKEY_BANK, bank & 0x01U, 0);
}

void MainWindowCore::hideMainWindow() {
    m_window.sendMessage(UM_CORE_HIDE, 0, 0);
}

void MainWindowCore::handOver() {
    if (m_events != nullptr) {
        m_events->handOverTo(m_lighting);
    }
}

}  // namespace quorvane
