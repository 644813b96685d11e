// What the main window shows, as the GUI thread's plain calls. GuiBridge moves
// the core's requests onto the GUI thread and calls these; tests may call them
// directly. Everything here runs on the GUI thread and never waits for the
// keyboard.
#pragma once

#include <QString>

#include <array>
#include <cstdint>

#include "core/sync/main_window_port.h"
#include "core/window/gkey_captions.h"
#include "core/window/keyboard_picture.h"

namespace quorvane {

class MainWindowSurface {
  public:
    virtual ~MainWindowSurface() = default;

    virtual void createTray() = 0;
    virtual void showTrayIcon(int iconId) = 0;
    virtual void removeTray() = 0;
    virtual void hideWindow() = 0;
    virtual void openWindow() = 0;
    virtual void closeChildDialogs() = 0;
    virtual void endProgram() = 0;
    // UM_LANG: every text from the language texts (the stored language).
    virtual void applyLanguage() = 0;

    virtual void setGKeyStates(const std::array<bool, kGKeyCount>& checked) = 0;
    virtual void showGKeyBank(std::uint8_t bank, const GKeyCaptions& captions) = 0;
    virtual void showKeyboardPicture(const KeyboardPicture& picture) = 0;
    virtual void leaveColourKeyMode() = 0;

    virtual void setApplyEnabled(bool on) = 0;
    virtual void showDefaultModeNotice(bool shown) = 0;
    virtual void setProfileButtons(int currentProfile) = 0;
    virtual void setProfileLabel(const QString& text, const QString& tooltip) = 0;
    virtual void showBusy(bool on) = 0;
    virtual void profileManagerSelectRow(int row) = 0;

    virtual void showLightingValues(const LightingPanelValues& values) = 0;
    virtual void refreshLightingPanel() = 0;
    virtual void refreshKeyColours() = 0;
    virtual void reloadUserModeList() = 0;
    virtual void selectUserModeEntry(int mode) = 0;
    virtual void showLampOff() = 0;

    // A message box with OK, and a Yes/No question (true for Yes). Modal.
    virtual void showMessage(const QString& text) = 0;
    virtual bool askYesNo(const QString& text) = 0;
};

}  // namespace quorvane
