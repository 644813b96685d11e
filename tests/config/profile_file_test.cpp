// Profile files: the exact bytes written, the validator, and loading files
// that are cut short, lie about their sizes or carry broken texts and macros.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include "base/le_bytes.h"
#include "config/config_test_support.h"
#include "config/recording_prompter.h"
#include "core/config/profile_file.h"
#include "core/platform/utf_text.h"
#include "platform/fifo_guard.h"

namespace quorvane {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t kAreaStart = kConfigImageSize;

std::size_t valueOffsetOf(int entry) {
    return 64 + 16 * static_cast<std::size_t>(entry) + 4;
}

void fixChecksum(Bytes& b) {
    b[31] = imageHeaderChecksum(b);
}

class ProfileFile : public ::testing::Test {
  protected:
    test::TempDir dir;
    std::string path = dir.file("profile.fwc");
};

TEST_F(ProfileFile, EmptyModelExportsAsExactly32832Bytes) {
    auto config = test::defaultModel();
    ASSERT_EQ(saveProfileFile(*config, path, true), 1);
    const Bytes b = test::readAll(path);
    ASSERT_EQ(b.size(), 32832u);
    const Bytes header = {0x46, 0x44, 0x20, 0x00, 0x03, 0x00, 0x01, 0x00, 0x40, 0x80,
                          0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 20), header);
    EXPECT_EQ(Bytes(b.begin() + 20, b.begin() + 31), Bytes(11, 0));
    EXPECT_EQ(b[31], 0x76);
    EXPECT_EQ(getU32(b, 32), 0x0020484Bu);
    EXPECT_EQ(getU32(b, 48), 0x50040C45u);
    EXPECT_EQ(getU16(b, 64 + 16 * 256 + 2), 0x0301);
    EXPECT_EQ(getU16(b, 64 + 16 * 273 + 2), 0x1309);
    EXPECT_EQ(checkProfileFile(path, nullptr), 1);

    // A new file from the profile manager is the same default image.
    WorkingConfig untouched;
    const std::string fresh = dir.file("new.fwc");
    ASSERT_EQ(createDefaultImage(untouched, fresh, false), 1);
    EXPECT_FALSE(untouched.image);
    EXPECT_EQ(test::readAll(fresh), b);
}

TEST_F(ProfileFile, TextsArePackedInEntryOrder) {
    auto config = test::defaultModel();
    ASSERT_TRUE(writeAssignment(*config, 600, ActionText, 0, 0));
    ASSERT_TRUE(setText(*config, 600, u"hi"));
    ASSERT_TRUE(writeAssignment(*config, 5, ActionProgram, 0, 0));
    ASSERT_TRUE(setText(*config, 5, u"/usr/bin/x"));
    // A text on an entry of another type counts in the size but is not packed.
    ASSERT_TRUE(setText(*config, 7, u"zz"));
    // A program entry without a text must not pick up someone else's.
    config->image->entries[9].type = ActionProgram;
    config->image->entries[9].value = 0;
    ASSERT_EQ(saveProfileFile(*config, path, true), 1);

    const Bytes b = test::readAll(path);
    ASSERT_EQ(b.size(), kAreaStart + 22 + 6 + 6);
    EXPECT_EQ(getU32(b, 16), 34u);
    EXPECT_EQ(getU32(b, valueOffsetOf(5)), 0u);
    EXPECT_EQ(getU32(b, valueOffsetOf(600)), 22u);
    EXPECT_EQ(getU32(b, valueOffsetOf(9)), 0xFFFFFFFFu);
    const Bytes area(b.begin() + kAreaStart, b.end());
    const Bytes expected = {'/', 0, 'u', 0, 's', 0, 'r', 0, '/', 0, 'b', 0, 'i', 0, 'n', 0, '/', 0,
                            'x', 0, 0,   0, 'h', 0, 'i', 0, 0,   0, 0,   0, 0,   0, 0,   0};
    EXPECT_EQ(area, expected);
    EXPECT_EQ(checkProfileFile(path, nullptr), 1);

    WorkingConfig back;
    ASSERT_EQ(loadProfileFile(back, path), 1);
    EXPECT_EQ(*back.texts[5].text, u"/usr/bin/x");
    EXPECT_EQ(*back.texts[600].text, u"hi");
    EXPECT_FALSE(back.texts[7].text);
    EXPECT_FALSE(back.texts[9].text);
    EXPECT_EQ(back.textTotal, 28u);
}

TEST_F(ProfileFile, RefusesToSaveWhatCannotBeLoaded) {
    auto config = test::defaultModel();
    config->macros.resize(101);
    EXPECT_EQ(saveProfileFile(*config, path, true), 0);
    WorkingConfig empty;
    EXPECT_EQ(saveProfileFile(empty, path, false), 0);
    EXPECT_EQ(access(path.c_str(), F_OK), -1);
}

// A valid file with one macro and one text, for the corruption cases.
Bytes smallValidFile() {
    auto config = test::defaultModel();
    config->macros.push_back(test::makeMacro(1, u"ab", {{100, 0x1E, 0}, {0, 0x1E, 1}}, 2));
    writeAssignment(*config, 12, ActionText, 0, 0);
    setText(*config, 12, u"typed");
    return *packProfileFile(*config->image, config->macros, config->texts, config->textTotal);
}

struct HeaderCase {
    const char* name;
    std::size_t offset;
    int width;  // 1, 2 or 4 bytes
    std::uint32_t value;
    bool accepted;
};

class HeaderCheck : public ProfileFile, public ::testing::WithParamInterface<HeaderCase> {};

TEST_P(HeaderCheck, EachFieldInTurn) {
    Bytes b = smallValidFile();
    const HeaderCase& c = GetParam();
    if (c.width == 1) {
        b[c.offset] = static_cast<std::uint8_t>(c.value);
    } else if (c.width == 2) {
        putU16(b, c.offset, static_cast<std::uint16_t>(c.value));
    } else {
        putU32(b, c.offset, c.value);
    }
    fixChecksum(b);
    test::writeAll(path, b);
    test::RecordingPrompter prompter;
    EXPECT_EQ(checkProfileFile(path, &prompter), c.accepted ? 1 : 0);
    if (c.accepted) {
        EXPECT_TRUE(prompter.messages.empty());
    } else {
        ASSERT_EQ(prompter.messages.size(), 1u);
        EXPECT_EQ(prompter.messages[0],
                  u"wrong file format, revert to the default values: \n  " + utf8ToUtf16(path));
    }
}

const std::uint32_t kSmallSize = 32832 + 16512 + 12;

INSTANTIATE_TEST_SUITE_P(
    Fields, HeaderCheck,
    ::testing::Values(
        HeaderCase{"Valid", 0, 2, 0x4446, true}, HeaderCase{"Magic", 0, 2, 0x4447, false},
        HeaderCase{"HeaderSize", 2, 2, 33, false}, HeaderCase{"ProfileCount", 4, 2, 4, false},
        HeaderCase{"Version", 6, 2, 2, false}, HeaderCase{"TotalBelowImage", 8, 4, 32831, false},
        HeaderCase{"TotalDisagrees", 8, 4, kSmallSize + 2, false},
        HeaderCase{"EntryCount", 12, 2, 2047, false}, HeaderCase{"FlagOne", 30, 1, 1, true},
        HeaderCase{"FlagTwo", 30, 1, 2, false},
        HeaderCase{"ReservedIgnored", 20, 4, 0xDEADBEEF, true},
        HeaderCase{"TextSizeDisagrees", 16, 4, 14, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProfileFile, HundredAndOneMacrosAreRejectedEvenWithAgreeingSizes) {
    Bytes b = smallValidFile();
    b.resize(32832 + 101 * 16512, 0);
    putU16(b, 14, 101);
    putU32(b, 16, 0);
    putU32(b, 8, 32832 + 101 * 16512);
    fixChecksum(b);
    test::writeAll(path, b);
    test::RecordingPrompter prompter;
    EXPECT_EQ(checkProfileFile(path, &prompter), 0);
    EXPECT_EQ(prompter.messages.size(), 1u);
    WorkingConfig config;
    EXPECT_EQ(loadProfileFile(config, path), 0);
}

TEST_F(ProfileFile, ChecksumOffByOneIsRejected) {
    for (int delta : {+1, -1}) {
        Bytes b = smallValidFile();
        b[31] = static_cast<std::uint8_t>(b[31] + delta);
        test::writeAll(path, b);
        test::RecordingPrompter prompter;
        EXPECT_EQ(checkProfileFile(path, &prompter), 0);
        EXPECT_EQ(prompter.messages.size(), 1u);
    }
}

TEST_F(ProfileFile, CheckWithoutAMessageForMissingOrShortFiles) {
    test::RecordingPrompter prompter;
    EXPECT_EQ(checkProfileFile(dir.file("absent.fwc"), &prompter), 0);
    Bytes b = smallValidFile();
    b.resize(32831);
    test::writeAll(path, b);
    EXPECT_EQ(checkProfileFile(path, &prompter), 0);
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_EQ(checkProfileFile(dir.path(), &prompter), -2);  // a folder cannot be read as a file
}

TEST_F(ProfileFile, CheckRejectsAFileShorterThanItsHeaderAnnounces) {
    Bytes b = smallValidFile();
    b.resize(b.size() - 1);
    test::writeAll(path, b);
    test::RecordingPrompter prompter;
    EXPECT_EQ(checkProfileFile(path, &prompter), 0);
    EXPECT_EQ(prompter.messages.size(), 1u);
    // Longer than announced is fine: the rest is not read.
    b = smallValidFile();
    b.push_back(0x99);
    test::writeAll(path, b);
    EXPECT_EQ(checkProfileFile(path, &prompter), 1);
}

TEST_F(ProfileFile, ExportAfterLoadingAnUncheckedHeaderIsValid) {
    // The cache file is loaded without the checks; its odd header fields must
    // not travel into the next file written.
    Bytes b = smallValidFile();
    b[30] = 0x2E;
    putU32(b, 20, 0xFFFFFFFF);
    fixChecksum(b);
    test::writeAll(path, b);
    EXPECT_EQ(checkProfileFile(path, nullptr), 0);
    WorkingConfig config;
    ASSERT_EQ(loadProfileFile(config, path), 1);
    ASSERT_EQ(saveProfileFile(config, path, true), 1);
    EXPECT_EQ(checkProfileFile(path, nullptr), 1);
    const Bytes again = test::readAll(path);
    EXPECT_EQ(again[30], 0);
    EXPECT_EQ(getU32(again, 20), 0u);
}

TEST_F(ProfileFile, FilesPastTheSizeLimitAreRefusedByCheckAndLoad) {
    // A sparse file of 70 MiB whose header agrees with its size.
    const std::uint32_t text = (70u << 20) - 32832u;
    Bytes b = smallValidFile();
    b.resize(32832);
    putU16(b, 14, 0);
    putU32(b, 16, text);
    putU32(b, 8, 32832 + text);
    fixChecksum(b);
    test::writeAll(path, b);
    ASSERT_EQ(::truncate(path.c_str(), 32832 + static_cast<off_t>(text)), 0);
    test::RecordingPrompter prompter;
    EXPECT_EQ(checkProfileFile(path, &prompter), 0);
    EXPECT_EQ(prompter.messages.size(), 1u);
    WorkingConfig config;
    EXPECT_EQ(loadProfileFile(config, path), 0);
}

TEST_F(ProfileFile, CheckCannotOpen) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permissions do not apply to root";
    }
    test::writeAll(path, smallValidFile());
    ::chmod(path.c_str(), 0);
    EXPECT_EQ(checkProfileFile(path, nullptr), -2);
}

// Every prefix of a valid file is refused and nothing past the prefix is read:
// each prefix lives in a buffer of its own size, so the address sanitizer
// build catches any read beyond it.
TEST(ProfileFileTruncation, EveryLengthOfASmallFileIsRefused) {
    const Bytes full = smallValidFile();
    ASSERT_TRUE(parseProfileFile(full));
    for (std::size_t length = 0; length < full.size(); ++length) {
        const Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length));
        ASSERT_FALSE(parseProfileFile(cut)) << "length " << length;
    }
}

TEST_F(ProfileFile, LoadOfACutFileLeavesTheModelAsItWas) {
    const Bytes full = smallValidFile();
    auto config = test::defaultModel();
    config->image->entries[3].type = ActionDisabled;
    config->macros.push_back(test::makeMacro(42, u"kept", {}));
    setText(*config, 77, u"kept text");
    const ConfigImage imageBefore = *config->image;
    // Lengths around every boundary of the layout, and a stride through the rest.
    std::vector<std::size_t> lengths = {
        0, 1, 31, 32, 33, 32831, 32832, 32833, 32832 + 16511, 32832 + 16512, full.size() - 1};
    for (std::size_t l = 64; l < full.size(); l += 997) {
        lengths.push_back(l);
    }
    for (std::size_t length : lengths) {
        test::writeAll(path,
                       Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length)));
        ASSERT_EQ(loadProfileFile(*config, path), 0) << "length " << length;
        ASSERT_EQ(*config->image, imageBefore);
        ASSERT_EQ(config->macros.size(), 1u);
        ASSERT_EQ(config->macros[0].id, 42);
        ASSERT_EQ(*config->texts[77].text, u"kept text");
        ASSERT_EQ(config->textTotal, 20u);
    }
    EXPECT_EQ(loadProfileFile(*config, dir.file("absent")), 0);
    test::writeAll(path, full);
    EXPECT_EQ(loadProfileFile(*config, path), 1);
    EXPECT_EQ(config->macros[0].nameView(), u"ab");
    EXPECT_FALSE(config->texts[77].text);
}

TEST_F(ProfileFile, HugeAnnouncedSizesAreRefusedFromTheHeader) {
    struct Case {
        std::uint16_t macros;
        std::uint32_t text;
    };
    for (Case c : {Case{0, 0xFFFFFFFF}, Case{100, 0xFFFFFFFF}, Case{0xFFFF, 0}, Case{101, 0},
                   Case{100, 0x7FFFFFFF}}) {
        Bytes b = smallValidFile();
        putU16(b, 14, c.macros);
        putU32(b, 16, c.text);
        putU32(b, 8, static_cast<std::uint32_t>(32832 + 16512ull * c.macros + c.text));
        fixChecksum(b);
        test::writeAll(path, b);
        WorkingConfig config;
        EXPECT_EQ(loadProfileFile(config, path), 0) << c.macros << " " << c.text;
        EXPECT_FALSE(config.image);
        EXPECT_EQ(checkProfileFile(path, nullptr), 0);
        EXPECT_FALSE(parseProfileFile(b));
    }
}

TEST(ProfileFileTexts, BrokenOffsetsAndTerminatorsLoseOnlyThoseTexts) {
    auto config = test::defaultModel();
    for (int e : {1, 2, 3, 4, 5}) {
        writeAssignment(*config, e, ActionProgram, 0, 0);
    }
    setText(*config, 1, u"good");
    Bytes b = *packProfileFile(*config->image, config->macros, config->texts, config->textTotal);
    // Text area: "good\0" (10 bytes), then "bad" with no terminator to its end.
    for (char16_t u : std::u16string(u"bad")) {
        b.push_back(static_cast<std::uint8_t>(u));
        b.push_back(0);
    }
    putU32(b, 16, 16);
    putU32(b, 8, 32832 + 16);
    putU32(b, valueOffsetOf(2), 10);          // the unterminated text
    putU32(b, valueOffsetOf(3), 16);          // just past the area
    putU32(b, valueOffsetOf(4), 0xFFFFFFFE);  // far outside
    putU32(b, valueOffsetOf(5), 5);           // odd: read from offset 4
    fixChecksum(b);
    auto parsed = parseProfileFile(b);
    ASSERT_TRUE(parsed);
    const TextTable& t = *parsed->texts;
    EXPECT_EQ(*t[1].text, u"good");
    EXPECT_FALSE(t[2].text);
    EXPECT_FALSE(t[3].text);
    EXPECT_FALSE(t[4].text);
    EXPECT_EQ(*t[5].text, u"od");
    EXPECT_EQ(parsed->textTotal, 10u + 6u);
    // An area of odd length: the last byte cannot hold a terminator.
    Bytes odd = b;
    odd.push_back(0);
    putU32(odd, 16, 17);
    putU32(odd, valueOffsetOf(2), 16);
    auto parsedOdd = parseProfileFile(odd);
    ASSERT_TRUE(parsedOdd);
    EXPECT_FALSE((*parsedOdd->texts)[2].text);
}

// Entries may all point at one text; each would get a copy of its own. A file
// is refused once the copies add up to more than its text area.
TEST_F(ProfileFile, TextsSharedBeyondTheAreaAreRefused) {
    struct Case {
        const char* name;
        int sharing;             // entries pointing at the one text
        std::uint32_t areaSize;  // "ab\0" (6 bytes), then zeros
        bool accepted;
    };
    const Case cases[] = {
        {"one_text_one_entry", 1, 6, true},
        {"two_copies_fit", 2, 12, true},
        {"two_copies_one_byte_over", 2, 11, false},
        {"every_entry", kEntryCount, 6 * 1000, false},
        {"every_entry_fits", kEntryCount, 6 * kEntryCount, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto config = test::defaultModel();
        Bytes b = *packProfileFile(*config->image, config->macros, config->texts, 0);
        for (int e = 0; e < c.sharing; ++e) {
            putU16(b, 64 + 16 * static_cast<std::size_t>(e), ActionText);
            putU32(b, valueOffsetOf(e), 0);
        }
        b.resize(kAreaStart + c.areaSize, 0);
        b[kAreaStart] = 'a';
        b[kAreaStart + 2] = 'b';
        putU32(b, 16, c.areaSize);
        putU32(b, 8, static_cast<std::uint32_t>(b.size()));
        fixChecksum(b);
        test::writeAll(path, b);

        const auto parsed = parseProfileFile(b);
        test::RecordingPrompter prompter;
        auto model = test::defaultModel();
        setText(*model, 77, u"kept");
        EXPECT_EQ(parsed.has_value(), c.accepted);
        EXPECT_EQ(loadProfileFile(*model, path), c.accepted ? 1 : 0);
        EXPECT_EQ(checkProfileFile(path, &prompter), c.accepted ? 1 : 0);
        EXPECT_EQ(prompter.messages.size(), c.accepted ? 0u : 1u);
        if (c.accepted) {
            EXPECT_EQ(model->textTotal, 6u * static_cast<std::uint32_t>(c.sharing));
            EXPECT_EQ(*model->texts[0].text, u"ab");
        } else {
            EXPECT_EQ(*model->texts[77].text, u"kept");  // the model as it was
            EXPECT_EQ(model->textTotal, 10u);
        }
    }
}

// A FIFO or a folder picked as a profile file is refused at once.
TEST_F(ProfileFile, NonRegularFilesAreRefusedWithoutWaiting) {
    const std::string fifo = dir.file("picked.fwc");
    ASSERT_TRUE(test::makeFifo(fifo));
    for (const std::string& p : {fifo, dir.path()}) {
        auto model = test::defaultModel();
        const ConfigImage before = *model->image;
        EXPECT_TRUE(test::returnsWithoutAWriter(p, [&] {
            EXPECT_EQ(checkProfileFile(p, nullptr), -2);
            EXPECT_EQ(loadProfileFile(*model, p), 0);
        })) << p;
        EXPECT_EQ(*model->image, before);
    }
    // A save does not replace it either.
    auto model = test::defaultModel();
    EXPECT_EQ(saveProfileFile(*model, fifo, true), 0);
    struct stat st {};
    ASSERT_EQ(::stat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST_F(ProfileFile, ReadOnlyFileIsKeptAndTheSaveFails) {
    auto old = test::defaultModel();
    ASSERT_EQ(saveProfileFile(*old, path, true), 1);
    const Bytes before = test::readAll(path);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    auto config = test::defaultModel();
    setText(*config, 5, u"changed");
    writeAssignment(*config, 5, ActionProgram, 0, 0);
    EXPECT_EQ(saveProfileFile(*config, path, true), 0);
    EXPECT_EQ(test::readAll(path), before);
}

// The program and the command-line tool may save the cache file at the same
// moment: neither may remove the other's temporary, and both saves succeed.
TEST_F(ProfileFile, TwoProcessesSavingOneFileAtOnceBothSucceed) {
    constexpr int kSaves = 150;
    std::vector<Bytes> contents;
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        auto config = test::defaultModel();
        config->macros.push_back(test::makeMacro(static_cast<std::uint16_t>(c + 1), u"m", {}));
        contents.push_back(
            *packProfileFile(*config->image, config->macros, config->texts, config->textTotal));
        children[c] = ::fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            int failed = 0;
            for (int i = 0; i < kSaves; ++i) {
                failed += saveProfileFile(*config, path, true) == 1 ? 0 : 1;
            }
            ::_exit(failed == 0 ? 0 : 1);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a save failed";
    }
    const Bytes last = test::readAll(path);
    EXPECT_TRUE(last == contents[0] || last == contents[1]);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"profile.fwc"});
}

// A temporary that a running save holds locked survives another save of the
// same file; one that a killed save left behind does not.
TEST_F(ProfileFile, ASaveRemovesOnlyTheTemporariesOfDeadSaves) {
    test::writeAll(dir.file("profile.fwc.tmp-dead01"), Bytes{1});
    test::writeAll(dir.file("profile.fwc.tmp-live01"), Bytes{2});
    const int live = ::open(dir.file("profile.fwc.tmp-live01").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(live, 0);
    ASSERT_EQ(::flock(live, LOCK_EX), 0);
    auto config = test::defaultModel();
    EXPECT_EQ(saveProfileFile(*config, path, true), 1);
    auto names = dir.names();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"profile.fwc", "profile.fwc.tmp-live01"}));
    ::close(live);
}

TEST(ProfileFileMacros, OutOfRangeRecordsAreClampedOnLoad) {
    Bytes b = smallValidFile();
    const std::size_t macroAt = kConfigImageSize;  // the first macro record
    putU16(b, macroAt + 508, 2500);                // actionCount past 2000
    for (std::size_t i = 0; i < 250; ++i) {
        putU16(b, macroAt + 2 * i, 'n');  // no terminator
    }
    auto parsed = parseProfileFile(b);
    ASSERT_TRUE(parsed);
    ASSERT_EQ(parsed->macros.size(), 1u);
    EXPECT_EQ(parsed->macros[0].actionCount, 2000);
    EXPECT_EQ(parsed->macros[0].nameView(), std::u16string(249, u'n'));
    // Saved again, the clamped macro gives a file that checks and loads.
    WorkingConfig config;
    config.image = std::move(parsed->image);
    config.macros = std::move(parsed->macros);
    test::TempDir dir;
    ASSERT_EQ(saveProfileFile(config, dir.file("again.fwc"), true), 1);
    EXPECT_EQ(checkProfileFile(dir.file("again.fwc"), nullptr), 1);
}

TEST(ProfileFileRoundTrip, GeneratedModelsOfManyShapes) {
    test::ModelGenerator gen(77);
    test::TempDir dir;
    const std::string path = dir.file("round.fwc");
    for (int round = 0; round < 40; ++round) {
        auto config = test::defaultModel();
        const int macros = round < 2 ? round * 100 : gen.uniform(0, 30);
        for (int i = 0; i < macros; ++i) {
            config->macros.push_back(gen.macro(static_cast<std::uint16_t>(gen.uniform(1, 100)),
                                               gen.chance(10) ? 2000 : 50));
            config->macros.back().isNew = static_cast<std::uint16_t>(gen.uniform(0, 1));
            config->macros.back().repeatMode = static_cast<std::uint16_t>(gen.uniform(0, 2));
        }
        const int density = gen.uniform(0, 30);
        for (KeyActionEntry& e : config->image->entries) {
            if (!gen.chance(density)) {
                continue;
            }
            e.type = static_cast<std::uint16_t>(gen.uniform(0, 10));
            e.aux = static_cast<std::uint16_t>(gen.uniform(0, 0xFFFF));
            e.value = static_cast<std::uint32_t>(gen.rng()());
            e.colourMark = static_cast<std::uint32_t>(gen.uniform(0, 1));
            e.reserved = static_cast<std::uint32_t>(gen.rng()());
        }
        for (int n = 0; n < kEntryCount; ++n) {
            if (gen.chance(density / 3)) {
                setText(*config, n, gen.text(gen.chance(5) ? 3000 : 40));
            }
        }
        ASSERT_EQ(saveProfileFile(*config, path, true), 1);
        ASSERT_EQ(checkProfileFile(path, nullptr), 1);
        WorkingConfig back;
        ASSERT_EQ(loadProfileFile(back, path), 1) << "round " << round;

        std::uint32_t expectedTotal = 0;
        for (int n = 0; n < kEntryCount; ++n) {
            const KeyActionEntry& want = config->image->entries[n];
            const KeyActionEntry& got = back.image->entries[n];
            ASSERT_EQ(got.type, want.type);
            ASSERT_EQ(got.aux, want.aux);
            ASSERT_EQ(got.colourMark, want.colourMark);
            ASSERT_EQ(got.reserved, want.reserved);
            if (actionCarriesText(want.type)) {
                ASSERT_EQ(back.texts[n], config->texts[n]) << "round " << round << " entry " << n;
                expectedTotal += config->texts[n].byteLength;
            } else {
                ASSERT_EQ(got.value, want.value);
                ASSERT_FALSE(back.texts[n].text);
            }
        }
        EXPECT_EQ(back.textTotal, expectedTotal);
        ASSERT_EQ(back.macros.size(), config->macros.size());
        for (std::size_t i = 0; i < back.macros.size(); ++i) {
            ASSERT_EQ(back.macros[i], config->macros[i]) << "round " << round << " macro " << i;
        }
        // Loading then saving again gives the same bytes when every text was packed.
        if (back.textTotal == config->textTotal) {
            const Bytes first = test::readAll(path);
            ASSERT_EQ(saveProfileFile(back, dir.file("again.fwc"), true), 1);
            EXPECT_EQ(test::readAll(dir.file("again.fwc")), first);
        }
    }
}

}  // namespace
}  // namespace quorvane
