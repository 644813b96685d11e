// The main window's rules that draw nothing: its messages and their tags, the
// one-shot timers, the ready flag and the tray icon's state, with the test
// thread as the window thread and a recording window.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "core/dispatch/loop_dispatcher.h"
#include "core/platform/registry_store.h"
#include "core/window/main_window_core.h"
#include "core/window/main_window_messages.h"
#include "events/recording_window.h"
#include "support/temp_dir.h"

namespace quorvane::test {
namespace {

using namespace std::chrono_literals;

// A message of the tests' own: runs a closure on the window thread.
constexpr std::uint32_t kRunOnWindow = 0x7E57;

class MainWindowCoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dispatcher = std::make_unique<LoopDispatcher>(
            [this](std::uint32_t msg, std::uintptr_t w, std::intptr_t l) -> MsgResult {
                if (msg == kRunOnWindow) {
                    onWindow();
                    return 0;
                }
                return core->onMessage(msg, w, l);
            },
            [this](std::uint32_t id) { core->onTimer(id); });
        core = std::make_unique<MainWindowCore>(*dispatcher, view, reactions, lighting, prompter,
                                                keyText);
    }

    // Runs the window thread until every queued message is handled.
    void drain() {
        dispatcher->runUntil([this] { return dispatcher->pendingMessages() == 0; }, 2s);
    }
    void runFor(std::chrono::milliseconds span) {
        dispatcher->runUntil([] { return false; }, span);
    }
    // Runs `fn` on the window thread, as the window's own code would.
    void inWindow(const std::function<void()>& fn) {
        bool done = false;
        onWindow = [&] {
            fn();
            done = true;
        };
        dispatcher->postMessage(kRunOnWindow, 0, 0);
        ASSERT_TRUE(dispatcher->runUntil([&] { return done; }, 2s));
    }
    void init() {
        dispatcher->postMessage(UM_INIT, kTagInit, 0);
        drain();
    }

    RecordingView view;
    RecordingReactions reactions;
    RecordingPrompter prompter;
    LightingState lighting;
    std::unique_ptr<LoopDispatcher> dispatcher;
    std::unique_ptr<MainWindowCore> core;
    std::function<void()> onWindow;
};

TEST_F(MainWindowCoreTest, StartupMessageCreatesTheIconSetsReadyAndHides) {
    EXPECT_FALSE(core->isReady());
    init();
    EXPECT_TRUE(core->isReady());
    EXPECT_EQ(view.calls, (std::vector<std::string>{"createTrayIcon", "hideWindow"}));
    EXPECT_EQ(reactions.profileLabels, 1);
    EXPECT_EQ(core->shownIcon(), 128);
    EXPECT_EQ(core->lastDeviceIcon(), 128);
    EXPECT_TRUE(core->trayIconAdded());
}

struct WrongTagCase {
    std::uint32_t msg;
    std::uintptr_t rightTag;
};

TEST_F(MainWindowCoreTest, TaggedMessagesWithAnotherTagDoNothingAndReturnZero) {
    const WrongTagCase cases[] = {
        {UM_INIT, kTagInit},       {UM_OPEN, kTagOpen},      {UM_KILL, kTagKill},
        {UM_PROFILE, kTagProfile}, {UM_LED, kTagLedMessage}, {UM_LANG, kTagLang},
    };
    for (const WrongTagCase& c : cases) {
        for (const std::uintptr_t tag :
             {std::uintptr_t{0}, c.rightTag + 1,
              std::uintptr_t{kTagKill == c.rightTag ? kTagOpen : kTagKill}}) {
            inWindow(
                [&] { EXPECT_EQ(dispatcher->sendMessage(c.msg, tag, 0), 0) << std::hex << c.msg; });
        }
    }
    EXPECT_TRUE(view.calls.empty());
    EXPECT_FALSE(core->isReady());
    EXPECT_EQ(reactions.profileMessages + reactions.profileLabels, 0);
    EXPECT_TRUE(prompter.taken().empty());
}

TEST_F(MainWindowCoreTest, MessagesWithTheirTagsReachTheirHandlers) {
    inWindow([&] {
        EXPECT_EQ(dispatcher->sendMessage(UM_PROFILE, kTagProfile, 0), 0);
        EXPECT_EQ(reactions.profileMessages, 1);
        EXPECT_EQ(dispatcher->sendMessage(UM_LED, kTagLedMessage, 0), 0);
        EXPECT_EQ(view.gKeyRefreshes, 1);
        EXPECT_EQ(dispatcher->sendMessage(UM_DEVICE_GONE, 0, 0), 0);
        EXPECT_EQ(view.childDialogsClosed, 1);
        EXPECT_EQ(dispatcher->sendMessage(UM_KILL, kTagKill, 0), 0);
    });
    EXPECT_EQ(view.calls, (std::vector<std::string>{"refreshGKeys", "closeChildDialogs",
                                                    "hideWindow", "endProgram"}));
    EXPECT_TRUE(MainWindowCore::handlesMessage(UM_LANG));
    EXPECT_FALSE(MainWindowCore::handlesMessage(UM_SLIDER_MOVED));
    EXPECT_TRUE(MainWindowCore::handlesMessage(UM_DEVICE_GONE));
}

TEST_F(MainWindowCoreTest, TheLanguageBroadcastReachesEveryTextAndTheProfileLabel) {
    struct Case {
        std::intptr_t sent;
        int applied;
    };
    // An index of 8 or more (or below 0) travels as 0.
    const Case cases[] = {{0, 0}, {3, 3}, {7, 7}, {8, 0}, {-1, 0}};
    for (const Case& c : cases) {
        inWindow([&] { EXPECT_EQ(dispatcher->sendMessage(UM_LANG, kTagLang, c.sent), 0); });
        ASSERT_FALSE(view.languages.empty());
        EXPECT_EQ(view.languages.back(), c.applied) << c.sent;
    }
    EXPECT_EQ(view.languages.size(), std::size(cases));
    EXPECT_EQ(reactions.profileLabels, static_cast<int>(std::size(cases)));
}

TEST_F(MainWindowCoreTest, AChosenLanguageIsStoredThenBroadcast) {
    TempDir dir;
    RegistryStore store(dir.file("registry.reg"));
    const RegKey key = RegKey::openOrCreate(store, u"Software\\Norvalis ZR4");
    const LanguageChoice choice(key, [] { return LangId{0x0409}; });
    inWindow([&] { EXPECT_FALSE(core->chooseLanguage(2)); });  // nowhere to keep it
    EXPECT_TRUE(view.languages.empty());

    core->setLanguageChoice(&choice);
    // The texts must be those of the stored choice when the broadcast arrives.
    view.onLanguage = [&](int index) { EXPECT_EQ(choice.GetLanguageIndex(), index); };
    inWindow([&] { EXPECT_TRUE(core->chooseLanguage(2)); });
    inWindow([&] { EXPECT_TRUE(core->chooseLanguage(6)); });
    EXPECT_EQ(view.languages, (std::vector<int>{2, 6}));
    EXPECT_EQ(key.queryValue(u"dwLanguageId")->dword, 0x0404u);
    EXPECT_EQ(reactions.profileLabels, 2);

    for (const int index : {-1, 7, 8}) {
        inWindow([&] { EXPECT_FALSE(core->chooseLanguage(index)) << index; });
    }
    EXPECT_EQ(view.languages.size(), 2u);
    EXPECT_EQ(key.queryValue(u"dwLanguageId")->dword, 0x0404u);
}

TEST_F(MainWindowCoreTest, OpenWithoutAKnownKeyboardShowsTheNoKeyboardMessage) {
    init();
    dispatcher->postMessage(UM_OPEN, kTagOpen, 0);
    drain();
    EXPECT_EQ(view.opens, 0);
    EXPECT_EQ(prompter.taken(), std::vector<std::u16string>{u"text:IDS_MAIN_DEVICE_PROMRT"});
}

TEST_F(MainWindowCoreTest, OpenWithAKnownReasonShowsTheReasonInstead) {
    std::u16string reason = u"cannot open /dev/hidraw3: install the rule, then replug";
    core->setNoKeyboardReason([&reason] { return reason; });
    init();
    dispatcher->postMessage(UM_OPEN, kTagOpen, 0);
    drain();
    reason.clear();  // the keyboard's nodes may be opened now
    dispatcher->postMessage(UM_OPEN, kTagOpen, 0);
    drain();
    EXPECT_EQ(view.opens, 0);
    EXPECT_EQ(prompter.taken(), (std::vector<std::u16string>{
                                    u"cannot open /dev/hidraw3: install the rule, then replug",
                                    u"text:IDS_MAIN_DEVICE_PROMRT"}));
}

struct TimerCase {
    std::uint32_t timer;
    int RecordingReactions::*counter;
};

TEST_F(MainWindowCoreTest, OneShotTimersRunOnceAndKillThemselves) {
    const TimerCase cases[] = {
        {TIMER_LIGHT_REFRESH, &RecordingReactions::lightingChanged},
        {TIMER_PROFILE_CHANGED, &RecordingReactions::activeProfileChanged},
        {TIMER_PROFILE_RELOAD, &RecordingReactions::profileMessages},
    };
    for (const TimerCase& c : cases) {
        dispatcher->setTimer(c.timer, 0);
        ASSERT_TRUE(dispatcher->runUntil([&] { return reactions.*(c.counter) == 1; }, 2s))
            << c.timer;
        runFor(5 * LoopDispatcher::kMinimumElapse);
        EXPECT_EQ(reactions.*(c.counter), 1) << c.timer;
    }
    EXPECT_EQ(
        reactions.lightingChanged + reactions.activeProfileChanged + reactions.profileMessages, 3);
}

struct IconStep {
    int mode;
    int id;
};
struct IconCase {
    const char* name;
    std::vector<IconStep> steps;
    std::vector<int> shown;  // showTrayIcon calls
    int resting;
};

TEST_F(MainWindowCoreTest, TrayIconStateFollowsItsRules) {
    const IconCase cases[] = {
        {"attach", {{0, 141}}, {141}, 141},
        {"same id again", {{0, 141}, {0, 141}}, {141}, 141},
        {"signal keeps the resting icon", {{1, 0}}, {142}, 128},
        {"signal twice", {{1, 0}, {1, 0}}, {142}, 128},
        {"signal then back", {{0, 141}, {1, 0}, {0, 0}}, {141, 142, 141}, 141},
        {"resting icon already shown", {{0, 0}}, {}, 128},
        {"removal", {{0, 141}, {0, 128}}, {141, 128}, 128},
        {"signal, then a new resting icon", {{1, 0}, {0, 141}}, {142, 141}, 141},
        {"unknown mode", {{2, 141}, {7, 0}}, {}, 128},
    };
    for (const IconCase& c : cases) {
        view = RecordingView{};
        core = std::make_unique<MainWindowCore>(*dispatcher, view, reactions, lighting, prompter,
                                                keyText);
        init();
        inWindow([&] {
            for (const IconStep& s : c.steps) {
                core->SetTrayIconState(s.mode, s.id);  // on the window thread: at once
            }
        });
        EXPECT_EQ(view.icons, c.shown) << c.name;
        EXPECT_EQ(core->lastDeviceIcon(), c.resting) << c.name;
    }
}

TEST_F(MainWindowCoreTest, TrayIconStateFromAnotherThreadIsAppliedOnTheWindowThread) {
    init();
    std::thread worker([this] {
        core->SetTrayIconState(0, 141);
        core->SetTrayIconState(1, 0);
    });
    ASSERT_TRUE(dispatcher->runUntil([&] { return view.icons.size() == 2; }, 2s));
    worker.join();
    EXPECT_EQ(view.icons, (std::vector<int>{141, 142}));
    for (const std::thread::id id : view.threads) {
        EXPECT_EQ(id, std::this_thread::get_id());
    }
}

TEST_F(MainWindowCoreTest, WithoutATrayIconTheStateIsKeptButNothingIsShown) {
    view.trayAvailable = false;
    init();
    inWindow([&] { core->SetTrayIconState(0, 141); });
    EXPECT_TRUE(view.icons.empty());
    EXPECT_EQ(core->lastDeviceIcon(), 141);
    core->removeTrayIcon();
    EXPECT_EQ(view.trayRemoved, 0);
}

TEST_F(MainWindowCoreTest, RemovingTheIconForgetsTheIconItShowed) {
    init();
    inWindow([&] { core->SetTrayIconState(0, 141); });
    core->removeTrayIcon();
    EXPECT_EQ(view.trayRemoved, 1);
    EXPECT_EQ(core->shownIcon(), 0);
    EXPECT_FALSE(core->trayIconAdded());
}

TEST_F(MainWindowCoreTest, BankAndHideRequestsFromAWorkerWaitForTheWindowThread) {
    init();
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        core->showGKeyBank(1);
        core->hideMainWindow();
        returned = true;
    });
    std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(returned.load()) << "the window thread has not run yet";
    const int hidesBefore = view.hides;
    const bool handled = dispatcher->runUntil(
        [&] { return view.banks.size() == 1 && view.hides == hidesBefore + 1; }, 2s);
    dispatcher->quit();  // a worker still waiting is let go
    worker.join();
    ASSERT_TRUE(handled);
    ASSERT_EQ(view.banks.size(), 1u);
    EXPECT_EQ(view.banks[0].first, 1);
    EXPECT_EQ(view.banks[0].second, gKeyCaptions(1));
    EXPECT_EQ(view.calls.back(), "hideWindow");
}

TEST_F(MainWindowCoreTest, AfterTheLoopEndedWorkerRequestsReturnWithoutRunning) {
    init();
    dispatcher->quit();
    std::thread worker([this] {
        core->SetTrayIconState(0, 141);
        core->showGKeyBank(1);
        core->hideMainWindow();
    });
    worker.join();
    EXPECT_TRUE(view.icons.empty());
    EXPECT_TRUE(view.banks.empty());
}

}  // namespace
}  // namespace quorvane::test
