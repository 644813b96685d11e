#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "core/device/device_result.h"
#include "core/device/hid_filter.h"
#include "core/device/unit_id.h"
#include "fake_link_fixture.h"

namespace quorvane::test {
namespace {

using Clock = std::chrono::steady_clock;

Bytes beginRequest() {
    Bytes request(64, 0);
    request[0] = 0x04;
    request[1] = 0x01;
    request[3] = 0x01;
    return request;
}

class TransportTest : public FakeLinkTest {
  protected:
    int send(const Bytes& request, std::uint32_t capacity = 64) {
        reply.fill(0xEE);
        received = 12345;
        return transport().SendAndWait(request.data(), request.size(), reply.data(), capacity,
                                       received);
    }
    Frame reply{};
    std::uint32_t received = 0;
};

TEST_F(TransportTest, NoKeyboardReturnsZeroAndSendsNothing) {
    fake.deviceCount = 0;
    EXPECT_EQ(send(beginRequest()), kResultNoKeyboard);
    EXPECT_EQ(received, 0u);
    EXPECT_TRUE(fake.writes.empty());
    ASSERT_FALSE(fake.countUnits.empty());
    EXPECT_EQ(fake.countUnits.back(), 0x1544u);
}

TEST_F(TransportTest, FrameTheLibraryDoesNotTakeIsNotSent) {
    for (const int refusal : {0, -3}) {
        fake.writes.clear();
        fake.writeResult = refusal;
        EXPECT_EQ(send(beginRequest()), kResultNotSent);
        EXPECT_EQ(received, 0u);
        EXPECT_EQ(fake.writes.size(), 1u) << "no retry when the library refuses";
    }
}

TEST_F(TransportTest, SendsOneFrameOnTheCommandFilterWithItsUnitId) {
    ASSERT_EQ(send(beginRequest()), kResultDone);
    ASSERT_EQ(fake.writes.size(), 1u);
    const FakeWrite& w = fake.writes[0];
    EXPECT_EQ(w.length, 64u);
    EXPECT_EQ(w.unit, 0x5374u);
    EXPECT_EQ(filterBytes(w.filter), filterBytes(commandFilter()));
    EXPECT_EQ(Bytes(w.frame.begin(), w.frame.end()), beginRequest());
    EXPECT_EQ(received, 64u);
    EXPECT_EQ(Bytes(reply.begin(), reply.end()), FakeHid::echo(w.frame));
}

TEST_F(TransportTest, ShortRequestIsZeroPaddedAndLongOneCut) {
    const Bytes shortRequest{0x04, 0x00, 0x00, 0x03, 0x2C};
    ASSERT_EQ(send(shortRequest), kResultDone);
    Frame padded{};
    std::memcpy(padded.data(), shortRequest.data(), shortRequest.size());
    EXPECT_EQ(fake.writes.back().frame, padded);
    EXPECT_EQ(fake.writes.back().unit, requestUnitId(commandFilter(), 0, 0, padded));

    Bytes longRequest(70);
    for (std::size_t i = 0; i < longRequest.size(); ++i) {
        longRequest[i] = static_cast<std::uint8_t>(i + 1);
    }
    longRequest[3] = 0x05;
    ASSERT_EQ(send(longRequest), kResultDone);
    EXPECT_EQ(Bytes(fake.writes.back().frame.begin(), fake.writes.back().frame.end()),
              Bytes(longRequest.begin(), longRequest.begin() + 64));
}

TEST_F(TransportTest, AnswerLongerThanTheCapacityIsCut) {
    fake.respond = [](const Frame& f, std::size_t) {
        Bytes answer = FakeHid::echo(f);
        for (std::size_t i = 8; i < answer.size(); ++i) {
            answer[i] = static_cast<std::uint8_t>(i);
        }
        return std::vector<Bytes>{answer};
    };
    ASSERT_EQ(send(beginRequest(), 10), kResultDone);
    EXPECT_EQ(received, 10u);
    EXPECT_EQ(reply[3], 0x01);
    EXPECT_EQ(reply[9], 9);
    EXPECT_EQ(reply[10], 0xEE) << "nothing written past the capacity";

    // Too small even for the echo byte: the echo is still judged on the answer.
    ASSERT_EQ(send(beginRequest(), 2), kResultDone);
    EXPECT_EQ(received, 2u);
    EXPECT_EQ(reply[2], 0xEE);
}

TEST_F(TransportTest, ShortAnswerReportsItsOwnLength) {
    fake.respond = [](const Frame& f, std::size_t) {
        Bytes answer = FakeHid::echo(f);
        answer.resize(20);
        return std::vector<Bytes>{answer};
    };
    ASSERT_EQ(send(beginRequest()), kResultDone);
    EXPECT_EQ(received, 20u);
    EXPECT_EQ(reply[20], 0xEE);
}

// What the keyboard does with one attempt.
enum class Reply { Silent, Echo, WrongEcho, RefuseFF, RefuseFE, NoEchoByte };

Bytes answerFor(Reply r, const Frame& f) {
    switch (r) {
        case Reply::Echo:
            return FakeHid::echo(f);
        case Reply::WrongEcho: {
            Bytes a = FakeHid::echo(f);
            a[3] = static_cast<std::uint8_t>(a[3] + 1);
            return a;
        }
        case Reply::RefuseFF:
            return FakeHid::echo(f, 0xFF);
        case Reply::RefuseFE:
            return FakeHid::echo(f, 0xFE);
        case Reply::NoEchoByte:
            return Bytes{0x04, 0x00, 0x00};
        case Reply::Silent:
            break;
    }
    return {};
}

struct AttemptCase {
    const char* name;
    std::vector<Reply> replies;  // one per attempt; attempts beyond it are silent
    int result;
    std::size_t sends;
    std::uint8_t statusInReply;  // checked when the result is 1
};

void PrintTo(const AttemptCase& c, std::ostream* os) {
    *os << c.name;
}

class AttemptTest : public TransportTest, public ::testing::WithParamInterface<AttemptCase> {};

TEST_P(AttemptTest, ThreeAttemptsDecideTheResult) {
    const AttemptCase& c = GetParam();
    fake.respond = [&c](const Frame& f, std::size_t index) {
        const Reply r = index < c.replies.size() ? c.replies[index] : Reply::Silent;
        const Bytes a = answerFor(r, f);
        return a.empty() ? std::vector<Bytes>{} : std::vector<Bytes>{a};
    };
    const auto silentAttempts =
        static_cast<int>(std::count(c.replies.begin(), c.replies.end(), Reply::Silent) +
                         (c.sends > c.replies.size() ? c.sends - c.replies.size() : 0));
    const auto start = Clock::now();
    EXPECT_EQ(send(beginRequest()), c.result);
    const auto elapsed = Clock::now() - start;
    EXPECT_EQ(fake.writes.size(), c.sends);
    for (const FakeWrite& w : fake.writes) {
        EXPECT_EQ(Bytes(w.frame.begin(), w.frame.end()), beginRequest()) << "resent unchanged";
    }
    if (c.result == kResultDone) {
        EXPECT_EQ(received, 64u);
        EXPECT_EQ(reply[3], 0x01);
        EXPECT_EQ(reply[7], c.statusInReply);
    } else {
        EXPECT_EQ(received, 0u);
    }
    // Each silent attempt waits the full 300 ms, each retry pauses 10 ms first.
    const auto floor = silentAttempts * std::chrono::milliseconds(300) +
                       static_cast<int>(c.sends - 1) * std::chrono::milliseconds(10);
    EXPECT_GE(elapsed, floor);
}

INSTANTIATE_TEST_SUITE_P(
    Transport, AttemptTest,
    ::testing::Values(AttemptCase{"AnsweredAtOnce", {Reply::Echo}, kResultDone, 1, 0x00},
                      AttemptCase{"TwoTimeOutsThenAnswer",
                                  {Reply::Silent, Reply::Silent, Reply::Echo},
                                  kResultDone,
                                  3,
                                  0x00},
                      AttemptCase{"SilentKeyboard", {}, kResultNoAnswer, 3, 0},
                      AttemptCase{"ThreeWrongEchoes",
                                  {Reply::WrongEcho, Reply::WrongEcho, Reply::WrongEcho},
                                  kResultNoAnswer,
                                  3,
                                  0},
                      AttemptCase{"TwoWrongEchoesThenAnswer",
                                  {Reply::WrongEcho, Reply::WrongEcho, Reply::Echo},
                                  kResultDone,
                                  3,
                                  0x00},
                      AttemptCase{"AnswerWithoutEchoByteIsNotAccepted",
                                  {Reply::NoEchoByte, Reply::Echo},
                                  kResultDone,
                                  2,
                                  0x00},
                      AttemptCase{"ThreeRefusalsLeaveTheRefusal",
                                  {Reply::RefuseFF, Reply::RefuseFF, Reply::RefuseFF},
                                  kResultDone,
                                  3,
                                  0xFF},
                      AttemptCase{"ThreeRefusalsFE",
                                  {Reply::RefuseFE, Reply::RefuseFE, Reply::RefuseFE},
                                  kResultDone,
                                  3,
                                  0xFE},
                      AttemptCase{"TwoRefusalsThenAccepted",
                                  {Reply::RefuseFF, Reply::RefuseFE, Reply::Echo},
                                  kResultDone,
                                  3,
                                  0x00},
                      AttemptCase{"RefusalsThenSilenceIsNoAnswer",
                                  {Reply::RefuseFF, Reply::RefuseFF, Reply::Silent},
                                  kResultNoAnswer,
                                  3,
                                  0},
                      AttemptCase{"SilenceThenRefusalAtTheLastAttempt",
                                  {Reply::Silent, Reply::WrongEcho, Reply::RefuseFF},
                                  kResultDone,
                                  3,
                                  0xFF}),
    [](const ::testing::TestParamInfo<AttemptCase>& info) { return info.param.name; });

TEST_F(TransportTest, AnswerArrivingWhileIdleIsDropped) {
    // A matching answer with no command in flight must not satisfy the next one.
    fake.deliver(kTagCtrl, FakeHid::echo(Frame{0x04, 0x01, 0x00, 0x01}));
    fake.respond = [](const Frame&, std::size_t) { return std::vector<Bytes>{}; };
    EXPECT_EQ(send(beginRequest()), kResultNoAnswer);
    EXPECT_EQ(fake.writes.size(), 3u);
}

TEST_F(TransportTest, LastOfSeveralAnswersToOneAttemptIsJudged) {
    // Two reports reach the slot before the waiting side looks: the later one
    // is the answer, and what the caller gets matches what was judged.
    fake.respond = [](const Frame& f, std::size_t index) {
        if (index == 0) {
            return std::vector<Bytes>{FakeHid::echo(f), answerFor(Reply::WrongEcho, f)};
        }
        return std::vector<Bytes>{FakeHid::echo(f, 0x5A)};
    };
    ASSERT_EQ(send(beginRequest()), kResultDone);
    EXPECT_EQ(fake.writes.size(), 2u);
    EXPECT_EQ(reply[7], 0x5A);
}

}  // namespace
}  // namespace quorvane::test
