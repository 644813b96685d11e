#include "ui/main/quorvane_program.h"

#include "base/atomic_file.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMetaObject>
#include <QSystemTrayIcon>
#include <QUrl>

#include <cstdio>
#include <filesystem>

#include "core/app/app_paths.h"
#include "core/app/user_checks.h"
#include "core/assign/key_tip.h"
#include "core/keys/key_names.h"
#include "core/platform/utf_text.h"
#include "core/platform/xdg_dirs.h"
#include "core/sync/lighting_writes.h"
#include "core/window/keyboard_picture.h"
#include "core/window/main_window_messages.h"
#include "ui/main/dialog_pictures.h"

#ifndef QUORVANE_VERSION
#define QUORVANE_VERSION "0"
#endif

namespace quorvane {
namespace {

// What a start without a usable libquellix.so says; empty when the library
// has said it already.
std::string libraryFailure(const std::string& folder, const DeviceLinkResult& opened) {
    if (opened.initFailed) {
        return opened.libraryWords.empty() ? opened.reason : std::string();
    }
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::path(folder) / HidLibrary::kFileName, error)) {
        return std::string(HidLibrary::kFileName) +
               " is missing: build the target quellix, or reinstall the package";
    }
    return opened.reason + ": build the target quellix again, or reinstall the package";
}

}  // namespace

class QuorvaneProgram::Window final : public MainWindow {
  public:
    explicit Window(QuorvaneProgram& program) : m_program(program) {}
    int runModal() override { return m_program.runModal(); }
    // On the instance channel's thread: the GUI's thread takes it from there,
    // as it does every other action (the core may still be starting).
    void openAction() override {
        QMetaObject::invokeMethod(
            m_program.m_dialog.get(), [this] { m_program.openAction(); }, Qt::QueuedConnection);
    }
    void exitAction() override {
        m_program.runOnGui([this] { m_program.shutdownProgram(); });
    }

  private:
    QuorvaneProgram& m_program;
};

QuorvaneProgram::QuorvaneProgram(ProgramOptions options, ShellOptions shellOptions)
    : m_options(std::move(options)), m_shell(*this, std::move(shellOptions)) {
    if (!m_options.openUrl) {
        m_options.openUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    }
    if (!m_options.chooseFile) {
        m_options.chooseFile = [](bool save, const QString& folder, const QString& name) {
            const QString filter = QStringLiteral("(*.fwc) (*.fwc);;(*.*) (*)");
            const QString start = folder + QLatin1Char('/') + name;
            // The window asks before a file is replaced, once ".fwc" is added.
            return save ? QFileDialog::getSaveFileName(nullptr, QString(), start, filter, nullptr,
                                                       QFileDialog::DontConfirmOverwrite)
                        : QFileDialog::getOpenFileName(nullptr, QString(), start, filter);
        };
    }
}

QuorvaneProgram::~QuorvaneProgram() {
    shutdownProgram();
}

int QuorvaneProgram::run(const std::vector<std::string>& arguments) {
    return m_shell.InitInstance(arguments);
}

std::unique_ptr<MainWindow> QuorvaneProgram::constructMainDialog(AppShell& /*shell: ours*/) {
    auto window = std::make_unique<Window>(*this);
    m_window = window.get();
    return window;
}

void QuorvaneProgram::attachKeyboardLock() {
    // Waits on the core's thread (never the GUI's) while quorvanectl writes.
    const std::string runtime = privateRuntimeDir();
    if (!runtime.empty()) {
        m_keyboardLock = std::make_unique<KeyboardLock>(KeyboardLock::pathFor(runtime), "quorvane");
        m_link->transport().setKeyboardLock(m_keyboardLock.get());
    }
}

int QuorvaneProgram::runModal() {
    if (m_options.startGui) {
        m_options.startGui();
    }
    AppShell& shell = m_shell;
    const PathTable& paths = shell.paths();
    m_loadText = [&shell](std::u16string_view key) { return shell.LoadText(key); };

    // The library first, then the pictures: either missing ends the program
    // with one line that says what is missing and how to get it.
    DeviceLinkResult opened = DeviceLink::open(paths.folder);
    if (!opened) {
        return failedStart(libraryFailure(paths.folder, opened));
    }
    m_link = std::move(opened.link);
    attachKeyboardLock();
    // Only the headers now: the window decodes its pictures when it shows.
    std::string missing;
    if (!MainPictures::check(paths.g_szSkinDir, &missing)) {
        missing = "Skins/" + missing;
    } else {
        missing = firstMissingDialogPicture(paths);  // the dialogs' too, from their headers
    }
    if (!missing.empty()) {
        return failedStart(missing +
                           " is missing: build the target quorvane_skin, or reinstall the package");
    }
    // Said once the program really runs.
    if (const std::optional<std::u16string> notice = rootNotice(m_loadText)) {
        std::fprintf(stderr, "quorvane: %s\n",
                     QString::fromStdU16String(*notice).toLocal8Bit().constData());
    }
    CQuorvaneDlg::Setup setup;
    setup.paths = paths;
    setup.loadText = m_loadText;
    setup.settings = &shell.profile();
    setup.version = QStringLiteral("v" QUORVANE_VERSION);
    setup.actions = this;
    // The keyboard is there but its nodes may not be opened: the tooltip says
    // why (the library announces no change, so the window asks again).
    setup.trayTooltip = [this] {
        const KeyboardAccess access = m_link->library().keyboardAccess();
        return access.denied ? QString::fromStdU16String(noAccessTip(m_loadText)) : QString();
    };
    setup.lightingActions = this;
    setup.languageIndex = [&shell] { return shell.language().GetLanguageIndex(); };
    setup.shownChanged = [this](bool shown) {
        if (m_core && m_panel) {
            m_core->post([this, shown] { m_panel->setWindowShown(shown); });
        }
    };
    setup.chooseFile = m_options.chooseFile;
    setup.openUrl = m_options.openUrl;
    setup.profileManagerState = [this](bool open, bool unapplied) {
        if (m_bridge) {
            m_bridge->setProfileManagerOpen(open);
            m_bridge->setProfileManagerUnapplied(unapplied);
        }
    };
    m_dialog = std::make_unique<CQuorvaneDlg>(std::move(setup));
    // The icon is what a tray program's user waits for: it goes out as the
    // loop starts, and the window's controls and the core come after.
    m_dialog->createTray();
    shell.computeSettingsFile();
    // A second start hands its open over from here on (it waits for the core).
    shell.markMainWindow(*m_window);
    // Posted: it runs once the loop runs, after the icon's requests went out.
    QMetaObject::invokeMethod(
        m_dialog.get(), [this] { finishStart(); }, Qt::QueuedConnection);
    {
        const std::lock_guard lock(m_loopLock);
        m_loopRunning = true;
    }
    QApplication::exec();
    {
        const std::lock_guard lock(m_loopLock);
        m_loopRunning = false;
        m_loopWake.notify_all();
    }
    shutdownProgram();
    return 0;
}

void QuorvaneProgram::finishStart() {
    if (m_shutDown) {
        return;
    }
    m_dialog->initialise();
    m_shell.createMainEvents();
    startCore();
}

int QuorvaneProgram::failedStart(const std::string& line) {
    if (!line.empty()) {
        std::fprintf(stderr, "quorvane: %s\n", line.c_str());
    }
    return 1;
}

void QuorvaneProgram::startCore() {
    AppShell& shell = m_shell;
    GuiBridge::Readers readers;
    // Run under ConfigLock by readKeyboardPicture.
    const KeyTipBuilder tips = [this](const KeyActionEntry& entry, std::u16string_view name) {
        return keyButtonTip(name, entry, m_keyboard->config().macros, m_loadText);
    };
    const KeyNamer names = [this](KeyId key) { return keyName(key, m_loadText); };
    readers.picture = [this, tips, names] {
        const std::uint8_t bank = m_events ? m_events->gKeyBank() : 0;
        const LightingState& lighting = m_keyboard->lighting();
        return readKeyboardPicture(m_keyboard->config(), lighting.activeProfile,
                                   lighting.currentProfile, bank, tips, names);
    };
    readers.gKeys = [this] {
        const std::uint8_t bank = m_events ? m_events->gKeyBank() : 0;
        return readGKeyStates(m_keyboard->config(), m_keyboard->lighting().activeProfile, bank);
    };
    m_bridge = std::make_unique<GuiBridge>(m_dialog.get(), *m_dialog, std::move(readers));
    // The icon follows a notification host that comes later, so the core may
    // always count on it.
    m_bridge->setTrayAvailable(true);

    m_keyboard = std::make_unique<KeyboardSession>(
        KeyboardSessionSetup{*m_link, *m_bridge, *m_bridge, m_loadText,
                             shell.paths().userDataFolder, shell.paths().g_szSkinDir,
                             userStateFolder()},
        KeyboardSession::Hosted{});
    createDefaultImage(m_keyboard->config(), std::string(), true);
    m_reactions = std::make_unique<SyncReactions>(m_keyboard->sync());
    m_core = std::make_unique<CoreThread>(
        [this](std::uint32_t msg, std::uintptr_t w, std::intptr_t l) -> MsgResult {
            if (m_windowCore && MainWindowCore::handlesMessage(msg)) {
                if (msg == UM_PROFILE) {
                    settleLighting();
                }
                const MsgResult result = m_windowCore->onMessage(msg, w, l);
                if (msg == UM_LANG && w == kTagLang && m_panel) {
                    m_panel->refresh();  // the effect names
                }
                return result;
            }
            return 0;
        },
        [this](std::uint32_t id) {
            if (m_panel && LightingPanel::handlesTimer(id)) {
                m_panel->onTimer(id);
            } else if (m_windowCore && MainWindowCore::handlesTimer(id)) {
                settleLighting();
                m_windowCore->onTimer(id);
            }
        });
    m_lightingBridge =
        std::make_unique<LightingBridge>(*m_dialog, [this] { m_bridge->refreshKeyboardPicture(); });
    m_sender = std::make_unique<LatestValueSender>(m_link->commands());
    EffectNameLookup effectNames = effectNamesOfCurrentLanguage(
        [&shell] { return shell.texts().textFileOfIndex(shell.language().GetLanguageIndex()); });
    m_panel =
        std::make_unique<LightingPanel>(m_keyboard->sync(), *m_lightingBridge, m_core->dispatcher(),
                                        std::move(effectNames), m_sender.get());
    GuiBridge::LightingHooks hooks;
    hooks.refresh = [this] { onPanelHere([](LightingPanel& p) { p.refresh(); }); };
    hooks.reloadUserSlots = [this] { m_panel->reloadUserSlots(); };
    hooks.selectUserSlot = [this](int slot) { m_lightingBridge->selectUserSlot(slot); };
    hooks.showLampOff = [this] { onPanelHere([](LightingPanel& p) { p.showLampOff(); }); };
    hooks.showKeyColours = [this] { m_panel->showKeyColours(); };
    m_bridge->setLightingHooks(std::move(hooks));
    m_windowCore = std::make_unique<MainWindowCore>(m_core->dispatcher(), *m_bridge, *m_reactions,
                                                    m_keyboard->lighting(), *m_bridge, m_loadText);
    m_windowCore->setLanguageChoice(&shell.language());
    m_events = &m_keyboard->attachListener(*m_windowCore);
    m_windowCore->attachDeviceEvents(m_events);
    m_windowCore->setNoKeyboardReason([this] {
        const KeyboardAccess access = m_link->library().keyboardAccess();
        if (!access.denied) {
            return std::u16string();
        }
        // The library's own words, when they are about that node, add the
        // system's reason to the fixed text.
        std::u16string reason = noAccessMessage(m_loadText);
        const std::string why = m_link->library().lastError();
        if (!access.node.empty() && why.find(access.node) != std::string::npos) {
            reason += u"\n\n" + utf8ToUtf16(why);
        }
        return reason;
    });

    AssignmentOpener::Links links;
    links.window = m_dialog.get();
    links.core = m_core.get();
    links.session = &m_keyboard->sync();
    links.bridge = m_bridge.get();
    links.config = &m_keyboard->config();
    links.loadText = m_loadText;
    links.settings = &shell.profile();
    links.paths = shell.paths();
    links.picturesMissing = [this] { shutdownProgram(); };
    m_opener = std::make_unique<AssignmentOpener>(std::move(links));
    m_dialog->setAssignmentOpener(m_opener.get());

    m_core->start();
    m_keyboard->start(shell.state().g_bNoAutoOpen != 0);
    m_link->setEventHook([this](const QuellixEvent& event) { m_events->handleEvent(event); });
    m_core->dispatcher().postMessage(UM_INIT, kTagInit, 0);
    m_core->post([this] {
        // After UM_INIT's own work: the window that must be reachable without
        // a notification area.
        QMetaObject::invokeMethod(
            m_dialog.get(), [this] { afterInit(); }, Qt::QueuedConnection);
    });
    // Tray commands chosen while the window and the core were still being made.
    for (std::function<void()>& work : m_beforeCore) {
        m_core->post(std::move(work));
    }
    m_beforeCore.clear();
}

// Only on the GUI's thread, as m_beforeCore is.
void QuorvaneProgram::onCore(std::function<void()> work) {
    if (m_core) {
        m_core->post(std::move(work));
    } else {
        m_beforeCore.push_back(std::move(work));
    }
}

void QuorvaneProgram::afterInit() {
    const bool hostPresent = QSystemTrayIcon::isSystemTrayAvailable();
    if (!hostPresent && m_shell.state().g_bNoAutoOpen == 0 && m_dialog) {
        m_dialog->openWindow();
    }
}

void QuorvaneProgram::runOnGui(const std::function<void()>& work) {
    auto done = std::make_shared<bool>(false);
    {
        const std::lock_guard lock(m_loopLock);
        if (!m_loopRunning || !m_dialog) {
            return;
        }
    }
    QMetaObject::invokeMethod(
        m_dialog.get(),
        [this, work, done] {
            work();
            const std::lock_guard lock(m_loopLock);
            *done = true;
            m_loopWake.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(m_loopLock);
    m_loopWake.wait(lock, [&] { return *done || !m_loopRunning; });
}

void QuorvaneProgram::shutdownProgram() {
    if (m_shutDown) {
        return;
    }
    m_shutDown = true;
    if (m_opener) {
        m_opener->closeEditor();
    }
    if (m_dialog) {
        m_dialog->setShuttingDown();
        m_dialog->hide();
    }
    if (m_bridge) {
        m_bridge->cancelPrompts();
    }
    // The device events first (their workers may still talk to the core's
    // loop), then the core's thread, which finishes the transfer it is in.
    if (m_events) {
        m_link->setEventHook(nullptr);
        m_events->shutdown();
    }
    if (m_core) {
        m_core->stop();
    }
    // What the lighting sender still holds goes out before the link goes.
    m_panel.reset();
    m_sender.reset();
    m_shell.Shutdown();
    if (QApplication::instance() != nullptr) {
        QApplication::exit(0);
    }
}

// ---- ShellHost -------------------------------------------------------------------------

void QuorvaneProgram::closeChildDialogs() {
    if (m_dialog) {
        m_dialog->closeChildDialogs();
    }
}

void QuorvaneProgram::removeNotificationIcon() {
    if (m_windowCore) {
        m_windowCore->removeTrayIcon();
    }
    if (m_dialog) {
        m_dialog->removeTray();
        m_dialog->setApplyEnabled(false);
    }
}

void QuorvaneProgram::freeModel() {
    if (!m_keyboard) {
        return;
    }
    WorkingConfig& config = m_keyboard->config();
    {
        const std::lock_guard lock(config.ConfigLock);
        clearTexts(config);
        clearMacros(config);
        clearImage(config);
    }
    DownloadSnapshot& snapshot = m_keyboard->snapshot();
    const std::lock_guard lock(snapshot.DownloadLock);
    snapshot.macros.clear();
    snapshot.image.reset();
}

// ---- MainWindowActions -------------------------------------------------------------------

void QuorvaneProgram::apply(bool thenHide) {
    onCore([this, thenHide] {
        settleLighting();
        m_keyboard->apply();
        if (thenHide) {
            m_bridge->hideWindow();
        }
    });
}

void QuorvaneProgram::profileButton(int profile) {
    onCore([this, profile] {
        settleLighting();
        m_keyboard->switchProfile(profile);
    });
}

void QuorvaneProgram::restoreDefaults() {
    onCore([this] {
        settleLighting();
        m_keyboard->restoreDefaults(true);
    });
}

void QuorvaneProgram::reportRate(int rate) {
    onPanel([rate](LightingPanel& p) { p.onReportRateClicked(rate); });
}

void QuorvaneProgram::openProfileManager() {
    onCore([this] {
        auto rows =
            std::make_shared<std::vector<ProfileRow>>(profileManagerRows(m_keyboard->sync()));
        QMetaObject::invokeMethod(
            m_dialog.get(), [this, rows] { m_dialog->showProfileManager(*rows); },
            Qt::QueuedConnection);
    });
}

void QuorvaneProgram::applyProfileRows(const std::vector<ProfileRow>& rows) {
    onCore([this, rows] {
        settleLighting();
        applyProfileManager(m_keyboard->sync(), rows, m_shell.profile());
    });
}

void QuorvaneProgram::importFile(const std::string& path) {
    onCore([this, path] {
        settleLighting();
        m_keyboard->importFile(path);
    });
}

void QuorvaneProgram::exportFile(const std::string& path) {
    onCore([this, path] { m_keyboard->exportFile(path); });
}

void QuorvaneProgram::openHistory() {
    onCore([this] { showHistoryList(); });
}

void QuorvaneProgram::restoreHistory(const std::string& entryPath) {
    onCore([this, entryPath] {
        settleLighting();
        m_keyboard->restoreHistory(entryPath, true);
        showHistoryList();
    });
}

void QuorvaneProgram::showHistoryList() {
    SyncSession& sync = m_keyboard->sync();
    auto view = std::make_shared<HistoryView>();
    view->folder = sync.historyFolder();
    // Open folder always has a folder to open.
    makeDirectories(view->folder);
    view->entries = listHistory(view->folder);
    view->keyboardUnread = sync.modelOrigin() == ModelOrigin::StandIn;
    QMetaObject::invokeMethod(
        m_dialog.get(), [this, view] { m_dialog->showHistory(std::move(*view)); },
        Qt::QueuedConnection);
}

void QuorvaneProgram::toggleSelection(int controlId, std::uint8_t bank) {
    onCore([this, controlId, bank] {
        const bool selected = toggleColourKeySelection(
            m_keyboard->config(), m_keyboard->lighting().currentProfile, controlId, bank);
        m_keyboard->sync().markDirty();
        QMetaObject::invokeMethod(
            m_dialog.get(),
            [this, controlId, selected] { m_dialog->selectionChanged(controlId, selected); },
            Qt::QueuedConnection);
    });
}

void QuorvaneProgram::paintKey(int controlId) {
    onPanel([controlId](LightingPanel& p) { p.onPaintClick(controlId); });
}

// ---- Lighting ------------------------------------------------------------------------------

void QuorvaneProgram::settleLighting() {
    if (m_panel) {
        m_panel->settleWrites();
    }
}

void QuorvaneProgram::onPanelHere(const std::function<void(LightingPanel&)>& work) {
    work(*m_panel);
    const bool lamp = m_panel->lampIsOn();
    QMetaObject::invokeMethod(
        m_dialog.get(), [this, lamp] { m_dialog->setLampOn(lamp); }, Qt::QueuedConnection);
}

void QuorvaneProgram::onPanel(std::function<void(LightingPanel&)> work) {
    if (!m_core || !m_panel) {
        return;
    }
    m_core->post([this, work = std::move(work)] { onPanelHere(work); });
}

void QuorvaneProgram::lampClicked() {
    onPanel([](LightingPanel& p) { p.onLampClicked(); });
}

void QuorvaneProgram::effectSelected(int comboIndex) {
    onPanel([comboIndex](LightingPanel& p) { p.onEffectSelected(comboIndex); });
}

void QuorvaneProgram::directionClicked(int controlId) {
    onPanel([controlId](LightingPanel& p) { p.onDirectionClicked(controlId); });
}

void QuorvaneProgram::sliderMoved(int controlId, int position) {
    // UM_SLIDER_MOVED, on the core's thread like every other window message.
    onPanel([controlId, position](LightingPanel& p) { p.onSliderMoved(controlId, position); });
}

void QuorvaneProgram::effectColourChosen(Rgb colour) {
    onPanel([colour](LightingPanel& p) { p.onEffectColourChosen(colour); });
}

void QuorvaneProgram::randomToggled() {
    onPanel([](LightingPanel& p) { p.onRandomToggled(); });
}

void QuorvaneProgram::colourPictureClicked(int controlId) {
    onPanel([controlId](LightingPanel& p) { p.onColourPictureClicked(controlId); });
}

void QuorvaneProgram::userSlotSelected(int slot) {
    onPanel([slot](LightingPanel& p) { p.onUserSlotSelected(slot); });
}

void QuorvaneProgram::userSlotRenamed(const std::u16string& name) {
    onPanel([name](LightingPanel& p) { p.onUserSlotRenamed(name); });
}

void QuorvaneProgram::toolClicked(int controlId) {
    onPanel([controlId](LightingPanel& p) { p.onToolClicked(controlId); });
}

void QuorvaneProgram::brushColourChosen(Rgb colour) {
    onPanel([colour](LightingPanel& p) { p.onBrushColourChosen(colour); });
}

void QuorvaneProgram::baseColourChosen(Rgb colour) {
    onPanel([colour](LightingPanel& p) { p.onBaseColourChosen(colour); });
}

void QuorvaneProgram::openAction() {
    onCore([this] { m_windowCore->openAction(); });
}

void QuorvaneProgram::exitAction() {
    shutdownProgram();
}

void QuorvaneProgram::chooseLanguage(int index) {
    onCore([this, index] { m_windowCore->chooseLanguage(index); });
}

}  // namespace quorvane
