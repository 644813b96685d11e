// The keyboard speaking first: consumer reports with codes of its own, being
// attached and removed. DeviceEvents registers the consumer read, dispatches
// what the library's callback hands on, runs one arrival worker per presence
// event and the short icon workers, and drives the G-key bank with its
// two-byte report. It tells the window side what happened only through a
// DeviceEventListener.
//
// Threads. The library's callback reaches handleEvent() through the device
// link's event hook; nothing there waits for the window, so command answers
// keep flowing while the window thread is busy. Workers act in the order of
// their events (arrival workers one at a time; an arrival whose presence event
// has been followed by a newer one records only a count of 0, the newer one
// settles the state). Workers wait for the window thread only in the
// listener's sent calls; they never call the prompter: the listener hears
// promptsWaiting() and the window thread shows the messages through
// showPendingPrompts(). Every worker is joined by shutdown(); none outlives
// this object.
//
// Shutdown order: shutdown() (or the destructor) stops new work, detaches
// from the link, releases waiting workers and joins them. A worker may be
// waiting in one of the listener's sent calls, so call it either off the
// window thread while the loop still runs, or after the loop has ended (a sent
// call then returns at once). The link, the listener and the prompter must
// outlive this object.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "core/app/prompter.h"
#include "core/app/text_lookup.h"
#include "core/config/device_layouts.h"
#include "core/config/lighting_state.h"
#include "core/device/device_link.h"
#include "core/events/device_event_listener.h"
#include "core/events/worker_threads.h"

namespace quorvane {

// The device events' process-wide state, kept under DeviceEvents' lock.
struct DeviceEventsState {
    std::uint32_t g_idConsRead = 0;  // standing read of consumer reports
    std::uint32_t g_idCtrlRead = 0;  // standing read of command answers and presence
    std::uint32_t g_idLedWrite = 0;  // last bank report
    // Byte 0 constant; bit 0 of byte 1 is the G-key bank (0 = A, 1 = B).
    std::array<std::uint8_t, 2> g_abReport{0x05, 0x02};
    std::uint32_t g_nDeviceCount = 0;  // keyboards seen by the last arrival worker
    int g_bNoAutoOpen = 0;             // 1: the window never opens by itself
    std::uint32_t g_bIconBusy = 0;     // an icon worker is switching the icon
};

// Sees every event DeviceEvents is handed, on the library's thread, before
// it acts on it (the command-line tool's watch). Must not wait for the window.
using DeviceEventObserver = std::function<void(const QuellixEvent& event)>;

// Pauses; tests shorten them.
struct DeviceEventsTiming {
    std::chrono::milliseconds readyPoll{50};  // how often a worker looks at m_bReady
    std::chrono::milliseconds iconPause{1};   // an icon worker's rest after switching
};

class DeviceEvents {
  public:
    DeviceEvents(DeviceLink& link, DeviceEventListener& listener, Prompter& prompter,
                 TextLookup loadText, DeviceEventsTiming timing = {});
    ~DeviceEvents();
    DeviceEvents(const DeviceEvents&) = delete;
    DeviceEvents& operator=(const DeviceEvents&) = delete;

    // The "/Start" switch: set before StartDeviceEvents.
    void setNoAutoOpen(bool on);
    // Set before StartDeviceEvents; not changed while events arrive.
    void setObserver(DeviceEventObserver observer) { m_observer = std::move(observer); }

    // Bank report to 05 02; the consumer read; the command read (the link's);
    // then the first arrival worker with the current keyboard count. With no
    // keyboard attached the window will not open by itself later.
    void StartDeviceEvents();

    // Stops taking events, detaches from the link, releases and joins every
    // worker. Idempotent. See the shutdown order above.
    void shutdown();

    // Everything the library's callback does not route to the transport.
    // Runs on a library thread; never waits for the window.
    void handleEvent(const QuellixEvent& event);

    // On the window thread, first thing in the handling of keyboardArrived,
    // keyboardRemoved and gKeyBankChanged: takes over what the workers learned. The
    // factory key table and the macro capacity an arrival read, activeProfile
    // -1 after a removal, and the G-key bank.
    void handOverTo(LightingState& lighting);

    // On the window thread, after promptsWaiting: shows the messages the
    // workers posted, in their order, through the prompter. Nothing once
    // shutdown has begun.
    void showPendingPrompts();

    DeviceEventsState state() const;
    std::uint32_t deviceCount() const;  // g_nDeviceCount: the open action's test
    // An open action while a keyboard is being read: true when the arrival
    // opens the window once it is read (false: no keyboard is being read).
    bool openOnceRead();
    std::uint8_t gKeyBank() const;
    // Workers started and not yet finished.
    std::size_t workersRunning() const { return m_workers.running(); }

  private:
    struct HandOver {
        std::optional<DeviceKeyTable> defaultKeyTable;
        std::optional<std::uint32_t> macroSpace;
        bool removed = false;
    };

    void onConsumerCode(std::uint16_t code);
    void startArrivalWorker(std::uint32_t count);
    void endRead(std::uint32_t count);
    void ArrivalWorker(std::uint32_t count, TurnQueue::Ticket ticket);
    void startIconWorker(std::uint16_t code);
    void IconWorker(std::uint16_t code);
    void toggleBank();
    void postPrompt(std::u16string text);
    bool waitUntilReady();
    bool stopping() const;

    DeviceLink& m_link;
    DeviceEventListener& m_listener;
    Prompter& m_prompter;
    TextLookup m_loadText;
    DeviceEventsTiming m_timing;
    DeviceEventObserver m_observer;

    mutable std::mutex m_lock;
    std::condition_variable m_stopWake;
    DeviceEventsState m_state;
    HandOver m_handOver;
    std::uint32_t m_readsPending = 0;      // arrival workers started for a keyboard, not ended
    bool m_openWanted = false;             // an open action came while one was reading
    std::deque<std::u16string> m_prompts;  // posted to the window thread, not yet shown
    bool m_hooked = false;
    bool m_stopping = false;

    std::mutex m_ledLock;  // one bank toggle at a time: reports go out in flip order
    TurnQueue m_arrivals;
    TurnQueue m_icons;
    TurnQueue m_banks;
    WorkerThreads m_workers;  // last: joined before the rest goes
};

}  // namespace quorvane
