// The real hidraw + libudev backend of libquellix.so on a umockdev test bed:
// enumeration, the collections of a real-shaped descriptor, commands answered
// by the emulated keyboard, hot-plug, two keyboards, a busy node, and
// quorvanectl reading and writing the whole configuration, losing the keyboard
// in the middle of a download, and replaying its own recording.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "quellix/hidraw_backend.h"
#include "quellix/hub.h"
#include "quellix/library_fixture.h"
#include "quellix/umockdev_keyboards.h"

extern char** environ;  // NOLINT(readability-redundant-declaration)

namespace quorvane::quellix::testing_support {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

const QuellixFilter kSystemFilter{QUELLIX_MATCH_ALL, 0x0C45, 0x5004, 0x0001, 0x0080, 0};
const QuellixFilter kAllKeysFilter{QUELLIX_MATCH_ALL, 0x0C45, 0x5004, 0x0001, 0x0006, 0};
const QuellixFilter kAbsentFilter{QUELLIX_MATCH_ALL, 0x0C45, 0x5004, 0xFF00, 0x0001, 0};
const QuellixFilter kOtherProduct{QUELLIX_MATCH_ALL, 0x0C45, 0x5005, 0xFF1C, 0x0092, 0};

bool byUsage(const CollectionId& a, const CollectionId& b) {
    return std::pair(a.usagePage, a.usage) < std::pair(b.usagePage, b.usage);
}

int count(const QuellixFilter& filter) {
    return RequestGetDeviceCount(&filter, nullptr, 0, 0, nullptr);
}

bool lastPresenceIs(std::uint32_t n) {
    return CallbackLog::instance().waitFor(
        [n](const std::vector<Seen>& all) {
            for (auto it = all.rbegin(); it != all.rend(); ++it) {
                if (it->kind == QUELLIX_EVENT_PRESENCE) {
                    return it->count == n;
                }
            }
            return false;
        },
        10s);
}

std::vector<Seen> answers() {
    std::vector<Seen> out;
    for (const Seen& s : CallbackLog::instance().snapshot()) {
        if (s.tag == kCtrl && s.kind == QUELLIX_EVENT_REPORT) {
            out.push_back(s);
        }
    }
    return out;
}

class UmockdevHidraw : public LibraryTest {
  protected:
    void SetUp() override {
        ASSERT_TRUE(umockdevPreloaded()) << "run under umockdev-wrapper";
        LibraryTest::SetUp();
        bed_ = std::make_unique<UmockdevKeyboards>();
    }
    void TearDown() override {
        LibraryTest::TearDown();  // End(): the library lets go of the nodes first
        bed_.reset();
    }

    void init() { ASSERT_EQ(Init(0), 1); }

    std::unique_ptr<UmockdevKeyboards> bed_;
};

TEST_F(UmockdevHidraw, FindsTheKeyboardAndItsCollectionsOnTheRealShapedDescriptors) {
    const int k = bed_->addKeyboard();
    // The backend itself, for the keyboard model it publishes.
    Hub hub;
    HidrawBackend backend(makeUdevNodeSource(0x0C45, 0x5004));
    std::string error;
    ASSERT_TRUE(backend.start(hub, error)) << error;
    const std::vector<Keyboard> keyboards = hub.keyboards();
    ASSERT_EQ(keyboards.size(), 1u);
    EXPECT_EQ(keyboards[0].key, bed_->usbSyspath(k));  // both interfaces, one keyboard
    // No serial number: the keyboard is known by the port it sits in.
    const std::string port = bed_->usbSyspath(k).substr(bed_->usbSyspath(k).rfind('/') + 1);
    EXPECT_EQ(keyboards[0].identity, "port:" + port);
    std::vector<CollectionId> found = keyboards[0].collections;
    std::sort(found.begin(), found.end(), byUsage);
    // Interface 1 only: the boot keyboard interface is left alone.
    std::vector<CollectionId> expected = {
        {0x0001, 0x0006}, {0x0001, 0x0080}, {0x000C, 0x0001}, {0xFF1C, 0x0092}, {0x0008, 0x0089}};
    std::sort(expected.begin(), expected.end(), byUsage);
    EXPECT_EQ(found, expected);
    EXPECT_EQ(backend.openNodes(), std::vector<std::string>{bed_->nodes(k)[1]});
    backend.stop();

    // Through the library, as the program counts.
    init();
    EXPECT_EQ(count(kCtrlFilter), 1);
    EXPECT_EQ(count(kConsFilter), 1);
    EXPECT_EQ(count(kLedFilter), 1);
    EXPECT_EQ(count(kSystemFilter), 1);
    EXPECT_EQ(count(kAllKeysFilter), 1);
    EXPECT_EQ(count(kAbsentFilter), 0);
    EXPECT_EQ(count(kOtherProduct), 0);
    char identity[64] = {};
    EXPECT_EQ(QuellixKeyboardIdentity(identity, sizeof identity),
              static_cast<int>(("port:" + port).size()));
    EXPECT_EQ(std::string(identity), "port:" + port);
}

// What is typed reaches no program through the library: the boot keyboard's
// node is never opened, and the all-keys bitmap on the node the library needs
// is dropped, with a recording running and every report logged.
TEST_F(UmockdevHidraw, TypedKeysReachNeitherTheLibraryNorItsRecordingOrLog) {
    const int k = bed_->addKeyboard();
    const std::string recording = path("typed.jsonl");
    ::setenv("QUELLIX_RECORD", recording.c_str(), 1);
    Debug(2);
    testing::internal::CaptureStderr();
    init();
    read(kConsFilter, kCons);
    read(kAllKeysFilter, 0x4B455953);
    bed_->pressA(k);
    bed_->raiseConsumer(k, 0x0402);  // queued behind the keys on interface 1
    const bool consumerSeen = CallbackLog::instance().waitForCount(kCons, QUELLIX_EVENT_REPORT, 1);
    End();
    Debug(1);
    const std::string logged = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(consumerSeen);

    EXPECT_EQ(bed_->touches(k, 0), 0) << "the boot keyboard's node was opened";
    EXPECT_GT(bed_->touches(k, 1), 0);
    for (const Seen& seen : CallbackLog::instance().snapshot()) {
        EXPECT_FALSE(seen.tag == 0x4B455953u && seen.kind == QUELLIX_EVENT_REPORT);
    }
    std::ifstream in(recording);
    const std::string recorded((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    EXPECT_NE(recorded.find("\"000c:0001\",\"bytes\":\"030204\""), std::string::npos) << recorded;
    EXPECT_EQ(recorded.find("\"dir\":\"in\",\"collection\":\"0001:0006\""), std::string::npos)
        << recorded;
    EXPECT_EQ(recorded.find("0601000000"), std::string::npos) << recorded;
    EXPECT_NE(logged.find("in 000c:0001"), std::string::npos) << logged;
    EXPECT_EQ(logged.find("in 0001:0006"), std::string::npos) << logged;
    struct stat st {};
    ASSERT_EQ(::stat(recording.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);

    // Named by hand, the boot node is closed again as soon as its descriptor
    // shows nothing but key presses.
    Hub hub;
    HidrawBackend listed(makeListedNodeSource(bed_->nodes(k), 0x0C45, 0x5004));
    std::string error;
    ASSERT_TRUE(listed.start(hub, error)) << error;
    EXPECT_EQ(listed.openNodes(), std::vector<std::string>{bed_->nodes(k)[1]});
    listed.stop();
}

TEST_F(UmockdevHidraw, CommandsAnswersAndReportsKeepTheirBoundaries) {
    const int k = bed_->addKeyboard();
    init();
    read(kCtrlFilter, kCtrl);
    read(kConsFilter, kCons);
    auto& log = CallbackLog::instance();
    // Three commands in a row: three whole answers, never run together.
    const std::vector<Bytes> requests = {requestFrame(0x03, 0x2C), requestFrame(0x0F, 56, 0),
                                         requestFrame(0x05, 42, 0)};
    for (const Bytes& r : requests) {
        ASSERT_EQ(send(r), 1);
    }
    ASSERT_TRUE(log.waitForCount(kCtrl, QUELLIX_EVENT_REPORT, 3));
    const std::vector<Seen> got = answers();
    ASSERT_EQ(got.size(), 3u);
    const Bytes settings = bed_->firmware(k).memory(vkbd::Area::Settings);
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(got[i].data.size(), 64u);
        EXPECT_EQ(got[i].data[0], 0x04);
        EXPECT_EQ(got[i].data[3], requests[i][3]);  // the echoed command
        EXPECT_EQ(got[i].data[7], 0x00);            // status ok
    }
    EXPECT_TRUE(std::equal(settings.begin(), settings.end(), got[0].data.begin() + 8));
    EXPECT_EQ(bed_->commandFrames(k), requests);

    bed_->raiseConsumer(k, 0x0402);
    ASSERT_TRUE(log.waitForCount(kCons, QUELLIX_EVENT_REPORT, 1));
    const std::vector<Seen> all = log.snapshot();
    const auto consumer = std::find_if(all.begin(), all.end(), [](const Seen& s) {
        return s.tag == kCons && s.kind == QUELLIX_EVENT_REPORT;
    });
    ASSERT_NE(consumer, all.end());
    EXPECT_EQ(consumer->consumer, (Bytes{0x02, 0x04}));

    const std::uint8_t bank[2] = {0x05, 0x03};
    ASSERT_EQ(RequestStatusWrite(&kLedFilter, CallbackLog::callback, kLed, bank, 2, 0, nullptr), 1);
    ASSERT_TRUE(log.waitForCount(kLed, QUELLIX_EVENT_REPORT, 1));
    EXPECT_EQ(bed_->firmware(k).bankState(), 0x03);
}

TEST_F(UmockdevHidraw, UnplugAndReplugOnNewNodeNames) {
    const int k = bed_->addKeyboard();
    init();
    read(kCtrlFilter, kCtrl);
    const std::vector<std::string> before = bed_->nodes(k);
    bed_->unplug(k);
    ASSERT_TRUE(lastPresenceIs(0));
    EXPECT_EQ(count(kCtrlFilter), 0);
    EXPECT_EQ(send(requestFrame(0x03, 0x2C)), 0);  // nothing to write to

    bed_->plug(k);
    ASSERT_TRUE(lastPresenceIs(1));
    EXPECT_EQ(count(kCtrlFilter), 1);
    EXPECT_NE(bed_->nodes(k), before);
    ASSERT_EQ(send(requestFrame(0x03, 0x2C)), 1);
    ASSERT_TRUE(CallbackLog::instance().waitForCount(kCtrl, QUELLIX_EVENT_REPORT, 1));
    EXPECT_EQ(answers().back().data[3], 0x03);
}

TEST_F(UmockdevHidraw, TwoKeyboardsAreCountedAndOneLeavesTheOther) {
    const int first = bed_->addKeyboard();
    init();
    read(kCtrlFilter, kCtrl);
    const int second = bed_->addKeyboard();
    ASSERT_TRUE(lastPresenceIs(2));
    EXPECT_EQ(count(kCtrlFilter), 2);

    bed_->unplug(first);
    ASSERT_TRUE(lastPresenceIs(1));
    ASSERT_EQ(send(requestFrame(0x03, 0x2C)), 1);
    ASSERT_TRUE(CallbackLog::instance().waitForCount(kCtrl, QUELLIX_EVENT_REPORT, 1));
    EXPECT_TRUE(bed_->commandFrames(first).empty());
    EXPECT_EQ(bed_->commandFrames(second).size(), 1u);
}

TEST_F(UmockdevHidraw, ABusyNodeTakesTheReportLaterAndItIsSentOnce) {
    const int k = bed_->addKeyboard();
    init();
    read(kCtrlFilter, kCtrl);
    bed_->refuseWritesBusy(k, 3);
    ASSERT_EQ(send(requestFrame(0x03, 0x2C)), 1);
    ASSERT_TRUE(CallbackLog::instance().waitForCount(kCtrl, QUELLIX_EVENT_REPORT, 1));
    EXPECT_EQ(bed_->busyRefusalsLeft(k), 0);
    EXPECT_EQ(bed_->commandFrames(k).size(), 1u);
    EXPECT_EQ(answers().back().data[3], 0x03);
}

// ---- quorvanectl on the bed ------------------------------------------------------

struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

constexpr std::ptrdiff_t kSlots = 126;
constexpr std::ptrdiff_t kSlotBytes = 3;
constexpr std::size_t kTableBytes = 378;
constexpr std::size_t kAllTablesBytes = 3 * kTableBytes;

class UmockdevTool : public UmockdevHidraw {
  protected:
    void SetUp() override {
        UmockdevHidraw::SetUp();
        for (const char* sub : {"home/.config", "run"}) {
            std::filesystem::create_directories(path(sub));
        }
        std::filesystem::permissions(path("run"), std::filesystem::perms::owner_all);
    }

    // Runs the tool as a child; it inherits the preload and the bed.
    ToolRun tool(const std::vector<std::string>& args,
                 const std::map<std::string, std::string>& extra = {}) {
        std::map<std::string, std::string> vars = {
            {"PATH", "/usr/bin:/bin"},
            {"HOME", path("home")},
            {"XDG_CONFIG_HOME", path("home/.config")},
            {"XDG_RUNTIME_DIR", path("run")},
            {"LC_ALL", "C"},
        };
        for (const char* name : {"LD_PRELOAD", "UMOCKDEV_DIR", "TMPDIR", "ASAN_OPTIONS",
                                 "UBSAN_OPTIONS", "TSAN_OPTIONS"}) {
            if (const char* v = std::getenv(name)) {
                vars[name] = v;
            }
        }
        for (const auto& [name, value] : extra) {
            vars[name] = value;
        }
        std::vector<std::string> envText;
        envText.reserve(vars.size());
        for (const auto& [name, value] : vars) {
            envText.push_back(name);
            envText.back() += '=';
            envText.back() += value;
        }
        std::vector<std::string> argText{QUORVANE_TOOL_PATH};
        argText.insert(argText.end(), args.begin(), args.end());
        auto pointers = [](std::vector<std::string>& v) {
            std::vector<char*> p;
            p.reserve(v.size() + 1);
            for (auto& s : v) {
                p.push_back(s.data());
            }
            p.push_back(nullptr);
            return p;
        };
        auto argv = pointers(argText);
        auto envp = pointers(envText);
        const std::string outFile = path("out.txt");
        const std::string errFile = path("err.txt");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        pid_t pid = -1;
        const int spawned =
            ::posix_spawn(&pid, argText[0].c_str(), &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        ToolRun run;
        if (spawned != 0) {
            return run;
        }
        // Bounded: a tool that hangs is killed and fails the test.
        int status = 0;
        const auto end = std::chrono::steady_clock::now() + 60s;
        while (::waitpid(pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > end) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(5ms);
        }
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.out = readFile(outFile);
        run.err = readFile(errFile);
        return run;
    }

    // Gives each profile a key table of its own: two slots swap their keys.
    static void makeProfilesDiffer(vkbd::VirtualKeyboard& firmware) {
        const Bytes factory = firmware.memory(vkbd::Area::FactoryKeyTable);
        auto slotAt = [](auto begin, std::ptrdiff_t slot) { return begin + slot * kSlotBytes; };
        std::vector<std::ptrdiff_t> used;
        for (std::ptrdiff_t slot = 0; slot < kSlots && used.size() < 6; ++slot) {
            const auto at = slotAt(factory.begin(), slot);
            // A plain key (type 2, keyboard page): one the model keeps as it is.
            if (at[0] == 0x02 && at[1] == 0x02 &&
                std::none_of(used.begin(), used.end(), [&](std::ptrdiff_t other) {
                    return std::equal(at, at + kSlotBytes, slotAt(factory.begin(), other));
                })) {
                used.push_back(slot);
            }
        }
        ASSERT_EQ(used.size(), 6u);
        for (std::size_t p = 0; p < 3; ++p) {
            Bytes table = factory;
            const auto first = slotAt(table.begin(), used[2 * p]);
            std::swap_ranges(first, first + kSlotBytes, slotAt(table.begin(), used[2 * p + 1]));
            ASSERT_TRUE(firmware.writeMemory(vkbd::Area::KeyTables, p * kTableBytes, table));
        }
    }

    static std::size_t firstOf(const std::vector<Bytes>& frames, std::uint8_t command) {
        const auto it = std::find_if(frames.begin(), frames.end(),
                                     [&](const Bytes& f) { return f[3] == command; });
        return static_cast<std::size_t>(it - frames.begin());
    }
    // True when the frames with `command` cover every byte of [0, size).
    static bool cover(const std::vector<Bytes>& frames, std::uint8_t command, std::size_t size) {
        std::vector<bool> seen(size, false);
        for (const Bytes& f : frames) {
            if (f[3] != command) {
                continue;
            }
            const std::size_t offset = f[5] | (f[6] << 8);
            for (std::size_t i = offset; i < offset + f[4] && i < size; ++i) {
                seen[i] = true;
            }
        }
        return std::all_of(seen.begin(), seen.end(), [](bool b) { return b; });
    }
    static std::size_t countOf(const std::vector<Bytes>& frames, std::uint8_t command) {
        return static_cast<std::size_t>(std::count_if(
            frames.begin(), frames.end(), [&](const Bytes& f) { return f[3] == command; }));
    }
};

TEST_F(UmockdevTool, ReadsTheWholeConfigurationAndWritesItToAllThreeProfiles) {
    const int k = bed_->addKeyboard();
    vkbd::VirtualKeyboard& firmware = bed_->firmware(k);
    makeProfilesDiffer(firmware);
    const Bytes tables = firmware.memory(vkbd::Area::KeyTables);

    const ToolRun exported = tool({"export", path("three.fwc")});
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    EXPECT_TRUE(
        cover(bed_->commandFrames(k), 0x07, kAllTablesBytes));  // all three tables were read

    firmware.resetToFactory();
    bed_->clearFrames(k);
    const ToolRun imported = tool({"import", path("three.fwc")});
    ASSERT_EQ(imported.exitCode, 0) << imported.err;
    EXPECT_EQ(firmware.memory(vkbd::Area::KeyTables), tables);
    const std::vector<Bytes> frames = bed_->commandFrames(k);
    EXPECT_TRUE(cover(frames, 0x08, kAllTablesBytes));  // and all three written
    EXPECT_LT(firstOf(frames, 0x01), firstOf(frames, 0x08));
    EXPECT_EQ(frames.back()[3], 0x02);
}

TEST_F(UmockdevTool, AKeyboardPulledOutMidDownloadFailsTheImportAndTheNextOneWritesItAll) {
    const int k = bed_->addKeyboard();
    vkbd::VirtualKeyboard& firmware = bed_->firmware(k);
    makeProfilesDiffer(firmware);
    const Bytes tables = firmware.memory(vkbd::Area::KeyTables);
    ASSERT_EQ(tool({"export", path("three.fwc")}).exitCode, 0);
    const std::string file = readFile(path("three.fwc"));

    // Where the key-table writes begin in an import, counted on a full one.
    firmware.resetToFactory();
    bed_->clearFrames(k);
    ASSERT_EQ(tool({"import", path("three.fwc")}).exitCode, 0);
    const std::size_t firstWrite = firstOf(bed_->commandFrames(k), 0x08);

    firmware.resetToFactory();
    bed_->clearFrames(k);
    bed_->unplugAfterFrames(k, static_cast<int>(firstWrite) + 10);  // inside profile 2's table
    const ToolRun cut = tool({"import", path("three.fwc")});
    ASSERT_TRUE(bed_->waitForUnplugs());
    EXPECT_NE(cut.exitCode, 0) << cut.out;
    // The line says where: the frame after ten taken is the fourth of the
    // second table.
    const std::string where =
        "quorvanectl: importing " + path("three.fwc") + ": write key table of profile ";
    ASSERT_NE(cut.err.find(where), std::string::npos) << cut.err;
    EXPECT_EQ(cut.err.find(", piece 4 of 7: ", cut.err.find(where)),
              cut.err.find(where) + where.size() + 1)
        << cut.err;
    const std::vector<Bytes> taken = bed_->commandFrames(k);
    const std::size_t writes = firstOf(taken, 0x08);
    ASSERT_LT(writes, taken.size());
    EXPECT_EQ(taken[writes - 1][3], 0x0A);  // after the begin and the macro area
    const std::vector<Bytes> download(taken.begin() + static_cast<std::ptrdiff_t>(writes),
                                      taken.end());
    EXPECT_EQ(countOf(download, 0x08), 10u);
    EXPECT_EQ(countOf(download, 0x02), 0u);  // the download never ended
    EXPECT_NE(firmware.memory(vkbd::Area::KeyTables), tables);
    EXPECT_EQ(readFile(path("three.fwc")), file);  // the file lost nothing

    bed_->plug(k);
    const ToolRun again = tool({"import", path("three.fwc")});
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(firmware.memory(vkbd::Area::KeyTables), tables);
}

TEST_F(UmockdevTool, ARecordedImportReplaysWithoutAMismatch) {
    const int k = bed_->addKeyboard();
    makeProfilesDiffer(bed_->firmware(k));
    ASSERT_EQ(tool({"export", path("three.fwc")}).exitCode, 0);
    bed_->firmware(k).resetToFactory();

    const std::string recording = path("import.jsonl");
    const ToolRun recorded = tool({"import", path("three.fwc")}, {{"QUELLIX_RECORD", recording}});
    ASSERT_EQ(recorded.exitCode, 0) << recorded.err;
    const std::size_t frames = bed_->commandFrames(k).size();
    bed_->clearFrames(k);

    const ToolRun replayed =
        tool({"import", path("three.fwc")}, {{"QUELLIX_DEVICE", "replay:" + recording}});
    EXPECT_EQ(replayed.exitCode, 0) << replayed.err;
    EXPECT_EQ(replayed.err.find("mismatch"), std::string::npos) << replayed.err;
    EXPECT_EQ(replayed.err.find("replay"), std::string::npos) << replayed.err;
    EXPECT_TRUE(bed_->commandFrames(k).empty());  // the replay never reached the bed
    EXPECT_GT(frames, 21u);
}

}  // namespace
}  // namespace quorvane::quellix::testing_support

// Under the preload, and with a short TMPDIR: the bed's socket paths must fit.
int main(int argc, char** argv) {
    using quorvane::quellix::testing_support::umockdevPreloaded;
    if (!umockdevPreloaded()) {
        const char* old = std::getenv("LD_PRELOAD");
        std::string preload = "libumockdev-preload.so.0";
        if (old != nullptr && *old != '\0') {
            preload += std::string(":") + old;
        }
        ::setenv("LD_PRELOAD", preload.c_str(), 1);
        // As umockdev-run.sh: a sanitizer runtime is no longer loaded first.
        const char* asan = std::getenv("ASAN_OPTIONS");
        const std::string options = std::string(asan != nullptr && *asan != '\0' ? asan : "") +
                                    (asan != nullptr && *asan != '\0' ? ":" : "") +
                                    "verify_asan_link_order=0";
        ::setenv("ASAN_OPTIONS", options.c_str(), 1);
        ::execv("/proc/self/exe", argv);
        std::perror("re-running under libumockdev-preload");
        return 1;
    }
    const char* tmp = std::getenv("TMPDIR");
    if (tmp == nullptr || std::strlen(tmp) > 24) {
        ::setenv("TMPDIR", "/tmp", 1);
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
