// The program's spine at both ends of its life: start-up (paths, settings key,
// configuration locks, the single-instance rule and the command line), the
// shell's share of the main dialog's initialisation (window mark, named events)
// and shutdown. The program around it supplies the window through MainWindow and
// the rest through ShellHost; tests supply fakes and run it in real processes.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "core/app/app_paths.h"
#include "core/app/language.h"
#include "core/app/language_texts.h"
#include "core/app/settings_store.h"
#include "core/platform/instance_channel.h"
#include "core/platform/named_events.h"
#include "core/platform/named_lock.h"
#include "core/platform/registry_store.h"

namespace quorvane {

class AppShell;

class MainWindow {
  public:
    virtual ~MainWindow() = default;
    // Creates the window and runs it until the dialog ends. Its initialisation
    // calls, in this order: computeSettingsFile(), markMainWindow(*this), (the
    // caption), createMainEvents(). Returns the process's exit code: 0, or 1
    // when start-up failed (the window has said why on standard error).
    virtual int runModal() = 0;
    // UM_OPEN and UM_KILL with the right tag. They are called on the instance
    // channel's thread: run the action on the window's thread and return when it
    // is done. The exit action hides the window, calls Shutdown() and ends the dialog.
    // Once runModal has returned they must return at once: the shell then closes
    // the channel and waits for a message that is still being handled.
    virtual void openAction() = 0;
    virtual void exitAction() = 0;
};

class ShellHost {
  public:
    virtual ~ShellHost() = default;
    virtual void createConfigLocks() {}
    virtual void deleteConfigLocks() {}
    // Builds the main dialog object (child controls, no window yet).
    virtual std::unique_ptr<MainWindow> constructMainDialog(AppShell& shell) = 0;
    virtual void repaintScreen() {}
    // Shutdown steps of the window and the model.
    virtual void closeChildDialogs() {}
    virtual void removeNotificationIcon() {}
    virtual void freeModel() {}
};

struct ShellOptions {
    std::string exePath;         // empty: /proc/self/exe
    std::string registryPath;    // empty: RegistryStore::defaultPath()
    std::string userDataFolder;  // empty: userDataFolder()
    std::string runtimeFolder;   // empty: privateRuntimeDir()
    // How long a second start or "/Kill" waits for a running instance (also
    // one still starting) to answer.
    std::chrono::milliseconds signalTimeout = kInstanceSignalTimeout;
    std::string eventSuffix;  // tests only: keeps parallel runs' named events apart
};

// The process-wide start-up state.
struct ShellState {
    PathTable paths;
    int g_bNoAutoOpen = 0;
    NamedLock g_hInstanceMutex;
    NamedEvents g_hMainEvents;
    RegKey g_settingsKey;
    std::unique_ptr<InstanceChannel> mainWindowMark;  // open while the window is marked
};

enum class InstanceOutcome { Continue, EndProcess };

class AppShell {
  public:
    explicit AppShell(ShellHost& host, ShellOptions options = {});
    AppShell(const AppShell&) = delete;
    AppShell& operator=(const AppShell&) = delete;
    ~AppShell();

    // The whole program; returns the process's exit code (0, or the window's
    // when start-up failed).
    int InitInstance(const std::vector<std::string>& arguments);

    // The single-instance rule and the switches (arguments after the program
    // name). EndProcess: this process ends now with 0.
    InstanceOutcome instanceStep(const std::vector<std::string>& arguments);
    // Sends UM_OPEN (code 0) or UM_KILL (code 1) to the marked window of `pid`;
    // false when it has none or did not answer in time.
    bool SignalInstance(pid_t pid, int code) const;
    // The instance of this session: the holder of the instance lock in our own
    // run-time folder, once its window is marked; 0 when there is none. Never
    // another session's copy, which a process list would give. `lockHeld`:
    // someone holds the lock, so wait (at most signalTimeout) for a holder that
    // is still starting.
    pid_t findRunningInstance(bool lockHeld = false) const;

    // The shell's steps inside the main dialog's initialisation.
    void computeSettingsFile();
    bool markMainWindow(MainWindow& window);
    int createMainEvents();

    // Closes child dialogs, the instance mutex, the events, the notification
    // icon, and frees the model; always true.
    bool Shutdown();

    ShellState& state() { return m_state; }
    const PathTable& paths() const { return m_state.paths; }
    RegistryStore& registry() { return m_registry; }
    FrameworkProfile& profile() { return m_profile; }
    const LanguageChoice& language() const { return m_language; }
    // Valid from the path table on (InitInstance step 2, or buildPaths()).
    LanguageTexts& texts() { return *m_texts; }
    std::u16string LoadText(std::u16string_view key) {
        return m_texts->LoadText(key, m_language.GetLanguageIndex());
    }

    // InitInstance's first three steps, for callers that drive the rest themselves.
    void buildPaths();
    void openSettingsKey();

  private:
    // The folder of the instance lock and channel, chosen once.
    const std::string& runtimeFolder() const;

    ShellHost& m_host;
    ShellOptions m_options;
    RegistryStore m_registry;
    FrameworkProfile m_profile;
    ShellState m_state;
    LanguageChoice m_language;
    std::unique_ptr<LanguageTexts> m_texts;
    mutable std::string m_runtimeFolder;
};

}  // namespace quorvane
