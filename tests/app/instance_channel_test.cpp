#include "core/platform/instance_channel.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "core/platform/le_bytes.h"

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

int rawConnect(pid_t pid) {
    int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::string name = instanceChannelAddress(pid);
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

TEST(InstanceChannel, DeliversMessageAndTagAndReturnsTheAnswer) {
    Recorder rec;
    auto channel = InstanceChannel::open(rec.handler(), ::getuid());
    ASSERT_NE(channel, nullptr);
    auto answer = sendInstanceMessage(::getpid(), 0x5350, 0x4F50454E);
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(*answer, 0x5351u);
    EXPECT_EQ(rec.lastMessage, 0x5350u);
    EXPECT_EQ(rec.lastTag, 0x4F50454Eu);
    // A second channel on the same pid cannot be opened.
    EXPECT_EQ(InstanceChannel::open(rec.handler(), ::getuid()), nullptr);
    channel.reset();
    EXPECT_FALSE(sendInstanceMessage(::getpid(), 1, 2, 500ms).has_value());
}

TEST(InstanceChannel, MalformedMessagesAreIgnoredAndServiceGoesOn) {
    Recorder rec;
    auto channel = InstanceChannel::open(rec.handler(), ::getuid());
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
        int fd = rawConnect(::getpid());
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(bytes.size()));
        EXPECT_FALSE(answered(fd)) << bytes.size();
        ::close(fd);
    }
    // A peer that connects and says nothing holds the channel only briefly.
    int silent = rawConnect(::getpid());
    ASSERT_GE(silent, 0);
    EXPECT_EQ(sendInstanceMessage(::getpid(), 7, 8), std::optional<std::uint32_t>(8));
    ::close(silent);
    EXPECT_EQ(rec.calls, 1);
}

TEST(InstanceChannel, AFrozenPeerCostsABoundedWait) {
    std::atomic<bool> release{false};
    auto channel = InstanceChannel::open(
        [&](std::uint32_t, std::uint32_t) {
            while (!release) {
                std::this_thread::sleep_for(10ms);
            }
            return 0u;
        },
        ::getuid());
    ASSERT_NE(channel, nullptr);
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(sendInstanceMessage(::getpid(), 1, 2, 300ms).has_value());
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 250ms);
    EXPECT_LT(waited, 3s);
    release = true;
}

TEST(InstanceChannel, OnlyTheSameUserIsHeard) {
    ucred peer{};
    peer.uid = 1000;
    EXPECT_TRUE(peerAllowed(peer, 1000));
    EXPECT_FALSE(peerAllowed(peer, 0));
    peer.uid = 0;
    EXPECT_FALSE(peerAllowed(peer, 1000));

    // A channel that expects another user turns our own messages away unheard.
    Recorder rec;
    auto strict = InstanceChannel::open(rec.handler(), ::getuid() + 1);
    ASSERT_NE(strict, nullptr);
    EXPECT_FALSE(sendInstanceMessage(::getpid(), 1, 2, 1s).has_value());
    EXPECT_EQ(rec.calls, 0);
}

TEST(InstanceChannel, AProcessOfAnotherUserCannotSignal) {
    if (::getuid() != 0) {
        GTEST_SKIP() << "needs root to become another user";
    }
    Recorder rec;
    auto channel = InstanceChannel::open(rec.handler(), ::getuid());
    ASSERT_NE(channel, nullptr);
    pid_t target = ::getpid();
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
            ::_exit(2);
        }
        // Raw bytes, well formed: only the receiver's own check may stop them.
        std::uint8_t request[kRequestSize];
        putU32(std::span(request), 0, kChannelMagic);
        putU32(std::span(request), 4, 0x4D4B);
        putU32(std::span(request), 8, 0x4C4C494B);
        int fd = rawConnect(target);
        if (fd < 0) {
            ::_exit(3);
        }
        bool sent = ::send(fd, request, sizeof request, MSG_NOSIGNAL) == sizeof request;
        ::_exit(sent && answered(fd) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(rec.calls, 0);
}

}  // namespace
}  // namespace quorvane
