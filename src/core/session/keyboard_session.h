// One keyboard, end to end: the model, the synchronisation and the device
// events, with the operations a client runs on them: reload, apply, switch
// profile, restore defaults, import, export, finish a transfer cut short.
//
// Two ways to run it. On its own (the command-line tool): a loop on the
// calling thread; the session reads the keyboard when it arrives and when
// the keyboard asks, and what the keyboard does reaches the client as typed
// callbacks. Hosted (the desktop program): the window's thread runs it, and
// the device events report to the window's own listener (core/window's
// MainWindowCore), whose handlers call the synchronisation.
//
// Threads. The session's thread (the one that calls runUntil() or run(), or
// the hosting window's thread) runs every operation, every callback and the
// synchronisation. The device events' workers and the library's threads only
// queue work for it; post() does the same for a client.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "core/app/prompter.h"
#include "core/app/text_lookup.h"
#include "core/config/lighting_state.h"
#include "core/config/working_config.h"
#include "core/device/device_link.h"
#include "core/dispatch/loop_dispatcher.h"
#include "core/events/device_event_listener.h"
#include "core/events/device_events.h"
#include "core/sync/main_window_port.h"
#include "core/sync/sync_session.h"

namespace quorvane {

// What the keyboard did, each told on the session's thread after the
// session acted on it. Any of them may be empty.
struct KeyboardSessionEvents {
    // A keyboard arrived, or the keyboard changed its configuration: the
    // model was read again (activeProfile -1 when the read failed).
    std::function<void(int activeProfile)> configurationReloaded;
    std::function<void()> keyboardRemoved;
    // The keyboard switched its active profile; the lighting was re-read.
    std::function<void(int activeProfile)> activeProfileChanged;
    // The keyboard changed its lighting; it was re-read.
    std::function<void()> lightingChanged;
    // The keyboard switched its G-key bank: 0 = A, 1 = B.
    std::function<void(std::uint8_t bank)> gKeyBankChanged;
};

// What a session works with. The link, the port and the prompter outlive it.
struct KeyboardSessionSetup {
    DeviceLink& link;
    MainWindowPort& window;  // a BasicWindowPort when there is no window
    Prompter& prompter;
    TextLookup loadText;
    std::string userDataFolder;
    std::string skinsFolder;
    std::string transferRecordFolder;  // empty: the user data folder (see SyncEnvironment)
};

class KeyboardSession final : private DeviceEventListener {
  public:
    // On its own, with a loop on the calling thread.
    explicit KeyboardSession(KeyboardSessionSetup setup);
    // Hosted: no loop of its own; attachListener() makes the device events.
    struct Hosted {};
    KeyboardSession(KeyboardSessionSetup setup, Hosted hosted);
    // Stops the device events (their workers joined) before anything goes.
    ~KeyboardSession() override;
    KeyboardSession(const KeyboardSession&) = delete;
    KeyboardSession& operator=(const KeyboardSession&) = delete;

    // Hosted, once, before start(): the device events report to `listener`.
    DeviceEvents& attachListener(DeviceEventListener& listener, DeviceEventsTiming timing = {});

    // On its own, before start().
    void setEvents(KeyboardSessionEvents events) { m_callbacks = std::move(events); }
    // Sees every event of the library first, on its thread (see DeviceEvents).
    void setObserver(DeviceEventObserver observer);

    // The consumer read and the first arrival worker: an attached keyboard is
    // read once the session's thread runs. `noAutoOpen` as the "/Start"
    // switch: on its own there is no window to open.
    void start(bool noAutoOpen = true);
    int keyboardCount();

    // ---- On its own -----------------------------------------------------------

    // Runs the loop on the calling thread until `done` (checked at least
    // every few milliseconds) or the timeout. Whether `done` became true.
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
    // Runs `command` on the loop, as the handler of a message (a click is
    // one), and returns its result.
    int run(const std::function<int()>& command);
    // Queues `work` for the session's thread. Any thread.
    void post(std::function<void()> work);
    // No device-event worker running and nothing queued.
    bool settled() const;
    // Stops the device events and joins their workers; see DeviceEvents'
    // shutdown order. Idempotent; the destructor does it too.
    void shutdown();
    // Reads of the whole configuration the keyboard's events caused.
    int reloads() const { return m_reloads.load(); }

    // ---- Operations: on the session's thread; SyncSession's result codes ----

    int reload() { return m_sync.reloadFromKeyboard(); }
    int apply() { return m_sync.applyConfiguration(); }
    // As the window's profile choice: that profile's lighting is re-read and
    // the keyboard switched when it is not there yet.
    int switchProfile(int profile) { return m_sync.onProfileButton(profile); }
    // `ask`: the question of the default button first.
    int restoreDefaults(bool ask);
    int importFile(const std::string& path);
    int exportFile(const std::string& path);
    // Writes an entry of the keyboard's history back (core/sync/profile_transfer.h).
    int restoreHistory(const std::string& entryPath, bool ask);
    int finishPendingTransfer() { return m_sync.finishPendingTransfer(); }
    int discardPendingTransfer() { return m_sync.discardPendingTransfer(); }

    SyncSession& sync() { return m_sync; }
    WorkingConfig& config() { return m_config; }
    DownloadSnapshot& snapshot() { return m_snapshot; }
    LightingState& lighting() { return m_lighting; }
    DeviceLink& link() { return m_link; }
    // Hosted: after attachListener().
    DeviceEvents& events() { return *m_events; }

  private:
    // DeviceEventListener: library threads and workers.
    bool isReady() const override { return true; }
    void keyboardArrived() override;
    void keyboardRemoved() override;
    void gKeyBankChanged() override;
    void showGKeyBank(std::uint8_t bank) override;
    void showKeyboardPresence(bool /*attached*/) override {}
    void showKeyboardSignal(bool /*on*/) override {}
    void lightingChanged() override;
    void activeProfileChanged() override;
    void configurationChanged() override;
    void openRequested() override {}
    void promptsWaiting() override;

    MsgResult onMessage(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam);
    void onTimer(std::uint32_t timerId);
    void onConfigurationMessage();

    DeviceLink& m_link;
    LightingState m_lighting;
    WorkingConfig m_config;
    DownloadSnapshot m_snapshot;
    SyncSession m_sync;
    KeyboardSessionEvents m_callbacks;
    Prompter& m_prompter;
    TextLookup m_loadText;
    std::unique_ptr<LoopDispatcher> m_loop;  // on its own only

    std::mutex m_postLock;
    std::deque<std::function<void()>> m_posted;
    std::atomic<int> m_reloads{0};
    std::unique_ptr<DeviceEvents> m_events;  // last: stopped and joined before the rest goes
};

}  // namespace quorvane
