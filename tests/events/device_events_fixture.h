// The device events and the main window's rules on the real libquellix.so
// with the virtual keyboard; the test thread is the window thread (a
// LoopDispatcher), the window and the synchronisation are recording stand-ins.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>

#include "core/config/lighting_state.h"
#include "core/dispatch/loop_dispatcher.h"
#include "core/events/device_events.h"
#include "core/window/main_window_messages.h"
#include "core/window/main_window_core.h"
#include "device/virtual_keyboard_fixture.h"
#include "events/recording_window.h"

namespace quorvane::test {

// The knobs the device tests do not bind.
struct KeyboardSignals {
    decltype(&::QuellixVirtualRaiseConsumer) RaiseConsumer = nullptr;
    decltype(&::QuellixVirtualPressProfileKey) PressProfileKey = nullptr;
    std::string bind(const std::string& folder);
};

class DeviceEventsTest : public ::testing::Test {
  protected:
    static constexpr std::chrono::milliseconds kSettle{5000};

    static void SetUpTestSuite() { useVirtualKeyboardEnvironment(); }
    void SetUp() override;
    void TearDown() override;

    // "/Start" when `noAutoOpen`; then the start-up order of the program:
    // device events first, the start-up message posted after.
    void start(bool noAutoOpen = false);
    // Runs the window thread until `done` (and no worker is left running).
    bool settle(const std::function<bool()>& done, std::chrono::milliseconds timeout = kSettle);
    // Runs the window thread for a while, for things that must not happen.
    void runFor(std::chrono::milliseconds span);
    // Waits until the library has delivered what it had queued: one exchange
    // goes through the same queue behind it.
    void flushLibrary();
    // Ends the events as the program does: the loop first, then the workers.
    void stopEvents();

    std::unique_ptr<DeviceLink> link;
    VirtualKnobs knobs;
    KeyboardSignals keyboard;

    RecordingView view;
    RecordingReactions reactions;
    RecordingPrompter prompter;
    LightingState lighting;

    std::unique_ptr<LoopDispatcher> dispatcher;
    std::unique_ptr<MainWindowCore> core;
    std::unique_ptr<DeviceEvents> events;
};

}  // namespace quorvane::test
