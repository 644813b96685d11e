// The tool's keyboard: the core's keyboard session (core/session) on the
// calling thread, with the tool's prompter, its exit codes and the lines of
// `watch`. A command runs on the session's thread once the first reload is
// done, and every change it makes has reached the keyboard when it returns.
#pragma once

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "cli/cli_command.h"
#include "cli/cli_language.h"
#include "core/app/prompter.h"
#include "core/config/lighting_state.h"
#include "core/config/working_config.h"
#include "core/device/device_link.h"
#include "core/platform/keyboard_lock.h"
#include "core/session/keyboard_session.h"
#include "core/sync/basic_window_port.h"
#include "core/sync/sync_session.h"

namespace quorvane::cli {

// Messages go to stderr, one line each; Yes/No questions are answered as the
// command line said (No unless a --yes was given).
class CliPrompter final : public Prompter {
  public:
    explicit CliPrompter(std::ostream& err) : m_err(err) {}
    void showMessage(std::u16string_view text) override;
    bool askYesNo(std::u16string_view text) override;
    void setAnswer(bool yes) { m_yes = yes; }

  private:
    std::ostream& m_err;
    std::mutex m_lock;  // the arrival worker may show a message too
    bool m_yes = false;
};

// What the keyboard does, in words, for `watch`. Called on the window thread.
using EventPrinter = std::function<void(const std::string& line)>;

class CliKeyboard {
  public:
    // How long the first reload may take to start.
    static constexpr std::chrono::milliseconds kFirstReloadWait{3000};

    CliKeyboard(CliContext& context, CliLanguage& language);
    // Ends the core's session (its loop, then the device events' workers),
    // then the link (the library saves the virtual keyboard).
    ~CliKeyboard();
    CliKeyboard(const CliKeyboard&) = delete;
    CliKeyboard& operator=(const CliKeyboard&) = delete;

    // Binds the library, starts the device events and waits for the first
    // reload. kExitOk, or the exit code after the one line that says why.
    // Without `requireKeyboard` a missing or unreadable keyboard is said in
    // that line but is no failure (watch waits for it).
    // With `holdKeyboard`, no other client talks to the keyboard from before
    // the library starts until this one ends (kExitBusy when the wait gives
    // up); without, only during each of this one's commands.
    int open(bool requireKeyboard = true, bool holdKeyboard = false);

    // Runs `command` on the window thread and returns its exit code.
    int run(const std::function<int()>& command);

    // From now on every keyboard event, and what the window made of it, goes
    // to `printer` (on the window thread). Before open() it includes the
    // arrival and the first reload.
    void printEvents(EventPrinter printer);
    // Runs the window thread until `stop` returns true (checked at least
    // every 100 ms).
    void watch(const std::function<bool()>& stop);

    quorvane::KeyboardSession& session() { return *m_keyboard; }
    SyncSession& sync() { return m_keyboard->sync(); }
    LightingState& lighting() { return m_keyboard->lighting(); }
    WorkingConfig& config() { return m_keyboard->config(); }
    DeviceLink& link() { return *m_link; }
    CliPrompter& prompter() { return m_prompter; }
    CliLanguage& language() { return m_language; }
    int keyboardCount();

  private:
    void observe(const QuellixEvent& event);
    // A line of the session's (a reload, a bank): the lines of the events
    // before it first.
    void print(const std::string& line);
    void printObserved();
    void printLine(const std::string& line);

    CliContext& m_context;
    CliLanguage& m_language;
    CliPrompter m_prompter;
    TextLookup m_loadText;

    // Both outlive the link: the library saves the virtual keyboard as it ends.
    std::unique_ptr<KeyboardLock> m_keyboardLock;
    std::unique_ptr<KeyboardLock::Hold> m_wholeRun;
    std::unique_ptr<DeviceLink> m_link;
    BasicWindowPort m_port;
    std::unique_ptr<quorvane::KeyboardSession> m_keyboard;

    EventPrinter m_printer;  // set while watching
    std::atomic<bool> m_watching{false};
    // The library's events as it reports them, not yet printed.
    std::mutex m_observedLock;
    std::deque<std::string> m_observed;
};

// The whole life of a command that needs the keyboard: the language, the
// session, the first reload, then `command` on the window thread.
int withKeyboard(CliContext& context, CliLanguage& language,
                 const std::function<int(CliKeyboard&)>& command);

}  // namespace quorvane::cli
