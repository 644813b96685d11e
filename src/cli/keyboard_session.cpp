#include "cli/keyboard_session.h"

#include <cstdio>
#include <ostream>

#include "cli/result_text.h"
#include "core/app/app_paths.h"
#include "core/app/user_checks.h"
#include "core/device/device_result.h"
#include "core/device/hid_filter.h"
#include "core/device/hid_library.h"
#include "core/events/main_window_messages.h"
#include "core/platform/keyboard_protocol.h"
#include "core/sync/sync_result.h"

namespace quorvane::cli {

namespace {

// The tool's own window messages and timers, beside the main window's.
constexpr std::uint32_t UM_CLI_PRINT = 0x8201;    // lines queued by library threads
constexpr std::uint32_t UM_CLI_COMMAND = 0x8202;  // run the pending command
// Workers finish without telling the loop: a ticking timer of no meaning
// to the window makes it look again.
constexpr std::uint32_t kWakeTimer = 0x7E57;
constexpr std::uint32_t kWakeElapseMs = 10;
constexpr std::chrono::milliseconds kStopPoll{100};
constexpr std::chrono::milliseconds kSettleWait{2000};

// The message as one line: line breaks of the message boxes become spaces.
std::string oneLine(std::u16string_view text) {
    std::string line = utf8(text);
    std::string out;
    out.reserve(line.size());
    for (const char c : line) {
        if (c == '\r') {
            continue;
        }
        if (c == '\n') {
            if (!out.empty() && out.back() != ' ') {
                out.push_back(' ');
            }
            continue;
        }
        out.push_back(c);
    }
    while (!out.empty() && out.back() == ' ') {
        out.pop_back();
    }
    return out;
}

std::string hex4(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", value & 0xFFFFU);
    return text;
}

std::string consumerMeaning(std::uint16_t code) {
    switch (code) {
        case kConsumerBankToggle:
            return "G-key bank switched on the keyboard";
        case kConsumerLightingChanged:
            return "lighting changed on the keyboard";
        case kConsumerProfileChanged:
            return "active profile changed on the keyboard";
        case kConsumerProfileReload:
            return "configuration changed on the keyboard";
        case kConsumerIconRest:
            return "keyboard signal off";
        case kConsumerIconSignal:
            return "keyboard signal on";
        default:
            return "unknown code";
    }
}

std::string profileWords(int profile) {
    if (profile >= 0 && profile < kProfileCount) {
        return std::to_string(profile + 1);
    }
    if (profile == kDefaultModeBlock) {
        return "default mode";
    }
    return "unknown";
}

}  // namespace

// ---- Prompter ---------------------------------------------------------------

void CliPrompter::showMessage(std::u16string_view text) {
    std::lock_guard lock(m_lock);
    m_err << "quorvanectl: " << oneLine(text) << '\n';
}

bool CliPrompter::askYesNo(std::u16string_view text) {
    std::lock_guard lock(m_lock);
    m_err << "quorvanectl: " << oneLine(text) << (m_yes ? " -> yes" : " -> no") << '\n';
    return m_yes;
}

// ---- The window without pixels -------------------------------------------------

class KeyboardSession::View final : public MainWindowView {
  public:
    explicit View(KeyboardSession& session) : m_session(session) {}
    bool createTrayIcon() override { return false; }
    void showTrayIcon(int /*iconId*/) override {}
    void removeTrayIcon() override {}
    void hideWindow() override {}
    void openWindow() override {}
    void closeChildDialogs() override {}
    void refreshGKeys() override {}
    void showGKeyBank(std::uint8_t bank, const GKeyCaptions& /*captions*/) override {
        m_session.print(std::string("G-key bank: ") + ((bank & 1U) != 0 ? "B" : "A"));
    }
    void endProgram() override {}

  private:
    KeyboardSession& m_session;
};

class KeyboardSession::Reactions final : public KeyboardReactions {
  public:
    Reactions(KeyboardSession& session, SyncSession& sync) : m_session(session), m_sync(sync) {}

    void onLightingChanged() override {
        m_sync.onLightingChanged();
        m_session.print("lighting re-read");
    }
    void onActiveProfileChanged() override {
        m_sync.onActiveProfileChanged();
        m_session.print("active profile: " + profileWords(m_session.lighting().activeProfile));
    }
    void onProfileMessage() override {
        m_sync.onProfileMessage();
        ++m_reloads;
        m_session.print("configuration reloaded, active profile: " +
                        profileWords(m_session.lighting().activeProfile));
    }
    void updateProfileLabel() override { m_sync.updateProfileLabel(); }

    int reloads() const { return m_reloads; }

  private:
    KeyboardSession& m_session;
    SyncReactions m_sync;
    int m_reloads = 0;  // window thread only
};

// ---- Session ----------------------------------------------------------------

KeyboardSession::KeyboardSession(CliContext& context, CliLanguage& language)
    : m_context(context),
      m_language(language),
      m_prompter(context.err),
      m_loadText([&language](std::u16string_view key) { return language.text(key); }) {}

KeyboardSession::~KeyboardSession() {
    if (m_dispatcher) {
        m_dispatcher->quit();
    }
    if (m_core) {
        m_core->attachDeviceEvents(nullptr);
    }
    m_events.reset();
    m_core.reset();
    m_dispatcher.reset();
    m_reactions.reset();
    m_session.reset();
    m_link.reset();
}

int KeyboardSession::keyboardCount() {
    return m_link ? m_link->transport().DeviceCount() : 0;
}

int KeyboardSession::open(bool requireKeyboard) {
    DeviceLinkResult opened = DeviceLink::open();
    if (!opened) {
        return failWith(m_context, opened.reason);
    }
    m_link = std::move(opened.link);

    const std::string folder = programFolder();
    m_session = std::make_unique<SyncSession>(
        SyncEnvironment{m_link->commands(), m_config, m_snapshot, m_lighting, m_port, m_prompter,
                        m_loadText, userDataFolder(), folder + "Skins/", BusyTiming{}});
    // The tool asks nothing: `status` shows a transfer cut short and `finish` finishes it.
    m_session->setOfferPendingTransfer(false);
    m_view = std::make_unique<View>(*this);
    m_reactions = std::make_unique<Reactions>(*this, *m_session);
    m_dispatcher =
        std::make_unique<LoopDispatcher>([this](std::uint32_t msg, std::uintptr_t w,
                                                std::intptr_t l) { return onMessage(msg, w, l); },
                                         [this](std::uint32_t id) { onTimer(id); });
    m_core = std::make_unique<MainWindowCore>(*m_dispatcher, *m_view, *m_reactions, m_lighting,
                                              m_prompter, m_loadText);
    m_events =
        std::make_unique<DeviceEvents>(*m_link, *m_dispatcher, *m_core, m_prompter, m_loadText);
    m_core->attachDeviceEvents(m_events.get());

    // As the program started with "/Start": there is no window to open.
    m_events->setNoAutoOpen(true);
    m_events->StartDeviceEvents();
    m_link->setEventHook([this](const QuellixEvent& event) {
        observe(event);
        m_events->handleEvent(event);
    });
    m_dispatcher->postMessage(UM_INIT, kTagInit, 0);

    if (keyboardCount() <= 0) {
        const KeyboardAccess access = m_link->library().keyboardAccess();
        if (access.denied) {
            failWith(m_context, utf8(noAccessMessage(m_loadText)) + " (" + access.node + ")");
            return requireKeyboard ? kExitNoAccess : kExitOk;
        }
        const int failed = failWith(m_context, "no keyboard attached");
        return requireKeyboard ? failed : kExitOk;
    }
    m_dispatcher->setTimer(kWakeTimer, kWakeElapseMs);
    const bool reloaded =
        m_dispatcher->runUntil([this] { return m_reactions->reloads() > 0; }, kFirstReloadWait);
    // The arrival worker still shows its icon; a command starts on a quiet window.
    m_dispatcher->runUntil([this] { return settled(); }, kSettleWait);
    m_dispatcher->killTimer(kWakeTimer);
    int failed = kExitOk;
    if (!reloaded) {
        failed = failWith(m_context, keyboardCount() <= 0 ? "the keyboard went away"
                                                          : "the keyboard did not answer in time");
    } else if (m_session->modelOrigin() != ModelOrigin::Keyboard) {
        // The reload goes through the cache file: either side may have failed.
        failed =
            m_session->lastSettingsResult() != kResultDone
                ? failResult(m_context, "reading the keyboard", m_session->lastSettingsResult())
                : failWith(m_context,
                           "the keyboard's configuration could not be read, or "
                           "not saved in " +
                               m_session->userDataFolder());
    }
    if (failed == kExitOk && reloaded &&
        (m_context.command == nullptr || m_context.command->name != "finish")) {
        const PendingTransfer pending = m_session->pendingTransfer();
        if (pending.state == PendingTransfer::State::Pending) {
            m_context.err << "quorvanectl: the last transfer to the keyboard was cut short ("
                          << describeTransferIntent(pending.intent)
                          << "); quorvanectl finish writes it again\n";
        }
    }
    return requireKeyboard ? failed : kExitOk;
}

bool KeyboardSession::settled() {
    return m_events->workersRunning() == 0 && m_dispatcher->pendingMessages() == 0;
}

int KeyboardSession::run(const std::function<int()>& command) {
    int exitCode = kExitFailed;
    bool done = false;
    // The command is the handler of a message, as a button's click is.
    m_pendingCommand = [&] {
        exitCode = command();
        done = true;
    };
    m_dispatcher->postMessage(UM_CLI_COMMAND, 0, 0);
    m_dispatcher->runUntil([&] { return done; }, std::chrono::milliseconds::max());
    m_pendingCommand = nullptr;
    return exitCode;
}

void KeyboardSession::printEvents(EventPrinter printer) {
    m_printer = std::move(printer);
    m_watching.store(m_printer != nullptr);
}

void KeyboardSession::watch(const std::function<bool()>& stop) {
    if (!m_dispatcher) {
        return;
    }
    while (!stop()) {
        m_dispatcher->runUntil(stop, kStopPoll);
    }
}

MsgResult KeyboardSession::onMessage(std::uint32_t msg, std::uintptr_t wParam,
                                     std::intptr_t lParam) {
    if (MainWindowCore::handlesMessage(msg)) {
        return m_core->onMessage(msg, wParam, lParam);
    }
    if (msg == UM_CLI_COMMAND && m_pendingCommand) {
        m_pendingCommand();
    } else if (msg == UM_CLI_PRINT) {
        std::vector<std::string> lines;
        {
            std::lock_guard lock(m_printLock);
            lines.swap(m_printQueue);
        }
        for (const std::string& line : lines) {
            print(line);
        }
    }
    return 0;
}

void KeyboardSession::onTimer(std::uint32_t timerId) {
    if (MainWindowCore::handlesTimer(timerId)) {
        m_core->onTimer(timerId);
    }
}

void KeyboardSession::observe(const QuellixEvent& event) {
    const QuellixRequestRecord* request = event.request;
    if (!m_watching.load() || request == nullptr) {
        return;
    }
    std::string line;
    if (event.kind == QUELLIX_EVENT_REPORT && request->tag == kTagCons) {
        const QuellixReportHolder* holder = request->consumer;
        if (holder == nullptr || holder->report == nullptr || holder->length < 2) {
            return;
        }
        const auto code = static_cast<std::uint16_t>(holder->report[0] | (holder->report[1] << 8));
        line = "consumer " + hex4(code) + ": " + consumerMeaning(code);
    } else if (event.kind == QUELLIX_EVENT_PRESENCE && request->tag == kTagCtrl) {
        line = request->count > 0 ? "keyboard attached (" + std::to_string(request->count) + ")"
                                  : std::string("keyboard removed");
    } else {
        return;
    }
    {
        std::lock_guard lock(m_printLock);
        m_printQueue.push_back(std::move(line));
    }
    m_dispatcher->postMessage(UM_CLI_PRINT, 0, 0);
}

void KeyboardSession::print(const std::string& line) {
    if (m_watching.load() && m_printer) {
        m_printer(line);
    }
}

std::string programFolder() {
    return HidLibrary::programFolder() + "/";
}

int withKeyboard(CliContext& context, CliLanguage& language,
                 const std::function<int(KeyboardSession&)>& command) {
    KeyboardSession session(context, language);
    const int opened = session.open();
    if (opened != kExitOk) {
        return opened;
    }
    return session.run([&] { return command(session); });
}

}  // namespace quorvane::cli
