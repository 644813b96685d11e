// quorvanectl commands end to end: each change is read back from the virtual
// keyboard's memories in its state file.
#include <gtest/gtest.h>
#include <signal.h>

#include <fstream>

#include "cli/tool_runner.h"
#include "core/config/macro_area_codec.h"

namespace quorvane::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// HID keyboard-page usages of the keys the tests use.
constexpr std::uint8_t kUsageA = 0x04;
constexpr std::uint8_t kUsageB = 0x05;
constexpr std::uint8_t kUsageEsc = 0x29;
constexpr std::uint8_t kUsageF1 = 0x3A;
constexpr std::uint8_t kUsageF2 = 0x3B;
constexpr std::uint8_t kUsageF3 = 0x3C;
constexpr std::uint8_t kUsageF4 = 0x3D;

constexpr std::size_t kActiveProfileByte = 10;

class CliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // A keyboard in its state file from the first run on.
        ToolResult first = tool.run({"status"});
        ASSERT_EQ(first.exitCode, 0) << first.err;
        ASSERT_TRUE(tool.memories().has_value());
    }

    ToolResult ok(const std::vector<std::string>& args) {
        ToolResult r = tool.run(args);
        EXPECT_EQ(r.exitCode, 0) << "quorvanectl " << joined(args) << "\n" << r.out << r.err;
        return r;
    }
    KeyboardMemories memories() {
        std::optional<KeyboardMemories> m = tool.memories();
        EXPECT_TRUE(m.has_value());
        return m.value_or(KeyboardMemories{});
    }
    static std::string joined(const std::vector<std::string>& args) {
        std::string s;
        for (const auto& a : args) {
            s += a + ' ';
        }
        return s;
    }

    ToolRunner tool;
};

TEST_F(CliTest, StatusShowsTheKeyboardAndItsEffectNames) {
    const ToolResult text = ok({"status"});
    EXPECT_EQ(text.out,
              "keyboards: 1\n"
              "active profile: 1\n"
              "macro capacity: 8192 bytes\n"
              "effects: 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 20\n");
    EXPECT_EQ(text.err, "");
    const ToolResult json = ok({"status", "--json"});
    EXPECT_NE(json.out.find("\"activeProfile\": 1"), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("{\"code\": 1, \"name\": \"Wave\"}"), std::string::npos) << json.out;
}

struct AssignCase {
    const char* key;
    std::uint8_t keyUsage;
    const char* action;
    Bytes slot;  // what the key table holds for the key afterwards
};

TEST_F(CliTest, AssignWritesTheActiveProfilesKeyTable) {
    const Bytes factoryEsc = {2, 2, kUsageEsc};
    const AssignCase cases[] = {
        {"ESC", kUsageEsc, "key:F1", {2, 2, kUsageF1}},
        {"esc", kUsageEsc, "disable", {0, 0, 0}},
        {"0x01", kUsageEsc, "media:7", {3, 0xE2, 0x00}},       // Mute
        {"Esc", kUsageEsc, "media:VOL_ADD", {3, 0xE9, 0x00}},  // by its key name
        {"ESC", kUsageEsc, "media:mute", {3, 0xE2, 0x00}},     // any case
        {"ESC", kUsageEsc, "function:3", {5, 5, 3}},
        {"A", kUsageA, "key:LSHIFT", {2, 1, 0x02}},  // a modifier bit
        {"ESC", kUsageEsc, "default", factoryEsc},
        {"A", kUsageA, "key:B", {2, 2, kUsageB}},
    };
    for (const AssignCase& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " " + c.action);
        const KeyboardMemories before = memories();
        ok({"assign", c.key, c.action});
        const KeyboardMemories after = memories();
        const int slot = after.slotOfUsage(c.keyUsage);
        ASSERT_GE(slot, 0);
        EXPECT_EQ(after.keySlot(0, slot), c.slot);
        // Nothing else of the keyboard changed.
        EXPECT_EQ(after.keyTable(1), before.keyTable(1));
        EXPECT_EQ(after.keyTable(2), before.keyTable(2));
        EXPECT_EQ(after.macroArea, before.macroArea);
        Bytes rest = after.keyTable(0);
        Bytes restBefore = before.keyTable(0);
        const std::ptrdiff_t at = std::ptrdiff_t{3} * slot;
        rest.erase(rest.begin() + at, rest.begin() + at + 3);
        restBefore.erase(restBefore.begin() + at, restBefore.begin() + at + 3);
        EXPECT_EQ(rest, restBefore);
    }
    const ToolResult keys = ok({"keys", "--json"});
    EXPECT_NE(keys.out.find("{\"key\": \"A\", \"id\": 30, \"name\": \"A\", \"action\": \"key:B\""),
              std::string::npos)
        << keys.out;
}

TEST_F(CliTest, ProfileSwitchAndAssignInTheNewProfile) {
    const ToolResult shown = ok({"profile"});
    EXPECT_EQ(shown.out, "active profile: 1\n");

    const ToolResult switched = ok({"profile", "3"});
    EXPECT_EQ(switched.out, "active profile: 3\n");
    EXPECT_EQ(memories().settings[kActiveProfileByte], 2);

    ok({"assign", "F1", "key:F2"});
    KeyboardMemories m = memories();
    const int slot = m.slotOfUsage(kUsageF1);
    EXPECT_EQ(m.keySlot(2, slot), (Bytes{2, 2, kUsageF2}));
    EXPECT_EQ(m.keySlot(0, slot), (Bytes{2, 2, kUsageF1}));

    // The profile already active: nothing switches.
    ok({"profile", "3"});
    EXPECT_EQ(memories().settings[kActiveProfileByte], 2);
    ok({"profile", "1"});
    EXPECT_EQ(memories().settings[kActiveProfileByte], 0);
    EXPECT_EQ(ok({"keys"}).out.find("key:F2"), std::string::npos);
}

std::vector<MacroRecord> macrosOf(const KeyboardMemories& m) {
    return readMacroArea(m.macroArea, u"M");
}

TEST_F(CliTest, MacroAddWritesTheMacroArea) {
    const ToolResult added = ok({"macro", "add", "Greeting", "--count", "3", "down:LSHIFT:0",
                                 "down:H:20", "up:H:30", "up:lshift:40000"});
    EXPECT_EQ(added.out, "1\n");
    const std::vector<MacroRecord> macros = macrosOf(memories());
    ASSERT_EQ(macros.size(), 1u);
    EXPECT_EQ(macros[0].nameView(), u"Greeting");
    EXPECT_EQ(macros[0].playCount, 3);
    ASSERT_EQ(macros[0].actionCount, 4);
    const MacroAction expected[] = {{0, 0x2A, 0}, {20, 0x23, 0}, {30, 0x23, 1}, {40000, 0x2A, 1}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(macros[0].actions[i], expected[i]) << "step " << i;
    }

    EXPECT_EQ(ok({"macro", "add", "Second", "down:A:10", "up:A:10"}).out, "2\n");
    ok({"assign", "F2", "macro:2"});
    const KeyboardMemories m = memories();
    EXPECT_EQ(macrosOf(m).size(), 2u);
    // Plays the macro at position 1.
    EXPECT_EQ(m.keySlot(0, m.slotOfUsage(kUsageF2)), (Bytes{5, 1, 1}));
    const ToolResult list = ok({"macro", "list"});
    // The memory line: the area just written, of the keyboard's capacity.
    const std::string used = std::to_string(m.macroArea[2] | (m.macroArea[3] << 8));
    const std::string capacity = std::to_string(m.settings[11] * 128);
    EXPECT_EQ(list.out, "1\tGreeting\t4 steps\n2\tSecond\t2 steps\nmemory: " + used + " of " +
                            capacity + " bytes (" +
                            std::to_string(std::stoi(used) * 100 / std::stoi(capacity)) + " %)\n");
    const ToolResult json = ok({"macro", "list", "--json"});
    EXPECT_EQ(json.out.rfind("{\"memory\": {\"used\": " + used + ", \"capacity\": " + capacity +
                                 ", \"namesDropped\": false, \"fits\": true}, \"macros\": [",
                             0),
              0u)
        << json.out;
}

TEST_F(CliTest, MacroDeleteMovesKeysOfEveryProfileAlong) {
    ok({"macro", "add", "First", "down:A:10", "up:A:10"});
    ok({"macro", "add", "Second", "down:B:10", "up:B:10"});
    ok({"assign", "F2", "macro:1"});
    ok({"assign", "F3", "macro:2"});
    ok({"profile", "2"});
    ok({"assign", "F4", "macro:2"});
    ok({"profile", "1"});

    const ToolResult deleted = ok({"macro", "delete", "1"});
    EXPECT_EQ(deleted.out, "profile 1: F2 back to default\n");
    const KeyboardMemories m = memories();
    const std::vector<MacroRecord> macros = macrosOf(m);
    ASSERT_EQ(macros.size(), 1u);
    EXPECT_EQ(macros[0].nameView(), u"Second");
    EXPECT_EQ(m.keySlot(0, m.slotOfUsage(kUsageF2)), (Bytes{2, 2, kUsageF2}));
    // Macro 2 is now at position 0, in the active profile and in profile 2.
    EXPECT_EQ(m.keySlot(0, m.slotOfUsage(kUsageF3)), (Bytes{5, 1, 0}));
    EXPECT_EQ(m.keySlot(1, m.slotOfUsage(kUsageF4)), (Bytes{5, 1, 0}));

    // The keyboard keeps no ids: read back, the remaining macro is 1 and
    // the next one added is 2; the keys stay where they were.
    EXPECT_EQ(ok({"macro", "list"}).out.rfind("1\tSecond\t2 steps\nmemory: ", 0), 0u);
    EXPECT_EQ(ok({"macro", "add", "Third", "down:C:10"}).out, "2\n");
    const KeyboardMemories later = memories();
    EXPECT_EQ(later.keySlot(0, later.slotOfUsage(kUsageF2)), (Bytes{2, 2, kUsageF2}));
    EXPECT_EQ(later.keySlot(0, later.slotOfUsage(kUsageF3)), (Bytes{5, 1, 0}));
    EXPECT_EQ(later.keySlot(1, later.slotOfUsage(kUsageF4)), (Bytes{5, 1, 0}));
}

TEST_F(CliTest, ExportAndImportRoundTrip) {
    ok({"profile", "2"});
    ok({"assign", "ESC", "key:F1"});
    ok({"macro", "add", "Kept", "down:A:10", "up:A:0"});
    ok({"profile", "1"});
    const std::string file = tool.file("saved.fwc");
    ok({"export", file});
    const KeyboardMemories saved = memories();

    // Change everything, then go back to the file.
    ok({"assign", "ESC", "disable"});
    ok({"macro", "add", "Extra", "down:B:10"});
    ok({"import", file});
    KeyboardMemories m = memories();
    EXPECT_EQ(m.keyTables, saved.keyTables);
    EXPECT_EQ(macrosOf(m).size(), 1u);
    EXPECT_EQ(macrosOf(m)[0].nameView(), u"Kept");

    // A factory keyboard takes all three profiles from the file.
    std::filesystem::remove(tool.stateFile());
    ok({"import", file});
    m = memories();
    EXPECT_EQ(m.keyTables, saved.keyTables);
    EXPECT_EQ(m.keySlot(1, m.slotOfUsage(kUsageEsc)), (Bytes{2, 2, kUsageF1}));
}

TEST_F(CliTest, InvalidImportFileExitsThreeAndLeavesTheKeyboard) {
    const std::string good = tool.file("good.fwc");
    ok({"export", good});
    std::string bytes = readAll(good);
    ASSERT_GT(bytes.size(), 32u);

    std::string offByOne = bytes;
    offByOne[31] = static_cast<char>(offByOne[31] + 1);  // the header's checksum
    writeAll(tool.file("checksum.fwc"), offByOne);
    writeAll(tool.file("short.fwc"), bytes.substr(0, 20));
    writeAll(tool.file("text.fwc"), "not a profile at all, but long enough to hold a header");

    const std::string before = tool.stateBytes();
    for (const char* name : {"checksum.fwc", "short.fwc", "text.fwc", "missing.fwc"}) {
        SCOPED_TRACE(name);
        const std::string path = tool.file(name);
        const ToolResult r = tool.run({"import", path});
        EXPECT_EQ(r.exitCode, 3) << r.err;
        EXPECT_NE(r.err.find(path), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(tool.stateBytes(), before);
    }
}

TEST_F(CliTest, LightingWritesTheCurrentProfilesRecord) {
    const ToolResult r =
        ok({"lighting", "--effect", "6", "--brightness", "2", "--speed", "1", "--direction", "0",
            "--colour", "12AB3f", "--random", "off", "--rate", "2"});
    EXPECT_NE(r.out.find("effect: 6 (Static)"), std::string::npos) << r.out;
    KeyboardMemories m = memories();
    Bytes record = m.lightingRecord(0);
    EXPECT_EQ(record[0], 6);
    EXPECT_EQ(record[1], 2);
    EXPECT_EQ(record[2], 1);
    EXPECT_EQ(record[3], 0);
    EXPECT_EQ(record[4], 0);
    EXPECT_EQ((Bytes{record[5], record[6], record[7]}), (Bytes{0x12, 0xAB, 0x3F}));
    EXPECT_EQ(record[15], 2);

    // The colour clears the random flag; --random given with it wins.
    ok({"lighting", "--colour=000080", "--random=on"});
    record = memories().lightingRecord(0);
    EXPECT_EQ(record[4], 1);
    EXPECT_EQ((Bytes{record[5], record[6], record[7]}), (Bytes{0, 0, 0x80}));

    // Another profile's record is another 42 bytes.
    const Bytes firstRecord = record;
    ok({"profile", "2"});
    ok({"lighting", "--brightness", "0"});
    m = memories();
    EXPECT_EQ(m.lightingRecord(1)[1], 0);
    EXPECT_EQ(m.lightingRecord(0), firstRecord);

    const ToolResult shown = ok({"lighting"});
    EXPECT_NE(shown.out.find("profile: 2\n"), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("brightness: 0\n"), std::string::npos) << shown.out;
}

TEST_F(CliTest, DefaultsRestoreTheActiveProfile) {
    const KeyboardMemories factory = memories();
    ok({"assign", "ESC", "key:F1"});
    ok({"assign", "A", "disable"});
    ASSERT_NE(memories().keyTable(0), factory.keyTable(0));
    const ToolResult r = ok({"defaults", "--yes"});
    EXPECT_EQ(r.out, "profile 1: default keys restored\n");
    EXPECT_EQ(memories().keyTable(0), factory.factoryKeyTable);
}

TEST_F(CliTest, NamesComeFromTheChosenLanguage) {
    ok({"assign", "ESC", "media:7"});
    const std::map<std::string, std::string> french = {{"LC_ALL", "fr_FR.UTF-8"}};
    // A fresh settings key: the language is chosen from the system's.
    std::filesystem::remove_all(tool.file("home/.config/quorvane"));
    const ToolResult keys = tool.run({"keys"}, french);
    ASSERT_EQ(keys.exitCode, 0) << keys.err;
    EXPECT_NE(keys.out.find("ESC          \xC3\x89"
                            "chap"),
              std::string::npos)
        << keys.out;
    EXPECT_NE(keys.out.find("media:7        Couper le son"), std::string::npos) << keys.out;
    const ToolResult lighting = tool.run({"lighting", "--effect", "1"}, french);
    EXPECT_NE(lighting.out.find("effect: 1 (Vague)"), std::string::npos) << lighting.out;
}

TEST_F(CliTest, WatchEndsCleanlyOnSignals) {
    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        const pid_t pid = tool.start({"watch"});
        ASSERT_GT(pid, 0);
        ASSERT_TRUE(tool.waitForOutput("watching: 1 keyboard(s) attached\n", 5000));
        kill(pid, signal);
        const ToolResult r = tool.finish(pid, 5000);
        EXPECT_EQ(r.exitCode, 0) << r.err;
    }
}

TEST_F(CliTest, DefaultModeRefusesEditsUntilAProfileIsChosen) {
    KeyboardMemories m = memories();
    m.settings[kActiveProfileByte] = 3;
    ASSERT_TRUE(tool.patchMemory("settings", m.settings));
    const std::string before = tool.stateBytes();

    EXPECT_EQ(ok({"status"}).out.find("active profile: default mode\n"), 13u);
    EXPECT_EQ(ok({"profile"}).out, "active profile: default mode\n");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"assign", "ESC", "disable"},
          std::vector<std::string>{"lighting", "--brightness", "1"}}) {
        const ToolResult r = tool.run(args);
        EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
        EXPECT_NE(r.err.find("default mode"), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
        EXPECT_EQ(tool.stateBytes(), before);
    }
    ok({"profile", "1"});
    EXPECT_EQ(memories().settings[kActiveProfileByte], 0);
    ok({"assign", "ESC", "disable"});
}

std::vector<std::string> steps(int count) {
    std::vector<std::string> args = {"macro", "add", "Long"};
    for (int i = 0; i < count; ++i) {
        args.emplace_back(i % 2 == 0 ? "down:A:10" : "up:A:10");
    }
    return args;
}

TEST_F(CliTest, MacroLimitsAndTheKeyboardsSpace) {
    // 2000 steps fit the 8 KiB area once, not twice.
    ok(steps(2000));
    const KeyboardMemories one = memories();
    ASSERT_EQ(macrosOf(one).size(), 1u);
    EXPECT_EQ(macrosOf(one)[0].actionCount, 2000);
    const std::string before = tool.stateBytes();
    const ToolResult full = tool.run(steps(2000));
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_NE(full.err.find("Macro space exceeds the hardware space."), std::string::npos)
        << full.err;
    EXPECT_EQ(tool.stateBytes(), before);
    EXPECT_EQ(tool.run(steps(2001)).exitCode, 2);

    // A keyboard that holds 100 macros takes no 101st.
    std::vector<MacroRecord> hundred(100);
    for (std::size_t i = 0; i < hundred.size(); ++i) {
        hundred[i].id = static_cast<std::uint16_t>(i + 1);
        hundred[i].actionCount = 1;
        hundred[i].actions[0] = {10, 0x1E, 0};
    }
    std::optional<std::vector<std::uint8_t>> area = buildMacroAreaFrom(hundred, false);
    ASSERT_TRUE(area.has_value());
    area->resize(one.macroArea.size(), 0);
    ASSERT_TRUE(tool.patchMemory("macroArea", *area));
    const std::string hundredState = tool.stateBytes();
    const ToolResult more = tool.run({"macro", "add", "More", "down:A:10"});
    EXPECT_EQ(more.exitCode, 1);
    EXPECT_EQ(more.err, "quorvanectl: You can create at most 100 macros.\n");
    EXPECT_EQ(tool.stateBytes(), hundredState);
}

TEST_F(CliTest, HistoryListsEachWriteAndRestoresAnEntry) {
    EXPECT_EQ(ok({"history"}).out.rfind("no entries in ", 0), 0u);
    ok({"assign", "ESC", "key:F1"});
    const KeyboardMemories before = memories();
    const std::string file = tool.file("saved.fwc");
    ok({"export", file});
    ok({"macro", "add", "Extra", "down:B:10"});
    ok({"assign", "ESC", "disable"});

    // Newest first: the assign, the macro's apply, the first assign.
    const std::string list = ok({"history"}).out;
    // Numbers at a line's start: a time such as 10:33:34 ends in "4\t" too.
    EXPECT_EQ(list.rfind("1\t", 0), 0u) << list;
    EXPECT_NE(list.find("\tapply\tprofiles 1\tsaved\n"), std::string::npos) << list;
    EXPECT_NE(list.find("\n3\t"), std::string::npos) << list;
    EXPECT_EQ(list.find("\n4\t"), std::string::npos) << list;
    const std::string json = ok({"history", "--json"}).out;
    EXPECT_NE(json.find("\"number\": 3, "), std::string::npos) << json;
    EXPECT_NE(json.find("\"operation\": \"apply\", \"profiles\": [1], \"keyboard\": "
                        "\"0c45:5004\", \"state\": \"saved\""),
              std::string::npos)
        << json;

    // Entry 2 holds the keyboard as it was before the macro was added.
    const ToolResult refused = tool.run({"history", "restore", "2"});
    EXPECT_EQ(refused.exitCode, 2) << refused.err;
    EXPECT_EQ(tool.run({"history", "restore", "9", "--yes"}).exitCode, 2);
    EXPECT_EQ(ok({"history", "restore", "2", "--yes"}).out.rfind("restored: ", 0), 0u);
    const KeyboardMemories restored = memories();
    EXPECT_EQ(restored.keyTables, before.keyTables);
    // The area as far as its header says (the memory past it keeps old bytes).
    const std::size_t area = before.macroArea[2] | (before.macroArea[3] << 8);
    ASSERT_GE(restored.macroArea.size(), area);
    EXPECT_EQ(Bytes(restored.macroArea.begin(), restored.macroArea.begin() + area),
              Bytes(before.macroArea.begin(), before.macroArea.begin() + area));
    // The restore is an entry of its own, on top.
    const std::string after = ok({"history"}).out;
    EXPECT_EQ(after.substr(0, after.find('\n')).rfind("\trestore\tprofiles 1,2,3\tsaved"),
              after.find('\n') - std::string("\trestore\tprofiles 1,2,3\tsaved").size())
        << after;
}

}  // namespace
}  // namespace quorvane::test
