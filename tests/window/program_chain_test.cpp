// The chain the program runs: library callback, device events, the window
// thread's handlers and the real synchronisation, against the virtual keyboard.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <memory>

#include "core/config/profile_cache.h"
#include "core/config/working_config.h"
#include "core/dispatch/loop_dispatcher.h"
#include "core/events/device_events.h"
#include "core/sync/basic_window_port.h"
#include "core/sync/sync_session.h"
#include "core/window/main_window_core.h"
#include "core/window/main_window_messages.h"
#include "core/window/sync_reactions.h"
#include "device/virtual_keyboard_fixture.h"
#include "events/recording_window.h"
#include "platform/temp_dir.h"

namespace quorvane::test {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kWakeTimer = 0x7E57;

class ProgramChainTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { useVirtualKeyboardEnvironment(); }

    void SetUp() override {
        DeviceLinkResult opened = DeviceLink::open();
        ASSERT_TRUE(opened) << opened.reason;
        link = std::move(opened.link);
        ASSERT_TRUE(knobs.bind(programFolder()).empty());
        knobs.reset();
        createDefaultImage(config, std::string(), true);
        session = std::make_unique<SyncSession>(
            SyncEnvironment{link->commands(), config, snapshot, lighting, port, prompter, keyText,
                            home.path() + "/Documents/Quorvane_09A", home.path() + "/Skins/",
                            BusyTiming{0ms, 0ms}, std::string(), std::string(), HistoryLimits{}});
        reactions = std::make_unique<SyncReactions>(*session);
        dispatcher = std::make_unique<LoopDispatcher>(
            [this](std::uint32_t m, std::uintptr_t w, std::intptr_t l) {
                return core->onMessage(m, w, l);
            },
            [this](std::uint32_t id) { core->onTimer(id); });
        core = std::make_unique<MainWindowCore>(*dispatcher, view, *reactions, lighting, prompter,
                                                keyText);
        DeviceEventsTiming timing;
        timing.readyPoll = 5ms;
        events = std::make_unique<DeviceEvents>(*link, *core, prompter, keyText, timing);
        core->attachDeviceEvents(events.get());
    }

    void TearDown() override {
        dispatcher->quit();
        core->attachDeviceEvents(nullptr);
        events.reset();
        core.reset();
        dispatcher.reset();
        session.reset();
        knobs.reset();
        std::array<std::uint8_t, kSettingsBlockSize> settings{};
        link->commands().ReadSettings(settings);  // lets the library catch up
        link.reset();
    }

    bool settle(const std::function<bool()>& done) {
        dispatcher->setTimer(kWakeTimer, 2);
        const bool reached = dispatcher->runUntil(
            [&] {
                return done() && events->workersRunning() == 0 &&
                       dispatcher->pendingMessages() == 0;
            },
            10s);
        dispatcher->killTimer(kWakeTimer);
        return reached;
    }

    void setKeyboardByte(std::uint32_t area, std::uint32_t offset, std::uint8_t value) {
        ASSERT_EQ(knobs.WriteMemory(area, offset, &value, 1), 1);
    }

    TempDir home;
    std::unique_ptr<DeviceLink> link;
    VirtualKnobs knobs;
    WorkingConfig config;
    DownloadSnapshot snapshot;
    LightingState lighting;
    BasicWindowPort port;
    RecordingView view;
    RecordingPrompter prompter;
    std::unique_ptr<SyncSession> session;
    std::unique_ptr<SyncReactions> reactions;
    std::unique_ptr<LoopDispatcher> dispatcher;
    std::unique_ptr<MainWindowCore> core;
    std::unique_ptr<DeviceEvents> events;
};

TEST_F(ProgramChainTest, ArrivalReloadsTheModelFromTheKeyboard) {
    setKeyboardByte(QUELLIX_AREA_SETTINGS, SettingsBlock::kActiveProfile, 2);
    setKeyboardByte(QUELLIX_AREA_SETTINGS, SettingsBlock::kMacroCapacity, 40);
    events->StartDeviceEvents();
    dispatcher->postMessage(UM_INIT, kTagInit, 0);
    ASSERT_TRUE(settle([&] { return view.opens == 1; }));

    EXPECT_EQ(lighting.activeProfile, 2);
    EXPECT_EQ(lighting.currentProfile, 2);
    EXPECT_EQ(lighting.macroSpace, 40u * 128u);
    EXPECT_EQ(session->modelOrigin(), ModelOrigin::Keyboard);
    EXPECT_TRUE(std::filesystem::exists(session->reloadCacheFile(2)));
    EXPECT_FALSE(port.IsChangesPending());
}

// The tray icon comes before the keyboard is read: an open action then (a
// click, a second start) opens the window once it is read, and does not say
// that no keyboard is there; once read, a later arrival opens nothing by
// itself. Without a keyboard the open action says so.
TEST_F(ProgramChainTest, AnOpenWhileTheKeyboardIsReadOpensOnceItIsRead) {
    knobs.SetLatencyUs(2000);     // each read slow enough to click during it
    events->setNoAutoOpen(true);  // as "/Start"
    events->StartDeviceEvents();
    dispatcher->postMessage(UM_INIT, kTagInit, 0);
    core->openAction();
    ASSERT_TRUE(settle([&] { return core->shownIcon() == 141; }));
    EXPECT_EQ(view.opens, 1);
    EXPECT_TRUE(prompter.taken().empty());

    knobs.SetLatencyUs(0);
    knobs.Remove();
    ASSERT_TRUE(settle([&] { return core->shownIcon() == 128; }));
    knobs.Attach();
    ASSERT_TRUE(settle([&] { return core->shownIcon() == 141; }));
    EXPECT_EQ(view.opens, 1);
}

TEST_F(ProgramChainTest, AnOpenWithoutAKeyboardSaysSo) {
    knobs.Remove();
    events->setNoAutoOpen(true);
    events->StartDeviceEvents();
    dispatcher->postMessage(UM_INIT, kTagInit, 0);
    core->openAction();
    ASSERT_TRUE(settle([&] { return core->shownIcon() == 128; }));
    EXPECT_EQ(view.opens, 0);
    EXPECT_EQ(prompter.taken().size(), 1u);
}

TEST_F(ProgramChainTest, UnplugForgetsTheActiveProfileAndReplugReloadsAndClearsTheDirtyMark) {
    events->setNoAutoOpen(true);
    events->StartDeviceEvents();
    dispatcher->postMessage(UM_INIT, kTagInit, 0);
    ASSERT_TRUE(settle([&] { return core->shownIcon() == 141; }));
    ASSERT_EQ(lighting.activeProfile, 0);

    knobs.Remove();
    ASSERT_TRUE(settle([&] { return core->shownIcon() == 128; }));
    EXPECT_EQ(lighting.activeProfile, -1);

    port.EnableApply(true);
    setKeyboardByte(QUELLIX_AREA_SETTINGS, SettingsBlock::kActiveProfile, 1);
    knobs.Attach();
    ASSERT_TRUE(settle([&] { return core->shownIcon() == 141; }));
    EXPECT_EQ(lighting.activeProfile, 1);
    EXPECT_FALSE(port.IsChangesPending());
    EXPECT_EQ(view.opens, 0);
}

TEST_F(ProgramChainTest, TheKeyboardsProfileKeyMakesItsProfileCurrent) {
    events->setNoAutoOpen(true);
    events->StartDeviceEvents();
    dispatcher->postMessage(UM_INIT, kTagInit, 0);
    ASSERT_TRUE(settle([&] { return core->shownIcon() == 141; }));
    ASSERT_EQ(lighting.currentProfile, 0);

    void* library = dlopen((programFolder() + "libquellix.so").c_str(), RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(library, nullptr);
    auto press = reinterpret_cast<decltype(&::QuellixVirtualPressProfileKey)>(
        dlsym(library, "QuellixVirtualPressProfileKey"));
    ASSERT_NE(press, nullptr);
    ASSERT_EQ(press(), 1);
    ASSERT_TRUE(settle([&] { return lighting.currentProfile == 1; }));
    EXPECT_EQ(lighting.activeProfile, 1);
}

}  // namespace
}  // namespace quorvane::test
