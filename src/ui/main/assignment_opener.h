// The program's side of the key assignment dialog: opens it for the main
// window's key clicks (KeyAssignmentOpener) and gives it what it asks of the
// program. The keyboard reads, and the model's under ConfigLock, run on the
// core's thread and answer on the GUI thread; the dirty mark goes through the
// session, the buttons' tips through the bridge's picture of the keyboard.
#pragma once

#include <QPointer>

#include <functional>
#include <memory>

#include "core/app/app_paths.h"
#include "core/app/settings_store.h"
#include "core/app/text_lookup.h"
#include "core/config/working_config.h"
#include "core/sync/sync_session.h"
#include "ui/assign/composite_dialog.h"
#include "ui/main/core_thread.h"
#include "ui/main/gui_bridge.h"
#include "ui/main/main_dialog.h"
#include "ui/main/main_window_actions.h"

namespace quorvane {

class AssignmentOpener final : public KeyAssignmentOpener {
  public:
    struct Links {
        CQuorvaneDlg* window = nullptr;
        CoreThread* core = nullptr;
        SyncSession* session = nullptr;  // used on the core's thread only
        GuiBridge* bridge = nullptr;
        WorkingConfig* config = nullptr;
        TextLookup loadText;
        FrameworkProfile* settings = nullptr;
        PathTable paths;
        std::function<void()> picturesMissing;
    };

    explicit AssignmentOpener(Links links);
    ~AssignmentOpener() override;

    void openForKey(int keyKind, int keyCode, int controlId, bool macroOnly) override;
    bool isOpen() const override;
    void closeEditor() override;
    void applyLanguage(int index) override;
    // Deletes a closed dialog with its pictures; it is built again after the
    // main window's next show.
    void dropEditor() override;

    // Builds the dialog (its pictures, its controls) ahead of the first
    // click; done once the main window first shows. The main window owns it.
    void prepare();
    Quorvane_DlgComposite* dialog() const { return m_dialog.data(); }

  private:
    Quorvane_DlgComposite& ensureDialog();
    void prepareAfterNextShow();

    Links m_links;
    std::unique_ptr<QObject> m_showWatch;
    QPointer<Quorvane_DlgComposite> m_dialog;
};

}  // namespace quorvane
