// The keyboard arriving, leaving and reporting, through the real library and
// the virtual keyboard, with the test thread as the window thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/device/device_result.h"
#include "core/device/hid_filter.h"
#include "events/device_events_fixture.h"

namespace quorvane::test {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kFactoryKeyTableArea = QUELLIX_AREA_FACTORY_KEY_TABLE;
constexpr std::uint32_t kSettingsArea = QUELLIX_AREA_SETTINGS;

GKeyCaptions captionsOf(char16_t bank) {
    GKeyCaptions c;
    for (int i = 0; i < 5; ++i) {
        c[static_cast<std::size_t>(i)] = std::u16string{bank, static_cast<char16_t>(u'1' + i)};
    }
    return c;
}

// The two-byte bank reports the keyboard received, in order.
std::vector<std::array<std::uint8_t, 2>> bankReports(const VirtualKnobs& knobs) {
    std::vector<std::array<std::uint8_t, 2>> out;
    const std::uint32_t n = knobs.FrameCount();
    for (std::uint32_t i = 0; i < n; ++i) {
        std::array<std::uint8_t, 64> f{};
        if (knobs.GetFrame(i, f.data(), 64) == 2) {
            out.push_back({f[0], f[1]});
        }
    }
    return out;
}

int commandsSent(const VirtualKnobs& knobs, std::uint8_t command) {
    int n = 0;
    for (const auto& f : knobs.frames()) {
        n += (f[0] == 0x04 && f[3] == command) ? 1 : 0;
    }
    return n;
}

void firePresence(std::uint32_t count) {
    QuellixRequestRecord record{};
    record.tag = kTagCtrl;
    record.count = count;
    QuellixEvent event{};
    event.kind = QUELLIX_EVENT_PRESENCE;
    event.request = &record;
    DeviceLink::DeviceCallback(&event);
}

TEST_F(DeviceEventsTest, ArrivalAtStartReadsTheKeyboardReloadsAndOpensTheWindowOnce) {
    // A factory table and a capacity unlike the built-in ones, to see them read.
    std::vector<std::uint8_t> table(378);
    for (std::size_t i = 0; i < table.size(); ++i) {
        table[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    ASSERT_EQ(knobs.WriteMemory(kFactoryKeyTableArea, 0, table.data(), 378), 378);
    const std::uint8_t capacity = 48;
    ASSERT_EQ(knobs.WriteMemory(kSettingsArea, 11, &capacity, 1), 1);

    start();
    ASSERT_TRUE(settle([&] { return view.opens == 1; }));

    EXPECT_TRUE(std::equal(table.begin(), table.end(), lighting.DefaultKeyTable.bytes.begin()));
    EXPECT_EQ(lighting.macroSpace, 48u * 128u);
    EXPECT_EQ(reactions.profileMessages, 1);
    EXPECT_EQ(view.icons, std::vector<int>{141});
    EXPECT_TRUE(prompter.taken().empty());
    const DeviceEventsState s = events->state();
    EXPECT_EQ(s.g_nDeviceCount, 1u);
    EXPECT_EQ(s.g_bNoAutoOpen, 1);
    EXPECT_NE(s.g_idConsRead, 0u);
    EXPECT_EQ(s.g_idCtrlRead, link->ctrlReadId());
    EXPECT_EQ(s.g_abReport, (std::array<std::uint8_t, 2>{0x05, 0x02}));
    EXPECT_TRUE(bankReports(knobs).empty()) << "no bank report at start";
}

TEST_F(DeviceEventsTest, StartSwitchKeepsTheWindowHiddenWhenTheKeyboardArrives) {
    start(/*noAutoOpen=*/true);
    ASSERT_TRUE(settle([&] { return core->shownIcon() == 141; }));
    runFor(50ms);
    EXPECT_EQ(view.opens, 0);
    EXPECT_EQ(reactions.profileMessages, 1);
    EXPECT_EQ(events->deviceCount(), 1u);
}

TEST_F(DeviceEventsTest, StartWithoutKeyboardThenPlugInShows141AndStaysHidden) {
    knobs.Remove();
    flushLibrary();
    start();
    ASSERT_TRUE(settle([&] { return core->isReady(); }));
    runFor(30ms);
    EXPECT_EQ(core->shownIcon(), 128);
    EXPECT_TRUE(view.icons.empty()) << "128 is shown already";
    EXPECT_EQ(reactions.profileMessages, 0);
    EXPECT_EQ(events->state().g_bNoAutoOpen, 1);

    knobs.Attach();
    ASSERT_TRUE(settle([&] { return core->shownIcon() == 141; }));
    runFor(30ms);
    EXPECT_EQ(view.icons, std::vector<int>{141});
    EXPECT_EQ(reactions.profileMessages, 1);
    EXPECT_EQ(view.opens, 0);
    EXPECT_EQ(commandsSent(knobs, 0x0F), 7) << "the factory table, seven chunks";
}

TEST_F(DeviceEventsTest, UnplugAndReplugHidesClosesDialogsAndReloadsWithoutOpening) {
    start();
    ASSERT_TRUE(settle([&] { return view.opens == 1; }));
    lighting.activeProfile = 1;  // as a reload would have left it
    const int hidesBefore = view.hides;

    knobs.Remove();
    ASSERT_TRUE(settle([&] { return core->shownIcon() == 128; }));
    EXPECT_EQ(view.childDialogsClosed, 1);
    EXPECT_EQ(view.hides, hidesBefore + 1);
    EXPECT_EQ(lighting.activeProfile, -1);
    EXPECT_EQ(events->deviceCount(), 0u);
    // Closing the dialogs comes before hiding.
    const auto closed = std::find(view.calls.begin(), view.calls.end(), "closeChildDialogs");
    ASSERT_NE(closed, view.calls.end());
    EXPECT_NE(std::find(closed, view.calls.end(), "hideWindow"), view.calls.end());

    knobs.ClearFrames();
    knobs.Attach();
    ASSERT_TRUE(settle([&] { return core->shownIcon() == 141; }));
    EXPECT_EQ(reactions.profileMessages, 2);
    EXPECT_EQ(commandsSent(knobs, 0x0F), 7);
    EXPECT_EQ(commandsSent(knobs, 0x03), 1);
    EXPECT_EQ(view.icons, (std::vector<int>{141, 128, 141}));
    runFor(30ms);
    EXPECT_EQ(view.opens, 1) << "the window opens by itself at most once";
}

TEST_F(DeviceEventsTest, AQuickRemoveAndAttachQueuedBehindAnotherArrivalStillReloads) {
    start();
    ASSERT_TRUE(settle([&] { return view.opens == 1; }));
    knobs.Remove();
    ASSERT_TRUE(settle([&] { return events->deviceCount() == 0u; }));
    const int reloadsBefore = reactions.profileMessages;
    auto waitForWorkers = [&](std::size_t n) {
        const auto until = std::chrono::steady_clock::now() + 5s;
        while (events->workersRunning() < n && std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(1ms);
        }
        return events->workersRunning() == n;
    };

    // With the window thread busy, the arrival waits in its sent UM_PROFILE while
    // a removal and a second arrival queue up behind it.
    knobs.Attach();
    const auto until = std::chrono::steady_clock::now() + 5s;
    while (dispatcher->pendingMessages() == 0 && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(1ms);
    }
    ASSERT_EQ(dispatcher->pendingMessages(), 1u) << "the arrival's UM_PROFILE";
    firePresence(0);
    firePresence(1);
    ASSERT_TRUE(waitForWorkers(3));

    // The removal is overtaken, but the keyboard that came back after it may
    // hold anything: it is read again.
    ASSERT_TRUE(settle([&] { return reactions.profileMessages == reloadsBefore + 2; }))
        << reactions.profileMessages - reloadsBefore << " reload(s)";
    EXPECT_EQ(events->deviceCount(), 1u);
}

// A keyboard attached after the event hook was set and before the first count
// was taken: its presence event and the start both queue an arrival with
// count 1, and the first is overtaken by the second.
TEST_F(DeviceEventsTest, AKeyboardAttachedWhileStartingIsReadOnce) {
    knobs.Remove();
    flushLibrary();
    knobs.Attach();
    flushLibrary();
    knobs.ClearFrames();
    // The library's delivery of the attach, as it lands just after the hook.
    QuellixRequestRecord record{};
    record.tag = kTagCtrl;
    record.count = 1;
    QuellixEvent event{};
    event.kind = QUELLIX_EVENT_PRESENCE;
    event.request = &record;
    events->handleEvent(event);
    start(/*noAutoOpen=*/true);

    ASSERT_TRUE(settle([&] { return core->shownIcon() == 141; }))
        << "the keyboard was never taken as arrived";
    EXPECT_EQ(reactions.profileMessages, 1);
    EXPECT_EQ(commandsSent(knobs, 0x0F), 7) << "the factory table, read once";
    EXPECT_NE(lighting.macroSpace, 0u) << "the capacity, so that Apply is not refused";
    EXPECT_EQ(events->deviceCount(), 1u);
}

TEST_F(DeviceEventsTest, PresenceWithAnUnchangedCountDoesNothing) {
    start();
    ASSERT_TRUE(settle([&] { return view.opens == 1; }));
    knobs.ClearFrames();
    const std::vector<std::string> before = view.calls;

    firePresence(1);
    runFor(50ms);
    ASSERT_TRUE(settle([] { return true; }));
    EXPECT_EQ(reactions.profileMessages, 1);
    EXPECT_EQ(view.calls, before);
    EXPECT_EQ(knobs.FrameCount(), 0u) << "nothing read from the keyboard";
}

TEST_F(DeviceEventsTest, BankToggleTwiceSendsTheReportAndSwapsTheCaptions) {
    std::atomic<int> bankCodesSeen{0};
    events->setObserver([&](const QuellixEvent& e) {
        const QuellixReportHolder* h = e.request->consumer;
        if (e.kind == QUELLIX_EVENT_REPORT && e.request->tag == kTagCons && h != nullptr &&
            h->length >= 2 && h->report[0] == 0xFF && h->report[1] == 0x02) {
            ++bankCodesSeen;
        }
    });
    start();
    ASSERT_TRUE(settle([&] { return view.opens == 1; }));

    keyboard.RaiseConsumer(0x02FF);
    ASSERT_TRUE(settle([&] { return view.banks.size() == 1; }));
    EXPECT_EQ(view.banks[0].first, 1);
    EXPECT_EQ(view.banks[0].second, captionsOf(u'B'));
    EXPECT_EQ(lighting.gKeyBank, 1);
    EXPECT_EQ(view.gKeyRefreshes, 1);

    keyboard.RaiseConsumer(0x02FF);
    ASSERT_TRUE(settle([&] { return view.banks.size() == 2; }));
    EXPECT_EQ(view.banks[1].first, 0);
    EXPECT_EQ(view.banks[1].second, captionsOf(u'A'));
    EXPECT_EQ(lighting.gKeyBank, 0);
    EXPECT_EQ(view.gKeyRefreshes, 2);

    flushLibrary();
    EXPECT_EQ(bankReports(knobs),
              (std::vector<std::array<std::uint8_t, 2>>{{0x05, 0x03}, {0x05, 0x02}}));
    EXPECT_EQ(bankCodesSeen.load(), 2) << "the observer sees each code once";
    // The G keys are refreshed from the new bank before the captions change.
    const auto refresh = std::find(view.calls.begin(), view.calls.end(), "refreshGKeys");
    const auto shown = std::find(view.calls.begin(), view.calls.end(), "showGKeyBank");
    EXPECT_LT(refresh, shown);
}

TEST_F(DeviceEventsTest, ManyBankTogglesEndInTheRightBankWithReportsInOrder) {
    start();
    ASSERT_TRUE(settle([&] { return view.opens == 1; }));
    constexpr int kToggles = 9;
    for (int i = 0; i < kToggles; ++i) {
        keyboard.RaiseConsumer(0x02FF);
    }
    ASSERT_TRUE(settle([&] { return view.banks.size() == kToggles; }));
    for (int i = 0; i < kToggles; ++i) {
        EXPECT_EQ(view.banks[static_cast<std::size_t>(i)].first, (i + 1) % 2) << i;
    }
    flushLibrary();
    const auto reports = bankReports(knobs);
    ASSERT_EQ(reports.size(), static_cast<std::size_t>(kToggles));
    for (int i = 0; i < kToggles; ++i) {
        EXPECT_EQ(reports[static_cast<std::size_t>(i)][1], 0x02 | ((i + 1) % 2)) << i;
    }
}

TEST_F(DeviceEventsTest, IconSignalThenRestShows142ThenBackTo141) {
    start();
    ASSERT_TRUE(settle([&] { return view.opens == 1; }));
    keyboard.RaiseConsumer(0x1811);
    ASSERT_TRUE(settle([&] { return core->shownIcon() == 142; }));
    keyboard.RaiseConsumer(0x1810);
    ASSERT_TRUE(settle([&] { return core->shownIcon() == 141; }));
    EXPECT_EQ(view.icons, (std::vector<int>{141, 142, 141}));
    EXPECT_EQ(core->lastDeviceIcon(), 141);
    EXPECT_EQ(events->state().g_bIconBusy, 0u);
}

TEST_F(DeviceEventsTest, IconCodesInQuickSuccessionAreShownInTheirOrder) {
    start();
    ASSERT_TRUE(settle([&] { return view.opens == 1; }));
    for (int i = 0; i < 6; ++i) {
        keyboard.RaiseConsumer(i % 2 == 0 ? 0x1811 : 0x1810);
    }
    keyboard.RaiseConsumer(0x1811);
    ASSERT_TRUE(settle([&] { return view.icons.size() == 8; }));
    EXPECT_EQ(view.icons, (std::vector<int>{141, 142, 141, 142, 141, 142, 141, 142}));
}

struct TimerCase {
    std::uint16_t code;
    int RecordingReactions::*counter;
    const char* name;
};

TEST_F(DeviceEventsTest, KeyboardReportsRunTheirReactionOnceOnTheWindowThread) {
    start();
    ASSERT_TRUE(settle([&] { return view.opens == 1; }));
    const TimerCase cases[] = {
        {0x0401, &RecordingReactions::lightingChanged, "lighting"},
        {0x0402, &RecordingReactions::activeProfileChanged, "profile changed"},
        {0x0403, &RecordingReactions::profileMessages, "profile reload"},
    };
    for (const TimerCase& c : cases) {
        const int before = reactions.*(c.counter);
        keyboard.RaiseConsumer(c.code);
        ASSERT_TRUE(settle([&] { return reactions.*(c.counter) == before + 1; })) << c.name;
        runFor(60ms);  // a timer that was not killed would come round again
        EXPECT_EQ(reactions.*(c.counter), before + 1) << c.name;
    }
    // Codes without a meaning do nothing.
    const std::vector<std::string> before = view.calls;
    keyboard.RaiseConsumer(0x0404);
    keyboard.RaiseConsumer(0x00E9);
    runFor(50ms);
    EXPECT_EQ(view.calls, before);
    EXPECT_EQ(reactions.lightingChanged + reactions.activeProfileChanged, 2);
}

TEST_F(DeviceEventsTest, TheKeyboardsOwnProfileKeyReachesTheProfileChange) {
    start();
    ASSERT_TRUE(settle([&] { return view.opens == 1; }));
    ASSERT_EQ(keyboard.PressProfileKey(), 1);
    ASSERT_TRUE(settle([&] { return reactions.activeProfileChanged == 1; }));
}

TEST_F(DeviceEventsTest, UnreadableFactoryTableShowsTheMessageAndKeepsThePreviousValues) {
    knobs.Refuse(0xFF, QUELLIX_ALWAYS);
    const DeviceKeyTable before = lighting.DefaultKeyTable;
    start(/*noAutoOpen=*/true);
    ASSERT_TRUE(settle([&] { return core->shownIcon() == 141; }));
    EXPECT_EQ(prompter.taken(), std::vector<std::u16string>{u"text:IDS_MIAN_DEFAULT_PROMPT"});
    EXPECT_EQ(prompter.askedOn(), std::vector<std::thread::id>{std::this_thread::get_id()})
        << "shown on the window thread, not the worker's";
    EXPECT_EQ(lighting.DefaultKeyTable, before);
    EXPECT_EQ(lighting.macroSpace, 0u) << "a failed settings read leaves the capacity";
    EXPECT_EQ(reactions.profileMessages, 1) << "the reload is still asked for";
}

// The bank toggle must not hold the library's thread while the window thread
// is busy talking to the keyboard: the window's commands still get answers.
TEST_F(DeviceEventsTest, BankToggleDuringAReloadDoesNotStarveItsCommands) {
    std::vector<int> results;
    reactions.onProfile = [&] {
        keyboard.RaiseConsumer(0x02FF);
        std::array<std::uint8_t, 378> table{};
        for (int p = 0; p < 3; ++p) {
            results.push_back(link->commands().ReadKeyTable(table, p));
        }
    };
    start();
    ASSERT_TRUE(settle([&] { return view.opens == 1 && view.banks.size() == 1; }));
    EXPECT_EQ(results, (std::vector<int>{1, 1, 1}));
}

int countEntries(const char* folder) {
    int n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) {
        ++n;
    }
    return n;
}

// A finished worker's thread is gone from /proc a moment after it returned;
// a leaked one never is.
int settledCount(const char* folder, int expected) {
    int n = countEntries(folder);
    for (int i = 0; i < 200 && n != expected; ++i) {
        std::this_thread::sleep_for(5ms);
        n = countEntries(folder);
    }
    return n;
}

TEST_F(DeviceEventsTest, QuickRemovalsAndArrivalsDuringAnOperationLeaveNothingBehind) {
    start(/*noAutoOpen=*/true);
    ASSERT_TRUE(settle([&] { return core->shownIcon() == 141; }));
    const int threadsBefore = countEntries("/proc/self/task");
    const int fdsBefore = countEntries("/proc/self/fd");

    // The operation: the window thread reads the key tables while the keyboard
    // comes and goes twenty times.
    std::vector<int> results;
    reactions.onProfile = [&] {
        std::array<std::uint8_t, 378> table{};
        for (int p = 0; p < 3; ++p) {
            results.push_back(link->commands().ReadKeyTable(table, p));
        }
    };
    // The bank keys are pressed meanwhile; a press while the keyboard is away
    // goes nowhere.
    int toggles = 0;
    std::thread plugging([this, &toggles] {
        for (int i = 0; i < 20; ++i) {
            if (i % 2 == 0) {
                knobs.Remove();
            } else {
                knobs.Attach();
            }
            toggles += keyboard.RaiseConsumer(0x02FF);
            std::this_thread::sleep_for(2ms);
        }
    });
    dispatcher->postMessage(UM_PROFILE, kTagProfile, 0);
    const bool operationEnded = dispatcher->runUntil([&] { return results.size() == 3; }, kSettle);
    plugging.join();
    ASSERT_TRUE(operationEnded);

    ASSERT_TRUE(settle([&] {
        return events->deviceCount() == 1 && core->shownIcon() == 141 &&
               static_cast<int>(view.banks.size()) == toggles;
    }));
    EXPECT_GT(toggles, 0);
    EXPECT_EQ(view.banks.back().first, toggles % 2);
    EXPECT_EQ(lighting.gKeyBank, toggles % 2);
    RecordProperty("threads", threadsBefore);
    RecordProperty("fds", fdsBefore);
    // A keyboard that goes away mid-exchange: no keyboard, not taken, or no
    // answer; never anything else.
    for (const int r : results) {
        EXPECT_TRUE(r == kResultDone || r == kResultNoKeyboard || r == kResultNotSent ||
                    r == kResultNoAnswer)
            << r;
    }
    EXPECT_GE(reactions.profileMessages, 3) << "the start, the operation, at least one return";
    EXPECT_EQ(events->workersRunning(), 0u);
    EXPECT_EQ(settledCount("/proc/self/task", threadsBefore), threadsBefore);
    EXPECT_EQ(settledCount("/proc/self/fd", fdsBefore), fdsBefore);

    // The keyboard is back: an exchange works again.
    std::array<std::uint8_t, 378> table{};
    EXPECT_EQ(link->commands().ReadKeyTable(table, 0), kResultDone);

    stopEvents();
    EXPECT_EQ(settledCount("/proc/self/task", threadsBefore), threadsBefore);
    EXPECT_EQ(settledCount("/proc/self/fd", fdsBefore), fdsBefore);
}

TEST_F(DeviceEventsTest, ShutdownReleasesAWorkerWaitingForTheReadyWindow) {
    // The worker looks at the window far more rarely than this test waits:
    // only the shutdown's wake can end its wait in time.
    constexpr auto kLongPoll = std::chrono::seconds(30);
    core->attachDeviceEvents(nullptr);
    events.reset();
    DeviceEventsTiming timing;
    timing.readyPoll = kLongPoll;
    events = std::make_unique<DeviceEvents>(*link, *core, prompter, keyText, timing);
    core->attachDeviceEvents(events.get());
    // No start-up message: the window never becomes ready.
    events->StartDeviceEvents();
    ASSERT_TRUE(dispatcher->runUntil([&] { return reactions.profileMessages == 1; }, kSettle));
    runFor(20ms);
    EXPECT_EQ(events->workersRunning(), 1u) << "waiting for m_bReady";
    std::mutex lock;
    std::condition_variable wake;
    bool stopped = false;
    std::thread stopper([&] {
        stopEvents();
        const std::lock_guard guard(lock);
        stopped = true;
        wake.notify_all();
    });
    {
        std::unique_lock guard(lock);
        EXPECT_TRUE(wake.wait_for(guard, kLongPoll / 2, [&] { return stopped; }))
            << "the shutdown waited for the worker's next look at the window";
    }
    stopper.join();
}

TEST_F(DeviceEventsTest, ShutdownAfterTheLoopEndedReleasesAWorkerWaitingToSend) {
    events->StartDeviceEvents();
    // The window thread never runs: the arrival worker waits in its send of
    // UM_PROFILE until the loop ends.
    for (int i = 0; i < 200 && dispatcher->pendingMessages() == 0; ++i) {
        std::this_thread::sleep_for(5ms);
    }
    ASSERT_EQ(dispatcher->pendingMessages(), 1u);
    stopEvents();
    EXPECT_EQ(reactions.profileMessages, 0);
}

TEST_F(DeviceEventsTest, NoCallbackReachesTheEventsOnceTheyAreGone) {
    start();
    ASSERT_TRUE(settle([&] { return view.opens == 1; }));
    stopEvents();
    knobs.ClearFrames();
    keyboard.RaiseConsumer(0x02FF);
    keyboard.RaiseConsumer(0x0403);
    knobs.Remove();
    knobs.Attach();
    flushLibrary();
    EXPECT_TRUE(bankReports(knobs).empty());
    EXPECT_EQ(reactions.profileMessages, 1);
}

}  // namespace
}  // namespace quorvane::test
