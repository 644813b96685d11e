// The profile manager: a list of profile files with a check box per row, and
// Add, Load, Delete, OK, Cancel and Apply. The rules are the core's
// ProfileManagerList; Apply hands the rows to the owner, which talks to the
// keyboard on the core's thread.
#pragma once

#include <QPixmap>

#include <functional>
#include <string>
#include <vector>

#include "core/sync/profile_manager.h"
#include "ui/skin/base_dialog.h"
#include "ui/skin/color_static.h"
#include "ui/skin/png_button.h"
#include "ui/skin/report_ctrl.h"

namespace quorvane {

class CQuorvane_DlgProfile : public CBaseDialog {
    Q_OBJECT
  public:
    struct Hooks {
        // The Add button's file: a new default profile file at `path`.
        std::function<bool(ProfileManagerList& list, const std::string& path)> addNew;
        // Apply with the rows as they stand.
        std::function<void(const std::vector<ProfileRow>& rows)> apply;
        // Asks for a file; empty when cancelled. Tests replace the file dialogs.
        std::function<QString(bool save, const QString& initialName)> chooseFile;
        std::function<void()> openHelp;
        std::function<void(bool open, bool unapplied)> stateChanged;
        // The language's text of a key (title, buttons, column titles).
        std::function<QString(const char16_t* key)> texts;
    };

    CQuorvane_DlgProfile(std::string layoutFile, std::string skinFolder, std::string userDataFolder,
                         Hooks hooks, QWidget* parent = nullptr);

    // UM_LANG: the title, the buttons' captions and the column titles.
    void applyLanguage();

    // Opening: the rows from the core; Apply disabled.
    void open(std::vector<ProfileRow> rows);
    // The close operation (as Cancel).
    void closeAsCancelled();
    // The keyboard's own switch selected this row; Apply is disabled.
    void selectRow(int row);

    const ProfileManagerList& list() const { return m_list; }
    CReportCtrl* table() const { return m_table; }
    CPngButton* button(int id) const;
    QLabel* title() const { return m_title; }

    static constexpr int kAdd = 1010;
    static constexpr int kLoad = 1008;
    static constexpr int kDelete = 1011;
    static constexpr int kApply = 1012;
    static constexpr int kTest = 1013;

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void fill();
    void onAdd();
    void onLoad();
    void onDelete();
    void onApply();
    void syncApply();

    std::string m_userDataFolder;
    Hooks m_hooks;
    ProfileManagerList m_list;
    CReportCtrl* m_table = nullptr;
    ColorStatic* m_title = nullptr;
    std::map<int, CPngButton*> m_buttons;
    bool m_filling = false;
};

}  // namespace quorvane
