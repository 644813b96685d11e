// The desktop program's start in this process (offscreen, the virtual
// keyboard) from a copy of the program folder: what a start that cannot run
// says and gives back, and the starts that hand over to a running instance.
// Each start that loads the library runs in a child process of its own: the
// library stays loaded (and started) once a process has it.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "core/app/instance_messages.h"
#include "core/platform/instance_channel.h"
#include "core/platform/named_lock.h"
#include "core/platform/program_folder.h"
#include "ui/main/in_process_program.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;

std::string g_home;

// A program folder of its own: the library, the skin and the language files of
// the built one.
struct ProgramCopy {
    std::string folder;
    std::string runtime;

    explicit ProgramCopy(const std::string& name) {
        const std::string root = g_home + "/" + name;
        fs::remove_all(root);
        folder = root + "/program/";
        runtime = root + "/run";
        fs::create_directories(folder);
        fs::create_directories(runtime);
        ::chmod(runtime.c_str(), 0700);
        const std::string built = programFolder();
        fs::copy(built + "Skins", folder + "Skins", fs::copy_options::recursive);
        fs::copy_file(built + "libquellix.so", folder + "libquellix.so");
        for (const auto& entry : fs::directory_iterator(built)) {
            const std::string file = entry.path().filename().string();
            if (file.rfind("Lang", 0) == 0 && entry.path().extension() == ".ini") {
                fs::copy_file(entry.path(), folder + file);
            }
        }
    }
};

// The program as main() runs it; its exit code.
int startProgram(const ProgramCopy& copy, const std::vector<std::string>& arguments) {
    ShellOptions options;
    options.exePath = copy.folder + "quorvane";
    options.registryPath = copy.folder + "../registry";
    options.userDataFolder = copy.folder + "../Documents/Quorvane_09A";
    options.runtimeFolder = copy.runtime;
    options.eventSuffix = std::to_string(::getpid());
    QuorvaneProgram program({}, options);
    return program.run(arguments);
}

struct FailedStart {
    const char* description;
    std::vector<const char*> removed;       // from the program folder
    const char* replacement;                // a library in the built one's place
    const char* device;                     // QUELLIX_DEVICE
    const char* line;                       // all that is said
    std::vector<const char*> garbled = {};  // left in place, but with bytes that are no picture
};

void PrintTo(const FailedStart& c, std::ostream* out) {
    *out << c.description;
}

class ProgramStartTest : public ::testing::TestWithParam<FailedStart> {};

TEST_P(ProgramStartTest, SaysWhatIsMissingAndEndsWithOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const FailedStart& c = GetParam();
    ProgramCopy copy("failed");
    for (const char* name : c.removed) {
        fs::remove(copy.folder + name);
    }
    for (const char* name : c.garbled) {
        std::ofstream(copy.folder + name, std::ios::trunc) << "not a picture";
    }
    if (c.replacement != nullptr) {
        fs::copy_file(programFolder() + c.replacement, copy.folder + "libquellix.so",
                      fs::copy_options::overwrite_existing);
    }
    ::setenv("QUELLIX_DEVICE", c.device, 1);
    // _Exit: the child's end is the program's own, not the test process's.
    EXPECT_EXIT(std::_Exit(startProgram(copy, {})), ::testing::ExitedWithCode(1),
                ::testing::MatchesRegex(c.line))
        << c.description;
    ::setenv("QUELLIX_DEVICE", "virtual", 1);
}

INSTANTIATE_TEST_SUITE_P(
    Missing, ProgramStartTest,
    ::testing::Values(
        FailedStart{"the first picture",
                    {"Skins/main_normal.jpg"},
                    nullptr,
                    "virtual",
                    "quorvane: Skins/main_normal\\.jpg is missing: build the target "
                    "quorvane_skin, or reinstall the package\n"},
        FailedStart{"the last picture",
                    {"Skins/main_color1.jpg"},
                    nullptr,
                    "virtual",
                    "quorvane: Skins/main_color1\\.jpg is missing: build the target "
                    "quorvane_skin, or reinstall the package\n"},
        // The dialogs' pictures are checked with the main window's, at start.
        FailedStart{"a picture of the assignment dialog",
                    {"Skins/macro2_disable.jpg"},
                    nullptr,
                    "virtual",
                    "quorvane: Skins/macro2_disable\\.jpg is missing: build the target "
                    "quorvane_skin, or reinstall the package\n"},
        FailedStart{"a picture of the profile manager",
                    {"Skins/Profile_down.jpg"},
                    nullptr,
                    "virtual",
                    "quorvane: Skins/Profile_down\\.jpg is missing: build the target "
                    "quorvane_skin, or reinstall the package\n"},
        FailedStart{"a dialog's background",
                    {"Skins/composite_back.jpg"},
                    nullptr,
                    "virtual",
                    "quorvane: Skins/composite_back\\.jpg is missing: build the target "
                    "quorvane_skin, or reinstall the package\n"},
        FailedStart{"a dialog's layout",
                    {"Skins/Profile.ini"},
                    nullptr,
                    "virtual",
                    "quorvane: Skins/Profile\\.ini is missing: build the target "
                    "quorvane_skin, or reinstall the package\n"},
        // Only the headers are read at the start; one that cannot be decoded
        // still ends it.
        FailedStart{"a picture that is no picture",
                    {},
                    nullptr,
                    "virtual",
                    "quorvane: Skins/main_down\\.jpg is missing: build the target "
                    "quorvane_skin, or reinstall the package\n",
                    {"Skins/main_down.jpg"}},
        FailedStart{"the library (named before the pictures)",
                    {"libquellix.so", "Skins/main_over.jpg"},
                    nullptr,
                    "virtual",
                    "quorvane: libquellix\\.so is missing: build the target quellix, or "
                    "reinstall the package\n"},
        FailedStart{"a bound name",
                    {},
                    "partial_quellix/libquellix.so",
                    "virtual",
                    "quorvane: libquellix\\.so has no function \"[A-Za-z]+\": build the target "
                    "quellix again, or reinstall the package\n"},
        // The library says itself why its Init refused, once.
        FailedStart{"a failed Init",
                    {},
                    nullptr,
                    "carrier-pigeon",
                    "quellix: QUELLIX_DEVICE=carrier-pigeon is not a device \\(use virtual, "
                    "replay:<file> or hidraw:<node>\\[,<node>\\.\\.\\.\\], or unset it\\)\n"}));

// Starts that end at once, before the library or a window: "/Kill" with no
// instance in our run-time folder, and a second start while this test plays
// the running instance (the lock's holder, listening on its channel).
TEST(ProgramStart, StartsThatHandOverEndWithZeroAndNoWindow) {
    ProgramCopy copy("handover");
    EXPECT_EQ(startProgram(copy, {"/Kill"}), 0);
    EXPECT_FALSE(fs::exists(copy.runtime + "/Quorvane_Mutex_09A.lock"));

    NamedLock::Outcome outcome{};
    NamedLock held = NamedLock::openOrCreate(copy.runtime, kInstanceMutexName, &outcome);
    ASSERT_EQ(outcome, NamedLock::Outcome::Created);
    std::vector<std::uint32_t> heard;
    auto channel = InstanceChannel::open(
        copy.runtime,
        [&](std::uint32_t message, std::uint32_t) {
            heard.push_back(message);
            return 0u;
        },
        ::getuid());
    ASSERT_NE(channel, nullptr);
    EXPECT_EQ(startProgram(copy, {}), 0);
    EXPECT_EQ(startProgram(copy, {"/Kill"}), 0);
    EXPECT_EQ(heard, (std::vector<std::uint32_t>{UM_OPEN, UM_KILL}));
    EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty());
}

}  // namespace
}  // namespace quorvane

int main(int argc, char** argv) {
    // A death test's child works in its parent's home (which it inherits).
    bool child = false;
    for (int i = 1; i < argc; ++i) {
        child = child || std::string(argv[i]).rfind("--gtest_internal_run_death_test", 0) == 0;
    }
    const char* inherited = std::getenv("QUORVANE_START_TEST_HOME");
    if (child && inherited != nullptr) {
        quorvane::g_home = inherited;  // and the rest of its environment
        QApplication::setQuitOnLastWindowClosed(false);
    } else {
        quorvane::g_home = quorvane::prepareInProcessEnvironment();
        ::setenv("QUORVANE_START_TEST_HOME", quorvane::g_home.c_str(), 1);
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    if (!child) {
        std::error_code error;
        std::filesystem::remove_all(quorvane::g_home, error);
    }
    return result;
}
