// The intent record of a transfer: written whole before the first memory goes
// out, cleared once the keyboard took it all, and at the keyboard's next
// arrival finished on Yes or let go on No. The removal cuts an import at every
// frame; the record's reader refuses damaged bytes.
#include "core/sync/transfer_intent.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>

#include "base/atomic_file.h"
#include "core/config/profile_file.h"
#include "core/device/device_result.h"
#include "core/platform/utf_text.h"
#include "core/sync/profile_transfer.h"
#include "core/sync/sync_result.h"
#include "sync_fixture.h"

namespace quorvane::test {
namespace {

constexpr KeyId kKeyA = 0x1E;
constexpr KeyId kKeyB = 0x30;
constexpr std::u16string_view kPendingPrompt = u"[IDS_TRANSFER_PENDING_PROMPT]";
constexpr std::u16string_view kNothingWrittenPrompt = u"[IDS_TRANSFER_PENDING_NOTHING_WRITTEN]";

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
    ASSERT_EQ(bytes.size(), 14u + 2 * (1 + kDeviceKeyTableSize) + 16 + 4);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 8), "QVTRANS2");
    EXPECT_EQ((std::vector<std::uint8_t>{bytes.begin() + 8, bytes.begin() + 14}),
              (std::vector<std::uint8_t>{16, 0, 0, 0, 2, 0}));
    EXPECT_EQ(bytes[14], 2);                                     // first table's profile
    EXPECT_EQ(bytes[15 + 1], 1 * 3 + 2);                         // its second key byte
    EXPECT_EQ(bytes[14 + 1 + kDeviceKeyTableSize], 0);           // second table's profile
    EXPECT_EQ(bytes[14 + 2 * (1 + kDeviceKeyTableSize)], 0xAA);  // the macro area
    TransferIntent started = intent;
    started.writingStarted = true;
    EXPECT_EQ(encodeTransferIntent(started)[13], 1);

    // The first layout: no started flag, read as started (it cannot tell).
    std::vector<std::uint8_t> first = bytes;
    first[7] = '1';
    first.erase(first.begin() + 13);
    first.resize(first.size() - 4);
    std::uint32_t sum = 2166136261u;
    for (const std::uint8_t b : first) {
        sum = (sum ^ b) * 16777619u;
    }
    for (int i = 0; i < 4; ++i) {
        first.push_back(static_cast<std::uint8_t>(sum >> (8 * i)));
    }
    ASSERT_TRUE(decodeTransferIntent(first, back, error)) << error;
    EXPECT_EQ(back, started);

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

// A record belongs to the keyboard it was meant for; one made where the
// keyboard was not known goes to the first keyboard that looks.
TEST(TransferIntentRecord, EachKeyboardReadsOnlyItsOwnRecord) {
    TempDir dir;
    const std::string folder = dir.file("state");
    const TransferRecordPlace first{folder, "serial:A1"};
    const TransferRecordPlace second{folder, "port:1-1.2"};
    EXPECT_NE(transferIntentPath(first), transferIntentPath(second));
    EXPECT_NE(transferIntentPath(first), transferIntentPath(folder));

    ASSERT_TRUE(saveTransferIntent(first, sampleIntent()));
    EXPECT_EQ(readTransferIntent(second).state, PendingTransfer::State::None);
    EXPECT_EQ(otherKeyboardsTransferIntents(second),
              std::vector<std::string>{transferIntentPath(first)});
    EXPECT_TRUE(otherKeyboardsTransferIntents(first).empty());
    EXPECT_EQ(readTransferIntent(first).state, PendingTransfer::State::Pending);
    EXPECT_TRUE(clearTransferIntent(second));
    EXPECT_TRUE(std::filesystem::exists(transferIntentPath(first)));

    TransferIntent untied = sampleIntent();
    untied.tables.pop_back();
    ASSERT_TRUE(saveTransferIntent(folder, untied));
    const PendingTransfer taken = readTransferIntent(second);
    ASSERT_EQ(taken.state, PendingTransfer::State::Pending);
    EXPECT_EQ(taken.intent, untied);
    EXPECT_FALSE(std::filesystem::exists(transferIntentPath(folder)));
    EXPECT_EQ(readTransferIntent(first).intent, sampleIntent());
}

// Holds the soft limit of open files at the lowest free descriptor, so that the
// next open fails with EMFILE.
class NoFileHandleLeft {
  public:
    NoFileHandleLeft() {
        ::getrlimit(RLIMIT_NOFILE, &m_old);
        const int lowest = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        ::close(lowest);
        rlimit tight = m_old;
        tight.rlim_cur = static_cast<rlim_t>(lowest);
        ::setrlimit(RLIMIT_NOFILE, &tight);
    }
    ~NoFileHandleLeft() { ::setrlimit(RLIMIT_NOFILE, &m_old); }
    NoFileHandleLeft(const NoFileHandleLeft&) = delete;
    NoFileHandleLeft& operator=(const NoFileHandleLeft&) = delete;

  private:
    rlimit m_old{};
};

// A record that cannot be read may be sound: it is reported, never taken for
// damaged, and reads again once the cause is gone. Run as root, no permission
// bit keeps root out, so that row runs only for other users.
TEST(TransferIntentRecord, AReadErrorIsNotDamage) {
    struct ReadCase {
        const char* what;
        std::function<void(const std::string& path)> spoil;  // before the read
        std::function<std::unique_ptr<NoFileHandleLeft>()> during;
        bool sound;  // a whole record stays behind and reads once the cause is gone
        bool needsNonRoot;
    };
    const std::vector<ReadCase> cases = {
        {"a folder in its place",
         [](const std::string& path) {
             std::filesystem::remove(path);
             std::filesystem::create_directory(path);
         },
         nullptr, false, false},
        {"no file handle left (EMFILE)", nullptr,
         [] { return std::make_unique<NoFileHandleLeft>(); }, true, false},
        {"no permission (EACCES)", [](const std::string& path) { ::chmod(path.c_str(), 0); },
         nullptr, true, true},
    };
    for (const ReadCase& c : cases) {
        if (c.needsNonRoot && ::geteuid() == 0) {
            std::printf("skipped as root: %s\n", c.what);
            continue;
        }
        TempDir dir;
        const std::string folder = dir.file("state");
        ASSERT_TRUE(saveTransferIntent(folder, sampleIntent()));
        const std::string path = transferIntentPath(folder);
        if (c.spoil) {
            c.spoil(path);
        }
        PendingTransfer pending;
        {
            const auto held = c.during ? c.during() : nullptr;
            pending = readTransferIntent(folder);
        }
        EXPECT_EQ(pending.state, PendingTransfer::State::Unreadable) << c.what;
        EXPECT_NE(pending.error.find(path), std::string::npos) << c.what << ": " << pending.error;
        EXPECT_TRUE(std::filesystem::exists(path)) << c.what;
        EXPECT_FALSE(std::filesystem::exists(path + ".damaged")) << c.what;
        if (c.sound) {
            ::chmod(path.c_str(), 0600);
            pending = readTransferIntent(folder);
            EXPECT_EQ(pending.state, PendingTransfer::State::Pending) << c.what;
            EXPECT_EQ(pending.intent, sampleIntent()) << c.what;
        }
    }
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

using Answer = Prompter::Answer;

struct CutCase {
    std::uint32_t frames;
    Answer answer;
};

class CutImport : public InterruptedTransfer, public ::testing::WithParamInterface<CutCase> {};

// Unanswered: the program closed while the question was open.
TEST_P(CutImport, TheNextArrivalFinishesOnYesKeepsTheKeyboardOnNoAndAsksAgainWhenUnanswered) {
    const auto [frames, reply] = GetParam();
    const bool answer = reply == Answer::Yes;
    knobs.RemoveAfterFrames(frames);
    EXPECT_NE(importProfile(*session, importFile), 1);
    const PendingTransfer pending = session->pendingTransfer();
    ASSERT_EQ(pending.state, PendingTransfer::State::Pending) << "cut after " << frames;
    EXPECT_EQ(pending.intent.macroArea, importedArea);
    EXPECT_EQ(pending.intent.writingStarted, frames > 1);
    ASSERT_EQ(pending.intent.tables.size(), 3u);
    const std::vector<std::uint8_t> cutTables = keyboardMemory(QUELLIX_AREA_KEY_TABLES, 0, 3 * 378);
    const std::vector<std::uint8_t> cutArea =
        keyboardMemory(QUELLIX_AREA_MACRO_AREA, 0, static_cast<std::uint32_t>(importedArea.size()));

    knobs.RemoveAfterFrames(0);
    attachKeyboard();
    prompter.answer = answer;
    prompter.unanswered = reply == Answer::Unanswered;
    session->onProfileMessage();

    // Cut after the first frame, BeginTransfer found no keyboard: nothing was written.
    const std::u16string_view asked = frames <= 1 ? kNothingWrittenPrompt : kPendingPrompt;
    EXPECT_EQ(prompter.questions, std::vector<std::u16string>{std::u16string(asked)});
    EXPECT_EQ(session->pendingTransfer().state, reply == Answer::Unanswered
                                                    ? PendingTransfer::State::Pending
                                                    : PendingTransfer::State::None);
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
    if (reply == Answer::Unanswered) {
        // The next start asks again, and Yes still writes the import.
        const PendingTransfer kept = session->pendingTransfer();
        EXPECT_EQ(kept.intent, pending.intent);
        prompter = RecordingPrompter{};
        session->onProfileMessage();
        EXPECT_EQ(prompter.questions.size(), 1u);
        EXPECT_TRUE(keyboardHoldsTheImport());
        EXPECT_EQ(session->pendingTransfer().state, PendingTransfer::State::None);
    }
}

std::vector<CutCase> cutCases() {
    std::vector<CutCase> cases;
    for (std::uint32_t f = 1; f < kImportFrames; ++f) {
        cases.push_back({f, Answer::Yes});
    }
    for (std::uint32_t f : {1u, 2u, 4u, 12u, 25u}) {
        cases.push_back({f, Answer::No});
    }
    for (std::uint32_t f : {1u, 4u, 25u}) {
        cases.push_back({f, Answer::Unanswered});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(EveryFrame, CutImport, ::testing::ValuesIn(cutCases()),
                         [](const auto& info) {
                             const Answer a = info.param.answer;
                             return "frame" + std::to_string(info.param.frames) +
                                    (a == Answer::Yes  ? "Yes"
                                     : a == Answer::No ? "No"
                                                       : "Unanswered");
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
    ASSERT_TRUE(makeDirectories(recordFolder));
    ASSERT_TRUE(
        writeFileAtomic(transferIntentPath(recordFolder), std::string_view("QVTRANS1 torn")));
    const std::vector<std::uint8_t> tables = keyboardMemory(QUELLIX_AREA_KEY_TABLES, 0, 3 * 378);
    session->onProfileMessage();
    EXPECT_TRUE(prompter.questions.empty());
    EXPECT_EQ(prompter.messages, std::vector<std::u16string>{u"[IDS_TRANSFER_RECORD_DAMAGED]"});
    EXPECT_EQ(keyboardMemory(QUELLIX_AREA_KEY_TABLES, 0, 3 * 378), tables);
    EXPECT_EQ(session->pendingTransfer().state, PendingTransfer::State::None);
}

TEST_F(InterruptedTransfer, ARecordThatCannotBeReadIsToldAndLeftWhereItIs) {
    const std::string path = transferIntentPath(session->transferRecordPlace());
    std::filesystem::create_directories(path);
    const std::vector<std::uint8_t> tables = keyboardMemory(QUELLIX_AREA_KEY_TABLES, 0, 3 * 378);
    session->onProfileMessage();
    EXPECT_TRUE(prompter.questions.empty());
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_TRUE(prompter.messages[0].starts_with(u"[IDS_TRANSFER_RECORD_UNREADABLE]\n\n"));
    EXPECT_NE(prompter.messages[0].find(utf8ToUtf16(path)), std::u16string::npos);
    EXPECT_EQ(keyboardMemory(QUELLIX_AREA_KEY_TABLES, 0, 3 * 378), tables);
    EXPECT_TRUE(std::filesystem::is_directory(path));
    EXPECT_FALSE(std::filesystem::exists(path + ".damaged"));
    EXPECT_EQ(session->finishPendingTransfer(), kSyncFileNotRead);
    EXPECT_TRUE(std::filesystem::is_directory(path));
}

TEST_F(InterruptedTransfer, ARecordForAnotherKeyboardIsToldOnceAndNeverWritten) {
    const TransferRecordPlace other{recordFolder, "serial:another-keyboard"};
    ASSERT_NE(session->transferRecordPlace().keyboard, other.keyboard);
    ASSERT_TRUE(saveTransferIntent(other, sampleIntent()));
    const std::vector<std::uint8_t> tables = keyboardMemory(QUELLIX_AREA_KEY_TABLES, 0, 3 * 378);
    session->onProfileMessage();
    session->onProfileMessage();
    EXPECT_TRUE(prompter.questions.empty());
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_TRUE(prompter.messages[0].starts_with(u"[IDS_TRANSFER_OTHER_KEYBOARD]\n\n"));
    EXPECT_EQ(session->pendingTransfer().state, PendingTransfer::State::None);
    EXPECT_EQ(session->finishPendingTransfer(), 1);
    EXPECT_EQ(keyboardMemory(QUELLIX_AREA_KEY_TABLES, 0, 3 * 378), tables);
    EXPECT_EQ(readTransferIntent(other).state, PendingTransfer::State::Pending);
}

// Earlier builds kept the record in the user data folder (often synced with
// other machines); a session moves it to the state folder once, so an upgrade
// loses no transfer, and never over a newer record.
TEST_F(InterruptedTransfer, ARecordInTheUserDataFolderMovesToTheStateFolderOnce) {
    std::filesystem::remove_all(recordFolder);
    ASSERT_TRUE(saveTransferIntent(userData, sampleIntent()));
    makeSession();
    EXPECT_FALSE(std::filesystem::exists(transferIntentPath(userData)));
    PendingTransfer pending = session->pendingTransfer();
    ASSERT_EQ(pending.state, PendingTransfer::State::Pending);
    EXPECT_EQ(pending.intent, sampleIntent());
    struct stat folder {};
    ASSERT_EQ(::stat(recordFolder.c_str(), &folder), 0);
    EXPECT_EQ(folder.st_mode & 07777, 0700u);

    TransferIntent newer = sampleIntent();
    newer.tables.pop_back();
    ASSERT_TRUE(saveTransferIntent(session->transferRecordPlace(), newer));
    ASSERT_TRUE(saveTransferIntent(userData, sampleIntent()));
    makeSession();
    EXPECT_EQ(session->pendingTransfer().intent, newer);
    EXPECT_TRUE(std::filesystem::exists(transferIntentPath(userData)));
}

// Another client's transfer was cut (or the question went unanswered): an
// Apply that writes one profile must not take the place of a record of three.
// The tool refuses; the desktop program asks first.
TEST_F(InterruptedTransfer, AnApplyDoesNotTakeThePlaceOfALargerCutTransfer) {
    struct ApplyCase {
        const char* what;
        bool offer;
        int result;
        std::size_t questions;
        PendingTransfer::State left;
    };
    const ApplyCase cases[] = {
        {"the tool", false, kSyncTransferPending, 0, PendingTransfer::State::Pending},
        {"the desktop program, answered No", true, 1, 1, PendingTransfer::State::None},
    };
    for (const ApplyCase& c : cases) {
        knobs.RemoveAfterFrames(10);
        EXPECT_NE(importProfile(*session, importFile), 1) << c.what;
        knobs.RemoveAfterFrames(0);
        attachKeyboard();
        session->setOfferPendingTransfer(false);
        session->onProfileMessage();
        session->setOfferPendingTransfer(c.offer);
        prompter = RecordingPrompter{};
        prompter.answer = false;
        knobs.ClearFrames();
        assign(0, kKeyB, ActionDisabled, 0);
        session->markDirty();
        EXPECT_EQ(session->applyConfiguration(), c.result) << c.what;
        EXPECT_EQ(prompter.questions.size(), c.questions) << c.what;
        EXPECT_EQ(session->pendingTransfer().state, c.left) << c.what;
        if (c.result != 1) {
            EXPECT_TRUE(writesSent().empty()) << c.what;
            EXPECT_EQ(session->explain(c.result).code(), kSyncTransferPending);
            EXPECT_EQ(session->pendingTransfer().intent.tables.size(), 3u) << c.what;
        } else {
            EXPECT_EQ(keyboardKeyTable(0), modelKeyTable(0)) << c.what;
        }
    }
    // A transfer that writes all of it takes its place.
    session->setOfferPendingTransfer(false);
    knobs.RemoveAfterFrames(10);
    EXPECT_NE(importProfile(*session, importFile), 1);
    knobs.RemoveAfterFrames(0);
    attachKeyboard();
    ASSERT_EQ(importProfile(*session, importFile), 1);
    EXPECT_TRUE(keyboardHoldsTheImport());
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
    ASSERT_TRUE(saveTransferIntent(recordFolder, big));
    knobs.ClearFrames();
    EXPECT_EQ(session->finishPendingTransfer(), kSyncMacroSpaceExceeded);
    EXPECT_TRUE(writesSent().empty());
    EXPECT_EQ(session->pendingTransfer().state, PendingTransfer::State::Pending);
}

}  // namespace
}  // namespace quorvane::test
