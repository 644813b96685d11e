// The state file that keeps the keyboard's memories between runs.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/fifo_guard.h"
#include "vkbd/state_file.h"
#include "vkbd_test_util.h"

namespace quorvane::vkbd {
namespace {

using test::pattern;
using test::send;
using Kind = StateFileResult::Kind;

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A keyboard that is no longer in its factory state in every memory.
void changeEverything(VirtualKeyboard& kb) {
    for (Area a : {Area::Lighting, Area::Colours, Area::KeyTables, Area::FactoryKeyTable}) {
        ASSERT_TRUE(kb.writeMemory(a, 0, pattern(kb.memorySize(a), static_cast<std::uint8_t>(a))));
    }
    ASSERT_TRUE(kb.writeMemory(Area::Settings, 0, pattern(12, 0x61)));  // byte 11 = capacity 0x8C
    ASSERT_TRUE(kb.writeMemory(Area::MacroArea, 0, pattern(kb.memorySize(Area::MacroArea), 9)));
}

class StateFile : public ::testing::Test {
  protected:
    test::TempDir dir;
    std::string path = dir.file("vkbd.json");
};

TEST_F(StateFile, RoundTripKeepsEveryMemory) {
    VirtualKeyboard kb;
    changeEverything(kb);
    ASSERT_EQ(kb.saveState(path).kind, Kind::Saved);

    VirtualKeyboard other;
    const auto r = other.loadState(path);
    EXPECT_EQ(r.kind, Kind::Loaded) << r.message;
    EXPECT_EQ(other.memories(), kb.memories());
    EXPECT_EQ(other.memorySize(Area::MacroArea), std::size_t{kb.memory(Area::Settings)[11]} * 128);
}

TEST_F(StateFile, FileHoldsOneLowerCaseHexStringPerMemory) {
    VirtualKeyboard kb;
    ASSERT_EQ(kb.saveState(path).kind, Kind::Saved);
    const std::string text = readText(path);
    const std::vector<std::pair<std::string, std::size_t>> keys = {
        {"settings", 88},    {"lighting", 252},        {"colours", 4096},
        {"keyTables", 2268}, {"factoryKeyTable", 756}, {"macroArea", 2 * 8192}};
    for (const auto& [key, digits] : keys) {
        const auto at = text.find("\"" + key + "\"");
        ASSERT_NE(at, std::string::npos) << key;
        const auto open = text.find('"', text.find(':', at)) + 1;
        const auto close = text.find('"', open);
        const std::string value = text.substr(open, close - open);
        EXPECT_EQ(value.size(), digits) << key;
        EXPECT_EQ(value.find_first_not_of("0123456789abcdef"), std::string::npos) << key;
    }
    EXPECT_EQ(text.substr(text.find("\"settings\"") + 13, 6), "112233") << text.substr(0, 40);
}

TEST_F(StateFile, MissingFileGivesTheFactoryState) {
    VirtualKeyboard kb;
    changeEverything(kb);
    const auto r = kb.loadState(path);
    EXPECT_EQ(r.kind, Kind::Missing);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(kb.memories(), factoryMemories());
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(StateFile, LayoutVariantsThatAreStillTheSameObject) {
    VirtualKeyboard kb;
    changeEverything(kb);
    const Memories m = kb.memories();
    const std::string text = encodeState(m);
    std::string compact;
    for (char c : text) {
        if (c != ' ' && c != '\n') {
            compact += c;
        }
    }
    std::string upper = text;
    const auto sAt = upper.find("\"settings\": \"") + 13;
    for (std::size_t i = sAt; i < sAt + 88; ++i) {
        upper[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(upper[i])));
    }
    // Keys in another order: move the settings line last.
    std::string reordered = text;
    const auto line = reordered.substr(2, reordered.find('\n', 2) - 2);  // "settings": "..",
    reordered.erase(2, line.size() + 1);
    reordered.insert(reordered.rfind('"') + 1, ",\n  " + line.substr(0, line.size() - 1));

    for (const std::string& variant : {compact, upper, reordered, "\t\r\n" + text}) {
        std::string error;
        const auto decoded = decodeState(variant, error);
        ASSERT_TRUE(decoded) << error << "\n" << variant.substr(0, 200);
        EXPECT_EQ(*decoded, m);
    }
}

struct MalformedCase {
    const char* name;
    std::string (*make)(const std::string& good);
};
void PrintTo(const MalformedCase& c, std::ostream* os) {
    *os << c.name;
}

std::string replaceFirst(std::string s, const std::string& from, const std::string& to) {
    const auto at = s.find(from);
    return at == std::string::npos ? s : s.replace(at, from.size(), to);
}

class Malformed : public StateFile, public ::testing::WithParamInterface<MalformedCase> {};

TEST_P(Malformed, IsReportedLeftAloneAndNeverOverwritten) {
    VirtualKeyboard source;
    const std::string good = encodeState(source.memories());
    const std::string bad = GetParam().make(good);
    ASSERT_NE(bad, good);
    writeText(path, bad);

    VirtualKeyboard kb;
    changeEverything(kb);
    const Memories before = kb.memories();
    const auto r = kb.loadState(path);
    EXPECT_EQ(r.kind, Kind::Malformed);
    EXPECT_FALSE(r.ok());
    EXPECT_NE(r.message.find(path), std::string::npos) << r.message;
    EXPECT_EQ(kb.memories(), before);

    // Neither the firmware's own save points nor an explicit save touch it.
    kb.setStatePath(path);
    EXPECT_TRUE(kb.stateFileBlocked());
    send(kb, 0x02, 0, 0);
    EXPECT_EQ(kb.lastAutoSave().kind, Kind::SaveFailed);
    EXPECT_EQ(kb.saveState(path).kind, Kind::SaveFailed);
    EXPECT_EQ(readText(path), bad);

    // Another path is not blocked.
    EXPECT_EQ(kb.saveState(dir.file("other.json")).kind, Kind::Saved);
}

INSTANTIATE_TEST_SUITE_P(
    StateFile, Malformed,
    ::testing::Values(
        MalformedCase{"Empty", [](const std::string&) { return std::string(); }},
        MalformedCase{"EmptyObject", [](const std::string&) { return std::string("{}"); }},
        MalformedCase{"Truncated", [](const std::string& g) { return g.substr(0, g.size() / 2); }},
        MalformedCase{"NoClosingBrace",
                      [](const std::string& g) { return g.substr(0, g.rfind('}')); }},
        MalformedCase{"TrailingText", [](const std::string& g) { return g + "x"; }},
        MalformedCase{"SecondObject", [](const std::string& g) { return g + g; }},
        MalformedCase{"NotHex",
                      [](const std::string& g) { return replaceFirst(g, "112233", "11g233"); }},
        MalformedCase{"ShortSettings",
                      [](const std::string& g) { return replaceFirst(g, "112233", "1122"); }},
        MalformedCase{
            "MissingKey",
            [](const std::string& g) { return replaceFirst(g, "\"lighting\"", "\"lightning\""); }},
        MalformedCase{
            "DuplicateKey",
            [](const std::string& g) { return replaceFirst(g, "\"lighting\"", "\"colours\""); }},
        MalformedCase{
            "UnknownExtraKey",
            [](const std::string& g) { return replaceFirst(g, "{", "{\"extra\": \"00\","); }},
        MalformedCase{"NumberInsteadOfString",
                      [](const std::string& g) {
                          return replaceFirst(g, "\"settings\": \"", "\"settings\": 1\"");
                      }},
        MalformedCase{"EscapeInString",
                      [](const std::string& g) { return replaceFirst(g, "112233", "11\\u33"); }},
        // Byte 11 says 0x41 units but the macro area holds 0x40.
        MalformedCase{"MacroAreaDisagreesWithCapacity",
                      [](const std::string& g) { return replaceFirst(g, "aa0040", "aa0041"); }},
        MalformedCase{"Binary", [](const std::string&) { return std::string("\x00\xff{", 3); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StateFile, ASuccessfulLoadLiftsTheBlock) {
    writeText(path, "{");
    VirtualKeyboard kb;
    ASSERT_EQ(kb.loadState(path).kind, Kind::Malformed);
    writeText(path, encodeState(factoryMemories()));
    ASSERT_EQ(kb.loadState(path).kind, Kind::Loaded);
    kb.setStatePath(path);
    EXPECT_FALSE(kb.stateFileBlocked());
    EXPECT_EQ(kb.saveState(path).kind, Kind::Saved);
}

// A FIFO given as the state file is refused at once, saying what it is, and
// the keyboard keeps its memories.
TEST_F(StateFile, AFifoIsRefusedWithoutWaiting) {
    ASSERT_TRUE(quorvane::test::makeFifo(path));
    VirtualKeyboard kb;
    changeEverything(kb);
    const Memories before = kb.memories();
    StateFileResult r;
    EXPECT_TRUE(quorvane::test::returnsWithoutAWriter(path, [&] { r = kb.loadState(path); }));
    EXPECT_EQ(r.kind, Kind::Malformed);
    EXPECT_NE(r.message.find("a FIFO"), std::string::npos) << r.message;
    EXPECT_EQ(kb.memories(), before);
    EXPECT_TRUE(std::filesystem::is_fifo(path));
}

TEST_F(StateFile, FirmwareSavesAtItsSavePoints) {
    VirtualKeyboard kb;
    kb.setStatePath(path);
    const std::vector<std::uint8_t> colour = {0x00, 0x80, 0xFF};
    send(kb, 0x01, 0, 0);
    EXPECT_FALSE(std::filesystem::exists(path)) << "BeginTransfer changes nothing";
    // Flash keeps each write: a host that dies before EndTransfer leaves it.
    send(kb, 0x11, 3, 1039, colour);
    EXPECT_EQ(kb.lastAutoSave().kind, Kind::Saved);
    VirtualKeyboard reloaded;
    ASSERT_EQ(reloaded.loadState(path).kind, Kind::Loaded);
    EXPECT_EQ(reloaded.memories(), kb.memories());
    const std::vector<std::uint8_t> table = pattern(56, 3);
    send(kb, 0x08, 56, 378, table);
    ASSERT_EQ(reloaded.loadState(path).kind, Kind::Loaded);
    EXPECT_EQ(reloaded.memories(), kb.memories());
    std::filesystem::remove(path);
    send(kb, 0x08, 56, 1134, table);  // past the key tables: refused, no save point
    EXPECT_FALSE(std::filesystem::exists(path));
    send(kb, 0x02, 0, 0);
    ASSERT_EQ(reloaded.loadState(path).kind, Kind::Loaded);
    EXPECT_EQ(reloaded.memories(), kb.memories());

    std::vector<std::uint8_t> block = kb.memory(Area::Settings);
    block[10] = 2;
    send(kb, 0x04, 44, 0, block);
    ASSERT_EQ(reloaded.loadState(path).kind, Kind::Loaded);
    EXPECT_EQ(reloaded.memory(Area::Settings)[10], 2);

    // The keyboard's own profile key changes flash too.
    ASSERT_TRUE(kb.pressProfileKey());
    ASSERT_EQ(reloaded.loadState(path).kind, Kind::Loaded);
    EXPECT_EQ(reloaded.memory(Area::Settings)[10], 0);

    // A refused settings write is no save point.
    std::filesystem::remove(path);
    block[10] = 9;
    send(kb, 0x04, 44, 0, block);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(StateFile, SaveLeavesNoTemporaryFilesAndReportsFailure) {
    VirtualKeyboard kb;
    ASSERT_EQ(kb.saveState(path).kind, Kind::Saved);
    ASSERT_EQ(kb.saveState(path).kind, Kind::Saved);
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        EXPECT_EQ(entry.path().filename(), "vkbd.json");
        ++files;
    }
    EXPECT_EQ(files, 1u);

    const auto r = kb.saveState(dir.file("no/such/folder/vkbd.json"));
    EXPECT_EQ(r.kind, Kind::SaveFailed);
    EXPECT_FALSE(r.message.empty());
}

}  // namespace
}  // namespace quorvane::vkbd
