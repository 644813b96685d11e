#include "core/session/keyboard_session.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/app/prompter.h"
#include "core/device/device_result.h"
#include "core/platform/program_folder.h"
#include "core/sync/basic_window_port.h"
#include "core/sync/sync_result.h"
#include "device/virtual_keyboard_fixture.h"
#include "support/temp_dir.h"

namespace quorvane::test {
namespace {

using namespace std::chrono_literals;
constexpr std::chrono::milliseconds kSettle{5000};

class SilentPrompter final : public Prompter {
  public:
    void showMessage(std::u16string_view /*text*/) override {}
    bool askYesNo(std::u16string_view /*text*/) override { return false; }
};

// What the session told, in order.
struct Heard {
    std::vector<std::string> calls;
    std::vector<int> profiles;
    std::vector<int> banks;
};

class KeyboardSessionTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { useVirtualKeyboardEnvironment(); }

    void SetUp() override {
        DeviceLinkResult opened = DeviceLink::open();
        ASSERT_TRUE(opened) << opened.reason;
        link = std::move(opened.link);
        const std::string why = knobs.bind(programFolder());
        ASSERT_TRUE(why.empty()) << why;
        knobs.reset();
        void* library = dlopen((programFolder() + "libquellix.so").c_str(), RTLD_NOW | RTLD_NOLOAD);
        ASSERT_NE(library, nullptr);
        raiseConsumer = reinterpret_cast<decltype(raiseConsumer)>(
            dlsym(library, "QuellixVirtualRaiseConsumer"));
        ASSERT_NE(raiseConsumer, nullptr);

        session = std::make_unique<KeyboardSession>(KeyboardSessionSetup{
            *link, port, prompter, {}, folder.path() + "/", std::string(), std::string()});
        KeyboardSessionEvents events;
        events.configurationReloaded = [this](int p) {
            heard.calls.push_back("reloaded");
            heard.profiles.push_back(p);
        };
        events.keyboardRemoved = [this] { heard.calls.push_back("removed"); };
        events.activeProfileChanged = [this](int p) {
            heard.calls.push_back("profile");
            heard.profiles.push_back(p);
        };
        events.lightingChanged = [this] { heard.calls.push_back("lighting"); };
        events.gKeyBankChanged = [this](std::uint8_t bank) {
            heard.calls.push_back("bank");
            heard.banks.push_back(bank);
        };
        session->setEvents(std::move(events));
    }

    void TearDown() override {
        session.reset();
        if (knobs.ClearFrames != nullptr) {
            knobs.reset();
        }
        link.reset();
    }

    bool settle(const std::function<bool()>& done) {
        return session->runUntil([&] { return done() && session->settled(); }, kSettle);
    }

    // Started, the attached keyboard read.
    void startRead() {
        session->start();
        ASSERT_TRUE(settle([&] { return session->reloads() == 1; }));
        ASSERT_EQ(heard.calls, std::vector<std::string>{"reloaded"});
        heard = {};
    }

    TempDir folder;
    std::unique_ptr<DeviceLink> link;
    VirtualKnobs knobs;
    decltype(&::QuellixVirtualRaiseConsumer) raiseConsumer = nullptr;
    BasicWindowPort port;
    SilentPrompter prompter;
    Heard heard;
    std::unique_ptr<KeyboardSession> session;
};

TEST_F(KeyboardSessionTest, ArrivalReadsTheWholeConfiguration) {
    session->start();
    ASSERT_TRUE(settle([&] { return session->reloads() == 1; }));
    EXPECT_EQ(heard.calls, std::vector<std::string>{"reloaded"});
    EXPECT_EQ(heard.profiles, std::vector<int>{0}) << "the factory keyboard's active profile";
    EXPECT_EQ(session->sync().modelOrigin(), ModelOrigin::Keyboard);
    EXPECT_NE(session->lighting().macroSpace, 0u) << "the arrival's findings were taken over";
}

struct ReportCase {
    const char* name;
    std::uint16_t code;
    std::vector<std::string> calls;
};

TEST_F(KeyboardSessionTest, TheKeyboardsReportsArriveAsTypedCallbacks) {
    startRead();
    const ReportCase cases[] = {
        {"BankToggle", 0x02FF, {"bank"}},
        {"LightingChanged", 0x0401, {"lighting"}},
        {"ProfileChanged", 0x0402, {"profile"}},
        {"ConfigurationChanged", 0x0403, {"reloaded"}},
        {"IconSignalIsNoConcernOfTheSession", 0x1811, {}},
    };
    // A report that must not be told is followed by a configuration report,
    // and only that one is told. The reports are taken in order, messages go
    // before timers and the session's merged signals (lighting, profile,
    // reload) are told in that order when due together: once the reload is
    // told, whatever the report before it set off has been told too. (A wrong
    // reload would merge with the marker's.)
    constexpr std::uint16_t kMarker = 0x0403;
    for (const ReportCase& c : cases) {
        SCOPED_TRACE(c.name);
        heard = {};
        raiseConsumer(c.code);
        std::vector<std::string> expected = c.calls;
        if (c.calls.empty()) {
            raiseConsumer(kMarker);
            expected = {"reloaded"};
            ASSERT_TRUE(
                settle([&] { return !heard.calls.empty() && heard.calls.back() == "reloaded"; }));
        } else {
            ASSERT_TRUE(settle([&] { return heard.calls.size() >= c.calls.size(); }));
        }
        EXPECT_EQ(heard.calls, expected);
    }
    EXPECT_EQ(session->reloads(), 3) << "the start, the configuration report and the marker";
}

TEST_F(KeyboardSessionTest, QuickBankTogglesAreEachToldInOrderAndTheModelEndsOnTheLast) {
    startRead();
    for (int i = 0; i < 3; ++i) {
        raiseConsumer(0x02FF);
    }
    ASSERT_TRUE(settle([&] { return heard.banks.size() == 3; }));
    EXPECT_EQ(heard.banks, (std::vector<int>{1, 0, 1}));
    EXPECT_EQ(session->lighting().gKeyBank, 1);
}

TEST_F(KeyboardSessionTest, RemovalAndReturnAreToldAndTheKeyboardIsReadAgain) {
    startRead();
    knobs.Remove();
    ASSERT_TRUE(settle([&] { return heard.calls.size() == 1; }));
    EXPECT_EQ(heard.calls, std::vector<std::string>{"removed"});
    EXPECT_EQ(session->lighting().activeProfile, -1);

    knobs.Attach();
    ASSERT_TRUE(settle([&] { return heard.calls.size() == 2; }));
    EXPECT_EQ(heard.calls, (std::vector<std::string>{"removed", "reloaded"}));
    EXPECT_EQ(session->lighting().activeProfile, 0);
}

TEST_F(KeyboardSessionTest, OperationsRunOnTheSessionAndReachTheKeyboard) {
    startRead();
    EXPECT_EQ(session->run([&] { return session->switchProfile(1); }), kResultDone);
    EXPECT_EQ(session->run([&] { return session->sync().readActiveProfile(); }), 1);
    EXPECT_EQ(session->run([&] { return session->switchProfile(3); }), kResultBadArgument);

    const std::string file = folder.path() + "/keys.fwc";
    EXPECT_EQ(session->run([&] { return session->exportFile(file); }), 1);
    EXPECT_EQ(session->run([&] { return session->importFile(file); }), 1);
    EXPECT_EQ(session->run([&] { return session->importFile(folder.path() + "/none.fwc"); }),
              kSyncBadFile);
}

}  // namespace
}  // namespace quorvane::test
