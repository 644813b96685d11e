#include "core/app/app_shell.h"

#include <unistd.h>

#include "core/app/command_line.h"
#include "core/app/instance_messages.h"
#include "core/platform/detached_start.h"
#include "core/platform/process_scan.h"
#include "core/platform/program_folder.h"
#include "core/platform/xdg_dirs.h"

namespace quorvane {

AppShell::AppShell(ShellHost& host, ShellOptions options)
    : host_(host),
      options_(std::move(options)),
      registry_(options_.registryPath.empty() ? RegistryStore::defaultPath()
                                              : options_.registryPath),
      profile_(registry_, kCompanyKey, kApplicationTitle),
      language_(state_.g_settingsKey, systemDefaultLangId) {}

AppShell::~AppShell() = default;

void AppShell::buildPaths() {
    std::string exe = options_.exePath;
    if (exe.empty()) {
        exe = currentExePath().value_or(std::string());
    }
    state_.paths = buildPathTable(
        exe, options_.userDataFolder.empty() ? userDataFolder() : options_.userDataFolder);
    texts_ = std::make_unique<LanguageTexts>(state_.paths.drive, state_.paths.folder);
}

void AppShell::openSettingsKey() {
    state_.g_settingsKey = quorvane::openSettingsKey(registry_);
}

int AppShell::InitInstance(const std::vector<std::string>& arguments) {
    // 1. The framework profile sits below the company key (profile_).
    buildPaths();               // 2.
    openSettingsKey();          // 3.
    host_.createConfigLocks();  // 4.
    // 5. The dialog object first, then the instance rule, before any window exists.
    std::unique_ptr<MainWindow> dialog = host_.constructMainDialog(*this);
    if (instanceStep(arguments) == InstanceOutcome::Continue && dialog) {
        dialog->runModal();
    }
    // 6. The window is gone: its mark goes with it, then the locks.
    state_.mainWindowMark.reset();
    host_.deleteConfigLocks();
    host_.repaintScreen();
    dialog.reset();
    return 0;
}

pid_t AppShell::findRunningInstance() const {
    return findProcessByExeNameIn(options_.procRoot, state_.paths.g_szExeName, ::getuid());
}

bool AppShell::SignalInstance(pid_t pid, int code) const {
    std::uint32_t message = code == 1 ? UM_KILL : UM_OPEN;
    std::uint32_t tag = code == 1 ? kTagKill : kTagOpen;
    return sendInstanceMessage(runtimeFolder(), pid, message, tag, options_.signalTimeout)
        .has_value();
}

const std::string& AppShell::runtimeFolder() const {
    if (runtimeFolder_.empty()) {
        runtimeFolder_ =
            options_.runtimeFolder.empty() ? privateRuntimeDir() : options_.runtimeFolder;
    }
    return runtimeFolder_;
}

InstanceOutcome AppShell::instanceStep(const std::vector<std::string>& arguments) {
    state_.g_bNoAutoOpen = 0;
    for (const auto& argument : arguments) {
        switch (classifyArgument(argument)) {
            case Switch::Kill:
                // The search also sees this process, so it ends here unless the
                // process list cannot be read.
                if (pid_t running = findRunningInstance()) {
                    SignalInstance(running, 1);
                    return InstanceOutcome::EndProcess;
                }
                break;
            case Switch::Start:
                state_.g_bNoAutoOpen = 1;
                break;
            case Switch::None:
                break;
        }
    }
    std::string folder = runtimeFolder();
    NamedLock::Outcome outcome = NamedLock::Outcome::Failed;
    state_.g_hInstanceMutex = NamedLock::openOrCreate(folder, kInstanceMutexName, &outcome);
    if (outcome == NamedLock::Outcome::Existed) {
        if (pid_t running = findRunningInstance()) {
            SignalInstance(running, 0);
            return InstanceOutcome::EndProcess;
        }
    }
    startDetached(state_.paths.g_szCompanionExe);
    return InstanceOutcome::Continue;
}

void AppShell::computeSettingsFile() {
    state_.paths.settingsFile = state_.paths.userDataFolder + "/wskb.ini";
}

bool AppShell::markMainWindow(MainWindow& window) {
    auto handler = [&window](std::uint32_t message, std::uint32_t tag) -> std::uint32_t {
        if (message == UM_OPEN && tag == kTagOpen) {
            window.openAction();
        } else if (message == UM_KILL && tag == kTagKill) {
            window.exitAction();
        }
        return 0;
    };
    state_.mainWindowMark = InstanceChannel::open(runtimeFolder(), handler, ::getuid());
    return state_.mainWindowMark != nullptr;
}

int AppShell::createMainEvents() {
    state_.g_hMainEvents.setSuffix(options_.eventSuffix);
    return state_.g_hMainEvents.createAll();
}

bool AppShell::Shutdown() {
    host_.closeChildDialogs();
    state_.g_hInstanceMutex.close();
    state_.g_hMainEvents.closeAll();
    host_.removeNotificationIcon();
    host_.freeModel();
    return true;
}

}  // namespace quorvane
