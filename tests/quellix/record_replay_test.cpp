// A session with the virtual keyboard is recorded, then replayed: the replay
// gives the same answers, reports and presence changes, and stops at the
// first report that differs from the recording. Key presses never reach a
// recording, the debug lines or a callback, and recordings are the user's only.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "quellix/diagnostics.h"
#include "quellix/hub.h"
#include "quellix/library_fixture.h"
#include "quellix/recorder.h"
#include "quellix/recording.h"

namespace quorvane::quellix::testing_support {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

mode_t modeOf(const std::string& file) {
    struct stat st {};
    return ::stat(file.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

std::vector<RecordEntry> readRecording(const std::string& file) {
    std::ifstream in(file);
    std::vector<RecordEntry> entries;
    std::string line;
    while (std::getline(in, line)) {
        RecordEntry entry;
        std::string error;
        EXPECT_TRUE(parseEntry(line, entry, error)) << error << ": " << line;
        entries.push_back(entry);
    }
    return entries;
}

class RecordReplay : public LibraryTest {
  protected:
    // The session: a settings read, a consumer report, the keyboard pulled
    // out and back, a refused colour read, the bank report.
    std::vector<Seen> runSession(bool virtualKeyboard) {
        auto& log = CallbackLog::instance();
        log.clear();
        read(kCtrlFilter, kCtrl);
        read(kConsFilter, kCons);
        EXPECT_EQ(send(requestFrame(0x03, 0x2C)), 1);
        EXPECT_TRUE(log.waitForCount(kCtrl, QUELLIX_EVENT_REPORT, 1));
        // Played back, these come from the recording; the program waits for
        // the keyboard to return before it sends again, as it would live.
        if (virtualKeyboard) {
            QuellixVirtualRaiseConsumer(0x0403);
        }
        EXPECT_TRUE(log.waitForCount(kCons, QUELLIX_EVENT_REPORT, 1));
        if (virtualKeyboard) {
            QuellixVirtualRemove();
        }
        EXPECT_TRUE(log.waitForCount(kCtrl, QUELLIX_EVENT_PRESENCE, 1));
        if (virtualKeyboard) {
            QuellixVirtualAttach();
        }
        EXPECT_TRUE(log.waitForCount(kCtrl, QUELLIX_EVENT_PRESENCE, 2));
        if (virtualKeyboard) {
            QuellixVirtualRefuse(0xFE, 1);
        }
        EXPECT_EQ(send(requestFrame(0x10, 56, 2048)), 1);
        EXPECT_TRUE(log.waitForCount(kCtrl, QUELLIX_EVENT_REPORT, 2));
        const std::uint8_t bank[2] = {0x05, 0x03};
        EXPECT_EQ(RequestStatusWrite(&kLedFilter, CallbackLog::callback, kLed, bank, 2, 0, nullptr),
                  1);
        EXPECT_TRUE(log.waitForCount(kLed, QUELLIX_EVENT_REPORT, 1));
        return log.snapshot();
    }

    std::string record() {
        std::string file = path("session.jsonl");
        ::setenv("QUELLIX_RECORD", file.c_str(), 1);
        initVirtual();
        recorded_ = runSession(true);
        End();
        ::unsetenv("QUELLIX_RECORD");
        CallbackLog::instance().clear();
        return file;
    }

    std::vector<Seen> recorded_;
};

TEST_F(RecordReplay, RecordingHoldsEveryReportAndPresenceInOrder) {
    const std::vector<RecordEntry> entries = readRecording(record());
    using D = RecordEntry::Direction;
    std::vector<D> directions;
    directions.reserve(entries.size());
    for (const RecordEntry& e : entries) {
        directions.push_back(e.direction);
    }
    EXPECT_EQ(directions, (std::vector<D>{D::Presence, D::Out, D::In, D::In, D::Presence,
                                          D::Presence, D::Out, D::In, D::Out}));
    ASSERT_EQ(entries.size(), 9u);
    EXPECT_EQ(entries[0].keyboards.size(), 1u);
    EXPECT_EQ(entries[1].collection, (CollectionId{0xFF1C, 0x0092}));
    EXPECT_EQ(entries[1].bytes, requestFrame(0x03, 0x2C));
    EXPECT_EQ(entries[3].collection, (CollectionId{0x000C, 0x0001}));
    EXPECT_EQ(entries[3].bytes, (Bytes{0x03, 0x03, 0x04}));
    EXPECT_TRUE(entries[4].keyboards.empty());
    EXPECT_EQ(entries[8].collection, (CollectionId{0x0008, 0x0089}));
    for (std::size_t i = 1; i < entries.size(); ++i) {
        EXPECT_GE(entries[i].timeUs, entries[i - 1].timeUs);
    }
}

TEST_F(RecordReplay, TheLibrarysRecordingIsReadableByItsOwnerOnly) {
    const std::string file = record();
    EXPECT_EQ(modeOf(file), 0600u);
}

// A node shared by the collections the program uses and a keyboard (the
// keys of an all-keys bitmap): its key reports go nowhere, at any debug level.
TEST_F(RecordReplay, KeyPressesAreNeitherRecordedLoggedKeptNorDelivered) {
    const std::string file = path("keys.jsonl");
    const Keyboard keyboard{"usb1/1-1", 0x0C45, 0x5004, {kKeyboardInput, {0x000C, 0x0001}}};
    const QuellixFilter keysFilter{QUELLIX_MATCH_ALL, 0x0C45, 0x5004, 0x0001, 0x0006, 0};
    const Bytes keys = {0x06, 0x00, 0x00, 0x1D, 0x2B, 0x17, 0x00, 0x00};  // "zxt" held
    const Bytes consumer = {0x03, 0x03, 0x04};
    const int level = debugLevel().exchange(2);
    testing::internal::CaptureStderr();
    {
        Recorder recorder(file);
        Hub hub(&recorder);
        hub.addRead(keysFilter, CallbackLog::callback, 0x4B455953);
        hub.addRead(kConsFilter, CallbackLog::callback, kCons);
        hub.setKeyboards({keyboard});
        hub.deliverReport(keyboard, kKeyboardInput, keys, true);
        hub.deliverReport(keyboard, {0x000C, 0x0001}, consumer, true);
        Bytes last(16, 0xEE);
        EXPECT_EQ(hub.lastReport(keysFilter, last), 0);
    }
    const std::string logged = testing::internal::GetCapturedStderr();
    debugLevel().store(level);

    EXPECT_EQ(modeOf(file), 0600u);
    const std::vector<RecordEntry> entries = readRecording(file);
    ASSERT_EQ(entries.size(), 2u);  // the presence, then the consumer report
    EXPECT_EQ(entries[0].direction, RecordEntry::Direction::Presence);
    EXPECT_EQ(entries[1].collection, (CollectionId{0x000C, 0x0001}));
    EXPECT_EQ(entries[1].bytes, consumer);
    EXPECT_EQ(logged.find("0001:0006"), std::string::npos) << logged;
    EXPECT_EQ(logged.find(toHex(keys.data() + 3, 3)), std::string::npos) << logged;
    EXPECT_NE(logged.find("in 000c:0001"), std::string::npos) << logged;  // the log works
    for (const Seen& seen : CallbackLog::instance().snapshot()) {
        EXPECT_FALSE(seen.tag == 0x4B455953u && seen.kind == QUELLIX_EVENT_REPORT)
            << "a key report reached a callback";
    }
    EXPECT_TRUE(CallbackLog::instance().waitForCount(kCons, QUELLIX_EVENT_REPORT, 1));
}

TEST_F(RecordReplay, ReplayGivesTheRecordedSessionBack) {
    const std::string file = record();
    ::setenv("QUELLIX_DEVICE", ("replay:" + file).c_str(), 1);
    ASSERT_EQ(Init(0), 1);
    EXPECT_EQ(RequestGetDeviceCount(&kCtrlFilter, nullptr, 0, 0, nullptr), 1);
    const std::vector<Seen> replayed = runSession(false);
    ASSERT_EQ(replayed.size(), recorded_.size());
    for (std::size_t i = 0; i < replayed.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(replayed[i].kind, recorded_[i].kind);
        EXPECT_EQ(replayed[i].tag, recorded_[i].tag);
        EXPECT_EQ(replayed[i].count, recorded_[i].count);
        EXPECT_EQ(replayed[i].data, recorded_[i].data);
        EXPECT_EQ(replayed[i].consumer, recorded_[i].consumer);
    }
    std::vector<Seen> answers;
    for (const Seen& s : replayed) {
        if (s.tag == kCtrl && s.kind == QUELLIX_EVENT_REPORT) {
            answers.push_back(s);
        }
    }
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(answers[1].data[7], 0xFE);  // the refusal, as recorded
    EXPECT_EQ(QuellixReplayMismatches(), 0u);
    EXPECT_EQ(QuellixReplayRemaining(), 0u);
}

TEST_F(RecordReplay, TurnsOfTwoThreadsMayComeInAnotherOrderButNotAcrossAPresenceChange) {
    // Recorded: settings, lighting, the keyboard out and back, key colours.
    const std::string file = path("turns.jsonl");
    ::setenv("QUELLIX_RECORD", file.c_str(), 1);
    initVirtual();
    auto& log = CallbackLog::instance();
    read(kCtrlFilter, kCtrl);
    const std::vector<Bytes> requests = {requestFrame(0x03, 0x2C), requestFrame(0x05, 42, 0)};
    for (std::size_t i = 0; i < requests.size(); ++i) {
        ASSERT_EQ(send(requests[i]), 1);
        ASSERT_TRUE(log.waitForCount(kCtrl, QUELLIX_EVENT_REPORT, i + 1));
    }
    QuellixVirtualRemove();
    ASSERT_TRUE(log.waitForCount(kCtrl, QUELLIX_EVENT_PRESENCE, 1));
    QuellixVirtualAttach();
    ASSERT_TRUE(log.waitForCount(kCtrl, QUELLIX_EVENT_PRESENCE, 2));
    const Bytes colours = requestFrame(0x10, 56, 0);
    ASSERT_EQ(send(colours), 1);
    ASSERT_TRUE(log.waitForCount(kCtrl, QUELLIX_EVENT_REPORT, 3));
    End();
    ::unsetenv("QUELLIX_RECORD");

    // The lighting read first: it gets its own answer, then the settings read
    // gets its own.
    log.clear();
    ::setenv("QUELLIX_DEVICE", ("replay:" + file).c_str(), 1);
    ASSERT_EQ(Init(0), 1);
    read(kCtrlFilter, kCtrl);
    for (std::size_t i = 0; i < 2; ++i) {
        ASSERT_EQ(send(requests[1 - i]), 1);
        ASSERT_TRUE(log.waitForCount(kCtrl, QUELLIX_EVENT_REPORT, i + 1));
        std::vector<Seen> answers;
        for (const Seen& seen : log.snapshot()) {
            if (seen.kind == QUELLIX_EVENT_REPORT && seen.tag == kCtrl) {
                answers.push_back(seen);
            }
        }
        ASSERT_EQ(answers.size(), i + 1);
        ASSERT_EQ(answers.back().data.size(), 64u);
        EXPECT_EQ(answers.back().data[3], requests[1 - i][3]);
    }
    ASSERT_TRUE(log.waitForCount(kCtrl, QUELLIX_EVENT_PRESENCE, 2));
    ASSERT_EQ(send(colours), 1);
    ASSERT_TRUE(log.waitForCount(kCtrl, QUELLIX_EVENT_REPORT, 3));
    EXPECT_EQ(QuellixReplayMismatches(), 0u);
    EXPECT_EQ(QuellixReplayRemaining(), 0u);
    End();

    // The colour read before the keyboard went out and came back: a mismatch.
    log.clear();
    ASSERT_EQ(Init(0), 1);
    read(kCtrlFilter, kCtrl);
    testing::internal::CaptureStderr();
    ASSERT_EQ(send(colours), 1);
    for (int i = 0; i < 200 && QuellixReplayMismatches() == 0; ++i) {
        std::this_thread::sleep_for(5ms);
    }
    const std::string text = testing::internal::GetCapturedStderr();
    EXPECT_EQ(QuellixReplayMismatches(), 1u);
    EXPECT_NE(text.find("stopped"), std::string::npos) << text;
}

TEST_F(RecordReplay, MismatchIsReportedAndEndsTheAnswers) {
    const std::string file = record();
    ::setenv("QUELLIX_DEVICE", ("replay:" + file).c_str(), 1);
    ASSERT_EQ(Init(0), 1);
    read(kCtrlFilter, kCtrl);
    testing::internal::CaptureStderr();
    ASSERT_EQ(send(requestFrame(0x05, 56, 0)), 1);  // the recording starts with 0x03
    auto& log = CallbackLog::instance();
    for (int i = 0; i < 200 && QuellixReplayMismatches() == 0; ++i) {
        std::this_thread::sleep_for(5ms);
    }
    const bool answered = log.waitForCount(kCtrl, QUELLIX_EVENT_REPORT, 1, 100ms);
    ASSERT_EQ(send(requestFrame(0x03, 0x2C)), 1);  // even the right one is not answered now
    const bool answeredLater = log.waitForCount(kCtrl, QUELLIX_EVENT_REPORT, 1, 200ms);
    const std::string text = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(answered);
    EXPECT_FALSE(answeredLater);
    EXPECT_EQ(QuellixReplayMismatches(), 1u);
    EXPECT_NE(text.find("replay"), std::string::npos) << text;
    EXPECT_NE(text.find(toHex(requestFrame(0x05, 56, 0).data(), 64)), std::string::npos) << text;
    EXPECT_NE(text.find("line 2"), std::string::npos) << text;
}

TEST_F(RecordReplay, WritingPastTheEndIsAMismatch) {
    const std::string file = record();
    ::setenv("QUELLIX_DEVICE", ("replay:" + file).c_str(), 1);
    ASSERT_EQ(Init(0), 1);
    runSession(false);
    testing::internal::CaptureStderr();
    ASSERT_EQ(send(requestFrame(0x01)), 1);
    for (int i = 0; i < 100 && QuellixReplayMismatches() == 0; ++i) {
        std::this_thread::sleep_for(10ms);
    }
    const std::string text = testing::internal::GetCapturedStderr();
    EXPECT_EQ(QuellixReplayMismatches(), 1u);
    EXPECT_NE(text.find("end of the recording"), std::string::npos) << text;
}

}  // namespace
}  // namespace quorvane::quellix::testing_support
