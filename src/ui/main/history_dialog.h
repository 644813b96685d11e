// "History...": what the keyboard held before each write, newest first, with
// Restore (the core asks, then imports the entry) and Open folder. The entries
// are read on the core's thread and handed over; the dialog shows them and
// forwards the clicks.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

#include <functional>
#include <string>
#include <vector>

#include "core/sync/keyboard_history.h"

namespace quorvane {

// What the dialog shows, as the core read it.
struct HistoryView {
    std::string folder;
    std::vector<HistoryEntry> entries;
    // The model stands in for a keyboard that could not be read: a write now
    // would save nothing to go back to.
    bool keyboardUnread = false;
};

class CHistoryDlg : public QDialog {
    Q_OBJECT
  public:
    struct Hooks {
        std::function<QString(const char16_t* key)> texts;
        std::function<void(const std::string& entryPath)> restore;
        std::function<void(const std::string& folder)> openFolder;
    };

    explicit CHistoryDlg(Hooks hooks, QWidget* parent = nullptr);

    void show(HistoryView view);
    void applyLanguage();

    QTreeWidget* list() const { return m_list; }
    QPushButton* restoreButton() const { return m_restore; }
    QPushButton* openFolderButton() const { return m_openFolder; }
    QLabel* note() const { return m_note; }

  private:
    QString text(const char16_t* key) const;
    void fill();
    void updateButtons();
    void onRestore();

    Hooks m_hooks;
    HistoryView m_view;
    QTreeWidget* m_list;
    QLabel* m_note;
    QPushButton* m_restore;
    QPushButton* m_openFolder;
    QPushButton* m_close;
};

}  // namespace quorvane
