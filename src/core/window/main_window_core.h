// The main window's rules that draw nothing: its handlers of the private
// messages, the actions of the one-shot timers the device events set, the
// ready flag, and the tray icon's state. The window (MainWindowView) and the
// synchronisation (KeyboardReactions) do the rest.
//
// Wiring: the window thread's dispatcher hands every message to onMessage()
// and every timer to onTimer(); the device events get this object as their
// DeviceEventListener, which turns what they report into the window's
// messages, timers and icons, and are attached with attachDeviceEvents().
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "core/app/language.h"
#include "core/app/prompter.h"
#include "core/config/lighting_state.h"
#include "core/dispatch/dispatcher.h"
#include "core/events/device_event_listener.h"
#include "core/events/device_events.h"
#include "core/window/keyboard_reactions.h"
#include "core/window/main_window_view.h"

namespace quorvane {

// The core's own messages: calls from other threads moved onto the window
// thread. Not part of the instance protocol.
inline constexpr std::uint32_t UM_CORE_TRAY_STATE = 0x8101;  // mode, icon id
inline constexpr std::uint32_t UM_CORE_GKEY_BANK = 0x8102;   // bank
inline constexpr std::uint32_t UM_CORE_HIDE = 0x8103;

class MainWindowCore final : public DeviceEventListener {
  public:
    // Everything referenced outlives this object.
    MainWindowCore(Dispatcher& window, MainWindowView& view, KeyboardReactions& keyboard,
                   LightingState& lighting, Prompter& prompter, TextLookup loadText);
    MainWindowCore(const MainWindowCore&) = delete;
    MainWindowCore& operator=(const MainWindowCore&) = delete;

    // The device events whose findings the handlers take over and whose
    // keyboard count the open action tests; nullptr detaches. On the window
    // thread, or while its loop does not run.
    void attachDeviceEvents(DeviceEvents* events) { m_events = events; }

    // Why no keyboard can be used, when the reason is known (a keyboard whose
    // nodes may not be opened): the open action shows it instead of the plain
    // "no keyboard" message. Empty: no reason known. Set before the loop runs.
    void setNoKeyboardReason(std::function<std::u16string()> reason) {
        m_noKeyboardReason = std::move(reason);
    }

    // Where a language chosen from the menus is kept; nullptr: nowhere, the
    // choice then does nothing. Set before the loop runs.
    void setLanguageChoice(const LanguageChoice* choice) { m_languageChoice = choice; }

    // True for the messages and timers handled here.
    static bool handlesMessage(std::uint32_t msg);
    static bool handlesTimer(std::uint32_t timerId);

    // The window thread's handlers. A message whose tag does not match does
    // nothing; every handler returns 0.
    MsgResult onMessage(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam);
    void onTimer(std::uint32_t timerId);

    // Open: shows the window when a keyboard is known to be attached, else the
    // message "IDS_MAIN_DEVICE_PROMRT". Exit: hides the window and ends the
    // program. Window thread.
    void openAction();
    void exitAction();

    // A language picked from a menu (index 0..6): stored for good, then
    // broadcast (UM_LANG) so that every text changes at once. False when it
    // could not be stored. Window thread.
    bool chooseLanguage(int index);

    // Shutdown: removes the tray icon and forgets the icon it showed.
    void removeTrayIcon();

    // ---- DeviceEventListener: any thread but the window thread -------------
    bool isReady() const override { return m_bReady.load(); }
    void keyboardArrived() override;  // UM_PROFILE
    void keyboardRemoved() override;  // UM_DEVICE_GONE, then hideMainWindow
    void gKeyBankChanged() override;  // UM_LED
    void showGKeyBank(std::uint8_t bank) override;
    void showKeyboardPresence(bool attached) override;  // icon 141 or 128
    void showKeyboardSignal(bool on) override;          // icon 142 or the resting one
    void lightingChanged() override;                    // TIMER_LIGHT_REFRESH
    void activeProfileChanged() override;               // TIMER_PROFILE_CHANGED
    void configurationChanged() override;               // TIMER_PROFILE_RELOAD
    void openRequested() override;                      // UM_OPEN
    void promptsWaiting() override;                     // UM_CORE_DEVICE_PROMPT

    // Mode 0 with an id shows it and remembers it as the resting icon; mode 0
    // with id 0 shows the resting icon; mode 1 shows 142 and keeps the resting
    // icon. Showing the icon already shown does nothing. Any thread: waits for
    // the window thread.
    void SetTrayIconState(int mode, int iconId);
    void hideMainWindow();

    // ---- State, for the window and tests (window thread) ----------------------
    int shownIcon() const { return m_nShownIcon; }  // 0: none
    int lastDeviceIcon() const { return g_nLastDeviceIcon; }
    bool trayIconAdded() const { return m_trayAdded; }

  private:
    void onInit();
    void applyTrayIconState(int mode, int iconId);
    void handOver();

    Dispatcher& m_window;
    MainWindowView& m_view;
    KeyboardReactions& m_keyboard;
    LightingState& m_lighting;
    Prompter& m_prompter;
    TextLookup m_loadText;
    DeviceEvents* m_events = nullptr;
    std::function<std::u16string()> m_noKeyboardReason;
    const LanguageChoice* m_languageChoice = nullptr;

    std::atomic<bool> m_bReady{false};
    bool m_trayAdded = false;
    int m_nShownIcon = 0;
    int g_nLastDeviceIcon = 128;
};

}  // namespace quorvane
