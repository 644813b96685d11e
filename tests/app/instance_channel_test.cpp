#include "core/platform/instance_channel.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sys/stat.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

#include "base/le_bytes.h"
#include "core/platform/named_lock.h"
#include "core/platform/xdg_dirs.h"
#include "platform/temp_dir.h"

namespace quorvane {
namespace {

using namespace std::chrono_literals;

struct Recorder {
    std::atomic<int> calls{0};
    std::atomic<std::uint32_t> lastMessage{0};
    std::atomic<std::uint32_t> lastTag{0};
    InstanceChannel::Handler handler() {
        return [this](std::uint32_t m, std::uint32_t t) {
            lastMessage = m;
            lastTag = t;
            ++calls;
            return m + 1;
        };
    }
};

constexpr uid_t kNobody = 65534;

int rawConnect(const std::string& folder, pid_t pid) {
    int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::string name = instanceChannelAddress(folder, pid);
    std::memcpy(addr.sun_path, name.data(), name.size());
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr),
                  static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size())) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// True when the channel answered anything before closing.
bool answered(int fd) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 3000) <= 0) {
        return false;
    }
    std::uint8_t buf[16];
    return ::recv(fd, buf, sizeof buf, 0) > 0;
}

// Every case gets a private run-time folder of its own (mkdtemp makes it 0700).
class InstanceChannelTest : public ::testing::Test {
  protected:
    std::string folder() const { return dir.path(); }
    std::unique_ptr<InstanceChannel> open(InstanceChannel::Handler handler) const {
        return InstanceChannel::open(folder(), std::move(handler), ::getuid());
    }
    std::optional<std::uint32_t> send(std::uint32_t m, std::uint32_t t,
                                      std::chrono::milliseconds timeout = kInstanceSignalTimeout) {
        return sendInstanceMessage(folder(), ::getpid(), m, t, timeout);
    }
    test::TempDir dir;
};

// Runs `body` in a child that became the user nobody; its exit code.
template <typename Body>
int asNobody(Body body) {
    pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
            ::_exit(100);
        }
        ::_exit(body());
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

TEST_F(InstanceChannelTest, DeliversMessageAndTagAndReturnsTheAnswer) {
    Recorder rec;
    auto channel = open(rec.handler());
    ASSERT_NE(channel, nullptr);
    auto answer = send(0x5350, 0x4F50454E);
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(*answer, 0x5351u);
    EXPECT_EQ(rec.lastMessage, 0x5350u);
    EXPECT_EQ(rec.lastTag, 0x4F50454Eu);
    // A second channel on the same pid cannot be opened.
    EXPECT_EQ(open(rec.handler()), nullptr);
    channel.reset();
    EXPECT_FALSE(send(1, 2, 500ms).has_value());
    // The socket goes with the channel.
    EXPECT_FALSE(std::filesystem::exists(instanceChannelAddress(folder(), ::getpid())));
}

TEST_F(InstanceChannelTest, MalformedMessagesAreIgnoredAndServiceGoesOn) {
    Recorder rec;
    auto channel = open(rec.handler());
    ASSERT_NE(channel, nullptr);
    std::vector<std::vector<std::uint8_t>> bad = {
        {1, 2, 3},                             // short
        std::vector<std::uint8_t>(100, 0x51),  // oversized
        std::vector<std::uint8_t>(12, 0),      // no magic
        {},                                    // empty datagram
    };
    std::vector<std::uint8_t> longer(13, 0);
    putU32(longer, 0, kChannelMagic);
    bad.push_back(longer);  // right magic, one byte too many
    for (const auto& bytes : bad) {
        int fd = rawConnect(folder(), ::getpid());
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(bytes.size()));
        EXPECT_FALSE(answered(fd)) << bytes.size();
        ::close(fd);
    }
    // A peer that connects and says nothing holds the channel only briefly.
    int silent = rawConnect(folder(), ::getpid());
    ASSERT_GE(silent, 0);
    EXPECT_EQ(send(7, 8), std::optional<std::uint32_t>(8));
    ::close(silent);
    EXPECT_EQ(rec.calls, 1);
}

TEST_F(InstanceChannelTest, AFrozenPeerCostsABoundedWait) {
    std::atomic<bool> release{false};
    auto channel = open([&](std::uint32_t, std::uint32_t) {
        while (!release) {
            std::this_thread::sleep_for(10ms);
        }
        return 0u;
    });
    ASSERT_NE(channel, nullptr);
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(send(1, 2, 300ms).has_value());
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 250ms);
    EXPECT_LT(waited, 3s);
    release = true;
}

TEST_F(InstanceChannelTest, OnlyTheSameUserIsHeard) {
    ucred peer{};
    peer.uid = 1000;
    EXPECT_TRUE(peerAllowed(peer, 1000));
    EXPECT_FALSE(peerAllowed(peer, 0));
    peer.uid = 0;
    EXPECT_FALSE(peerAllowed(peer, 1000));

    // A channel that expects another user turns our own messages away unheard.
    Recorder rec;
    auto strict = InstanceChannel::open(folder(), rec.handler(), ::getuid() + 1);
    ASSERT_NE(strict, nullptr);
    EXPECT_FALSE(send(1, 2, 1s).has_value());
    EXPECT_EQ(rec.calls, 0);
}

TEST_F(InstanceChannelTest, TheOldAbstractNameTakenFirstCapturesNothing) {
    // Anyone may bind an abstract name; the channel no longer uses one.
    int squatter = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    ASSERT_GE(squatter, 0);
    std::string name = std::string(1, '\0') + "quorvane-instance-" + std::to_string(::getpid());
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, name.data(), name.size());
    ASSERT_EQ(::bind(squatter, reinterpret_cast<sockaddr*>(&addr),
                     static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size())),
              0);
    ASSERT_EQ(::listen(squatter, 4), 0);
    Recorder rec;
    auto channel = open(rec.handler());
    ASSERT_NE(channel, nullptr);
    EXPECT_EQ(send(0x5350, 0x4F50454E), std::optional<std::uint32_t>(0x5351));
    EXPECT_EQ(rec.calls, 1);
    EXPECT_LT(::accept(squatter, nullptr, nullptr), 0);  // nobody came to the squatter
    ::close(squatter);
}

TEST_F(InstanceChannelTest, ASocketLeftByACrashIsReplaced) {
    // Bound, then closed without unlinking: what a killed process leaves.
    int dead = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    std::string path = instanceChannelAddress(folder(), ::getpid());
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    ASSERT_EQ(::bind(dead, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::close(dead);
    ASSERT_TRUE(std::filesystem::exists(path));
    Recorder rec;
    auto channel = open(rec.handler());
    ASSERT_NE(channel, nullptr);
    EXPECT_EQ(send(7, 8), std::optional<std::uint32_t>(8));
}

TEST_F(InstanceChannelTest, AFolderOthersCanReachHoldsNeitherLockNorChannel) {
    Recorder rec;
    for (mode_t mode : {0755, 0711, 0770, 0500}) {
        SCOPED_TRACE(mode);
        ASSERT_EQ(::chmod(folder().c_str(), mode), 0);
        EXPECT_EQ(open(rec.handler()), nullptr);
        NamedLock::Outcome outcome{};
        NamedLock lock = NamedLock::openOrCreate(folder(), "L", &outcome);
        EXPECT_EQ(outcome, NamedLock::Outcome::Failed);
        EXPECT_FALSE(std::filesystem::exists(folder() + "/L.lock"));
    }
    ::chmod(folder().c_str(), 0700);
}

TEST_F(InstanceChannelTest, AnotherUserCanTakeNeitherTheFolderNorTheName) {
    if (::getuid() != 0) {
        GTEST_SKIP() << "needs root to become another user";
    }
    // Their own folder, handed to us (a run-time folder they made first).
    std::string theirs = dir.file("theirs");
    ASSERT_EQ(::mkdir(theirs.c_str(), 0700), 0);
    ASSERT_EQ(::chown(theirs.c_str(), kNobody, kNobody), 0);
    Recorder rec;
    EXPECT_EQ(InstanceChannel::open(theirs, rec.handler(), ::getuid()), nullptr);
    NamedLock::Outcome outcome{};
    NamedLock lock = NamedLock::openOrCreate(theirs, "L", &outcome);
    EXPECT_EQ(outcome, NamedLock::Outcome::Failed);

    // In our folder they cannot bind our name ahead of us.
    ASSERT_EQ(::chmod(dir.path().c_str(), 0700), 0);
    const std::string path = instanceChannelAddress(folder(), ::getpid());
    const int bound = asNobody([&] {
        int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
        return ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 ? 1 : 0;
    });
    EXPECT_EQ(bound, 0);
    auto channel = open(rec.handler());
    ASSERT_NE(channel, nullptr);
    EXPECT_EQ(send(3, 4), std::optional<std::uint32_t>(4));
}

TEST_F(InstanceChannelTest, AProcessOfAnotherUserCannotSignal) {
    if (::getuid() != 0) {
        GTEST_SKIP() << "needs root to become another user";
    }
    Recorder rec;
    auto channel = open(rec.handler());
    ASSERT_NE(channel, nullptr);
    // Open the folder's door wider than we ever would, so that only the
    // receiver's own check of the peer is left to stop them.
    ASSERT_EQ(::chmod(folder().c_str(), 0711), 0);
    ::chmod(instanceChannelAddress(folder(), ::getpid()).c_str(), 0777);
    const std::string dirPath = folder();
    const pid_t target = ::getpid();
    const int code = asNobody([&] {
        // Raw bytes, well formed.
        std::uint8_t request[kRequestSize];
        putU32(std::span(request), 0, kChannelMagic);
        putU32(std::span(request), 4, 0x4D4B);
        putU32(std::span(request), 8, 0x4C4C494B);
        int fd = rawConnect(dirPath, target);
        if (fd < 0) {
            return 3;
        }
        bool sent = ::send(fd, request, sizeof request, MSG_NOSIGNAL) == sizeof request;
        return sent && answered(fd) ? 1 : 0;
    });
    ::chmod(folder().c_str(), 0700);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(rec.calls, 0);
}

}  // namespace
}  // namespace quorvane
