// The virtual keyboard behind the real libquellix.so, end to end through the
// C ABI: counts, answers on the library's thread, consumer reports, presence,
// timing knobs, the state file and the shutdown guarantees.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

#include "quellix/library_fixture.h"

namespace quorvane::quellix::testing_support {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

using VirtualBackend = LibraryTest;

std::string readText(const std::string& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST_F(VirtualBackend, CountsTheKeyboardByFilter) {
    initVirtual();
    EXPECT_EQ(Init(0), 1);  // a second Init changes nothing
    EXPECT_EQ(RequestGetDeviceCount(&kCtrlFilter, nullptr, 0, 0x1544, nullptr), 1);
    EXPECT_EQ(RequestGetDeviceCount(&kLedFilter, nullptr, 0, 0, nullptr), 1);
    QuellixFilter other = kCtrlFilter;
    other.vendorId = 0x046D;
    EXPECT_EQ(RequestGetDeviceCount(&other, nullptr, 0, 0, nullptr), 0);
    other = kCtrlFilter;
    other.usage = 0x0001;
    EXPECT_EQ(RequestGetDeviceCount(&other, nullptr, 0, 0, nullptr), 0);
    other.mask = QUELLIX_MATCH_VENDOR | QUELLIX_MATCH_PRODUCT;  // usage not compared
    EXPECT_EQ(RequestGetDeviceCount(&other, nullptr, 0, 0, nullptr), 1);
}

TEST_F(VirtualBackend, AnswerArrivesAsTheWholeFrameOnALibraryThread) {
    initVirtual();
    read(kCtrlFilter, kCtrl);
    read(kConsFilter, kCons);
    ASSERT_EQ(send(requestFrame(0x03, 0x2C)), 1);
    auto& log = CallbackLog::instance();
    ASSERT_TRUE(log.waitForCount(kCtrl, QUELLIX_EVENT_REPORT, 1));
    const std::vector<Seen> seen = log.snapshot();
    ASSERT_EQ(seen.size(), 1u);  // the consumer read saw nothing
    const Seen& answer = seen[0];
    EXPECT_NE(answer.thread, std::this_thread::get_id());
    EXPECT_EQ(answer.count, 64u);
    ASSERT_EQ(answer.data.size(), 64u);
    EXPECT_EQ(answer.data[0], 0x04);
    EXPECT_EQ(answer.data[3], 0x03);       // echo
    EXPECT_EQ(answer.data[7], 0x00);       // accepted
    EXPECT_EQ(answer.data[8 + 11], 0x40);  // macro capacity of the factory settings
    EXPECT_FALSE(answer.hasConsumer);
}

TEST_F(VirtualBackend, WritesAreValidatedBeforeQueueing) {
    initVirtual();
    const Bytes frame = requestFrame(0x01);
    Bytes tooLong(65, 0x04);
    EXPECT_EQ(RequestWriteOne(&kCtrlFilter, nullptr, 0, tooLong.data(), 65, 0, nullptr), 0);
    EXPECT_EQ(RequestWriteOne(&kCtrlFilter, nullptr, 0, frame.data(), 0, 0, nullptr), 0);
    EXPECT_EQ(RequestWriteOne(&kCtrlFilter, nullptr, 0, nullptr, 64, 0, nullptr), 0);
    QuellixFilter nowhere = kCtrlFilter;
    nowhere.usagePage = 0x1234;
    EXPECT_EQ(RequestWriteOne(&nowhere, nullptr, 0, frame.data(), 64, 0, nullptr), 0);
    std::uint32_t id = 0;
    EXPECT_EQ(RequestWriteOne(&kCtrlFilter, nullptr, 0, frame.data(), 64, 0, &id), 1);
    EXPECT_NE(id, 0u);
}

TEST_F(VirtualBackend, ConsumerReportsReachConsumerReadsWithTheirCode) {
    initVirtual();
    read(kCtrlFilter, kCtrl);
    read(kConsFilter, kCons);
    ASSERT_EQ(QuellixVirtualRaiseConsumer(0x02FF), 1);
    ASSERT_EQ(QuellixVirtualPressProfileKey(), 1);
    auto& log = CallbackLog::instance();
    ASSERT_TRUE(log.waitForCount(kCons, QUELLIX_EVENT_REPORT, 2));
    const std::vector<Seen> seen = log.snapshot();
    ASSERT_EQ(seen.size(), 2u);
    const std::uint16_t codes[] = {0x02FF, 0x0402};
    for (std::size_t i = 0; i < 2; ++i) {
        ASSERT_TRUE(seen[i].hasConsumer);
        ASSERT_GE(seen[i].consumer.size(), 2u);
        EXPECT_EQ(seen[i].consumer[0] | (seen[i].consumer[1] << 8), codes[i]);
    }
    std::uint8_t settings[44] = {};
    ASSERT_EQ(QuellixVirtualReadMemory(QUELLIX_AREA_SETTINGS, 0, settings, 44), 44);
    EXPECT_EQ(settings[10], 1);  // the profile key moved on to profile 2
    std::uint8_t last[8] = {};
    EXPECT_EQ(RequestStatusGet(&kConsFilter, nullptr, 0, last, sizeof last, 0, nullptr), 3);
    EXPECT_EQ(last[1] | (last[2] << 8), 0x0402);
}

std::string keyboardIdentity() {
    char text[512] = {};
    const int length = QuellixKeyboardIdentity(text, sizeof text);
    EXPECT_EQ(length, static_cast<int>(std::string(text).size()));
    return text;
}

TEST_F(VirtualBackend, PresenceEventsCarryTheNewCount) {
    initVirtual();
    EXPECT_EQ(keyboardIdentity(), "virtual");
    read(kCtrlFilter, kCtrl);
    read(kConsFilter, kCons);
    auto& log = CallbackLog::instance();
    ASSERT_EQ(QuellixVirtualRemove(), 1);
    // Counted out as soon as the call returns; the events follow.
    EXPECT_EQ(RequestGetDeviceCount(&kCtrlFilter, nullptr, 0, 0, nullptr), 0);
    EXPECT_EQ(keyboardIdentity(), "");
    EXPECT_EQ(send(requestFrame(0x01)), 0);  // nothing to send to
    ASSERT_TRUE(log.waitForCount(kCons, QUELLIX_EVENT_PRESENCE, 1));
    ASSERT_TRUE(log.waitForCount(kCtrl, QUELLIX_EVENT_PRESENCE, 1));
    EXPECT_EQ(QuellixVirtualRaiseConsumer(0x0401), 0);
    ASSERT_EQ(QuellixVirtualRemove(), 1);  // already removed: no event
    ASSERT_EQ(QuellixVirtualAttach(), 1);
    EXPECT_EQ(RequestGetDeviceCount(&kCtrlFilter, nullptr, 0, 0, nullptr), 1);
    ASSERT_TRUE(log.waitForCount(kCtrl, QUELLIX_EVENT_PRESENCE, 2));
    std::vector<std::uint32_t> counts;
    for (const Seen& s : log.snapshot()) {
        if (s.tag == kCtrl && s.kind == QUELLIX_EVENT_PRESENCE) {
            counts.push_back(s.count);
        }
    }
    EXPECT_EQ(counts, (std::vector<std::uint32_t>{0, 1}));
}

TEST_F(VirtualBackend, RemoveAfterFramesAnswersTheLastThenGoes) {
    initVirtual();
    read(kCtrlFilter, kCtrl);
    ASSERT_EQ(QuellixVirtualRemoveAfterFrames(2), 1);
    ASSERT_EQ(send(requestFrame(0x01)), 1);
    ASSERT_EQ(send(requestFrame(0x02)), 1);
    auto& log = CallbackLog::instance();
    ASSERT_TRUE(log.waitForCount(kCtrl, QUELLIX_EVENT_PRESENCE, 1));
    const std::vector<Seen> seen = log.snapshot();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].data[3], 0x01);
    EXPECT_EQ(seen[1].data[3], 0x02);
    EXPECT_EQ(seen[2].kind, QUELLIX_EVENT_PRESENCE);
    EXPECT_EQ(seen[2].count, 0u);
}

TEST_F(VirtualBackend, DeletedReadsHearNothingMore) {
    initVirtual();
    const std::uint32_t ctrl = read(kCtrlFilter, kCtrl);
    const std::uint32_t cons = read(kConsFilter, kCons);
    EXPECT_NE(ctrl, cons);
    EXPECT_EQ(DeleteRequestFromUnitId(ctrl), 1);
    EXPECT_EQ(DeleteRequestFromUnitId(ctrl), 0);
    EXPECT_EQ(DeleteRequestFromUnitId(0), 0);
    ASSERT_EQ(send(requestFrame(0x01)), 1);
    ASSERT_EQ(QuellixVirtualRaiseConsumer(0x0401), 1);
    auto& log = CallbackLog::instance();
    ASSERT_TRUE(log.waitForCount(kCons, QUELLIX_EVENT_REPORT, 1));
    // The consumer report was raised after the command, so its answer has
    // been delivered (to nobody) by now.
    EXPECT_EQ(CallbackLog::countOf(log.snapshot(), kCtrl, QUELLIX_EVENT_REPORT), 0u);
    read(kCtrlFilter, kCtrl);
    EXPECT_EQ(DeleteRequestFromHandle(CallbackLog::callback), 2);
    EXPECT_EQ(DeleteRequestFromHandle(CallbackLog::callback), 0);
}

TEST_F(VirtualBackend, BankReportGoesOutAndCompletes) {
    initVirtual();
    ASSERT_EQ(QuellixVirtualClearFrames(), 1);
    const std::uint8_t report[2] = {0x05, 0x03};
    std::uint32_t id = 0;
    ASSERT_EQ(RequestStatusWrite(&kLedFilter, CallbackLog::callback, kLed, report, 2, 0, &id), 1);
    EXPECT_NE(id, 0u);
    auto& log = CallbackLog::instance();
    ASSERT_TRUE(log.waitForCount(kLed, QUELLIX_EVENT_REPORT, 1));
    EXPECT_EQ(log.snapshot()[0].count, 2u);
    ASSERT_EQ(QuellixVirtualFrameCount(), 1u);
    std::uint8_t frame[64] = {};
    ASSERT_EQ(QuellixVirtualGetFrame(0, frame, sizeof frame), 2);
    EXPECT_EQ(frame[0], 0x05);
    EXPECT_EQ(frame[1], 0x03);
    EXPECT_EQ(QuellixVirtualGetFrame(1, frame, sizeof frame), 0);
}

TEST_F(VirtualBackend, FaultKnobsShapeTheAnswers) {
    initVirtual();
    read(kCtrlFilter, kCtrl);
    auto& log = CallbackLog::instance();
    ASSERT_EQ(QuellixVirtualRefuse(0xFE, 1), 1);
    EXPECT_EQ(QuellixVirtualRefuse(0x01, 1), 0);
    ASSERT_EQ(QuellixVirtualWrongEcho(QUELLIX_ALWAYS), 1);
    ASSERT_EQ(send(requestFrame(0x03, 0x2C)), 1);
    ASSERT_TRUE(log.waitForCount(kCtrl, QUELLIX_EVENT_REPORT, 1));
    ASSERT_EQ(QuellixVirtualWrongEcho(0), 1);
    ASSERT_EQ(send(requestFrame(0x03, 0x2C)), 1);
    ASSERT_TRUE(log.waitForCount(kCtrl, QUELLIX_EVENT_REPORT, 2));
    // Every second answer is lost: the third command is answered, the
    // fourth is not, the fifth is.
    ASSERT_EQ(QuellixVirtualDropEvery(2), 1);
    ASSERT_EQ(send(requestFrame(0x01)), 1);
    ASSERT_EQ(send(requestFrame(0x02)), 1);
    ASSERT_EQ(send(requestFrame(0x03, 0x2C)), 1);
    ASSERT_TRUE(log.waitForCount(kCtrl, QUELLIX_EVENT_REPORT, 4));
    std::this_thread::sleep_for(50ms);
    const std::vector<Seen> seen = log.snapshot();
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_NE(seen[0].data[3], 0x03);  // wrong echo
    EXPECT_EQ(seen[0].data[7], 0xFE);  // refused
    EXPECT_EQ(seen[1].data[3], 0x03);
    EXPECT_EQ(seen[1].data[7], 0x00);
    EXPECT_EQ(seen[2].data[3], 0x01);
    EXPECT_EQ(seen[3].data[3], 0x03);
}

TEST_F(VirtualBackend, LatencyDelaysTheAnswer) {
    initVirtual();
    read(kCtrlFilter, kCtrl);
    ASSERT_EQ(QuellixVirtualSetLatencyUs(30000), 1);
    const auto begin = Clock::now();
    ASSERT_EQ(send(requestFrame(0x01)), 1);
    ASSERT_TRUE(CallbackLog::instance().waitForCount(kCtrl, QUELLIX_EVENT_REPORT, 1));
    EXPECT_GE(Clock::now() - begin, 30ms);
}

TEST_F(VirtualBackend, TheWriteReturnsBeforeALateAnswer) {
    initVirtual();
    read(kCtrlFilter, kCtrl);
    // An answer far later than this test lasts: the write itself never waits
    // for it, and End does not either.
    ASSERT_EQ(QuellixVirtualSetLatencyUs(60'000'000), 1);
    ASSERT_EQ(send(requestFrame(0x01)), 1);
    EXPECT_TRUE(CallbackLog::instance().snapshot().empty()) << "no answer yet";
    EXPECT_EQ(End(), 1);
    EXPECT_TRUE(CallbackLog::instance().snapshot().empty()) << "nor after End";
}

TEST_F(VirtualBackend, UsbFrameModelCostsTwoFramesPerExchange) {
    initVirtual();
    read(kCtrlFilter, kCtrl);
    ASSERT_EQ(QuellixVirtualSetUsbFrames(1), 1);
    // Each answer sends the next command from the callback, as fast as the
    // library allows: only the frame model paces the exchanges.
    constexpr int kExchanges = 20;
    // Shared with the hook: a late answer may still call it while the
    // fixture stops the library, after this body has returned.
    auto sent = std::make_shared<std::atomic<int>>(1);
    const auto frame = std::make_shared<const Bytes>(requestFrame(0x01));
    CallbackLog::instance().setHook([this, sent, frame](const Seen& s) {
        if (s.kind == QUELLIX_EVENT_REPORT && *sent < kExchanges) {
            ++*sent;
            send(*frame);
        }
    });
    const auto begin = Clock::now();
    ASSERT_EQ(send(*frame), 1);
    ASSERT_TRUE(CallbackLog::instance().waitForCount(kCtrl, QUELLIX_EVENT_REPORT, kExchanges, 10s));
    const auto elapsed = Clock::now() - begin;
    // The first report waits for a frame start, every answer for the next.
    EXPECT_GE(elapsed, std::chrono::milliseconds(2 * kExchanges - 1));
}

TEST_F(VirtualBackend, UsbFrameModelSendsOneReportPerFrame) {
    initVirtual();
    read(kCtrlFilter, kCtrl);
    ASSERT_EQ(QuellixVirtualSetUsbFrames(1), 1);
    const auto begin = Clock::now();
    for (int i = 0; i < 10; ++i) {
        ASSERT_EQ(send(requestFrame(0x01)), 1);
    }
    ASSERT_TRUE(CallbackLog::instance().waitForCount(kCtrl, QUELLIX_EVENT_REPORT, 10, 10s));
    // Ten reports queued at once still travel in ten frames.
    EXPECT_GE(Clock::now() - begin, 10ms);
}

TEST_F(VirtualBackend, PaceFromTheEnvironment) {
    ::setenv("QUELLIX_VIRTUAL_LATENCY_MS", "30", 1);
    initVirtual();
    read(kCtrlFilter, kCtrl);
    auto begin = Clock::now();
    ASSERT_EQ(send(requestFrame(0x01)), 1);
    ASSERT_TRUE(CallbackLog::instance().waitForCount(kCtrl, QUELLIX_EVENT_REPORT, 1));
    EXPECT_GE(Clock::now() - begin, 30ms);
    End();

    ::unsetenv("QUELLIX_VIRTUAL_LATENCY_MS");
    ::setenv("QUELLIX_VIRTUAL_FRAMES", "1", 1);
    CallbackLog::instance().clear();
    initVirtual();
    read(kCtrlFilter, kCtrl);
    begin = Clock::now();
    for (int i = 0; i < 10; ++i) {
        ASSERT_EQ(send(requestFrame(0x01)), 1);
    }
    ASSERT_TRUE(CallbackLog::instance().waitForCount(kCtrl, QUELLIX_EVENT_REPORT, 10, 10s));
    EXPECT_GE(Clock::now() - begin, 10ms);
}

TEST_F(VirtualBackend, PaceVariablesWithBadValuesStopInit) {
    struct Case {
        const char* name;
        const char* value;
    };
    for (const Case c :
         {Case{"QUELLIX_VIRTUAL_FRAMES", "yes"}, Case{"QUELLIX_VIRTUAL_FRAMES", "2"},
          Case{"QUELLIX_VIRTUAL_LATENCY_MS", "-5"}, Case{"QUELLIX_VIRTUAL_LATENCY_MS", "12ms"},
          Case{"QUELLIX_VIRTUAL_LATENCY_MS", "60001"},
          Case{"QUELLIX_VIRTUAL_LATENCY_MS", "99999999999999999999"}}) {
        SCOPED_TRACE(std::string(c.name) + "=" + c.value);
        ::setenv(c.name, c.value, 1);
        ::setenv("QUELLIX_DEVICE", "virtual", 1);
        testing::internal::CaptureStderr();
        EXPECT_EQ(Init(0), 0);
        const std::string text = testing::internal::GetCapturedStderr();
        EXPECT_NE(text.find(std::string(c.name) + "=" + c.value), std::string::npos) << text;
        ::unsetenv(c.name);
    }
    ::setenv("QUELLIX_VIRTUAL_FRAMES", "0", 1);
    ::setenv("QUELLIX_VIRTUAL_LATENCY_MS", "0", 1);
    EXPECT_EQ(Init(0), 1);
}

TEST_F(VirtualBackend, EndStopsDeliveryAtOnce) {
    initVirtual();
    read(kCtrlFilter, kCtrl);
    ASSERT_EQ(QuellixVirtualSetLatencyUs(40000), 1);
    ASSERT_EQ(send(requestFrame(0x01)), 1);
    EXPECT_EQ(End(), 1);
    EXPECT_EQ(End(), 0);
    std::this_thread::sleep_for(80ms);
    EXPECT_TRUE(CallbackLog::instance().snapshot().empty());
    EXPECT_EQ(send(requestFrame(0x01)), 0);
    EXPECT_EQ(QuellixVirtualAttach(), 0);
    // And the library starts again afterwards.
    initVirtual();
    EXPECT_EQ(RequestGetDeviceCount(&kCtrlFilter, nullptr, 0, 0, nullptr), 1);
}

TEST_F(VirtualBackend, EndWhileCallbacksKeepSendingReturnsAndSilencesThem) {
    initVirtual();
    read(kCtrlFilter, kCtrl);
    const Bytes frame = requestFrame(0x01);
    std::atomic<bool> ended{false};
    std::atomic<int> lateCallbacks{0};
    CallbackLog::instance().setHook([&](const Seen&) {
        if (ended) {
            ++lateCallbacks;
        }
        send(frame);  // ping-pong from the library's own thread
    });
    ASSERT_EQ(send(frame), 1);
    ASSERT_TRUE(CallbackLog::instance().waitForCount(kCtrl, QUELLIX_EVENT_REPORT, 200));
    EXPECT_EQ(End(), 1);
    ended = true;
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(lateCallbacks, 0);
    EXPECT_EQ(send(frame), 0);
}

TEST_F(VirtualBackend, CallbacksMayCallInButNotEnd) {
    initVirtual();
    read(kCtrlFilter, kCtrl);
    std::atomic<int> endResult{-1};
    std::atomic<int> countResult{-1};
    CallbackLog::instance().setHook([&](const Seen&) {
        countResult = RequestGetDeviceCount(&kCtrlFilter, nullptr, 0, 0, nullptr);
        endResult = End();
    });
    testing::internal::CaptureStderr();
    ASSERT_EQ(send(requestFrame(0x01)), 1);
    ASSERT_TRUE(CallbackLog::instance().waitForCount(kCtrl, QUELLIX_EVENT_REPORT, 1));
    for (int i = 0; i < 400 && endResult == -1; ++i) {
        std::this_thread::sleep_for(5ms);
    }
    CallbackLog::instance().setHook({});
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(countResult, 1);
    EXPECT_EQ(endResult, 0);
    EXPECT_EQ(RequestGetDeviceCount(&kCtrlFilter, nullptr, 0, 0, nullptr), 1);
}

TEST_F(VirtualBackend, StateFileKeepsTheMemoriesBetweenRuns) {
    const std::string state = path("keyboard.json");
    ::setenv("QUELLIX_VIRTUAL_STATE", state.c_str(), 1);
    initVirtual();
    const std::uint8_t colour[3] = {0x12, 0x34, 0x56};
    ASSERT_EQ(QuellixVirtualWriteMemory(QUELLIX_AREA_COLOURS, 300, colour, 3), 3);
    ASSERT_EQ(End(), 1);  // saves
    EXPECT_NE(readText(state).find("\"colours\""), std::string::npos);

    initVirtual();
    std::uint8_t back[3] = {};
    ASSERT_EQ(QuellixVirtualReadMemory(QUELLIX_AREA_COLOURS, 300, back, 3), 3);
    EXPECT_EQ(Bytes(back, back + 3), Bytes(colour, colour + 3));
    EXPECT_EQ(QuellixVirtualResetFactory(), 1);
    ASSERT_EQ(QuellixVirtualReadMemory(QUELLIX_AREA_COLOURS, 300, back, 3), 3);
    EXPECT_EQ(Bytes(back, back + 3), (Bytes{0xFF, 0x00, 0x00}));
    EXPECT_EQ(QuellixVirtualReadMemory(QUELLIX_AREA_SETTINGS, 40, back, 5), 0);  // past the end
    EXPECT_EQ(QuellixVirtualReadMemory(9, 0, back, 1), 0);
}

TEST_F(VirtualBackend, ExitWithoutEndStopsCleanlyAndSavesTheState) {
    const std::string state = path("keyboard.json");
    ::setenv("QUELLIX_VIRTUAL_STATE", state.c_str(), 1);
    ::setenv("QUELLIX_DEVICE", "virtual", 1);
    // The program never calls End(): the library must stop its threads and
    // save as the process exits, even with traffic in flight.
    const auto child = [&] {
        if (Init(0) != 1) {
            std::_Exit(3);
        }
        read(kCtrlFilter, kCtrl);
        const std::uint8_t colour[3] = {0x0A, 0x0B, 0x0C};
        QuellixVirtualWriteMemory(QUELLIX_AREA_COLOURS, 600, colour, 3);
        QuellixVirtualSetLatencyUs(5000);
        for (int i = 0; i < 50; ++i) {
            send(requestFrame(0x01));
        }
        std::exit(0);
    };
    EXPECT_EXIT(child(), testing::ExitedWithCode(0), "");
    initVirtual();
    // The same keyboard, whichever file held its memories meanwhile.
    EXPECT_EQ(keyboardIdentity(), "virtual");
    std::uint8_t back[3] = {};
    ASSERT_EQ(QuellixVirtualReadMemory(QUELLIX_AREA_COLOURS, 600, back, 3), 3);
    EXPECT_EQ(Bytes(back, back + 3), (Bytes{0x0A, 0x0B, 0x0C}));
}

TEST_F(VirtualBackend, MalformedStateFileIsReportedAndLeftAlone) {
    const std::string state = path("keyboard.json");
    {
        std::ofstream out(state);
        out << "{\"settings\": \"zz\"}";
    }
    ::setenv("QUELLIX_VIRTUAL_STATE", state.c_str(), 1);
    ::setenv("QUELLIX_DEVICE", "virtual", 1);
    testing::internal::CaptureStderr();
    ASSERT_EQ(Init(0), 1);  // runs on the factory state
    const std::string text = testing::internal::GetCapturedStderr();
    EXPECT_NE(text.find(state), std::string::npos) << text;
    std::uint8_t settings[44] = {};
    ASSERT_EQ(QuellixVirtualReadMemory(QUELLIX_AREA_SETTINGS, 0, settings, 44), 44);
    EXPECT_EQ(settings[11], 0x40);
    ASSERT_EQ(send(requestFrame(0x02)), 1);  // an EndTransfer would save
    read(kCtrlFilter, kCtrl);
    ASSERT_EQ(send(requestFrame(0x02)), 1);
    ASSERT_TRUE(CallbackLog::instance().waitForCount(kCtrl, QUELLIX_EVENT_REPORT, 1));
    End();
    EXPECT_EQ(readText(state), "{\"settings\": \"zz\"}");
}

}  // namespace
}  // namespace quorvane::quellix::testing_support
