// What the main window's rules ask of the window itself: the tray icon, the
// window's visibility, the child dialogs and a few controls. The Qt window
// implements it; tests record the calls. Everything is called on the window
// thread.
#pragma once

#include <cstdint>

#include "core/window/gkey_captions.h"

namespace quorvane {

class MainWindowView {
  public:
    virtual ~MainWindowView() = default;

    // The notification icon with the program icon (128), the tray tooltip and
    // the menu. False when no icon could be added: the program runs without it.
    virtual bool createTrayIcon() = 0;
    virtual void showTrayIcon(int iconId) = 0;
    virtual void removeTrayIcon() = 0;

    virtual void hideWindow() = 0;
    // The showing part of the open action: the window gets a task-bar button,
    // is shown and brought to the foreground.
    virtual void openWindow() = 0;
    // Closes the about box and every open editor dialog, each as if cancelled.
    virtual void closeChildDialogs() = 0;

    // The checked state of the nine G keys from the current profile's entries
    // of the current bank.
    virtual void refreshGKeys() = 0;
    // The bank indicator ("LOCK_AB") and the captions of the nine G keys.
    virtual void showGKeyBank(std::uint8_t bank, const GKeyCaptions& captions) = 0;

    // UM_LANG: every text of the window, its menus, the tray icon and the open
    // dialogs from the texts of the language `index`, and the key picture's
    // tips anew.
    virtual void applyLanguage(int index) = 0;

    // The exit action after the window is hidden: the shutdown procedure, then
    // the end of the window's loop.
    virtual void endProgram() = 0;
};

}  // namespace quorvane
