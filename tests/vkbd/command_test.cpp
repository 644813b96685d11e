// Answers to the command frames: what each command reads and writes, where
// the firmware draws its bounds, and what it refuses.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/le_bytes.h"
#include "vkbd_test_util.h"

namespace quorvane::vkbd {
namespace {

using test::pattern;
using test::send;

// Every answer is a well-formed frame that echoes the request.
void expectAnswerShape(const Frame& a, std::uint8_t command, std::uint8_t length,
                       std::uint16_t offset) {
    EXPECT_EQ(a[0], 0x04);
    EXPECT_EQ(getU16(a, 1), frameChecksum(a));
    EXPECT_EQ(a[3], command);
    EXPECT_EQ(a[4], length);
    EXPECT_EQ(getU16(a, 5), offset);
}

std::uint8_t statusOf(const CommandResult& r) {
    return r.answer ? (*r.answer)[7] : 0xAA;
}

TEST(CommandFrame, RequestLayoutAndChecksum) {
    const Frame f = buildRequest(0x01, 0, 0);
    Frame expected{};
    expected[0] = 0x04;
    expected[1] = 0x01;
    expected[3] = 0x01;
    EXPECT_EQ(f, expected);

    // 61 bytes of 0xFF: the largest sum still fits 16 bits.
    Frame full{};
    std::fill(full.begin(), full.end(), 0xFF);
    EXPECT_EQ(frameChecksum(full), 61 * 255);

    const std::vector<std::uint8_t> one = {0xAB};
    const Frame w = buildRequest(0x06, 1, 15, one);
    EXPECT_EQ(w[4], 1);
    EXPECT_EQ(w[5], 0x0F);
    EXPECT_EQ(w[6], 0x00);
    EXPECT_EQ(w[8], 0xAB);
    EXPECT_EQ(getU16(w, 1), 0x06 + 1 + 0x0F + 0xAB);
}

struct ReadCase {
    const char* name;
    std::uint8_t command;
    Area area;
    std::uint8_t length;
    std::uint16_t offset;
    std::uint8_t status;
    std::size_t dataBytes;  // bytes of memory the answer carries
};
void PrintTo(const ReadCase& c, std::ostream* os) {
    *os << c.name;
}

class Reads : public ::testing::TestWithParam<ReadCase> {};

TEST_P(Reads, CopyTheAddressedBytesOrRefuse) {
    const ReadCase& c = GetParam();
    VirtualKeyboard kb;
    // Make every byte of the memory tell its own position.
    const std::size_t size = kb.memorySize(c.area);
    ASSERT_TRUE(kb.writeMemory(c.area, 0, pattern(size, 0x31)));
    const Memories before = kb.memories();

    const CommandResult r = send(kb, c.command, c.length, c.offset);
    ASSERT_EQ(r.outcome, CommandResult::Outcome::Answered);
    const Frame& a = *r.answer;
    expectAnswerShape(a, c.command, c.length, c.offset);
    EXPECT_EQ(a[7], c.status);

    const auto mem = kb.memory(c.area);
    std::vector<std::uint8_t> expected(56, 0);
    if (c.status == kStatusOk) {
        std::copy_n(mem.begin() + c.offset, c.dataBytes, expected.begin());
    }
    EXPECT_EQ(std::vector<std::uint8_t>(a.begin() + 8, a.end()), expected);
    EXPECT_EQ(kb.memories(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Command, Reads,
    ::testing::Values(
        ReadCase{"SettingsWhole", 0x03, Area::Settings, 0x2C, 0, kStatusOk, 44},
        ReadCase{"SettingsLastByte", 0x03, Area::Settings, 1, 43, kStatusOk, 1},
        ReadCase{"SettingsPastEnd", 0x03, Area::Settings, 2, 43, kStatusOutOfRange, 0},
        // Lighting and colour reads always carry 56 bytes, as far as memory goes.
        ReadCase{"LightingOneByteGives56", 0x05, Area::Lighting, 1, 15, kStatusOk, 56},
        ReadCase{"LightingLastRecord", 0x05, Area::Lighting, 42, 84, kStatusOk, 42},
        ReadCase{"LightingLastByte", 0x05, Area::Lighting, 1, 125, kStatusOk, 1},
        ReadCase{"LightingPastEnd", 0x05, Area::Lighting, 2, 125, kStatusOutOfRange, 0},
        ReadCase{"LightingOffsetPastEnd", 0x05, Area::Lighting, 0, 127, kStatusOutOfRange, 0},
        ReadCase{"KeyTableProfile3First", 0x07, Area::KeyTables, 56, 756, kStatusOk, 56},
        ReadCase{"KeyTableProfile3Last", 0x07, Area::KeyTables, 42, 1092, kStatusOk, 42},
        ReadCase{"KeyTablePastEnd", 0x07, Area::KeyTables, 43, 1092, kStatusOutOfRange, 0},
        ReadCase{"MacroHeader", 0x09, Area::MacroArea, 16, 0, kStatusOk, 16},
        ReadCase{"MacroLastChunk", 0x09, Area::MacroArea, 56, 8136, kStatusOk, 56},
        ReadCase{"MacroPastCapacity", 0x09, Area::MacroArea, 56, 8137, kStatusOutOfRange, 0},
        ReadCase{"DefaultTableLast", 0x0F, Area::FactoryKeyTable, 42, 336, kStatusOk, 42},
        ReadCase{"DefaultTablePastEnd", 0x0F, Area::FactoryKeyTable, 56, 336, kStatusOutOfRange, 0},
        ReadCase{"ColoursProfile3Led5", 0x10, Area::Colours, 3, 1039, kStatusOk, 56},
        ReadCase{"ColoursLastByte", 0x10, Area::Colours, 1, 2047, kStatusOk, 1},
        ReadCase{"ColoursPastEnd", 0x10, Area::Colours, 56, 2000, kStatusOutOfRange, 0},
        ReadCase{"LengthAbove56", 0x07, Area::KeyTables, 57, 0, kStatusRefused, 0}),
    [](const auto& info) { return std::string(info.param.name); });

struct WriteCase {
    const char* name;
    std::uint8_t command;
    Area area;
    std::uint8_t length;
    std::uint16_t offset;
    std::uint8_t status;
};
void PrintTo(const WriteCase& c, std::ostream* os) {
    *os << c.name;
}

class Writes : public ::testing::TestWithParam<WriteCase> {};

TEST_P(Writes, StoreExactlyTheAddressedBytesOrNothing) {
    const WriteCase& c = GetParam();
    VirtualKeyboard kb;
    const Memories before = kb.memories();
    const auto payload = pattern(56, 0x90);

    const CommandResult r = send(kb, c.command, c.length, c.offset, payload);
    ASSERT_EQ(r.outcome, CommandResult::Outcome::Answered);
    expectAnswerShape(*r.answer, c.command, c.length, c.offset);
    EXPECT_EQ((*r.answer)[7], c.status);

    // What the memories should be: a fresh keyboard with the payload put in by hand.
    VirtualKeyboard model;
    if (c.status == kStatusOk) {
        std::vector<std::uint8_t> bytes = model.memory(c.area);
        std::copy_n(payload.begin(), c.length, bytes.begin() + c.offset);
        ASSERT_TRUE(model.writeMemory(c.area, 0, bytes));
    }
    const Memories expected = model.memories();
    if (c.status != kStatusOk) {
        ASSERT_EQ(expected, before);
    }
    EXPECT_EQ(kb.memories(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Command, Writes,
    ::testing::Values(
        WriteCase{"LightingOneByte", 0x06, Area::Lighting, 1, 15, kStatusOk},
        WriteCase{"LightingNothing", 0x06, Area::Lighting, 0, 15, kStatusOk},
        WriteCase{"LightingLastRecord", 0x06, Area::Lighting, 42, 84, kStatusOk},
        WriteCase{"LightingPastEnd", 0x06, Area::Lighting, 2, 125, kStatusOutOfRange},
        WriteCase{"KeyTableProfile3Last", 0x08, Area::KeyTables, 42, 1092, kStatusOk},
        WriteCase{"KeyTableAcrossTables", 0x08, Area::KeyTables, 56, 350, kStatusOk},
        WriteCase{"KeyTablePastEnd", 0x08, Area::KeyTables, 43, 1092, kStatusOutOfRange},
        WriteCase{"MacroFirst", 0x0A, Area::MacroArea, 56, 0, kStatusOk},
        WriteCase{"MacroLast", 0x0A, Area::MacroArea, 56, 8136, kStatusOk},
        WriteCase{"MacroAtCapacity", 0x0A, Area::MacroArea, 1, 8192, kStatusOutOfRange},
        WriteCase{"MacroAtTopOfOffsetField", 0x0A, Area::MacroArea, 1, 0xFFFF, kStatusOutOfRange},
        WriteCase{"ColoursProfile3Led5", 0x11, Area::Colours, 3, 1039, kStatusOk},
        WriteCase{"ColoursLastChunk", 0x11, Area::Colours, 56, 1992, kStatusOk},
        WriteCase{"ColoursPastEnd", 0x11, Area::Colours, 2, 2047, kStatusOutOfRange},
        WriteCase{"LengthAbove56", 0x11, Area::Colours, 57, 0, kStatusRefused},
        WriteCase{"LengthFF", 0x0A, Area::MacroArea, 0xFF, 0, kStatusRefused}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Command, MacroAreaTravelsWholeThroughTheOffsetField) {
    VirtualKeyboard kb;
    for (std::uint8_t units : {std::uint8_t{0x40}, std::uint8_t{0xFF}}) {
        SCOPED_TRACE(units);
        ASSERT_TRUE(kb.writeMemory(Area::Settings, 11, std::vector<std::uint8_t>{units}));
        const std::size_t size = std::size_t{units} * 128;
        ASSERT_EQ(kb.memorySize(Area::MacroArea), size);
        const auto data = pattern(size, units);
        for (std::size_t pos = 0; pos < size; pos += 56) {
            const auto n = static_cast<std::uint8_t>(std::min<std::size_t>(56, size - pos));
            const auto r =
                send(kb, 0x0A, n, static_cast<std::uint16_t>(pos), std::span(data).subspan(pos, n));
            ASSERT_EQ(statusOf(r), kStatusOk) << "write at " << pos;
        }
        EXPECT_EQ(kb.memory(Area::MacroArea), data);
        std::vector<std::uint8_t> back;
        for (std::size_t pos = 0; pos < size; pos += 56) {
            const auto n = static_cast<std::uint8_t>(std::min<std::size_t>(56, size - pos));
            const auto r = send(kb, 0x09, n, static_cast<std::uint16_t>(pos));
            ASSERT_EQ(statusOf(r), kStatusOk) << "read at " << pos;
            back.insert(back.end(), r.answer->begin() + 8, r.answer->begin() + 8 + n);
        }
        EXPECT_EQ(back, data);
        EXPECT_EQ(statusOf(send(kb, 0x09, 1, static_cast<std::uint16_t>(size))), kStatusOutOfRange);
    }
}

TEST(Command, SettingsWriteKeepsCapacityAndEffectListAsTheKeyboardsOwn) {
    VirtualKeyboard kb;
    const auto factory = kb.memory(Area::Settings);
    std::vector<std::uint8_t> block(44, 0xEE);
    block[10] = 2;
    ASSERT_EQ(statusOf(send(kb, 0x04, 0x2C, 0, block)), kStatusOk);

    auto expected = factory;
    std::fill(expected.begin(), expected.begin() + 10, 0xEE);
    expected[10] = 2;
    EXPECT_EQ(kb.memory(Area::Settings), expected);
    EXPECT_EQ(kb.memorySize(Area::MacroArea), 0x40u * 128u);

    const auto r = send(kb, 0x03, 0x2C, 0);
    ASSERT_EQ(statusOf(r), kStatusOk);
    EXPECT_EQ(std::vector<std::uint8_t>(r.answer->begin() + 8, r.answer->begin() + 52), expected);

    // A write that starts inside 0..10 and runs on stops at byte 11.
    const std::vector<std::uint8_t> tail = {0x01, 0x02, 0x00, 0x7F, 0x7F};
    ASSERT_EQ(statusOf(send(kb, 0x04, 5, 8, tail)), kStatusOk);
    expected[8] = 0x01;
    expected[9] = 0x02;
    expected[10] = 0x00;
    EXPECT_EQ(kb.memory(Area::Settings), expected);
}

TEST(Command, BeginAndEndTransferChangeNothing) {
    VirtualKeyboard kb;
    for (std::uint8_t cmd : {0x01, 0x02}) {
        const auto r = send(kb, cmd, 0, 0);
        ASSERT_TRUE(r.answer);
        expectAnswerShape(*r.answer, cmd, 0, 0);
        EXPECT_EQ(statusOf(r), kStatusOk);
    }
    EXPECT_EQ(kb.memories(), factoryMemories());
}

struct RefusalCase {
    const char* name;
    Frame frame;
    std::uint8_t status;
};
void PrintTo(const RefusalCase& c, std::ostream* os) {
    *os << c.name;
}

Frame withBadChecksum(Frame f) {
    f[1] ^= 0x01;
    return f;
}

class Refusals : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(Refusals, AnswerWithStatusAndChangeNothing) {
    const RefusalCase& c = GetParam();
    VirtualKeyboard kb;
    const auto r = kb.handleCommand(c.frame);
    ASSERT_EQ(r.outcome, CommandResult::Outcome::Answered);
    EXPECT_EQ((*r.answer)[3], c.frame[3]);
    EXPECT_EQ((*r.answer)[7], c.status);
    EXPECT_EQ(getU16(*r.answer, 1), frameChecksum(*r.answer));
    EXPECT_EQ(kb.memories(), factoryMemories());
    EXPECT_EQ(kb.counters().refusals, 1u);
}

constexpr auto kJunk = [] {
    std::array<std::uint8_t, 56> a{};
    a.fill(0x3C);
    return a;
}();
constexpr std::array<std::uint8_t, 1> kProfile4 = {4};

INSTANTIATE_TEST_SUITE_P(
    Command, Refusals,
    ::testing::Values(RefusalCase{"BadChecksumWrite",
                                  withBadChecksum(buildRequest(0x08, 56, 0, kJunk)), kStatusRefused},
                      RefusalCase{"BadChecksumSettings",
                                  withBadChecksum(buildRequest(0x04, 44, 0, kJunk)), kStatusRefused},
                      RefusalCase{"ZeroChecksum",
                                  [] {
                                      Frame f = buildRequest(0x03, 44, 0);
                                      f[1] = f[2] = 0;
                                      return f;
                                  }(),
                                  kStatusRefused},
                      RefusalCase{"Command00", buildRequest(0x00, 0, 0), kStatusRefused},
                      RefusalCase{"Command0B", buildRequest(0x0B, 56, 0, kJunk), kStatusRefused},
                      RefusalCase{"Command0E", buildRequest(0x0E, 56, 0, kJunk), kStatusRefused},
                      RefusalCase{"Command12", buildRequest(0x12, 56, 0, kJunk), kStatusRefused},
                      RefusalCase{"CommandFF", buildRequest(0xFF, 0, 0), kStatusRefused},
                      RefusalCase{"SettingsPastEnd", buildRequest(0x04, 44, 1, kJunk),
                                  kStatusOutOfRange},
                      RefusalCase{"ActiveProfileAboveDefaultMode",
                                  buildRequest(0x04, 1, 10, kProfile4), kStatusRefused}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Command, FramesNotMeantForTheCommandCollectionGetNoAnswer) {
    VirtualKeyboard kb;
    const Frame good = buildRequest(0x0A, 56, 0, kJunk);
    Frame otherReport = good;
    otherReport[0] = 0x05;
    const std::vector<std::vector<std::uint8_t>> frames = {
        {},
        {good.begin(), good.end() - 1},
        [&] {
            std::vector<std::uint8_t> v(good.begin(), good.end());
            v.push_back(0);
            return v;
        }(),
        {otherReport.begin(), otherReport.end()},
    };
    for (const auto& f : frames) {
        const auto r = kb.handleCommand(f);
        EXPECT_EQ(r.outcome, CommandResult::Outcome::Ignored) << f.size();
        EXPECT_FALSE(r.answer);
    }
    EXPECT_EQ(kb.memories(), factoryMemories());
    EXPECT_EQ(kb.counters().framesHandled, frames.size());
}

TEST(Command, CountersCountFramesPerCommand) {
    VirtualKeyboard kb;
    send(kb, 0x01, 0, 0);
    for (int i = 0; i < 7; ++i) {
        send(kb, 0x07, 56, static_cast<std::uint16_t>(56 * i));
    }
    send(kb, 0x02, 0, 0);
    send(kb, 0x42, 0, 0);
    const Counters c = kb.counters();
    EXPECT_EQ(c.framesHandled, 10u);
    EXPECT_EQ(c.perCommand[0x01], 1u);
    EXPECT_EQ(c.perCommand[0x07], 7u);
    EXPECT_EQ(c.perCommand[0x02], 1u);
    EXPECT_EQ(c.perCommand[0x42], 1u);
    EXPECT_EQ(c.answersSent, 10u);
    EXPECT_EQ(c.refusals, 1u);  // the unknown 0x42
    kb.resetCounters();
    EXPECT_EQ(kb.counters().framesHandled, 0u);
}

}  // namespace
}  // namespace quorvane::vkbd
