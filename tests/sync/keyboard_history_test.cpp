// The keyboard's history: one entry before every write of its key tables or
// macro area, restore, pruning, damaged entries, a failed save.
#include "core/sync/keyboard_history.h"

#include <filesystem>
#include <functional>

#include "base/atomic_file.h"
#include "base/byte_fields.h"
#include "core/config/macro_area_codec.h"
#include "core/config/profile_file.h"
#include "core/device/device_result.h"
#include "core/platform/registry_store.h"
#include "core/sync/profile_transfer.h"
#include "core/sync/sync_result.h"
#include "core/sync/sync_texts.h"
#include "platform/temp_dir.h"
#include "sync_fixture.h"

namespace quorvane::test {
namespace {

constexpr KeyId kKeyA = 0x1E;
constexpr KeyId kKeyB = 0x30;
constexpr KeyId kKeyC = 0x2E;

class KeyboardHistoryTest : public SyncTest {
  public:
    // For the cases of the tables below.
    using SyncTest::assign;
    using SyncTest::home;
    using SyncTest::lighting;
    using SyncTest::prompter;
    using SyncTest::recordFolder;
    using SyncTest::session;

  protected:
    void SetUp() override {
        SyncTest::SetUp();
        // A keyboard that holds something of its own in every profile and
        // in its macro area, freshly read.
        addMacro(u"first", 6);
        addMacro(u"second", 3);
        for (int p = 0; p < kProfileCount; ++p) {
            assign(p, kKeyA, ActionMedia, static_cast<std::uint32_t>(p + 1));
        }
        assign(1, kKeyB, ActionMacro, 2);
        session->markDirty();
        ASSERT_EQ(session->download(true), kResultDone);
        ASSERT_EQ(session->reloadFromKeyboard(), kResultDone);
        std::filesystem::remove_all(historyFolder);
        knobs.ClearFrames();
        prompter = RecordingPrompter{};
    }

    // What the keyboard holds, read from its memories.
    KeyboardCopy keyboardNow() const {
        KeyboardCopy copy;
        for (int p = 0; p < kProfileCount; ++p) {
            copy.tables[static_cast<std::size_t>(p)] = keyboardKeyTable(p);
        }
        const auto header = keyboardMemory(QUELLIX_AREA_MACRO_AREA, 0, kMacroAreaHeaderSize);
        if (getField(header, MacroArea::kMagic) == kMacroAreaMagic) {
            copy.macroArea =
                keyboardMemory(QUELLIX_AREA_MACRO_AREA, 0, getField(header, MacroArea::kTotalSize));
        }
        return copy;
    }

    std::vector<std::uint8_t> fileOf(const KeyboardCopy& copy) const {
        return profileFileOfCopy(copy, lighting.DefaultKeyTable, testText(kTextMacroNewPrefix))
            .value();
    }

    // A profile file unlike the keyboard: other keys in all three profiles,
    // one macro.
  public:
    std::string otherFile() {
        WorkingConfig other;
        createDefaultImage(other, std::string(), true);
        for (int p = 0; p < kProfileCount; ++p) {
            EXPECT_TRUE(writeAssignment(other, entryIndex(p, rowOfKey(kKeyC)), ActionMedia, 0,
                                        static_cast<std::uint32_t>(7 + p)));
        }
        MacroRecord& m = other.macros.emplace_back();
        m.setName(u"other");
        m.id = 1;
        m.actionCount = 2;
        m.actions[0] = MacroAction{30, kKeyC, 0};
        m.actions[1] = MacroAction{0, kKeyC, 1};
        const std::string file = home.file("other.fwc");
        EXPECT_EQ(saveProfileFile(other, file, true), 1);
        return file;
    }

    std::vector<HistoryEntry> entries() const { return listHistory(historyFolder); }

    // Writes of a key table or of the macro area that went out.
    std::vector<SentFrame> tableOrAreaWrites() const {
        std::vector<SentFrame> out;
        for (SentFrame& f : writesSent()) {
            if (f.command == 0x08 || f.command == 0x0A) {
                out.push_back(std::move(f));
            }
        }
        return out;
    }
};

struct WritingCase {
    const char* name;
    std::function<int(KeyboardHistoryTest&)> run;
    const char* operation;
    const char* profiles;
};
void PrintTo(const WritingCase& c, std::ostream* out) {
    *out << c.name;
}

const WritingCase kWritingCases[] = {
    {"Apply",
     [](KeyboardHistoryTest& t) {
         t.assign(0, kKeyC, ActionMedia, 9);
         t.session->markDirty();
         return t.session->applyConfiguration();
     },
     "apply", "1"},
    {"Defaults", [](KeyboardHistoryTest& t) { return t.session->restoreDefaultsConfirmed(); },
     "defaults", "1"},
    {"Import", [](KeyboardHistoryTest& t) { return importProfile(*t.session, t.otherFile()); },
     "import", "1,2,3"},
    {"FinishingACutTransfer",
     [](KeyboardHistoryTest& t) {
         TransferIntent cut;
         cut.macroArea = buildMacroAreaFrom({}, true).value();
         cut.tables.push_back({1, t.lighting.DefaultKeyTable});
         cut.writingStarted = true;
         EXPECT_TRUE(saveTransferIntent(t.recordFolder, cut));
         return t.session->finishPendingTransfer();
     },
     "finish", "2"},
    {"TheSwitchPromptsApply",
     [](KeyboardHistoryTest& t) {
         t.assign(0, kKeyC, ActionMedia, 9);
         t.session->markDirty();
         t.prompter.answer = true;
         return t.session->switchProfile(2);
     },
     "apply", "1"},
};

class HistoryOfAWrite : public KeyboardHistoryTest,
                        public ::testing::WithParamInterface<WritingCase> {};

TEST_P(HistoryOfAWrite, AddsOneEntryHoldingWhatTheKeyboardHeld) {
    const WritingCase& c = GetParam();
    const KeyboardCopy before = keyboardNow();
    ASSERT_EQ(c.run(*this), kResultDone);
    ASSERT_NE(keyboardNow(), before) << "the case must change the keyboard";

    const std::vector<HistoryEntry> list = entries();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].state, HistoryEntry::State::Saved) << list[0].reason;
    EXPECT_EQ(list[0].operation, c.operation);
    EXPECT_EQ(list[0].profiles, c.profiles);
    EXPECT_EQ(list[0].keyboard, "0c45:5004");
    EXPECT_EQ(readFileBytes(list[0].path).value(), fileOf(before));
}

INSTANTIATE_TEST_SUITE_P(Writes, HistoryOfAWrite, ::testing::ValuesIn(kWritingCases),
                         [](const auto& info) { return std::string(info.param.name); });

const WritingCase kNonWritingCases[] = {
    {"TheProfileManagersApplySelectsAProfileOnly",
     [](KeyboardHistoryTest& t) {
         RegistryStore store(t.home.file("registry.reg"));
         FrameworkProfile profile(store, u"Quorvane_Pelmora", u"Quorvane");
         std::vector<ProfileRow> rows = profileManagerRows(*t.session);
         rows[0].checked = false;
         rows[2].checked = true;
         return applyProfileManager(*t.session, rows, profile);
     },
     "", ""},
    {"MacrosThatDoNotFit",
     [](KeyboardHistoryTest& t) {
         t.lighting.macroSpace = 20;
         t.session->markDirty();
         const int r = t.session->applyConfiguration();
         return r == kSyncMacroSpaceExceeded ? kResultDone : r;
     },
     "", ""},
    {"ApplyWithNothingChanged",
     [](KeyboardHistoryTest& t) { return t.session->applyConfiguration(); }, "", ""},
};

class NoHistoryWithoutAWrite : public KeyboardHistoryTest,
                               public ::testing::WithParamInterface<WritingCase> {};

TEST_P(NoHistoryWithoutAWrite, LeavesNoEntry) {
    ASSERT_EQ(GetParam().run(*this), kResultDone);
    EXPECT_TRUE(tableOrAreaWrites().empty());
    EXPECT_TRUE(entries().empty());
}

INSTANTIATE_TEST_SUITE_P(NonWrites, NoHistoryWithoutAWrite, ::testing::ValuesIn(kNonWritingCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(KeyboardHistoryTest, RestoreBringsTheKeyboardBackByteForByte) {
    const KeyboardCopy held = keyboardNow();
    ASSERT_EQ(importProfile(*session, otherFile()), kResultDone);
    const KeyboardCopy imported = keyboardNow();
    ASSERT_NE(imported, held);
    ASSERT_EQ(entries().size(), 1u);
    const std::string entry = entries()[0].path;

    // No keeps everything.
    prompter.answer = false;
    EXPECT_EQ(restoreHistoryEntry(*session, entry, true), kSyncCancelled);
    EXPECT_EQ(prompter.questions.size(), 1u);
    EXPECT_EQ(keyboardNow(), imported);

    prompter.answer = true;
    ASSERT_EQ(restoreHistoryEntry(*session, entry, true), kResultDone);
    const KeyboardCopy restored = keyboardNow();
    for (int p = 0; p < kProfileCount; ++p) {
        EXPECT_EQ(restored.tables[static_cast<std::size_t>(p)],
                  held.tables[static_cast<std::size_t>(p)])
            << "profile " << p + 1;
    }
    EXPECT_EQ(restored.macroArea, held.macroArea);
    EXPECT_EQ(session->pendingTransfer().state, PendingTransfer::State::None);
    EXPECT_FALSE(window.dirty);

    // The restore is itself undoable: what the import left is the newest entry.
    const std::vector<HistoryEntry> list = entries();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].operation, "restore");
    EXPECT_EQ(readFileBytes(list[0].path).value(), fileOf(imported));
}

struct DamageCase {
    const char* name;
    std::function<void(const std::string& path)> damage;
};
void PrintTo(const DamageCase& c, std::ostream* out) {
    *out << c.name;
}

const DamageCase kDamageCases[] = {
    {"AFlippedByteInAKeyEntry",
     [](const std::string& path) {
         auto bytes = readFileBytes(path).value();
         bytes[100] ^= 0x01;
         ASSERT_TRUE(writeFileAtomic(path, bytes));
     }},
    {"CutShort",
     [](const std::string& path) {
         auto bytes = readFileBytes(path).value();
         bytes.resize(bytes.size() / 2);
         ASSERT_TRUE(writeFileAtomic(path, bytes));
     }},
    {"Emptied", [](const std::string& path) { ASSERT_TRUE(writeFileAtomic(path, "")); }},
};

class DamagedHistoryEntry : public KeyboardHistoryTest,
                            public ::testing::WithParamInterface<DamageCase> {};

TEST_P(DamagedHistoryEntry, IsListedAsDamagedAndNotRestored) {
    ASSERT_EQ(importProfile(*session, otherFile()), kResultDone);
    const KeyboardCopy imported = keyboardNow();
    const std::string path = entries().at(0).path;
    GetParam().damage(path);

    const std::vector<HistoryEntry> list = entries();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].state, HistoryEntry::State::Damaged);
    EXPECT_FALSE(list[0].reason.empty());

    knobs.ClearFrames();
    EXPECT_EQ(restoreHistoryEntry(*session, path, false), kSyncBadFile);
    EXPECT_TRUE(tableOrAreaWrites().empty());
    EXPECT_EQ(keyboardNow(), imported);
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_NE(prompter.messages[0].find(testText(kTextHistoryCannotRestore)), std::u16string::npos);
    EXPECT_EQ(entries().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Damage, DamagedHistoryEntry, ::testing::ValuesIn(kDamageCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(KeyboardHistoryTest, AFailedSaveStopsTheWrite) {
    // A file where the folder should be: the entry cannot be written.
    std::filesystem::create_directories(std::filesystem::path(historyFolder).parent_path());
    ASSERT_TRUE(writeFileAtomic(historyFolder, "in the way"));
    const KeyboardCopy before = keyboardNow();

    assign(0, kKeyC, ActionMedia, 9);
    session->markDirty();
    EXPECT_EQ(session->applyConfiguration(), kSyncHistoryNotSaved);
    EXPECT_TRUE(tableOrAreaWrites().empty());
    EXPECT_EQ(keyboardNow(), before);
    EXPECT_TRUE(window.dirty) << "the edit stays for another Apply";
    EXPECT_EQ(session->pendingTransfer().state, PendingTransfer::State::None);
    const std::string words = resultText(session->explain(kSyncHistoryNotSaved));
    EXPECT_NE(words.find(historyFolder), std::string::npos) << words;
    EXPECT_NE(words.find("nothing was written"), std::string::npos) << words;
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].rfind(testText(kTextHistorySaveFailed), 0), 0u);

    EXPECT_EQ(importProfile(*session, otherFile()), kSyncHistoryNotSaved);
    EXPECT_EQ(keyboardNow(), before);
}

TEST_F(KeyboardHistoryTest, AnUnreadableKeyboardLeavesANoticeInsteadOfAGuess) {
    // The reload fails: the model stands in for the keyboard.
    const auto macroRead = [](const SentFrame& f) { return f.command == 0x09; };
    refuseFrom(macroRead);
    ASSERT_NE(session->reloadFromKeyboard(), kResultDone);
    ASSERT_EQ(session->modelOrigin(), ModelOrigin::StandIn);
    // And the look before the write fails as well.
    refuseFrom(macroRead);
    prompter.answer = true;  // write the stand-in
    session->markDirty();
    ASSERT_EQ(session->applyConfiguration(), kResultDone);

    const std::vector<HistoryEntry> list = entries();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].state, HistoryEntry::State::NotSaved);
    EXPECT_NE(list[0].reason.find("nothing was saved"), std::string::npos) << list[0].reason;
    EXPECT_EQ(restoreHistoryEntry(*session, list[0].path, false), kSyncBadFile);
}

TEST_F(KeyboardHistoryTest, AWriteCutPartWayIsFollowedByAFreshRead) {
    // The key table is refused after the macro area went: what the keyboard
    // holds is a mix that only a read can tell.
    refuseFrom([](const SentFrame& f) { return f.command == 0x08; });
    assign(0, kKeyC, ActionMedia, 9);
    addMacro(u"third", 2);
    session->markDirty();
    ASSERT_NE(session->applyConfiguration(), kResultDone);
    const KeyboardCopy mixed = keyboardNow();
    EXPECT_FALSE(session->keyboardCopy().has_value());

    link->transport().setFrameObserver({});
    ASSERT_EQ(session->finishPendingTransfer(), kResultDone);
    const std::vector<HistoryEntry> list = entries();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].operation, "finish");
    EXPECT_EQ(readFileBytes(list[0].path).value(), fileOf(mixed));
    EXPECT_EQ(session->keyboardCopy(), keyboardNow());
}

TEST_F(KeyboardHistoryTest, TheSessionPrunesToItsLimits) {
    historyLimits = HistoryLimits{2, 20u << 20};
    makeSession();
    ASSERT_EQ(session->reloadFromKeyboard(), kResultDone);
    std::vector<KeyboardCopy> held;
    for (std::uint32_t i = 0; i < 4; ++i) {
        held.push_back(keyboardNow());
        assign(0, kKeyC, ActionMedia, 20 + i);
        session->markDirty();
        ASSERT_EQ(session->applyConfiguration(), kResultDone);
    }
    const std::vector<HistoryEntry> list = entries();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(readFileBytes(list[0].path).value(), fileOf(held[3]));
    EXPECT_EQ(readFileBytes(list[1].path).value(), fileOf(held[2]));
}

// ---- The folder alone -------------------------------------------------------

struct PruneCase {
    const char* name;
    HistoryLimits limits;
    std::vector<std::size_t> sizes;  // oldest first
    std::size_t kept;                // the newest `kept` stay
};

TEST(KeyboardHistoryFolder, PrunesOldestFirstByCountAndBySizeNeverTheNewest) {
    const PruneCase cases[] = {
        {"within both limits", {50, 20u << 20}, {100, 100, 100}, 3},
        {"by count", {3, 20u << 20}, {10, 10, 10, 10, 10}, 3},
        {"by size", {50, 250}, {100, 100, 100, 100}, 2},
        {"by size, exactly at the limit", {50, 300}, {100, 100, 100, 100}, 3},
        {"by size, a large old one goes first", {50, 300}, {1000, 100, 100}, 2},
        {"the newest alone is over the size", {50, 50}, {10, 10, 100}, 1},
        {"both limits", {2, 150}, {10, 10, 100, 100}, 1},
    };
    for (const PruneCase& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string folder = dir.path() + "/history";
        std::vector<std::string> paths;
        for (std::size_t i = 0; i < c.sizes.size(); ++i) {
            const std::vector<std::uint8_t> bytes(c.sizes[i], static_cast<std::uint8_t>(i));
            const HistoryStamp stamp{1'800'000'000'000 + static_cast<std::int64_t>(i) * 1000,
                                     HistoryOperation::Apply,
                                     {0}};
            const HistorySaved saved = saveHistoryEntry(folder, stamp, bytes, HistoryLimits{});
            ASSERT_TRUE(saved.ok) << saved.error;
            paths.push_back(saved.path);
        }
        EXPECT_EQ(pruneHistory(folder, c.limits), c.sizes.size() - c.kept);
        const std::vector<HistoryEntry> list = listHistory(folder, false);
        ASSERT_EQ(list.size(), c.kept);
        for (std::size_t i = 0; i < c.kept; ++i) {
            EXPECT_EQ(list[i].path, paths[paths.size() - 1 - i]);
        }
    }
}

TEST(KeyboardHistoryFolder, NamesStayUniqueAndInOrderWithinOneMillisecond) {
    TempDir dir;
    const std::string folder = dir.path() + "/history";
    const HistoryStamp stamp{1'800'000'000'000, HistoryOperation::Import, {0, 1, 2}};
    const std::vector<std::uint8_t> bytes(8, 1);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(saveHistoryEntry(folder, stamp, bytes).ok);
    }
    ASSERT_TRUE(saveHistoryNotice(folder, stamp, "why").ok);
    const std::vector<HistoryEntry> list = listHistory(folder, true);
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0].state, HistoryEntry::State::NotSaved);
    EXPECT_EQ(list[0].reason, "why");
    EXPECT_EQ(list[0].timeMs, stamp.timeMs + 3);
    EXPECT_EQ(list[3].timeMs, stamp.timeMs);
    EXPECT_EQ(list[3].profiles, "1,2,3");
    // Bytes that are no profile file are listed, as damaged.
    EXPECT_EQ(list[3].state, HistoryEntry::State::Damaged);
    // Other files in the folder are not entries, and are left alone.
    ASSERT_TRUE(writeFileAtomic(folder + "/notes.txt", "mine"));
    EXPECT_EQ(listHistory(folder, false).size(), 4u);
    EXPECT_EQ(pruneHistory(folder, HistoryLimits{1, 1}), 3u);
    EXPECT_TRUE(std::filesystem::exists(folder + "/notes.txt"));
}

}  // namespace
}  // namespace quorvane::test
