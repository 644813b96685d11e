// The atomic writer against links, read-only files, a failing mode change,
// the temporaries of other saves, owner-only files and the file-size limit;
// the platform's readers against paths that are no regular files.
#include "base/atomic_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <filesystem>
#include <functional>

#include "core/platform/ini_file.h"
#include "core/platform/registry_store.h"
#include "platform/fifo_guard.h"
#include "platform/temp_dir.h"

namespace {
std::atomic<bool> gFailModeChange{false};
}  // namespace

// Stands in for the C library's fchmod in this program, so that a test can
// make setting the mode fail.
extern "C" int fchmod(int fd, mode_t mode) {
    if (gFailModeChange.load()) {
        errno = EPERM;
        return -1;
    }
    return static_cast<int>(::syscall(SYS_fchmod, fd, mode));
}

namespace quorvane {
namespace {

namespace fs = std::filesystem;
using test::readAll;
using test::TempDir;
using test::writeAll;

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

mode_t modeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

// Every reader of the platform layer, each true when it refused the path.
struct Reader {
    const char* name;
    std::function<bool(const std::string&)> refuses;
};

std::vector<Reader> readers() {
    return {
        {"readFileBytes", [](const std::string& p) { return !readFileBytes(p).has_value(); }},
        {"IniDocument::load", [](const std::string& p) { return !IniDocument::load(p); }},
        {"iniReadString",
         [](const std::string& p) { return iniReadString(p, u"s", u"k", u"dflt") == u"dflt"; }},
        {"iniReadInt", [](const std::string& p) { return iniReadInt(p, u"s", u"k", -7) == -7; }},
        {"RegistryStore::query",
         [](const std::string& p) { return !RegistryStore(p).query(u"k", u"n").has_value(); }},
    };
}

TEST(NonRegularFiles, EveryReaderRefusesThemAtOnce) {
    TempDir dir;
    const std::string fifo = dir.file("picked.ini");
    ASSERT_TRUE(test::makeFifo(fifo));
    const std::string folder = dir.file("folder.ini");
    fs::create_directory(folder);
    struct Kind {
        std::string path;
        const char* said;
    };
    for (const Kind& kind :
         {Kind{fifo, "a FIFO"}, Kind{folder, "a folder"}, Kind{"/dev/null", "a device"}}) {
        for (const Reader& reader : readers()) {
            bool refused = false;
            EXPECT_TRUE(test::returnsWithoutAWriter(kind.path,
                                                    [&] { refused = reader.refuses(kind.path); }))
                << reader.name << " waited on " << kind.said;
            EXPECT_TRUE(refused) << reader.name << " took " << kind.said;
        }
        std::string error;
        EXPECT_TRUE(test::returnsWithoutAWriter(
            kind.path, [&] { EXPECT_FALSE(readFileBytes(kind.path, 1 << 20, &error)); }));
        EXPECT_NE(error.find(kind.said), std::string::npos) << error;
        EXPECT_NE(error.find(kind.path), std::string::npos) << error;
    }
    // Writers refuse them too and leave them as they are.
    for (const std::string& path : {fifo, folder}) {
        EXPECT_TRUE(test::returnsWithoutAWriter(path, [&] {
            EXPECT_FALSE(iniWriteString(path, u"s", u"k", u"v"));
            EXPECT_FALSE(RegistryStore(path).setDword(u"k", u"n", 1));
            EXPECT_FALSE(writeFileAtomic(path, std::string_view("x")));
        }));
    }
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_TRUE(fs::is_directory(folder));
}

TEST(ReadFileBytes, ReadsFilesThatReportNoSizeAndRefusesTooLargeOnes) {
    // Files of /proc report a size of 0 and still have content.
    const auto stat = readFileBytes("/proc/self/stat", 1 << 16);
    ASSERT_TRUE(stat.has_value());
    EXPECT_GT(stat->size(), 20u);
    EXPECT_FALSE(readFileBytes("/proc/self/stat", 4).has_value());

    TempDir dir;
    writeAll(dir.file("f"), std::string(100, 'x'));
    std::string error;
    EXPECT_FALSE(readFileBytes(dir.file("f"), 99, &error));
    EXPECT_NE(error.find("larger than 99 bytes"), std::string::npos) << error;
    EXPECT_EQ(readFileBytes(dir.file("f"), 100)->size(), 100u);
    EXPECT_FALSE(readFileBytes(dir.file("absent"), 100, &error));
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;
}

TEST(AtomicWrite, FollowsLinksToTheirTargetAndKeepsThem) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> links;  // link -> as written in it
        std::string target;
    };
    const Case cases[] = {
        {"same_folder", {{"wskb.ini", "real.ini"}}, "real.ini"},
        {"other_folder", {{"wskb.ini", "sub/real.ini"}}, "sub/real.ini"},
        {"absolute", {{"wskb.ini", "@/sub/real.ini"}}, "sub/real.ini"},
        {"chain", {{"wskb.ini", "sub/hop.ini"}, {"sub/hop.ini", "../real.ini"}}, "real.ini"},
        {"dangling", {{"wskb.ini", "sub/new.ini"}}, "sub/new.ini"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        fs::create_directory(dir.file("sub"));
        const std::string target = dir.file(c.target);
        if (std::string(c.name) != "dangling") {
            writeAll(target, "[s]\nk=old\n");
            ::chmod(target.c_str(), 0640);
        }
        for (const auto& [link, to] : c.links) {
            const std::string written = to[0] == '@' ? dir.path() + to.substr(1) : to;
            ASSERT_EQ(::symlink(written.c_str(), dir.file(link).c_str()), 0);
        }
        const std::string path = dir.file("wskb.ini");
        ASSERT_TRUE(iniWriteString(path, u"s", u"k", u"new"));
        EXPECT_TRUE(fs::is_symlink(path));
        EXPECT_EQ(iniReadString(path, u"s", u"k", u""), u"new");
        EXPECT_EQ(readAll(target), "[s]\nk=new\n");
        EXPECT_EQ(modeOf(target), std::string(c.name) == "dangling" ? 0644u : 0640u);
        for (const std::string& folder : {dir.path(), dir.file("sub")}) {
            for (const std::string& name : namesIn(folder)) {
                EXPECT_EQ(name.find(".tmp-"), std::string::npos) << name;
            }
        }
    }
    TempDir dir;
    ASSERT_EQ(::symlink("b", dir.file("a").c_str()), 0);
    ASSERT_EQ(::symlink("a", dir.file("b").c_str()), 0);
    std::string error;
    EXPECT_FALSE(writeFileAtomic(dir.file("a"), std::string_view("x"), &error));
    EXPECT_NE(error.find("cannot follow the link"), std::string::npos) << error;
    EXPECT_TRUE(fs::is_symlink(dir.file("a")));
}

// Read-only means no write bit: even a user whom permissions do not stop
// (root, in CI) keeps the file.
TEST(AtomicWrite, ReadOnlyFilesAreKeptAndTheWriteFails) {
    TempDir dir;
    const std::string path = dir.file("wskb.ini");
    writeAll(path, "[KEYCOLOR]\nDengCheck=0\n");
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    const std::string link = dir.file("link.ini");
    ASSERT_EQ(::symlink("wskb.ini", link.c_str()), 0);
    for (const std::string& written : {path, link}) {
        std::string error;
        EXPECT_FALSE(writeFileAtomic(written, std::string_view("replaced"), &error));
        EXPECT_NE(error.find("read-only"), std::string::npos) << error;
        EXPECT_FALSE(iniWriteString(written, u"KEYCOLOR", u"DengCheck", u"1"));
        EXPECT_FALSE(RegistryStore(written).setDword(u"k", u"n", 1));
    }
    EXPECT_EQ(readAll(path), "[KEYCOLOR]\nDengCheck=0\n");
    EXPECT_EQ(modeOf(path), 0444u);
    EXPECT_TRUE(fs::is_symlink(link));
    for (const std::string& name : namesIn(dir.path())) {
        EXPECT_EQ(name.find(".tmp-"), std::string::npos) << name;
    }
}

TEST(AtomicWrite, AFailedModeChangeFailsTheWrite) {
    TempDir dir;
    const std::string path = dir.file("f");
    writeAll(path, "old");
    gFailModeChange = true;
    std::string error;
    const bool written = writeFileAtomic(path, std::string_view("new"), &error);
    gFailModeChange = false;
    EXPECT_FALSE(written);
    EXPECT_NE(error.find("cannot set the mode"), std::string::npos) << error;
    EXPECT_EQ(readAll(path), "old");
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"f"});
    EXPECT_TRUE(writeFileAtomic(path, std::string_view("new")));
    EXPECT_EQ(readAll(path), "new");
}

TEST(AtomicWrite, OwnerOnlyFilesAreReadableByTheirOwnerAlone) {
    TempDir dir;
    const std::string fresh = dir.file("fresh");
    const std::string wider = dir.file("wider");
    writeAll(wider, "old");
    ASSERT_EQ(::chmod(wider.c_str(), 0644), 0);
    for (const std::string& path : {fresh, wider}) {
        ASSERT_TRUE(
            writeFileAtomic(path, std::string_view("typed"), nullptr, FileAccess::OwnerOnly));
        EXPECT_EQ(readAll(path), "typed");
        EXPECT_EQ(modeOf(path), 0600u) << path;
    }
    // Without it a replaced file keeps its mode and a new one is 0644.
    ASSERT_TRUE(writeFileAtomic(wider, std::string_view("again")));
    EXPECT_EQ(modeOf(wider), 0600u);
    const std::string plain = dir.file("plain");
    ASSERT_TRUE(writeFileAtomic(plain, std::string_view("x")));
    EXPECT_EQ(modeOf(plain), 0644u);
}

namespace {
volatile sig_atomic_t gFileSizeSignals = 0;
}  // namespace

// The signal's disposition is the program's (set once at start-up): a save
// past the limit leaves it as it found it, here a handler that counts, and
// fails. A save that swapped in "ignore" would hide the signal from it.
TEST(AtomicWrite, AWriteBeyondTheFileSizeLimitFailsAndLeavesTheSignalToTheProgram) {
    TempDir dir;
    const std::string path = dir.file("big");
    writeAll(path, "old");
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        struct sigaction count {};
        count.sa_handler = [](int) { gFileSizeSignals = gFileSizeSignals + 1; };
        ::sigaction(SIGXFSZ, &count, nullptr);
        const rlimit limit{1000, 1000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::string error;
        const bool written = writeFileAtomic(path, std::string(5000, 'x'), &error);
        struct sigaction now {};
        ::sigaction(SIGXFSZ, nullptr, &now);
        const bool handlerKept = now.sa_handler == count.sa_handler;
        const bool clear = error.find("cannot write") != std::string::npos;
        ::_exit(!written && clear && gFileSizeSignals > 0 && handlerKept ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0)
        << "the save succeeded, said nothing clear, or kept the signal from the program";
    EXPECT_EQ(readAll(path), "old");
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"big"});
}

// A temporary whose save still runs holds a lock; one left by a save that
// died holds none. Only the second kind is cleared away.
TEST(AtomicWrite, RemovesTheTemporariesOfDeadSavesOnly) {
    TempDir dir;
    const std::string path = dir.file("cache");
    writeAll(dir.file("cache.tmp-dead01"), "left by a killed save");
    writeAll(dir.file("cache.tmp-live01"), "being written");
    writeAll(dir.file("cache.tmp-toolong"), "not a name of ours");
    writeAll(dir.file("other.tmp-dead02"), "another file's");
    const UniqueFd live(::open(dir.file("cache.tmp-live01").c_str(), O_RDONLY | O_CLOEXEC));
    ASSERT_EQ(::flock(live.get(), LOCK_EX), 0);
    ASSERT_TRUE(writeFileAtomic(path, std::string_view("saved")));
    EXPECT_EQ(readAll(path), "saved");
    EXPECT_EQ(namesIn(dir.path()),
              (std::vector<std::string>{"cache", "cache.tmp-live01", "cache.tmp-toolong",
                                        "other.tmp-dead02"}));
}

}  // namespace
}  // namespace quorvane
