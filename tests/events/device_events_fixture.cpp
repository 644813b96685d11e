#include "events/device_events_fixture.h"

#include <dlfcn.h>

#include <array>

namespace quorvane::test {

namespace {
constexpr std::uint32_t kWakeTimer = 0x7E57;
}  // namespace

std::string KeyboardSignals::bind(const std::string& folder) {
    const std::string path = folder + "libquellix.so";
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) {
        return path + " is not loaded";
    }
    RaiseConsumer =
        reinterpret_cast<decltype(RaiseConsumer)>(dlsym(handle, "QuellixVirtualRaiseConsumer"));
    PressProfileKey =
        reinterpret_cast<decltype(PressProfileKey)>(dlsym(handle, "QuellixVirtualPressProfileKey"));
    return RaiseConsumer != nullptr && PressProfileKey != nullptr
               ? std::string()
               : "libquellix.so lacks the consumer knobs";
}

void DeviceEventsTest::SetUp() {
    DeviceLinkResult opened = DeviceLink::open();
    ASSERT_TRUE(opened) << opened.reason;
    link = std::move(opened.link);
    std::string why = knobs.bind(programFolder());
    ASSERT_TRUE(why.empty()) << why;
    why = keyboard.bind(programFolder());
    ASSERT_TRUE(why.empty()) << why;
    knobs.reset();
    flushLibrary();
    knobs.ClearFrames();

    dispatcher = std::make_unique<LoopDispatcher>(
        [this](std::uint32_t msg, std::uintptr_t w, std::intptr_t l) {
            return core->onMessage(msg, w, l);
        },
        [this](std::uint32_t id) { core->onTimer(id); });
    core =
        std::make_unique<MainWindowCore>(*dispatcher, view, reactions, lighting, prompter, keyText);
    DeviceEventsTiming timing;
    timing.readyPoll = std::chrono::milliseconds(5);
    events = std::make_unique<DeviceEvents>(*link, *core, prompter, keyText, timing);
    core->attachDeviceEvents(events.get());
}

void DeviceEventsTest::TearDown() {
    stopEvents();
    core.reset();
    dispatcher.reset();
    if (knobs.ClearFrames != nullptr) {
        knobs.reset();
        flushLibrary();
    }
    link.reset();
}

void DeviceEventsTest::stopEvents() {
    if (dispatcher) {
        dispatcher->quit();
    }
    if (core) {
        core->attachDeviceEvents(nullptr);
    }
    events.reset();
}

void DeviceEventsTest::start(bool noAutoOpen) {
    events->setNoAutoOpen(noAutoOpen);
    events->StartDeviceEvents();
    dispatcher->postMessage(UM_INIT, kTagInit, 0);
}

bool DeviceEventsTest::settle(const std::function<bool()>& done,
                              std::chrono::milliseconds timeout) {
    // Workers finish without telling the loop: a ticking timer of no meaning
    // to the window makes it look again.
    dispatcher->setTimer(kWakeTimer, 2);
    const bool reached = dispatcher->runUntil(
        [&] {
            return done() && events->workersRunning() == 0 && dispatcher->pendingMessages() == 0;
        },
        timeout);
    dispatcher->killTimer(kWakeTimer);
    return reached;
}

void DeviceEventsTest::runFor(std::chrono::milliseconds span) {
    dispatcher->runUntil([] { return false; }, span);
}

void DeviceEventsTest::flushLibrary() {
    std::array<std::uint8_t, kSettingsBlockSize> settings{};
    link->commands().ReadSettings(settings);
}

}  // namespace quorvane::test
