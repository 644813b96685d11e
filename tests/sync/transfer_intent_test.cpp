// The intent record of a transfer: written whole before the first memory goes
// out, cleared once the keyboard took it all, and at the keyboard's next
// arrival finished on Yes or let go on No. The removal cuts an import at every
// frame; the record's reader refuses damaged bytes.
#include "core/sync/transfer_intent.h"
#include "base/atomic_file.h"
#include "core/config/profile_file.h"
#include "core/device/device_result.h"
#include "core/sync/profile_transfer.h"
#include "core/sync/sync_result.h"
#include "sync_fixture.h"

namespace quorvane::test {
namespace {

constexpr KeyId kKeyA = 0x1E;
constexpr KeyId kKeyB = 0x30;
constexpr std::u16string_view kPendingPrompt = u"[IDS_TRANSFER_PENDING_PROMPT]";

TransferIntent sampleIntent() {
    TransferIntent intent;
    intent.macroArea = {0xAA, 0x55, 16, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    for (int p : {2, 0}) {
        TransferIntent::Table t;
        t.profile = p;
        for (std::size_t i = 0; i < t.table.bytes.size(); ++i) {
            t.table.bytes[i] = static_cast<std::uint8_t>(i * 3 + p);
        }
        intent.tables.push_back(t);
    }
    return intent;
}

TEST(TransferIntentRecord, RoundTripsAndRefusesDamagedBytes) {
    const TransferIntent intent = sampleIntent();
    const std::vector<std::uint8_t> bytes = encodeTransferIntent(intent);
    TransferIntent back;
    std::string error;
    ASSERT_TRUE(decodeTransferIntent(bytes, back, error)) << error;
    EXPECT_EQ(back, intent);
    // The stored layout, so that a record left by an earlier build still reads.
    ASSERT_EQ(bytes.size(), 13u + 2 * (1 + kDeviceKeyTableSize) + 16 + 4);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 8), "QVTRANS1");
    EXPECT_EQ((std::vector<std::uint8_t>{bytes.begin() + 8, bytes.begin() + 13}),
              (std::vector<std::uint8_t>{16, 0, 0, 0, 2}));
    EXPECT_EQ(bytes[13], 2);                                     // first table's profile
    EXPECT_EQ(bytes[14 + 1], 1 * 3 + 2);                         // its second key byte
    EXPECT_EQ(bytes[13 + 1 + kDeviceKeyTableSize], 0);           // second table's profile
    EXPECT_EQ(bytes[13 + 2 * (1 + kDeviceKeyTableSize)], 0xAA);  // the macro area

    struct Damage {
        const char* what;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Damage> cases;
    cases.push_back({"empty", {}});
    cases.push_back({"cut in half", {bytes.begin(), bytes.begin() + bytes.size() / 2}});
    cases.push_back({"last byte missing", {bytes.begin(), bytes.end() - 1}});
    auto longer = bytes;
    longer.push_back(0);
    cases.push_back({"a byte more", longer});
    auto flipped = bytes;
    flipped[200] ^= 0x01;
    cases.push_back({"a table byte flipped", flipped});
    auto magic = bytes;
    magic[0] = 'X';
    cases.push_back({"another magic", magic});
    // Bytes whose checksum fits but whose contents do not.
    TransferIntent profile3 = intent;
    profile3.tables[0].profile = 3;
    cases.push_back({"profile 3", encodeTransferIntent(profile3)});
    TransferIntent twice = intent;
    twice.tables[1].profile = twice.tables[0].profile;
    cases.push_back({"a profile twice", encodeTransferIntent(twice)});
    TransferIntent noArea = intent;
    noArea.macroArea.clear();
    cases.push_back({"no macro area", encodeTransferIntent(noArea)});
    for (const Damage& c : cases) {
        TransferIntent out = intent;
        EXPECT_FALSE(decodeTransferIntent(c.bytes, out, error)) << c.what;
        EXPECT_EQ(out, intent) << c.what << ": left untouched";
    }
}

TEST(TransferIntentRecord, SavedReadClearedAndDamagedSetAside) {
    TempDir dir;
    const std::string folder = dir.file("data");
    EXPECT_EQ(readTransferIntent(folder).state, PendingTransfer::State::None);
    ASSERT_TRUE(saveTransferIntent(folder, sampleIntent()));
    PendingTransfer pending = readTransferIntent(folder);
    ASSERT_EQ(pending.state, PendingTransfer::State::Pending);
    EXPECT_EQ(pending.intent, sampleIntent());
    EXPECT_EQ(describeTransferIntent(pending.intent),
              "the macro area (16 bytes) and the key tables of profiles 3, 1");
    EXPECT_TRUE(clearTransferIntent(folder));
    EXPECT_EQ(readTransferIntent(folder).state, PendingTransfer::State::None);

    ASSERT_TRUE(writeFileAtomic(transferIntentPath(folder), std::string_view("QVTRANS1 torn")));
    pending = readTransferIntent(folder);
    EXPECT_EQ(pending.state, PendingTransfer::State::Damaged);
    EXPECT_NE(pending.error.find(transferIntentPath(folder)), std::string::npos) << pending.error;
    EXPECT_TRUE(setDamagedTransferIntentAside(folder));
    EXPECT_EQ(readTransferIntent(folder).state, PendingTransfer::State::None);
    EXPECT_TRUE(std::filesystem::exists(transferIntentPath(folder) + ".damaged"));
}

// An import whose three profiles differ and whose macro area takes three frames.
class InterruptedTransfer : public SyncTest {
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
        importedArea = modelMacroArea();
        for (int p = 0; p < 3; ++p) {
            importedTables[p] = modelKeyTable(p);
        }
        ASSERT_EQ(session->reloadFromKeyboard(), 1);
        knobs.ClearFrames();
    }

    bool keyboardHoldsTheImport() const {
        for (int p = 0; p < 3; ++p) {
            if (keyboardKeyTable(p) != importedTables[p]) {
                return false;
            }
        }
        return keyboardMemory(QUELLIX_AREA_MACRO_AREA, 0,
                              static_cast<std::uint32_t>(importedArea.size())) == importedArea;
    }

    std::string importFile;
    std::vector<std::uint8_t> importedArea;
    std::array<DeviceKeyTable, 3> importedTables{};
};

// Frames of an import: the settings read for the cache file, Begin, three
// macro-area frames, 21 key-table frames, End.
constexpr std::uint32_t kImportFrames = 1 + 1 + 3 + 21 + 1;

TEST_F(InterruptedTransfer, AWholeTransferLeavesNoRecord) {
    ASSERT_EQ(importProfile(*session, importFile), 1);
    EXPECT_TRUE(keyboardHoldsTheImport());
    EXPECT_EQ(session->pendingTransfer().state, PendingTransfer::State::None);
    session->onProfileMessage();
    EXPECT_TRUE(prompter.questions.empty());
}

struct CutCase {
    std::uint32_t frames;
    bool answer;
};

class CutImport : public InterruptedTransfer, public ::testing::WithParamInterface<CutCase> {};

TEST_P(CutImport, TheNextArrivalFinishesOnYesAndKeepsTheKeyboardOnNo) {
    const auto [frames, answer] = GetParam();
    knobs.RemoveAfterFrames(frames);
    EXPECT_NE(importProfile(*session, importFile), 1);
    const PendingTransfer pending = session->pendingTransfer();
    ASSERT_EQ(pending.state, PendingTransfer::State::Pending) << "cut after " << frames;
    EXPECT_EQ(pending.intent.macroArea, importedArea);
    ASSERT_EQ(pending.intent.tables.size(), 3u);
    const std::vector<std::uint8_t> cutTables = keyboardMemory(QUELLIX_AREA_KEY_TABLES, 0, 3 * 378);
    const std::vector<std::uint8_t> cutArea =
        keyboardMemory(QUELLIX_AREA_MACRO_AREA, 0, static_cast<std::uint32_t>(importedArea.size()));

    knobs.RemoveAfterFrames(0);
    attachKeyboard();
    prompter.answer = answer;
    session->onProfileMessage();

    EXPECT_EQ(prompter.questions, std::vector<std::u16string>{std::u16string(kPendingPrompt)});
    EXPECT_EQ(session->pendingTransfer().state, PendingTransfer::State::None);
    if (answer) {
        EXPECT_TRUE(keyboardHoldsTheImport());
        EXPECT_TRUE(prompter.messages.empty());
    } else {
        EXPECT_EQ(keyboardMemory(QUELLIX_AREA_KEY_TABLES, 0, 3 * 378), cutTables);
        EXPECT_EQ(keyboardMemory(QUELLIX_AREA_MACRO_AREA, 0,
                                 static_cast<std::uint32_t>(importedArea.size())),
                  cutArea);
    }
    // Either way the model is what the keyboard holds now, or the dirty mark
    // says it is not: a macro area cut in the middle cannot be read back whole.
    bool same = true;
    for (int p = 0; p < 3; ++p) {
        same = same && modelKeyTable(p) == keyboardKeyTable(p);
    }
    const std::vector<std::uint8_t> modelArea = modelMacroArea(true);
    same = same && keyboardMemory(QUELLIX_AREA_MACRO_AREA, 0,
                                  static_cast<std::uint32_t>(modelArea.size())) == modelArea;
    EXPECT_EQ(window.dirty, !same);
    if (answer) {
        EXPECT_TRUE(same);
    }
}

std::vector<CutCase> cutCases() {
    std::vector<CutCase> cases;
    for (std::uint32_t f = 1; f < kImportFrames; ++f) {
        cases.push_back({f, true});
    }
    for (std::uint32_t f : {2u, 4u, 12u, 25u}) {
        cases.push_back({f, false});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(EveryFrame, CutImport, ::testing::ValuesIn(cutCases()),
                         [](const auto& info) {
                             return "frame" + std::to_string(info.param.frames) +
                                    (info.param.answer ? "Yes" : "No");
                         });

TEST_F(InterruptedTransfer, AFinishTheKeyboardRefusesKeepsTheRecordAndSaysSo) {
    knobs.RemoveAfterFrames(10);
    EXPECT_NE(importProfile(*session, importFile), 1);
    knobs.RemoveAfterFrames(0);
    attachKeyboard();
    knobs.Refuse(0xFF, QUELLIX_ALWAYS);
    prompter.answer = true;
    session->offerPendingTransfer();
    knobs.Refuse(0xFF, 0);
    // The fixed text, then where the keyboard stopped it.
    EXPECT_EQ(prompter.messages,
              std::vector<std::u16string>{u"[IDS_TRANSFER_FINISH_FAILED]\n\nbegin transfer: the "
                                          u"keyboard refused the command (status 0xFF)"});
    EXPECT_EQ(session->pendingTransfer().state, PendingTransfer::State::Pending);
    // Offered again, and this time the keyboard takes it.
    prompter = RecordingPrompter{};
    session->onProfileMessage();
    EXPECT_EQ(prompter.questions.size(), 1u);
    EXPECT_TRUE(keyboardHoldsTheImport());
    EXPECT_EQ(session->pendingTransfer().state, PendingTransfer::State::None);
}

TEST_F(InterruptedTransfer, ADamagedRecordIsToldAndSetAsideWithoutAQuestion) {
    ASSERT_TRUE(writeFileAtomic(transferIntentPath(userData), std::string_view("QVTRANS1 torn")));
    const std::vector<std::uint8_t> tables = keyboardMemory(QUELLIX_AREA_KEY_TABLES, 0, 3 * 378);
    session->onProfileMessage();
    EXPECT_TRUE(prompter.questions.empty());
    EXPECT_EQ(prompter.messages, std::vector<std::u16string>{u"[IDS_TRANSFER_RECORD_DAMAGED]"});
    EXPECT_EQ(keyboardMemory(QUELLIX_AREA_KEY_TABLES, 0, 3 * 378), tables);
    EXPECT_EQ(session->pendingTransfer().state, PendingTransfer::State::None);
}

TEST_F(InterruptedTransfer, ASessionThatDoesNotOfferLeavesTheRecord) {
    knobs.RemoveAfterFrames(10);
    EXPECT_NE(importProfile(*session, importFile), 1);
    knobs.RemoveAfterFrames(0);
    attachKeyboard();
    session->setOfferPendingTransfer(false);
    session->onProfileMessage();
    EXPECT_TRUE(prompter.questions.empty());
    EXPECT_EQ(session->pendingTransfer().state, PendingTransfer::State::Pending);
    EXPECT_EQ(session->finishPendingTransfer(), 1);
    EXPECT_TRUE(keyboardHoldsTheImport());
    EXPECT_EQ(session->pendingTransfer().state, PendingTransfer::State::None);
}

TEST_F(InterruptedTransfer, ARecordWhoseAreaOutgrowsThisKeyboardIsNotWritten) {
    TransferIntent big = sampleIntent();
    big.macroArea.resize(lighting.macroSpace + 128);
    ASSERT_TRUE(saveTransferIntent(userData, big));
    knobs.ClearFrames();
    EXPECT_EQ(session->finishPendingTransfer(), kSyncMacroSpaceExceeded);
    EXPECT_TRUE(writesSent().empty());
    EXPECT_EQ(session->pendingTransfer().state, PendingTransfer::State::Pending);
}

}  // namespace
}  // namespace quorvane::test
