// The desktop program's wiring: the start-up order, the core on its own
// thread, the Qt window as its view, and the one exit action that every way
// out (close button, tray, "/Kill", SIGTERM, end of session) runs.
//
// Threads: the GUI thread runs the Qt event loop and the windows; the core
// thread (CoreThread) runs the core's window thread: the device events'
// messages and timers, every keyboard transfer, every model change. User
// actions are posted to the core; the core's results are posted back through
// GuiBridge. The GUI never waits for the core except at exit, after the
// window is hidden.
#pragma once

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/app/app_shell.h"
#include "core/device/device_link.h"
#include "core/lighting/latest_value_sender.h"
#include "core/lighting/lighting_panel.h"
#include "core/session/keyboard_session.h"
#include "core/sync/sync_session.h"
#include "core/window/main_window_core.h"
#include "core/window/sync_reactions.h"
#include "ui/main/assignment_opener.h"
#include "ui/main/core_thread.h"
#include "ui/main/gui_bridge.h"
#include "ui/main/lighting_bridge.h"
#include "ui/main/lighting_widgets.h"
#include "ui/main/main_dialog.h"
#include "ui/main/main_window_actions.h"

namespace quorvane {

struct ProgramOptions {
    // Makes the Qt application, once this process is known to be the one that
    // runs (a second start only hands over, without Qt's platform start-up).
    // Empty: the caller made it already (tests).
    std::function<void()> startGui;
    // Tests: replace the file dialogs and the URL opener.
    std::function<QString(bool save, const QString& folder, const QString& name)> chooseFile;
    std::function<void(const QUrl& url)> openUrl;
};

class QuorvaneProgram final : public ShellHost, public MainWindowActions, public LightingActions {
  public:
    explicit QuorvaneProgram(ProgramOptions options = {}, ShellOptions shellOptions = {});
    // Runs the exit action (if the program ran) while the shell still exists.
    ~QuorvaneProgram() override;

    // The whole program (the shell's InitInstance); the process's exit code.
    int run(const std::vector<std::string>& arguments);

    // ---- ShellHost --------------------------------------------------------------
    std::unique_ptr<MainWindow> constructMainDialog(AppShell& shell) override;
    void closeChildDialogs() override;
    void removeNotificationIcon() override;
    void freeModel() override;

    // ---- MainWindowActions (GUI thread) ------------------------------------------
    void apply(bool thenHide) override;
    void profileButton(int profile) override;
    void restoreDefaults() override;
    void reportRate(int rate) override;
    void openProfileManager() override;
    void applyProfileRows(const std::vector<ProfileRow>& rows) override;
    void importFile(const std::string& path) override;
    void exportFile(const std::string& path) override;
    void openHistory() override;
    void restoreHistory(const std::string& entryPath) override;
    void toggleSelection(int controlId, std::uint8_t bank) override;
    void paintKey(int controlId) override;
    void openAction() override;
    void exitAction() override;
    void chooseLanguage(int index) override;

    // ---- LightingActions (GUI thread) ----------------------------------------------
    void lampClicked() override;
    void effectSelected(int comboIndex) override;
    void directionClicked(int controlId) override;
    void sliderMoved(int controlId, int position) override;
    void effectColourChosen(Rgb colour) override;
    void randomToggled() override;
    void colourPictureClicked(int controlId) override;
    void userSlotSelected(int slot) override;
    void userSlotRenamed(const std::u16string& name) override;
    void toolClicked(int controlId) override;
    void brushColourChosen(Rgb colour) override;
    void baseColourChosen(Rgb colour) override;

    // The main window's run: start-up in order, the event loop, and the exit.
    // The process's exit code: 1 when start-up failed.
    int runModal();
    // The exit action on the GUI thread. Idempotent.
    void shutdownProgram();
    // From another thread: runs `work` on the GUI thread and waits, unless the
    // loop is not running (then at once).
    void runOnGui(const std::function<void()>& work);

    CQuorvaneDlg* dialog() const { return m_dialog.get(); }
    CoreThread* core() const { return m_core.get(); }
    AssignmentOpener* assignmentOpener() const { return m_opener.get(); }
    // For tests and benchmarks: the session lives on the core's thread.
    SyncSession* session() const { return m_keyboard ? &m_keyboard->sync() : nullptr; }
    LightingPanel* lightingPanel() const { return m_panel.get(); }

  private:
    class Window;

    // Says on standard error, in one line, why the start failed (unless the
    // line is empty: said already); 1.
    static int failedStart(const std::string& line);
    void attachKeyboardLock();
    // The window's controls and the core, once the tray icon went out.
    void finishStart();
    // Work for the core's thread; a tray command chosen before it runs waits.
    void onCore(std::function<void()> work);
    void startCore();
    void afterInit();
    // Runs `work` with the lighting panel on the core's thread, then tells the
    // window whether the lamp is on (key clicks paint then).
    void onPanel(std::function<void(LightingPanel&)> work);
    void onPanelHere(const std::function<void(LightingPanel&)>& work);
    // Before a transfer of the window's own: the panel's writes have arrived.
    void settleLighting();
    // Core thread: reads the history and hands it to the window.
    void showHistoryList();

    ProgramOptions m_options;
    // The program's spine: made first, so that it outlives every part built
    // on it, and the exit action can always reach it.
    AppShell m_shell;
    MainWindow* m_window = nullptr;  // owned by the shell while it runs
    // Outlives the link: quorvanectl waits while the program talks to the keyboard.
    std::unique_ptr<KeyboardLock> m_keyboardLock;
    std::unique_ptr<DeviceLink> m_link;
    std::unique_ptr<CQuorvaneDlg> m_dialog;
    std::unique_ptr<GuiBridge> m_bridge;
    // The model, the synchronisation and the device events, hosted by the
    // core's thread; the window core hears the device events.
    std::unique_ptr<KeyboardSession> m_keyboard;
    std::unique_ptr<SyncReactions> m_reactions;
    std::unique_ptr<CoreThread> m_core;
    std::unique_ptr<MainWindowCore> m_windowCore;
    std::vector<std::function<void()>> m_beforeCore;
    DeviceEvents* m_events = nullptr;  // m_keyboard's
    std::unique_ptr<LightingBridge> m_lightingBridge;
    std::unique_ptr<LatestValueSender> m_sender;
    std::unique_ptr<LightingPanel> m_panel;
    std::unique_ptr<AssignmentOpener> m_opener;
    TextLookup m_loadText;

    std::mutex m_loopLock;
    std::condition_variable m_loopWake;
    bool m_loopRunning = false;
    bool m_shutDown = false;
};

}  // namespace quorvane
