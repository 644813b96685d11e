// The recording line format: what the recorder writes, the replay reads back,
// and lines that are not ours are refused with a reason.
#include "quellix/recording.h"

#include <gtest/gtest.h>

#include <string>

namespace quorvane::quellix {
namespace {

TEST(RecordingFormat, EveryDirectionSurvivesTheRoundTrip) {
    RecordEntry out;
    out.timeUs = 1200;
    out.direction = RecordEntry::Direction::Out;
    out.collection = {0xFF1C, 0x0092};
    out.bytes = {0x04, 0x01, 0x00, 0x01, 0xAB};

    RecordEntry in = out;
    in.direction = RecordEntry::Direction::In;
    in.collection = {0x0001, 0x0006};
    in.numbered = false;

    RecordEntry presence;
    presence.timeUs = 18446744073709551615ull;
    presence.direction = RecordEntry::Direction::Presence;
    presence.keyboards = {
        {"/sys/devices/usb1/1-2 \"x\"\\", 0x0C45, 0x5004, {{0x0001, 0x0006}, {0xFF1C, 0x0092}}},
        {"virtual", 0x0C45, 0x5004, {}}};

    RecordEntry none;
    none.direction = RecordEntry::Direction::Presence;

    for (const RecordEntry& entry : {out, in, presence, none}) {
        const std::string line = formatEntry(entry);
        SCOPED_TRACE(line);
        EXPECT_EQ(line.find('\n'), std::string::npos);
        RecordEntry back;
        std::string error;
        ASSERT_TRUE(parseEntry(line, back, error)) << error;
        EXPECT_EQ(back, entry);
    }
    EXPECT_EQ(formatEntry(out),
              R"({"v":1,"t_us":1200,"dir":"out","collection":"ff1c:0092","bytes":"04010001ab"})");
}

struct BadLine {
    const char* name;
    const char* line;
    const char* reason;
};

class RecordingRefuses : public testing::TestWithParam<BadLine> {};

TEST_P(RecordingRefuses, LinesThatAreNotOurs) {
    RecordEntry entry;
    std::string error;
    EXPECT_FALSE(parseEntry(GetParam().line, entry, error));
    EXPECT_NE(error.find(GetParam().reason), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, RecordingRefuses,
    testing::Values(
        BadLine{"not_json", "hello", "not a JSON object"},
        BadLine{"trailing_garbage", R"({"v":1} x)", "not a JSON object"},
        BadLine{"duplicate_key", R"({"v":1,"v":1})", "not a JSON object"},
        BadLine{"no_version", R"({"t_us":0,"dir":"out"})", "no version"},
        BadLine{"newer_version", R"({"v":2,"t_us":0,"dir":"out"})", "unsupported version 2"},
        BadLine{"no_time", R"({"v":1,"dir":"out"})", "no time"},
        BadLine{"unknown_direction",
                R"({"v":1,"t_us":0,"dir":"sideways","collection":"ff1c:0092","bytes":"04"})",
                "unknown direction"},
        BadLine{"odd_hex", R"({"v":1,"t_us":0,"dir":"out","collection":"ff1c:0092","bytes":"041"})",
                "bad bytes"},
        BadLine{"not_hex", R"({"v":1,"t_us":0,"dir":"in","collection":"ff1c:0092","bytes":"zz"})",
                "bad bytes"},
        BadLine{"empty_report",
                R"({"v":1,"t_us":0,"dir":"in","collection":"ff1c:0092","bytes":""})", "bad bytes"},
        BadLine{"bad_collection",
                R"({"v":1,"t_us":0,"dir":"out","collection":"ff1c-0092","bytes":"04"})",
                "bad collection"},
        BadLine{"presence_without_keyboards", R"({"v":1,"t_us":0,"dir":"presence"})",
                "presence without keyboards"},
        BadLine{"bad_keyboard",
                R"({"v":1,"t_us":0,"dir":"presence","keyboards":[{"key":"k","vid":"c45"}]})",
                "bad keyboard"},
        BadLine{"deep_nesting", R"({"v":1,"x":[[[[[[[[[[[[1]]]]]]]]]]]]})", "not a JSON object"}),
    [](const testing::TestParamInfo<BadLine>& info) { return info.param.name; });

}  // namespace
}  // namespace quorvane::quellix
