// Faults injected with the virtual keyboard's knobs while the configuration
// travels: a removal at every frame of a three-profile download, lost answers
// during a whole Apply, refusals. Each ends with a clear result, the dirty
// mark set and the model untouched, and the next Apply with the keyboard back
// succeeds.
#include "base/atomic_file.h"
#include "core/config/profile_file.h"
#include "core/device/device_result.h"
#include "core/sync/profile_transfer.h"
#include "core/sync/sync_result.h"
#include "sync_fixture.h"

namespace quorvane::test {
namespace {

constexpr std::uint8_t kBegin = 0x01;
constexpr std::uint8_t kEnd = 0x02;
constexpr std::uint8_t kWriteKeyTable = 0x08;
constexpr std::uint8_t kWriteMacroArea = 0x0A;
constexpr KeyId kKeyA = 0x1E;
constexpr KeyId kKeyB = 0x30;

// A configuration whose macro area takes three frames and whose three
// profiles differ, saved as a profile file to import.
class FaultTest : public SyncTest {
  protected:
    void SetUp() override {
        SyncTest::SetUp();
        addMacro(u"first", 12);
        addMacro(u"second", 12);
        assign(0, kKeyA, ActionMacro, 1);
        assign(1, kKeyA, ActionMacro, 2);
        assign(2, kKeyB, ActionDisabled, 0);
        importFile = home.file("three.fwc");
        ASSERT_EQ(saveProfileFile(config, importFile, true), 1);
        const std::size_t areaBytes = modelMacroArea().size();
        ASSERT_GT(areaBytes, 112u);
        ASSERT_LE(areaBytes, 168u);
        imported = config.image->entries;
        importedMacros = config.macros;

        // The session starts from what the keyboard holds.
        ASSERT_EQ(session->reloadFromKeyboard(), 1);
        factoryTables = keyboardMemory(QUELLIX_AREA_KEY_TABLES, 0, 3 * 378);
        knobs.ClearFrames();
    }

    void expectModelIsTheImport() const {
        ASSERT_TRUE(config.image);
        EXPECT_EQ(config.image->entries, imported);
        EXPECT_EQ(config.macros, importedMacros);
    }

    void expectKeyboardHoldsTheModel(int profile) const {
        const std::vector<std::uint8_t> area = modelMacroArea();
        EXPECT_EQ(
            keyboardMemory(QUELLIX_AREA_MACRO_AREA, 0, static_cast<std::uint32_t>(area.size())),
            area);
        EXPECT_EQ(keyboardKeyTable(profile), modelKeyTable(profile));
    }

    // The bracket was closed after whatever was sent.
    void expectBracketClosed() const {
        const std::vector<std::uint8_t> sent = commandsSent();
        const auto begin = std::find(sent.begin(), sent.end(), kBegin);
        if (begin != sent.end()) {
            EXPECT_EQ(sent.back(), kEnd);
        }
    }

    std::string importFile;
    std::array<KeyActionEntry, kEntryCount> imported{};
    std::vector<MacroRecord> importedMacros;
    std::vector<std::uint8_t> factoryTables;
};

// Frames of an import: the settings read for the cache file, Begin, three
// macro-area frames, 21 key-table frames, End.
constexpr std::uint32_t kImportFrames = 1 + 1 + 3 + 21 + 1;

TEST_F(FaultTest, ImportWithoutFaultsTakesTheFramesCountedBelow) {
    ASSERT_EQ(importProfile(*session, importFile), 1);
    EXPECT_EQ(knobs.FrameCount(), kImportFrames);
    for (int p = 0; p < 3; ++p) {
        expectKeyboardHoldsTheModel(p);
    }
}

class RemovalDuringDownload : public FaultTest,
                              public ::testing::WithParamInterface<std::uint32_t> {};

TEST_P(RemovalDuringDownload, FailsCleanlyAndApplyRecoversAfterAttach) {
    const std::uint32_t frames = GetParam();
    knobs.RemoveAfterFrames(frames);

    const int result = importProfile(*session, importFile);

    if (frames >= kImportFrames) {
        // The last frame was answered before the keyboard went.
        EXPECT_EQ(result, 1);
        EXPECT_FALSE(window.dirty);
        return;
    }
    // Gone: either the count had already dropped, or the frame found no
    // keyboard to take it.
    EXPECT_TRUE(result == kResultNoKeyboard || result == kResultNotSent)
        << "removed after " << frames << " frames: " << result;
    EXPECT_TRUE(window.dirty);
    expectModelIsTheImport();
    if (frames <= 2) {
        // Nothing was written before the keyboard went.
        EXPECT_EQ(keyboardMemory(QUELLIX_AREA_KEY_TABLES, 0, 3 * 378), factoryTables);
    }

    knobs.RemoveAfterFrames(0);
    attachKeyboard();
    knobs.ClearFrames();
    ASSERT_EQ(session->applyConfiguration(), 1);
    EXPECT_FALSE(window.dirty);
    expectKeyboardHoldsTheModel(keyboardActiveProfile());
    expectModelIsTheImport();
}

INSTANTIATE_TEST_SUITE_P(EveryFrame, RemovalDuringDownload,
                         ::testing::Range<std::uint32_t>(1, kImportFrames + 1));

struct DropCase {
    std::uint32_t every;
    int result;  // of the Apply with the answers lost
};

class DroppedAnswersDuringApply : public FaultTest,
                                  public ::testing::WithParamInterface<DropCase> {};

TEST_P(DroppedAnswersDuringApply, RetriesOrFailsWithoutLosingTheChanges) {
    config.image->entries = imported;
    config.macros = importedMacros;
    session->markDirty();
    knobs.DropEvery(GetParam().every);

    const int result = session->applyConfiguration();
    EXPECT_EQ(result, GetParam().result);
    expectModelIsTheImport();
    if (result != 1) {
        EXPECT_TRUE(window.dirty);
        EXPECT_TRUE(writesSent().empty());
        knobs.DropEvery(0);
        ASSERT_EQ(session->applyConfiguration(), 1);
    }
    EXPECT_FALSE(window.dirty);
    expectKeyboardHoldsTheModel(0);
    expectBracketClosed();
}

INSTANTIATE_TEST_SUITE_P(Answers, DroppedAnswersDuringApply,
                         ::testing::Values(DropCase{3, 1}, DropCase{2, 1},
                                           DropCase{1, kResultNoAnswer}));

struct RefusalCase {
    const char* name;
    std::uint8_t status;
    std::uint32_t count;  // commands refused from the start of the download
    int result;
};

class RefusalDuringDownload : public FaultTest,
                              public ::testing::WithParamInterface<RefusalCase> {};

// Through the import, whose three-profile download owns the dirty mark; the
// refusals start with the download, after the import's settings read.
TEST_P(RefusalDuringDownload, EndsWithTheRefusalOrRecovers) {
    const RefusalCase& c = GetParam();
    const auto cached = readFileBytes(session->reloadCacheFile(0));
    ASSERT_TRUE(cached.has_value());
    ASSERT_FALSE(window.dirty);
    bool armed = false;
    window.afterSettingsRead = [&] {
        if (!armed) {
            armed = true;
            knobs.Refuse(c.status, c.count);
        }
    };

    const int result = importProfile(*session, importFile);
    window.afterSettingsRead = nullptr;
    EXPECT_EQ(result, c.result) << c.name;
    expectBracketClosed();
    expectModelIsTheImport();
    if (result == 1) {
        EXPECT_FALSE(window.dirty);
        for (int p = 0; p < 3; ++p) {
            expectKeyboardHoldsTheModel(p);
        }
        return;
    }
    const std::vector<std::uint8_t> sent = commandsSent();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), kWriteMacroArea), 0);
    EXPECT_EQ(std::count(sent.begin(), sent.end(), kWriteKeyTable), 0);
    EXPECT_EQ(keyboardMemory(QUELLIX_AREA_KEY_TABLES, 0, 3 * 378), factoryTables);
    EXPECT_TRUE(window.dirty) << "the import is still to be written";
    EXPECT_EQ(readFileBytes(session->reloadCacheFile(0)), cached);

    knobs.Refuse(0xFF, 0);
    ASSERT_EQ(session->applyConfiguration(), 1);
    EXPECT_FALSE(window.dirty);
    expectKeyboardHoldsTheModel(0);
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, RefusalDuringDownload,
    ::testing::Values(RefusalCase{"three refusals 0xFF", 0xFF, 3, kResultRefusedFF},
                      RefusalCase{"three refusals 0xFE", 0xFE, 3, kResultRefusedFE},
                      RefusalCase{"two refusals, then an answer", 0xFF, 2, 1},
                      RefusalCase{"every command", 0xFF, QUELLIX_ALWAYS, kResultRefusedFF}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST_F(FaultTest, AMacroAreaTheKeyboardRefusesWritesNoKeyTable) {
    // The keyboard has room for one 128-byte unit only, but the program still
    // believes in the capacity it read before.
    setKeyboardByte(QUELLIX_AREA_SETTINGS, SettingsBlock::kMacroCapacity, 1);
    config.image->entries = imported;
    config.macros = importedMacros;
    session->markDirty();
    knobs.ClearFrames();

    EXPECT_EQ(session->applyConfiguration(), kResultRefusedFE);
    const std::vector<std::uint8_t> sent = commandsSent();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), kWriteKeyTable), 0);
    EXPECT_EQ(sent.back(), kEnd);
    EXPECT_TRUE(window.dirty);
    EXPECT_EQ(keyboardKeyTable(0), lighting.DefaultKeyTable);
    expectModelIsTheImport();

    setKeyboardByte(QUELLIX_AREA_SETTINGS, SettingsBlock::kMacroCapacity, 0x40);
    ASSERT_EQ(session->applyConfiguration(), 1);
    expectKeyboardHoldsTheModel(0);
}

TEST_F(FaultTest, AKeyTableRefusedPartWayStopsTheLaterProfiles) {
    // The third of the seven frames of profile 1's table.
    constexpr std::uint16_t kRefused = 378 + 2 * 56;
    refuseFrom(
        [](const SentFrame& f) { return f.command == kWriteKeyTable && f.offset == kRefused; });

    EXPECT_EQ(importProfile(*session, importFile), kResultRefusedFF);
    expectBracketClosed();
    EXPECT_TRUE(window.dirty);
    expectModelIsTheImport();
    // Profile 0 whole, profile 1 up to the refused frame, profile 2 never sent.
    for (const SentFrame& f : writesSent()) {
        if (f.command == kWriteKeyTable) {
            EXPECT_LE(f.offset, kRefused);
        }
    }
    EXPECT_EQ(keyboardKeyTable(0), modelKeyTable(0));
    const std::vector<std::uint8_t> tables = keyboardMemory(QUELLIX_AREA_KEY_TABLES, 0, 3 * 378);
    const DeviceKeyTable one = modelKeyTable(1);
    EXPECT_TRUE(std::equal(one.bytes.begin(), one.bytes.begin() + 112, tables.begin() + 378));
    EXPECT_TRUE(
        std::equal(tables.begin() + kRefused, tables.end(), factoryTables.begin() + kRefused));
    ASSERT_NE(modelKeyTable(2), keyboardKeyTable(2)) << "profile 2 had something to write";

    // The next Apply writes what did not arrive, the other profiles included.
    ASSERT_EQ(session->applyConfiguration(), 1);
    for (int p = 0; p < 3; ++p) {
        expectKeyboardHoldsTheModel(p);
    }
}

TEST_F(FaultTest, AnImportThatCannotBeWrittenStaysPending) {
    const std::string cache = session->reloadCacheFile(0);
    const auto cached = readFileBytes(cache);
    ASSERT_TRUE(cached.has_value());
    removeKeyboard();

    EXPECT_EQ(importProfile(*session, importFile), kResultNoKeyboard);
    EXPECT_TRUE(window.dirty);
    expectModelIsTheImport();
    EXPECT_EQ(session->modelOrigin(), ModelOrigin::UserAction);
    // The cache file is still the keyboard's copy.
    EXPECT_EQ(readFileBytes(cache), cached);
}

// The failure says where the transfer stopped, in the words the window and
// the tool share; the code stays the one the operation returned.
TEST_F(FaultTest, TheFailureSaysWhereTheImportStopped) {
    struct Case {
        std::uint8_t command;
        std::uint16_t offset;
        std::uint8_t status;
        int result;
        std::string context;
    };
    const Case cases[] = {
        {kBegin, 0, 0xFF, kResultRefusedFF, "begin transfer"},
        {kWriteMacroArea, 56, 0xFF, kResultRefusedFF, "write macro area, piece 2 of 3"},
        {kWriteKeyTable, 2 * 378 + 3 * 56, 0xFE, kResultRefusedFE,
         "write key table of profile 3, piece 4 of 7"},
        {kEnd, 0, 0xFE, kResultRefusedFE, "end transfer"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.context);
        refuseFrom(
            [&](const SentFrame& f) { return f.command == c.command && f.offset == c.offset; },
            c.status);
        const int result = importProfile(*session, importFile);
        ASSERT_EQ(result, c.result);
        const Result failure = session->explain(result);
        EXPECT_EQ(failure, Result(c.result, c.context));
        EXPECT_EQ(resultText(failure), c.context + ": the keyboard refused the command (status 0x" +
                                           (c.status == 0xFF ? "FF" : "FE") + ")");
        // Another code than the one returned is not explained by it.
        EXPECT_EQ(session->explain(kResultNoAnswer), Result(kResultNoAnswer));
    }
    link->transport().setFrameObserver(nullptr);
}

TEST_F(FaultTest, AnUnansweredBeginEndsTheDownload) {
    config.image->entries = imported;
    config.macros = importedMacros;
    knobs.DropEvery(1);

    EXPECT_EQ(session->download(true), kResultNoAnswer);
    const std::vector<std::uint8_t> sent = commandsSent();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), kWriteMacroArea), 0);
    EXPECT_EQ(std::count(sent.begin(), sent.end(), kWriteKeyTable), 0);
    EXPECT_EQ(sent.back(), kEnd);
}

}  // namespace
}  // namespace quorvane::test
