#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <numeric>
#include <string>
#include <vector>

#include "core/device/device_result.h"
#include "fake_link_fixture.h"

namespace quorvane::test {
namespace {

// The expected header and payload of one request frame.
struct FrameExpectation {
    std::uint8_t command;
    std::uint8_t length;
    std::uint16_t offset;
    Bytes payload;
};

// Checks a request byte by byte, the checksum computed here independently.
void expectFrame(const Frame& f, const FrameExpectation& expected, const std::string& where) {
    SCOPED_TRACE(where);
    EXPECT_EQ(f[0], 0x04);
    EXPECT_EQ(f[3], expected.command);
    EXPECT_EQ(f[4], expected.length);
    EXPECT_EQ(f[5] | (f[6] << 8), expected.offset);
    EXPECT_EQ(f[7], 0x00);
    EXPECT_EQ(Bytes(f.begin() + 8, f.begin() + 8 + expected.payload.size()), expected.payload);
    for (std::size_t i = 8 + expected.payload.size(); i < 64; ++i) {
        EXPECT_EQ(f[i], 0x00) << "byte " << i;
    }
    unsigned sum = 0;
    for (std::size_t i = 3; i < 64; ++i) {
        sum += f[i];
    }
    EXPECT_EQ(f[1], sum & 0xFF);
    EXPECT_EQ(f[2], (sum >> 8) & 0xFF);
}

Bytes counting(std::size_t n, std::uint8_t from = 1) {
    Bytes b(n);
    std::iota(b.begin(), b.end(), from);
    return b;
}

Bytes slice(const Bytes& b, std::size_t from, std::size_t n) {
    return Bytes(b.begin() + static_cast<std::ptrdiff_t>(from),
                 b.begin() + static_cast<std::ptrdiff_t>(from + n));
}

// Frames of a 56-byte chunked transfer of `count` bytes from `base`.
std::vector<FrameExpectation> chunks(std::uint8_t command, std::uint16_t base, std::size_t count,
                                     const Bytes* data = nullptr) {
    std::vector<FrameExpectation> frames;
    for (std::size_t pos = 0; pos < count; pos += 56) {
        const std::size_t n = pos + 56 < count ? 56 : count - pos;
        frames.push_back({command, static_cast<std::uint8_t>(n),
                          static_cast<std::uint16_t>(base + pos),
                          data != nullptr ? slice(*data, pos, n) : Bytes{}});
    }
    return frames;
}

const Bytes& settingsData() {
    static const Bytes bytes = counting(44);
    return bytes;
}
const Bytes& tableData() {
    static const Bytes bytes = counting(378, 7);
    return bytes;
}
const Bytes& macroData() {
    static const Bytes bytes = counting(113, 50);
    return bytes;
}
const Bytes& colourData() {
    static const Bytes bytes = counting(6, 200);
    return bytes;
}

struct CommandCase {
    const char* name;
    std::function<int(CommandSet&)> call;
    std::vector<FrameExpectation> frames;
};

void PrintTo(const CommandCase& c, std::ostream* os) {
    *os << c.name;
}

class CommandFrameTest : public FakeLinkTest, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(CommandFrameTest, SendsExactlyTheseFrames) {
    const CommandCase& c = GetParam();
    EXPECT_EQ(c.call(commands()), kResultDone);
    const auto sent = sentFrames();
    ASSERT_EQ(sent.size(), c.frames.size());
    for (std::size_t i = 0; i < sent.size(); ++i) {
        expectFrame(sent[i], c.frames[i], "frame " + std::to_string(i));
    }
}

std::array<std::uint8_t, 44> g_settingsOut;
std::array<std::uint8_t, 378> g_tableOut;
std::array<std::uint8_t, 256> g_areaOut;

INSTANTIATE_TEST_SUITE_P(
    CommandSet, CommandFrameTest,
    ::testing::Values(
        CommandCase{
            "BeginTransfer", [](CommandSet& s) { return s.BeginTransfer(); }, {{0x01, 0, 0, {}}}},
        CommandCase{
            "EndTransfer", [](CommandSet& s) { return s.EndTransfer(1); }, {{0x02, 0, 0, {}}}},
        CommandCase{"ReadSettings",
                    [](CommandSet& s) { return s.ReadSettings(g_settingsOut); },
                    {{0x03, 0x2C, 0, {}}}},
        CommandCase{"WriteSettings",
                    [](CommandSet& s) {
                        return s.WriteSettings(std::span<const std::uint8_t, 44>(settingsData()));
                    },
                    {{0x04, 0x2C, 0, settingsData()}}},
        CommandCase{"ReadLighting",
                    [](CommandSet& s) { return s.ReadLighting(g_areaOut, 42, 84); },
                    {{0x05, 42, 84, {}}}},
        CommandCase{"WriteLightingOneByte",
                    [](CommandSet& s) {
                        const Bytes one{0x9C};
                        return s.WriteLighting(one, 1, 15);
                    },
                    {{0x06, 1, 0x000F, {0x9C}}}},
        CommandCase{"WriteLightingNoPayload",
                    [](CommandSet& s) { return s.WriteLighting(settingsData(), 0, 3); },
                    {{0x06, 0, 3, {}}}},
        CommandCase{"ReadKeyTableProfile2",
                    [](CommandSet& s) { return s.ReadKeyTable(g_tableOut, 2); },
                    chunks(0x07, 756, 378)},
        CommandCase{"WriteKeyTableProfile1",
                    [](CommandSet& s) {
                        return s.WriteKeyTable(std::span<const std::uint8_t, 378>(tableData()), 1);
                    },
                    chunks(0x08, 378, 378, &tableData())},
        CommandCase{"ReadMacroHeader",
                    [](CommandSet& s) { return s.ReadMacroArea(g_areaOut, 16); },
                    {{0x09, 16, 0, {}}}},
        CommandCase{"ReadMacro112",
                    [](CommandSet& s) { return s.ReadMacroArea(g_areaOut, 112); },
                    {{0x09, 56, 0, {}}, {0x09, 56, 56, {}}}},
        CommandCase{"ReadMacro113",
                    [](CommandSet& s) { return s.ReadMacroArea(g_areaOut, 113); },
                    {{0x09, 56, 0, {}}, {0x09, 56, 56, {}}, {0x09, 1, 112, {}}}},
        CommandCase{"WriteMacro113",
                    [](CommandSet& s) { return s.WriteMacroArea(macroData(), 113); },
                    chunks(0x0A, 0, 113, &macroData())},
        CommandCase{"ReadDefaultKeyTable",
                    [](CommandSet& s) { return s.ReadDefaultKeyTable(g_tableOut); },
                    chunks(0x0F, 0, 378)},
        CommandCase{"ReadKeyColours",
                    [](CommandSet& s) { return s.ReadKeyColours(g_areaOut, 9, 5, 1); },
                    {{0x10, 9, 527, {}}}},
        CommandCase{"WriteKeyColoursBank2Led5",
                    [](CommandSet& s) { return s.WriteKeyColours(colourData(), 6, 5, 2); },
                    {{0x11, 6, 0x040F, colourData()}}}),
    [](const ::testing::TestParamInfo<CommandCase>& info) { return info.param.name; });

TEST(CommandFrame, BeginTransferIsTheDocumentedBytes) {
    const CommandFrame f = buildRequest(0x01, 0, 0);
    Frame expected{};
    expected[0] = 0x04;
    expected[1] = 0x01;
    expected[3] = 0x01;
    EXPECT_EQ(f, expected);
}

TEST(CommandFrame, ChecksumOfAFullFrameFitsSixteenBits) {
    const Bytes payload(56, 0xFF);
    const CommandFrame f = buildRequest(0xFF, 0xFF, 0xFFFF, payload);
    // Every byte from 3 on is 0xFF except the status byte, which stays 0.
    EXPECT_EQ(frameChecksum(f), 60 * 255);
    EXPECT_EQ(f[1] | (f[2] << 8), 60 * 255);
}

// Reads answer with the bytes (offset + k) & 0xFF, so a misplaced copy shows.
class CommandAnswerTest : public FakeLinkTest {
  protected:
    void SetUp() override {
        FakeLinkTest::SetUp();
        fake.respond = [this](const Frame& f, std::size_t index) {
            Bytes a = FakeHid::echo(f, index >= refuseFrom ? refuseStatus : 0);
            const unsigned offset = f[5] | (f[6] << 8);
            for (std::size_t k = 0; k < 56; ++k) {
                a[8 + k] = static_cast<std::uint8_t>(offset + k);
            }
            return std::vector<Bytes>{a};
        };
    }
    std::size_t refuseFrom = SIZE_MAX;
    std::uint8_t refuseStatus = 0xFF;
};

TEST_F(CommandAnswerTest, ReadsCopyEachChunkToItsPosition) {
    std::array<std::uint8_t, 378> table{};
    ASSERT_EQ(commands().ReadKeyTable(table, 1), kResultDone);
    for (std::size_t i = 0; i < table.size(); ++i) {
        ASSERT_EQ(table[i], static_cast<std::uint8_t>(378 + i)) << i;
    }
    std::array<std::uint8_t, 44> settings{};
    ASSERT_EQ(commands().ReadSettings(settings), kResultDone);
    EXPECT_EQ(settings[0], 0);
    EXPECT_EQ(settings[43], 43);
}

TEST_F(CommandAnswerTest, WindowReadsCopyTheWholeDataPart) {
    std::array<std::uint8_t, 60> out{};
    out.fill(0xEE);
    ASSERT_EQ(commands().ReadLighting(out, 3, 42), kResultDone);
    EXPECT_EQ(out[0], 42);
    EXPECT_EQ(out[55], 42 + 55) << "56 bytes whatever the length asked";
    EXPECT_EQ(out[56], 0xEE);

    std::array<std::uint8_t, 10> small{};
    ASSERT_EQ(commands().ReadKeyColours(small, 56, 0, 1), kResultDone);
    EXPECT_EQ(small[9], static_cast<std::uint8_t>(512 + 9)) << "cut to a shorter buffer";
}

TEST_F(CommandAnswerTest, RefusalStatusBecomesItsResultCode) {
    for (const auto& [status, code] :
         {std::pair{0xFF, kResultRefusedFF}, std::pair{0xFE, kResultRefusedFE}}) {
        refuseFrom = 0;
        refuseStatus = static_cast<std::uint8_t>(status);
        std::array<std::uint8_t, 44> settings{};
        settings.fill(0xEE);
        EXPECT_EQ(commands().ReadSettings(settings), code);
        EXPECT_EQ(settings[0], 0xEE) << "output untouched on failure";
        EXPECT_EQ(commands().BeginTransfer(), code);
    }
}

TEST_F(CommandAnswerTest, FailedChunkEndsTheTransferKeepingEarlierChunks) {
    refuseFrom = 2;  // the third frame and every attempt after it is refused
    std::array<std::uint8_t, 378> table{};
    table.fill(0xEE);
    EXPECT_EQ(commands().ReadDefaultKeyTable(table), kResultRefusedFF);
    EXPECT_EQ(table[111], 111);
    EXPECT_EQ(table[112], 0xEE);
    EXPECT_EQ(fake.writes.size(), 2u + 3u) << "two chunks, then three attempts of the third";
}

TEST_F(FakeLinkTest, BadArgumentsSendNothing) {
    std::array<std::uint8_t, 378> table{};
    const std::array<std::uint8_t, 378> data{};
    for (const int p : {3, 4, -1, 1000}) {
        EXPECT_EQ(commands().ReadKeyTable(table, p), kResultBadArgument) << p;
        EXPECT_EQ(commands().WriteKeyTable(data, p), kResultBadArgument) << p;
    }
    const Bytes big(64, 1);
    EXPECT_EQ(commands().WriteLighting(big, 57, 0), kResultBadArgument);
    EXPECT_EQ(commands().WriteKeyColours(big, 57, 0, 0), kResultBadArgument);
    EXPECT_EQ(commands().WriteLighting(Bytes(3, 1), 4, 0), kResultBadArgument);
    Bytes area(100);
    EXPECT_EQ(commands().ReadMacroArea(area, 101), kResultBadArgument);
    EXPECT_EQ(commands().WriteMacroArea(area, 101), kResultBadArgument);
    EXPECT_TRUE(fake.writes.empty());
}

TEST_F(FakeLinkTest, EmptyMacroTransferIsDoneWithoutSending) {
    Bytes area;
    EXPECT_EQ(commands().ReadMacroArea(area, 0), kResultDone);
    EXPECT_EQ(commands().WriteMacroArea(area, 0), kResultDone);
    EXPECT_TRUE(fake.writes.empty());
}

TEST_F(FakeLinkTest, TransportResultsPassThroughUnchanged) {
    std::array<std::uint8_t, 44> settings{};
    fake.deviceCount = 0;
    EXPECT_EQ(commands().ReadSettings(settings), kResultNoKeyboard);
    fake.deviceCount = 1;
    fake.writeResult = 0;
    EXPECT_EQ(commands().ReadSettings(settings), kResultNotSent);
    EXPECT_EQ(commands().WriteMacroArea(Bytes(200), 200), kResultNotSent);
    EXPECT_EQ(fake.writes.size(), 2u) << "a failed chunk ends the transfer";
}

TEST_F(FakeLinkTest, EndTransferWaitsBeforeSending) {
    const auto start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point sentAt;
    fake.respond = [&sentAt](const Frame& f, std::size_t) {
        sentAt = std::chrono::steady_clock::now();
        return std::vector<Bytes>{FakeHid::echo(f)};
    };
    ASSERT_EQ(commands().EndTransfer(), kResultDone);
    EXPECT_GE(sentAt - start, std::chrono::milliseconds(10));
}

}  // namespace
}  // namespace quorvane::test
