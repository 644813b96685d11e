#include "core/app/app_shell.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "core/app/command_line.h"
#include "core/app/instance_handover.h"
#include "core/app/instance_messages.h"
#include "core/platform/detached_start.h"
#include "core/platform/program_folder.h"
#include "core/platform/xdg_dirs.h"

namespace quorvane {
namespace {

bool processAlive(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

}  // namespace

AppShell::AppShell(ShellHost& host, ShellOptions options)
    : m_host(host),
      m_options(std::move(options)),
      m_registry(m_options.registryPath.empty() ? RegistryStore::defaultPath()
                                                : m_options.registryPath),
      m_profile(m_registry, kCompanyKey, kApplicationTitle),
      m_language(m_state.g_settingsKey, systemDefaultLangId) {}

AppShell::~AppShell() = default;

void AppShell::buildPaths() {
    std::string exe = m_options.exePath;
    if (exe.empty()) {
        exe = currentExePath().value_or(std::string());
    }
    m_state.paths = buildPathTable(
        exe, m_options.userDataFolder.empty() ? userDataFolder() : m_options.userDataFolder);
    m_texts = std::make_unique<LanguageTexts>(m_state.paths.drive, m_state.paths.folder);
}

void AppShell::openSettingsKey() {
    m_state.g_settingsKey = quorvane::openSettingsKey(m_registry);
}

int AppShell::InitInstance(const std::vector<std::string>& arguments) {
    // 1. The framework profile sits below the company key (profile_).
    buildPaths();                // 2.
    openSettingsKey();           // 3.
    m_host.createConfigLocks();  // 4.
    // 5. The dialog object first, then the instance rule, before any window exists.
    std::unique_ptr<MainWindow> dialog = m_host.constructMainDialog(*this);
    int code = 0;
    if (instanceStep(arguments) == InstanceOutcome::Continue && dialog) {
        code = dialog->runModal();
    }
    // 6. The window is gone: its mark goes with it, then the locks.
    m_state.mainWindowMark.reset();
    m_host.deleteConfigLocks();
    m_host.repaintScreen();
    dialog.reset();
    return code;
}

pid_t AppShell::findRunningInstance(bool lockHeld) const {
    const std::string& folder = runtimeFolder();
    const auto deadline = std::chrono::steady_clock::now() + m_options.signalTimeout;
    for (;;) {
        const pid_t holder = NamedLock::holderPid(folder, kInstanceMutexName);
        if (holder > 0 && instanceChannelListening(folder, holder)) {
            return holder;
        }
        // Nobody there, or a holder that died without a word: do not wait.
        const bool starting = holder > 0 ? processAlive(holder) : lockHeld;
        if (!starting || std::chrono::steady_clock::now() >= deadline) {
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

bool AppShell::SignalInstance(pid_t pid, int code) const {
    return signalInstance(runtimeFolder(), pid, code, m_options.signalTimeout);
}

const std::string& AppShell::runtimeFolder() const {
    if (m_runtimeFolder.empty()) {
        m_runtimeFolder =
            m_options.runtimeFolder.empty() ? privateRuntimeDir() : m_options.runtimeFolder;
    }
    return m_runtimeFolder;
}

InstanceOutcome AppShell::instanceStep(const std::vector<std::string>& arguments) {
    m_state.g_bNoAutoOpen = 0;
    for (const auto& argument : arguments) {
        switch (classifyArgument(argument)) {
            case Switch::Kill:
                // With or without an instance to end, this process ends here.
                if (pid_t running = findRunningInstance()) {
                    SignalInstance(running, 1);
                }
                return InstanceOutcome::EndProcess;
            case Switch::Start:
                m_state.g_bNoAutoOpen = 1;
                break;
            case Switch::None:
                break;
        }
    }
    std::string folder = runtimeFolder();
    NamedLock::Outcome outcome = NamedLock::Outcome::Failed;
    m_state.g_hInstanceMutex = NamedLock::openOrCreate(folder, kInstanceMutexName, &outcome);
    if (outcome == NamedLock::Outcome::Existed) {
        // An instance that cannot be reached (it never marked its window) does
        // not keep this one from running.
        if (pid_t running = findRunningInstance(true)) {
            SignalInstance(running, 0);
            return InstanceOutcome::EndProcess;
        }
    }
    startDetached(m_state.paths.g_szCompanionExe);
    return InstanceOutcome::Continue;
}

void AppShell::computeSettingsFile() {
    m_state.paths.settingsFile = m_state.paths.userDataFolder + "/wskb.ini";
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
    m_state.mainWindowMark = InstanceChannel::open(runtimeFolder(), handler, ::getuid());
    return m_state.mainWindowMark != nullptr;
}

int AppShell::createMainEvents() {
    m_state.g_hMainEvents.setSuffix(m_options.eventSuffix);
    return m_state.g_hMainEvents.createAll();
}

bool AppShell::Shutdown() {
    m_host.closeChildDialogs();
    m_state.g_hInstanceMutex.close();
    m_state.g_hMainEvents.closeAll();
    m_host.removeNotificationIcon();
    m_host.freeModel();
    return true;
}

}  // namespace quorvane
