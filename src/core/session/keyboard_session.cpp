#include "core/session/keyboard_session.h"

#include <utility>

#include "core/sync/profile_transfer.h"
#include "core/sync/sync_result.h"

namespace quorvane {

namespace {

// The session's own messages and timers; they never leave its loop.
constexpr std::uint32_t kMsgConfiguration = 0x8301;  // sent: read everything again
constexpr std::uint32_t kMsgRemoved = 0x8302;        // sent
constexpr std::uint32_t kMsgBankChanged = 0x8303;    // sent
constexpr std::uint32_t kMsgBankShown = 0x8304;      // sent, the bank
constexpr std::uint32_t kMsgPrompts = 0x8305;        // posted
constexpr std::uint32_t kMsgPosted = 0x8306;         // posted: run the queued work
constexpr std::uint32_t kTimerLighting = 1;
constexpr std::uint32_t kTimerActiveProfile = 2;
constexpr std::uint32_t kTimerConfiguration = 3;
// Workers finish without telling the loop: a ticking timer makes it look again.
constexpr std::uint32_t kTimerWake = 4;
constexpr std::uint32_t kWakeElapseMs = 10;

}  // namespace

KeyboardSession::KeyboardSession(KeyboardSessionSetup setup, Hosted /*hosted*/)
    : m_link(setup.link),
      m_sync(SyncEnvironment{
          setup.link.commands(), m_config, m_snapshot, m_lighting, setup.window, setup.prompter,
          setup.loadText, std::move(setup.userDataFolder), std::move(setup.skinsFolder),
          BusyTiming{}, std::move(setup.transferRecordFolder), std::string(), HistoryLimits{}}),
      m_prompter(setup.prompter),
      m_loadText(std::move(setup.loadText)) {}

KeyboardSession::KeyboardSession(KeyboardSessionSetup setup)
    : KeyboardSession(std::move(setup), Hosted{}) {
    m_loop =
        std::make_unique<LoopDispatcher>([this](std::uint32_t msg, std::uintptr_t w,
                                                std::intptr_t l) { return onMessage(msg, w, l); },
                                         [this](std::uint32_t id) { onTimer(id); });
    DeviceEventListener& listener = *this;  // a private base: converted here
    m_events = std::make_unique<DeviceEvents>(m_link, listener, m_prompter, m_loadText);
    // Nobody to ask when the keyboard arrives: a client finishes or discards
    // a transfer cut short on its own (finishPendingTransfer).
    m_sync.setOfferPendingTransfer(false);
}

KeyboardSession::~KeyboardSession() {
    shutdown();
}

void KeyboardSession::shutdown() {
    // A worker may wait in a sent message: the loop ends first, which
    // releases it, then the workers are joined.
    if (m_loop) {
        m_loop->quit();
    }
    if (m_events) {
        m_events->shutdown();
    }
}

DeviceEvents& KeyboardSession::attachListener(DeviceEventListener& listener,
                                              DeviceEventsTiming timing) {
    m_events = std::make_unique<DeviceEvents>(m_link, listener, m_prompter, m_loadText, timing);
    return *m_events;
}

void KeyboardSession::setObserver(DeviceEventObserver observer) {
    m_events->setObserver(std::move(observer));
}

void KeyboardSession::start(bool noAutoOpen) {
    m_events->setNoAutoOpen(noAutoOpen);
    m_events->StartDeviceEvents();
}

int KeyboardSession::keyboardCount() {
    return m_link.transport().DeviceCount();
}

bool KeyboardSession::runUntil(const std::function<bool()>& done,
                               std::chrono::milliseconds timeout) {
    m_loop->setTimer(kTimerWake, kWakeElapseMs);
    const bool reached = m_loop->runUntil(done, timeout);
    m_loop->killTimer(kTimerWake);
    return reached;
}

int KeyboardSession::run(const std::function<int()>& command) {
    int result = kSyncCancelled;
    bool done = false;
    post([&] {
        result = command();
        done = true;
    });
    m_loop->runUntil([&] { return done; }, std::chrono::milliseconds::max());
    return result;
}

void KeyboardSession::post(std::function<void()> work) {
    {
        std::lock_guard lock(m_postLock);
        m_posted.push_back(std::move(work));
    }
    m_loop->postMessage(kMsgPosted, 0, 0);
}

bool KeyboardSession::settled() const {
    return m_events->workersRunning() == 0 && (!m_loop || m_loop->pendingMessages() == 0);
}

int KeyboardSession::restoreDefaults(bool ask) {
    return ask ? m_sync.restoreDefaults() : m_sync.restoreDefaultsConfirmed();
}

int KeyboardSession::importFile(const std::string& path) {
    return importProfile(m_sync, path);
}

int KeyboardSession::restoreHistory(const std::string& entryPath, bool ask) {
    return restoreHistoryEntry(m_sync, entryPath, ask);
}

int KeyboardSession::exportFile(const std::string& path) {
    return exportProfile(m_sync, path);
}

// ---- What the device events report ------------------------------------------------

void KeyboardSession::keyboardArrived() {
    m_loop->sendMessage(kMsgConfiguration, 0, 0);
}

void KeyboardSession::keyboardRemoved() {
    m_loop->sendMessage(kMsgRemoved, 0, 0);
}

void KeyboardSession::gKeyBankChanged() {
    m_loop->sendMessage(kMsgBankChanged, 0, 0);
}

void KeyboardSession::showGKeyBank(std::uint8_t bank) {
    m_loop->sendMessage(kMsgBankShown, bank & 0x01U, 0);
}

// One-shot timers, as the window's: a burst of codes is read once.
void KeyboardSession::lightingChanged() {
    m_loop->setTimer(kTimerLighting, 0);
}

void KeyboardSession::activeProfileChanged() {
    m_loop->setTimer(kTimerActiveProfile, 0);
}

void KeyboardSession::configurationChanged() {
    m_loop->setTimer(kTimerConfiguration, 0);
}

void KeyboardSession::promptsWaiting() {
    m_loop->postMessage(kMsgPrompts, 0, 0);
}

// ---- The session's thread -------------------------------------------------------------

MsgResult KeyboardSession::onMessage(std::uint32_t msg, std::uintptr_t wParam,
                                     std::intptr_t /*lParam*/) {
    switch (msg) {
        case kMsgConfiguration:
            onConfigurationMessage();
            break;
        case kMsgRemoved:
            m_events->handOverTo(m_lighting);
            if (m_callbacks.keyboardRemoved) {
                m_callbacks.keyboardRemoved();
            }
            break;
        case kMsgBankChanged:
            m_events->handOverTo(m_lighting);
            break;
        case kMsgBankShown:
            if (m_callbacks.gKeyBankChanged) {
                m_callbacks.gKeyBankChanged(static_cast<std::uint8_t>(wParam & 0x01U));
            }
            break;
        case kMsgPrompts:
            m_events->showPendingPrompts();
            break;
        case kMsgPosted: {
            std::function<void()> work;
            {
                std::lock_guard lock(m_postLock);
                if (m_posted.empty()) {
                    break;
                }
                work = std::move(m_posted.front());
                m_posted.pop_front();
            }
            work();
            break;
        }
        default:
            break;
    }
    return 0;
}

void KeyboardSession::onConfigurationMessage() {
    m_events->handOverTo(m_lighting);
    m_sync.onProfileMessage();
    ++m_reloads;
    if (m_callbacks.configurationReloaded) {
        m_callbacks.configurationReloaded(m_lighting.activeProfile);
    }
}

void KeyboardSession::onTimer(std::uint32_t timerId) {
    switch (timerId) {
        case kTimerLighting:
            m_loop->killTimer(timerId);
            m_sync.onLightingChanged();
            if (m_callbacks.lightingChanged) {
                m_callbacks.lightingChanged();
            }
            break;
        case kTimerActiveProfile:
            m_loop->killTimer(timerId);
            m_sync.onActiveProfileChanged();
            if (m_callbacks.activeProfileChanged) {
                m_callbacks.activeProfileChanged(m_lighting.activeProfile);
            }
            break;
        case kTimerConfiguration:
            m_loop->killTimer(timerId);
            onConfigurationMessage();
            break;
        default:
            break;
    }
}

}  // namespace quorvane
