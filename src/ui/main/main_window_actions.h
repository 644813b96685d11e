// What the main window's controls ask for, handed to the program, which runs
// each on the core's thread (or, for the instance actions, as the core says).
// Called on the GUI thread; every call returns at once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/sync/profile_transfer.h"

namespace quorvane {

class MainWindowActions {
  public:
    virtual ~MainWindowActions() = default;

    virtual void apply(bool thenHide) = 0;        // Apply (1006), OK (then hide)
    virtual void profileButton(int profile) = 0;  // 1135..1137 as 0..2
    virtual void restoreDefaults() = 0;           // 1138
    virtual void reportRate(int rate) = 0;        // 1147, 1168..1170 as 0..3
    virtual void openProfileManager() = 0;        // 1005: rows read, then shown
    virtual void applyProfileRows(const std::vector<ProfileRow>& rows) = 0;
    virtual void importFile(const std::string& path) = 0;  // 32776
    virtual void exportFile(const std::string& path) = 0;  // 32777
    // "History...": the entries read, then shown (CQuorvaneDlg::showHistory).
    virtual void openHistory() {}
    // Restore in the history: asked, written, then the list shown again.
    virtual void restoreHistory(const std::string& /*entryPath*/) {}
    // Colour-keys mode: the key's selection word flips; the new flag comes back.
    virtual void toggleSelection(int controlId, std::uint8_t bank) = 0;
    // Lamp on: a click on a key button or Fn paints it (effect 20).
    virtual void paintKey(int controlId) = 0;
    virtual void openAction() = 0;  // tray double click, menu "open"
    virtual void exitAction() = 0;  // 1124, menu "exit", window close
    // A language picked in a Language submenu (0..6): kept, then every text
    // changes.
    virtual void chooseLanguage(int index) = 0;
};

// The composite assignment dialog, opened for one key of the picture.
class KeyAssignmentOpener {
  public:
    virtual ~KeyAssignmentOpener() = default;
    // keyKind 0; keyCode: the key-table entry of the key; macroOnly for G9.
    virtual void openForKey(int keyKind, int keyCode, int controlId, bool macroOnly) = 0;
    virtual bool isOpen() const = 0;
    // The main window closes its editors (device gone, exit): cancel it.
    virtual void closeEditor() {}
    // The language broadcast reaches an open editor too.
    virtual void applyLanguage(int /*index*/) {}
    // The main window went to the tray: a closed editor is not kept.
    virtual void dropEditor() {}
};

}  // namespace quorvane
