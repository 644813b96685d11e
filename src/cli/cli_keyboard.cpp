#include "cli/cli_keyboard.h"

#include <cstdio>
#include <cstdlib>
#include <ostream>

#include "base/keyboard_protocol.h"
#include "cli/result_text.h"
#include "core/app/app_paths.h"
#include "core/app/user_checks.h"
#include "core/device/device_result.h"
#include "core/device/hid_filter.h"
#include "core/device/hid_library.h"
#include "core/platform/program_folder.h"
#include "core/platform/xdg_dirs.h"
#include "core/sync/sync_result.h"

namespace quorvane::cli {

namespace {

constexpr std::chrono::milliseconds kStopPoll{100};
constexpr std::chrono::seconds kDefaultWait{60};

// QUORVANECTL_WAIT: whole seconds, 0 for no wait; anything else the default.
std::chrono::milliseconds waitLimit() {
    const char* text = std::getenv("QUORVANECTL_WAIT");
    if (text == nullptr || *text == '\0') {
        return kDefaultWait;
    }
    char* end = nullptr;
    const long seconds = std::strtol(text, &end, 10);
    if (*end != '\0' || seconds < 0 || seconds > 24L * 3600) {
        return kDefaultWait;
    }
    return std::chrono::seconds(seconds);
}
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

// ---- Session ----------------------------------------------------------------

CliKeyboard::CliKeyboard(CliContext& context, CliLanguage& language)
    : m_context(context),
      m_language(language),
      m_prompter(context.err),
      m_loadText([&language](std::u16string_view key) { return language.text(key); }) {}

CliKeyboard::~CliKeyboard() {
    m_context.libraryError = nullptr;
    m_keyboard.reset();
    m_link.reset();
}

int CliKeyboard::keyboardCount() {
    return m_link ? m_link->transport().DeviceCount() : 0;
}

int CliKeyboard::open(bool requireKeyboard, bool holdKeyboard) {
    const std::string runtime = privateRuntimeDir();
    if (!runtime.empty()) {
        KeyboardLock::Waiting waiting;
        waiting.giveUpAfter = waitLimit();
        waiting.notice = [this](const std::string& holder) {
            m_context.err << "quorvanectl: " << holder << " is writing to the keyboard; waiting\n";
        };
        m_keyboardLock = std::make_unique<KeyboardLock>(KeyboardLock::pathFor(runtime),
                                                        "quorvanectl", std::move(waiting));
    }
    if (holdKeyboard && m_keyboardLock) {
        m_wholeRun = std::make_unique<KeyboardLock::Hold>(m_keyboardLock.get());
        if (!m_wholeRun->taken()) {
            m_wholeRun.reset();
            failWith(m_context,
                     m_keyboardLock->lastHolder() + " kept the keyboard busy; nothing was sent");
            return kExitBusy;
        }
    }
    DeviceLinkResult opened = DeviceLink::open();
    if (!opened) {
        return failWith(m_context, opened.reason);
    }
    m_link = std::move(opened.link);
    m_link->transport().setKeyboardLock(m_keyboardLock.get());
    // What the library's first scan of the nodes ran into; later failures
    // belong to the command that meets them.
    const std::string scanFailure = m_link->library().lastError();
    m_context.libraryError = [this] { return m_link->library().lastError(); };

    m_keyboard = std::make_unique<quorvane::KeyboardSession>(
        KeyboardSessionSetup{*m_link, m_port, m_prompter, m_loadText, userDataFolder(),
                             programFolder() + "Skins/", userStateFolder()});
    KeyboardSessionEvents events;
    events.configurationReloaded = [this](int active) {
        print("configuration reloaded, active profile: " + profileWords(active));
    };
    events.activeProfileChanged = [this](int active) {
        print("active profile: " + profileWords(active));
    };
    events.lightingChanged = [this] { print("lighting re-read"); };
    events.gKeyBankChanged = [this](std::uint8_t bank) {
        print(std::string("G-key bank: ") + ((bank & 1U) != 0 ? "B" : "A"));
    };
    m_keyboard->setEvents(std::move(events));
    m_keyboard->setObserver([this](const QuellixEvent& event) { observe(event); });
    m_keyboard->start();

    if (keyboardCount() <= 0) {
        const KeyboardAccess access = m_link->library().keyboardAccess();
        const std::string libraryWords =
            scanFailure.empty() ? std::string() : "libquellix.so: " + scanFailure;
        if (access.denied) {
            failWith(m_context, utf8(noAccessMessage(m_loadText)) + " (" + access.node + ")");
            if (!libraryWords.empty()) {
                failWith(m_context, libraryWords);
            }
            return requireKeyboard ? kExitNoAccess : kExitOk;
        }
        const int failed = failWith(m_context, libraryWords.empty()
                                                   ? std::string("no keyboard attached")
                                                   : "no keyboard attached (" + libraryWords + ")");
        return requireKeyboard ? failed : kExitOk;
    }
    const bool reloaded =
        m_keyboard->runUntil([this] { return m_keyboard->reloads() > 0; }, kFirstReloadWait);
    // The arrival worker may still be finishing; a command starts on a quiet session.
    m_keyboard->runUntil([this] { return m_keyboard->settled(); }, kSettleWait);
    SyncSession& sync = m_keyboard->sync();
    int failed = kExitOk;
    if (!reloaded) {
        failed = failWith(m_context, keyboardCount() <= 0 ? "the keyboard went away"
                                                          : "the keyboard did not answer in time");
    } else if (sync.modelOrigin() != ModelOrigin::Keyboard) {
        // The reload goes through the cache file: either side may have failed.
        failed = sync.lastSettingsResult() != kResultDone
                     ? failResult(m_context, "reading the keyboard", sync.lastSettingsResult())
                     : failWith(m_context,
                                "the keyboard's configuration could not be read, or "
                                "not saved in " +
                                    sync.userDataFolder());
    }
    if (failed == kExitOk && reloaded &&
        (m_context.command == nullptr || m_context.command->name != "finish")) {
        const PendingTransfer pending = sync.pendingTransfer();
        if (pending.state == PendingTransfer::State::Pending) {
            m_context.err << "quorvanectl: the last transfer to the keyboard was cut short ("
                          << describeTransferIntent(pending.intent)
                          << "); quorvanectl finish writes it again\n";
        }
    }
    return requireKeyboard ? failed : kExitOk;
}

int CliKeyboard::run(const std::function<int()>& command) {
    return m_keyboard->run(command);
}

void CliKeyboard::printEvents(EventPrinter printer) {
    m_printer = std::move(printer);
    m_watching.store(m_printer != nullptr);
}

void CliKeyboard::watch(const std::function<bool()>& stop) {
    if (!m_keyboard) {
        return;
    }
    while (!stop()) {
        m_keyboard->runUntil(stop, kStopPoll);
    }
}

void CliKeyboard::observe(const QuellixEvent& event) {
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
    // On the library's thread, before the session hears of the event. Printed
    // on the session's thread, and before any line of the session's: its news
    // of the event is sent and would overtake a posted line.
    {
        std::lock_guard lock(m_observedLock);
        m_observed.push_back(std::move(line));
    }
    m_keyboard->post([this] { printObserved(); });
}

void CliKeyboard::printObserved() {
    for (;;) {
        std::string line;
        {
            std::lock_guard lock(m_observedLock);
            if (m_observed.empty()) {
                return;
            }
            line = std::move(m_observed.front());
            m_observed.pop_front();
        }
        printLine(line);
    }
}

void CliKeyboard::print(const std::string& line) {
    printObserved();
    printLine(line);
}

void CliKeyboard::printLine(const std::string& line) {
    if (m_watching.load() && m_printer) {
        m_printer(line);
    }
}

int withKeyboard(CliContext& context, CliLanguage& language,
                 const std::function<int(CliKeyboard&)>& command) {
    CliKeyboard session(context, language);
    // A command reads the keyboard, then writes what it read changed: no other
    // client may come between.
    const int opened = session.open(true, true);
    if (opened != kExitOk) {
        return opened;
    }
    return session.run([&] { return command(session); });
}

}  // namespace quorvane::cli
