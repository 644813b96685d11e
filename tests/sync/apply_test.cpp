// Apply and the download behind it: what reaches the keyboard, the macro
// space rules and the dirty mark.
#include <dlfcn.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "base/atomic_file.h"
#include "core/config/default_device_bytes.h"
#include "core/device/device_result.h"
#include "core/dispatch/loop_dispatcher.h"
#include "core/sync/sync_result.h"
#include "core/sync/sync_texts.h"
#include "sync_fixture.h"

namespace quorvane::test {
namespace {

constexpr std::uint8_t kBegin = 0x01;
constexpr std::uint8_t kEnd = 0x02;
constexpr std::uint8_t kReadSettings = 0x03;
constexpr std::uint8_t kWriteKeyTable = 0x08;
constexpr std::uint8_t kWriteMacroArea = 0x0A;
constexpr KeyId kKeyA = 0x1E;
constexpr KeyId kKeyB = 0x30;

using ApplyTest = SyncTest;

TEST_F(ApplyTest, InDefaultModeSendsNothingAndStaysDirty) {
    setKeyboardByte(QUELLIX_AREA_SETTINGS, SettingsBlock::kActiveProfile, 3);
    assign(0, kKeyA, ActionDisabled, 0);
    session->markDirty();
    knobs.ClearFrames();

    EXPECT_EQ(session->applyConfiguration(), kSyncDefaultMode);

    EXPECT_EQ(commandsSent(), std::vector<std::uint8_t>{kReadSettings});
    EXPECT_TRUE(window.dirty);
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_TRUE(window.defaultModeNotice);
}

TEST_F(ApplyTest, WithoutChangesSendsNoWriteButShowsTheBusyIndicator) {
    EXPECT_EQ(session->applyConfiguration(), 1);
    EXPECT_TRUE(writesSent().empty());
    session.reset();  // joins the indicator's worker
    EXPECT_EQ(window.busy(), (std::vector<bool>{true, false}));
}

TEST_F(ApplyTest, WithNoMacrosWritesTheEmptyAreaAndTheActiveTable) {
    setKeyboardByte(QUELLIX_AREA_SETTINGS, SettingsBlock::kActiveProfile, 1);
    assign(1, kKeyA, ActionKey, kKeyB);
    session->markDirty();
    knobs.ClearFrames();

    ASSERT_EQ(session->applyConfiguration(), 1);

    const std::vector<std::uint8_t> emptyArea = {0xAA, 0x55, 0x10, 0, 0, 0, 1, 0,
                                                 0,    0,    0,    0, 0, 0, 0, 0};
    EXPECT_EQ(keyboardMemory(QUELLIX_AREA_MACRO_AREA, 0, 16), emptyArea);
    EXPECT_EQ(keyboardKeyTable(1), modelKeyTable(1));
    EXPECT_NE(keyboardKeyTable(1), lighting.DefaultKeyTable);
    EXPECT_EQ(keyboardKeyTable(0), lighting.DefaultKeyTable);

    // Begin, one area frame of 16 bytes, seven table frames, End.
    std::vector<SentFrame> writes = writesSent();
    ASSERT_EQ(writes.size(), 8u);
    EXPECT_EQ(writes[0].command, kWriteMacroArea);
    EXPECT_EQ(writes[0].length, 16);
    for (std::size_t i = 1; i < writes.size(); ++i) {
        EXPECT_EQ(writes[i].command, kWriteKeyTable);
        EXPECT_EQ(writes[i].offset, 378 + 56 * (i - 1));
    }
    const std::vector<std::uint8_t> sent = commandsSent();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), kBegin), 1);
    EXPECT_EQ(sent.back(), kEnd);
    EXPECT_FALSE(window.dirty);
    EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(ApplyTest, NamesThatDoNotFitAreLeftOutWithAWarningAndTheTablesStillGo) {
    addMacro(std::u16string(200, u'n'), 10);
    assign(0, kKeyA, ActionMacro, 1);
    // The nameless area (16 + 2 + 4 + 40 bytes) fits, the named one does not.
    lighting.macroSpace = 128;
    session->markDirty();

    ASSERT_EQ(session->applyConfiguration(), 1);

    EXPECT_EQ(prompter.messages,
              std::vector<std::u16string>{std::u16string(kMacroNamesDroppedMessage)});
    const std::vector<std::uint8_t> area = modelMacroArea(false);
    EXPECT_EQ(keyboardMemory(QUELLIX_AREA_MACRO_AREA, 0, static_cast<std::uint32_t>(area.size())),
              area);
    EXPECT_EQ(area[6], 0);  // names flag
    EXPECT_EQ(keyboardKeyTable(0), modelKeyTable(0));
    EXPECT_FALSE(window.dirty);
}

TEST_F(ApplyTest, MacrosBeyondTheSpaceSendNothingAtAll) {
    addMacro(u"m", 40);
    assign(0, kKeyA, ActionMacro, 1);
    lighting.macroSpace = 128;
    session->markDirty();
    knobs.ClearFrames();

    EXPECT_EQ(session->applyConfiguration(), kSyncMacroSpaceExceeded);

    EXPECT_EQ(prompter.messages,
              std::vector<std::u16string>{std::u16string(kMacroSpaceExceededMessage)});
    for (std::uint8_t c : commandsSent()) {
        EXPECT_EQ(c, kReadSettings);
    }
    EXPECT_EQ(keyboardKeyTable(0), lighting.DefaultKeyTable);
    EXPECT_TRUE(window.dirty);
}

TEST_F(ApplyTest, ExceedsMessageKeepsItsFullWidthComma) {
    addMacro(u"m", 40);
    lighting.macroSpace = 128;
    session->markDirty();

    EXPECT_EQ(session->applyConfiguration(), kSyncMacroSpaceExceeded);

    // Spelled out here, not taken from the program's constant: the text shown
    // is the one the user knows, CR LF and the full-width comma included.
    const std::u16string expected =
        u"Macro space exceeds the hardware space.\r\n Please reduce the number of macros or "
        u"macro action number\uFF0Cand then download.";
    EXPECT_EQ(prompter.messages, std::vector<std::u16string>{expected});
}

// A desktop port may hand showBusy to the window thread and wait for it. The
// hide of the first Apply is handed over once the second Apply has begun on
// the window thread: the moment at which the second Apply must not wait for
// the first one's indicator.
class HandingOverWindow : public RecordingWindow {
  public:
    static constexpr std::uint32_t kBusyMessage = 0x7B01;

    HandingOverWindow(Dispatcher& window, std::atomic<bool>& secondBegun)
        : m_window(window), m_secondBegun(secondBegun) {}

    void showBusy(bool on) override {
        if (!on) {
            while (!m_secondBegun.load()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        m_window.sendMessage(kBusyMessage, on ? 1 : 0, 0);
    }

  private:
    Dispatcher& m_window;
    std::atomic<bool>& m_secondBegun;
};

TEST_F(ApplyTest, TwoQuickAppliesWithAPortThatWaitsForTheWindowThread) {
    constexpr std::uint32_t kApply = 0x7B02;
    std::atomic<bool> secondBegun{false};
    std::atomic<int> appliesDone{0};
    std::vector<bool> busyOnWindow;  // window thread only
    std::unique_ptr<SyncSession> applying;
    LoopDispatcher loop(
        [&](std::uint32_t msg, std::uintptr_t w, std::intptr_t) -> MsgResult {
            if (msg == HandingOverWindow::kBusyMessage) {
                busyOnWindow.push_back(w != 0);
            } else if (msg == kApply) {
                if (appliesDone.load() == 1) {
                    secondBegun = true;
                }
                EXPECT_EQ(applying->applyConfiguration(), 1);
                ++appliesDone;
            }
            return 0;
        },
        {});
    HandingOverWindow port(loop, secondBegun);
    applying = std::make_unique<SyncSession>(SyncEnvironment{
        link->commands(), config, snapshot, lighting, port, prompter, testText, userData, skins,
        BusyTiming{std::chrono::milliseconds(0), std::chrono::milliseconds(0)}, recordFolder,
        historyFolder, historyLimits});
    loop.postMessage(kApply, 0, 0);
    loop.postMessage(kApply, 0, 0);

    std::atomic<bool> loopEnded{false};
    std::thread windowThread([&] {
        loop.runUntil([&] { return appliesDone.load() == 2 && busyOnWindow.size() == 4; },
                      std::chrono::minutes(1));
        loopEnded = true;
    });
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!loopEnded.load() && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const bool deadlocked = !loopEnded.load();
    // Ends the loop; a send still waiting returns, which frees a stuck Apply.
    loop.quit();
    windowThread.join();
    applying.reset();

    ASSERT_FALSE(deadlocked) << "the second Apply waited for the first one's indicator";
    EXPECT_EQ(appliesDone.load(), 2);
    EXPECT_EQ(busyOnWindow, (std::vector<bool>{true, false, true, false}));
}

TEST_F(ApplyTest, BeforeTheKeyboardReportedItsCapacityNothingIsSent) {
    lighting.macroSpace = 0;
    session->markDirty();
    knobs.ClearFrames();
    EXPECT_EQ(session->download(true), kSyncMacroSpaceExceeded);
    EXPECT_TRUE(commandsSent().empty());
}

TEST_F(ApplyTest, AProfileWithoutACacheFileGetsOne) {
    // Switched on the keyboard itself, and its cache file removed meanwhile.
    setKeyboardByte(QUELLIX_AREA_SETTINGS, SettingsBlock::kActiveProfile, 2);
    ASSERT_TRUE(std::filesystem::remove(session->reloadCacheFile(2)));
    assign(2, kKeyA, ActionDisabled, 0);
    session->markDirty();

    EXPECT_EQ(session->applyConfiguration(), 1);
    EXPECT_EQ(keyboardKeyTable(2), modelKeyTable(2));
    EXPECT_TRUE(std::filesystem::exists(session->reloadCacheFile(2)));
    EXPECT_FALSE(window.dirty);
}

TEST_F(ApplyTest, AnUnusableRecordFolderKeepsApplyPendingAndTheKeyboardAsItWas) {
    // The history elsewhere, so that the record is what fails.
    historyFolder = home.path() + "/history";
    makeSession();
    std::filesystem::remove_all(recordFolder);
    ASSERT_TRUE(makeDirectories(std::filesystem::path(recordFolder).parent_path().string()));
    ASSERT_TRUE(writeFileAtomic(recordFolder, std::string_view("not a folder")));
    assign(0, kKeyA, ActionDisabled, 0);
    session->markDirty();
    const DeviceKeyTable before = keyboardKeyTable(0);

    // Without its intent record a transfer cut short could not be finished.
    EXPECT_EQ(session->applyConfiguration(), kSyncIntentNotSaved);
    EXPECT_EQ(keyboardKeyTable(0), before);
    EXPECT_TRUE(writesSent().empty());
    EXPECT_TRUE(window.dirty);
}

TEST_F(ApplyTest, AFullMacroAreaReadsBackAsItWasWritten) {
    // About 8 KiB: 20 macros of 90 steps with names.
    for (int i = 0; i < 20; ++i) {
        addMacro(u"macro " + std::u16string(1, static_cast<char16_t>(u'a' + i)), 90);
    }
    assign(0, kKeyA, ActionMacro, 20);
    session->markDirty();
    ASSERT_EQ(session->applyConfiguration(), 1);

    const std::vector<std::uint8_t> area = modelMacroArea(true);
    ASSERT_GT(area.size(), 7000u);
    EXPECT_EQ(keyboardMemory(QUELLIX_AREA_MACRO_AREA, 0, static_cast<std::uint32_t>(area.size())),
              area);

    const std::vector<MacroRecord> before = config.macros;
    ASSERT_EQ(session->reloadFromKeyboard(), 1);
    ASSERT_EQ(config.macros.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(config.macros[i].nameView(), before[i].nameView());
        EXPECT_EQ(config.macros[i].actionCount, before[i].actionCount);
        EXPECT_EQ(config.macros[i].actions, before[i].actions);
    }
    EXPECT_EQ(config.image->at(0, rowOfKey(kKeyA)).type, ActionMacro);
    EXPECT_EQ(config.image->at(0, rowOfKey(kKeyA)).value, 20u);
}

TEST_F(ApplyTest, OtherProfilesFollowWhenTheirMacrosMove) {
    addMacro(u"one", 2);
    addMacro(u"two", 2);
    setKeyboardByte(QUELLIX_AREA_SETTINGS, SettingsBlock::kActiveProfile, 1);
    assign(1, kKeyA, ActionMacro, 2);  // plays the macro at position 1
    session->markDirty();
    ASSERT_EQ(session->applyConfiguration(), 1);
    ASSERT_EQ(keyboardKeyTable(1), modelKeyTable(1));

    // Back in profile 0 the first macro is deleted: "two" moves to position 0.
    setKeyboardByte(QUELLIX_AREA_SETTINGS, SettingsBlock::kActiveProfile, 0);
    config.macros.erase(config.macros.begin());
    session->markDirty();
    knobs.ClearFrames();
    ASSERT_EQ(session->applyConfiguration(), 1);

    EXPECT_EQ(keyboardKeyTable(1), modelKeyTable(1));
    // Profile 2 did not change and is not written.
    const std::vector<SentFrame> writes = writesSent();
    for (const SentFrame& f : writes) {
        if (f.command == kWriteKeyTable) {
            EXPECT_LT(f.offset, 2 * 378);
        }
    }
}

// A failed reload leaves a stand-in model; Apply never writes it unasked.
class StandInTest : public SyncTest {
  protected:
    void SetUp() override {
        SyncTest::SetUp();
        // Something the keyboard holds that a stand-in would wipe.
        addMacro(u"keep", 4);
        assign(0, kKeyA, ActionMacro, 1);
        session->markDirty();
        ASSERT_EQ(session->applyConfiguration(), 1);
        keyboardTable = keyboardKeyTable(0);
        keyboardArea = keyboardMemory(QUELLIX_AREA_MACRO_AREA, 0, 64);

        removeKeyboard();
        ASSERT_EQ(session->reloadFromKeyboard(), 0);
        ASSERT_EQ(session->modelOrigin(), ModelOrigin::StandIn);
        EXPECT_TRUE(config.macros.empty());
        attachKeyboard();
        // The user edits the stand-in.
        assign(0, kKeyB, ActionDisabled, 0);
        session->markDirty();
        knobs.ClearFrames();
    }

    DeviceKeyTable keyboardTable;
    std::vector<std::uint8_t> keyboardArea;
};

TEST_F(StandInTest, DeclinedItIsNotWritten) {
    prompter.answer = false;
    EXPECT_EQ(session->applyConfiguration(), kSyncNotConfirmed);
    EXPECT_EQ(prompter.questions.size(), 1u);
    EXPECT_TRUE(writesSent().empty());
    EXPECT_EQ(keyboardKeyTable(0), keyboardTable);
    EXPECT_EQ(keyboardMemory(QUELLIX_AREA_MACRO_AREA, 0, 64), keyboardArea);
    EXPECT_TRUE(window.dirty);
}

TEST_F(StandInTest, ConfirmedItIsWrittenAndNotAskedAgain) {
    prompter.answer = true;
    EXPECT_EQ(session->applyConfiguration(), 1);
    EXPECT_EQ(keyboardKeyTable(0), modelKeyTable(0));
    EXPECT_EQ(session->modelOrigin(), ModelOrigin::UserAction);

    assign(0, kKeyB, ActionDefault, 0);
    session->markDirty();
    EXPECT_EQ(session->applyConfiguration(), 1);
    EXPECT_EQ(prompter.questions.size(), 1u);
}

// An edit in another profile goes out with the confirmed Apply; a profile
// the user did not touch keeps what the keyboard holds.
TEST_F(StandInTest, ConfirmedItWritesTheEditedProfilesOnly) {
    // Profile 2 holds something the stand-in does not know.
    setKeyboardByte(QUELLIX_AREA_KEY_TABLES, 2 * kDeviceKeyTableSize + 2, 0x07);
    const DeviceKeyTable untouched = keyboardKeyTable(2);
    assign(1, kKeyB, ActionDisabled, 0);
    prompter.answer = true;
    ASSERT_EQ(session->applyConfiguration(), 1);
    EXPECT_EQ(keyboardKeyTable(0), modelKeyTable(0));
    EXPECT_EQ(keyboardKeyTable(1), modelKeyTable(1)) << "the edit in profile 1";
    EXPECT_EQ(keyboardKeyTable(2), untouched);
    EXPECT_FALSE(window.dirty);
}

TEST_F(StandInTest, RestoringDefaultsOnItStillAsksBeforeWriting) {
    prompter.answer = false;
    EXPECT_EQ(session->restoreDefaultsConfirmed(), kSyncNotConfirmed);
    EXPECT_TRUE(writesSent().empty());
    EXPECT_EQ(keyboardMemory(QUELLIX_AREA_MACRO_AREA, 0, 64), keyboardArea) << "the macro kept";
    EXPECT_EQ(session->modelOrigin(), ModelOrigin::StandIn);
}

TEST_F(StandInTest, AReloadThatWorksReplacesItWithTheKeyboardsModel) {
    ASSERT_EQ(session->reloadFromKeyboard(), 1);
    EXPECT_EQ(session->modelOrigin(), ModelOrigin::Keyboard);
    ASSERT_EQ(config.macros.size(), 1u);
    EXPECT_EQ(config.macros[0].nameView(), u"keep");
    EXPECT_FALSE(window.dirty);
}

// The keyboard's own profile key pressed while Apply writes: the table built
// for the profile that was active must not land in another profile.
namespace switching {

decltype(&::RequestWriteOne) realWriteOne = nullptr;
decltype(&::QuellixVirtualWriteMemory) writeMemory = nullptr;
std::atomic<bool> armed{false};

int writeOneSwitchingOnMacroArea(const QuellixFilter* filter, QuellixCallback callback,
                                 std::uint32_t tag, const std::uint8_t* data, std::uint32_t length,
                                 std::uint32_t unit, std::uint32_t* id) {
    if (length > 3 && data[3] == 0x0A && armed.exchange(false)) {
        const std::uint8_t profile = 2;
        writeMemory(QUELLIX_AREA_SETTINGS, SettingsBlock::kActiveProfile, &profile, 1);
    }
    return realWriteOne(filter, callback, tag, data, length, unit, id);
}

template <class Fn>
void bindName(void* handle, const char* name, Fn& slot) {
    slot = reinterpret_cast<Fn>(dlsym(handle, name));
}

}  // namespace switching

class ProfileKeyDuringApplyTest : public SyncTest {
  protected:
    void SetUp() override {
        SyncTest::SetUp();
        // A link whose library switches the keyboard's profile as the macro
        // area goes out.
        session.reset();
        link.reset();
        const std::string path = programFolder() + "libquellix.so";
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
        ASSERT_NE(handle, nullptr);
        HidFunctions fn;
        std::string reason;
        ASSERT_TRUE(HidLibrary::bindFunctions(handle, fn, reason)) << reason;
        switching::realWriteOne = fn.RequestWriteOne;
        switching::bindName(handle, "QuellixVirtualWriteMemory", switching::writeMemory);
        ASSERT_NE(switching::realWriteOne, nullptr);
        ASSERT_NE(switching::writeMemory, nullptr);
        fn.RequestWriteOne = &switching::writeOneSwitchingOnMacroArea;
        HidBindResult bound = HidLibrary::fromFunctions(fn);
        ASSERT_TRUE(bound) << bound.reason;
        link = std::make_unique<DeviceLink>(std::move(bound.library));
        link->start();
        makeSession();
        ASSERT_EQ(session->reloadFromKeyboard(), 1);
        knobs.ClearFrames();
    }
};

TEST_F(ProfileKeyDuringApplyTest, TheTableIsNotWrittenIntoTheNewProfile) {
    assign(0, kKeyA, ActionDisabled, 0);
    session->markDirty();
    const std::vector<std::uint8_t> tables = keyboardMemory(QUELLIX_AREA_KEY_TABLES, 0, 3 * 378);
    switching::armed = true;

    EXPECT_EQ(session->applyConfiguration(), kSyncProfileMoved);

    const std::vector<std::uint8_t> sent = commandsSent();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), kWriteKeyTable), 0);
    EXPECT_EQ(sent.back(), kEnd);
    EXPECT_EQ(keyboardMemory(QUELLIX_AREA_KEY_TABLES, 0, 3 * 378), tables);
    EXPECT_TRUE(window.dirty);

    // Applied again, each profile's table lands at its own place: the
    // active profile's, and profile 0's, which the model changed.
    ASSERT_EQ(session->applyConfiguration(), 1);
    EXPECT_EQ(keyboardKeyTable(2), modelKeyTable(2));
    EXPECT_EQ(keyboardKeyTable(0), modelKeyTable(0));
    EXPECT_NE(keyboardKeyTable(0), lighting.DefaultKeyTable);
    EXPECT_FALSE(window.dirty);
}

}  // namespace
}  // namespace quorvane::test
