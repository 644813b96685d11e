#include "core/platform/instance_channel.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

#include "core/platform/xdg_dirs.h"

namespace quorvane {
namespace {

// A connected peer gets this long to deliver its message; a silent one cannot
// hold the channel.
constexpr int kReadTimeoutMs = 1000;

class Fd {
  public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }

  private:
    int m_fd;
};

// 0 when the path does not fit.
socklen_t fillAddress(sockaddr_un& addr, const std::string& folder, pid_t pid) {
    std::string name = instanceChannelAddress(folder, pid);
    std::memset(&addr, 0, sizeof addr);
    if (folder.empty() || name.size() >= sizeof addr.sun_path) {
        return 0;
    }
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, name.data(), name.size());
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size() + 1);
}

// Someone accepts connections on the address.
bool listening(const sockaddr_un& addr, socklen_t len) {
    Fd probe(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    return probe.get() >= 0 &&
           (::connect(probe.get(), reinterpret_cast<const sockaddr*>(&addr), len) == 0 ||
            errno == EAGAIN);
}

bool waitFor(int fd, short events, int timeoutMs) {
    pollfd p{fd, events, 0};
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        int rc = ::poll(&p, 1, static_cast<int>(left < 0 ? 0 : left));
        if (rc > 0) {
            return (p.revents & events) != 0;
        }
        if (rc == 0 || errno != EINTR) {
            return false;
        }
    }
}

bool peerOf(int fd, ucred& cred) {
    socklen_t len = sizeof cred;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) == 0 && len == sizeof cred;
}

}  // namespace

std::string instanceChannelAddress(const std::string& folder, pid_t pid) {
    return folder + "/instance-" + std::to_string(pid) + ".sock";
}

bool instanceChannelListening(const std::string& folder, pid_t pid) {
    sockaddr_un addr{};
    const socklen_t len = fillAddress(addr, folder, pid);
    return len != 0 && listening(addr, len);
}

bool peerAllowed(const ucred& peer, uid_t expectedUid) {
    return peer.uid == expectedUid;
}

InstanceChannel::InstanceChannel(int listenFd, int wakeFd, std::string path, Handler handler,
                                 uid_t allowedUid)
    : m_listenFd(listenFd),
      m_wakeFd(wakeFd),
      m_path(std::move(path)),
      m_handler(std::move(handler)),
      m_allowedUid(allowedUid) {
    m_thread = std::thread([this] { serve(); });
}

std::unique_ptr<InstanceChannel> InstanceChannel::open(const std::string& folder, Handler handler,
                                                       uid_t allowedUid, pid_t pid) {
    if (!isPrivateFolder(folder)) {
        return nullptr;
    }
    sockaddr_un addr{};
    socklen_t len = fillAddress(addr, folder, pid);
    if (len == 0 || listening(addr, len)) {
        return nullptr;
    }
    Fd listenFd(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0));
    Fd wakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (listenFd.get() < 0 || wakeFd.get() < 0) {
        return nullptr;
    }
    // Left by a crashed process that had our pid: nobody listens on it.
    ::unlink(addr.sun_path);
    if (::bind(listenFd.get(), reinterpret_cast<sockaddr*>(&addr), len) != 0 ||
        ::listen(listenFd.get(), 16) != 0) {
        return nullptr;
    }
    return std::unique_ptr<InstanceChannel>(new InstanceChannel(
        listenFd.release(), wakeFd.release(), addr.sun_path, std::move(handler), allowedUid));
}

InstanceChannel::~InstanceChannel() {
    std::uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(m_wakeFd, &one, sizeof one);
    if (m_thread.joinable()) {
        m_thread.join();
    }
    ::unlink(m_path.c_str());
    ::close(m_listenFd);
    ::close(m_wakeFd);
}

void InstanceChannel::serve() {
    for (;;) {
        std::array<pollfd, 2> fds{pollfd{m_listenFd, POLLIN, 0}, pollfd{m_wakeFd, POLLIN, 0}};
        int rc = ::poll(fds.data(), fds.size(), -1);
        if (rc < 0 && errno == EINTR) {
            continue;
        }
        if (rc < 0 || fds[1].revents != 0) {
            return;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            Fd conn(::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC));
            if (conn.get() >= 0) {
                serveConnection(conn.get());
            }
        }
    }
}

void InstanceChannel::serveConnection(int fd) {
    ucred peer{};
    if (!peerOf(fd, peer) || !peerAllowed(peer, m_allowedUid)) {
        return;
    }
    if (!waitFor(fd, POLLIN, kReadTimeoutMs)) {
        return;
    }
    std::array<std::uint8_t, 64> buf{};
    // MSG_TRUNC reports the datagram's real length, so an oversized one is seen.
    ssize_t n = ::recv(fd, buf.data(), buf.size(), MSG_TRUNC | MSG_DONTWAIT);
    if (n != static_cast<ssize_t>(kRequestSize) ||
        getField(buf, kChannelMagicField) != kChannelMagic) {
        return;  // short, oversized or foreign: ignored
    }
    std::uint32_t answer =
        m_handler(getField(buf, kRequestMessageField), getField(buf, kRequestTagField));
    std::array<std::uint8_t, kReplySize> reply{};
    putField(reply, kChannelMagicField, kChannelMagic);
    putField(reply, kReplyAnswerField, answer);
    // The sender may have given up already; that is its business.
    [[maybe_unused]] auto sent =
        ::send(fd, reply.data(), reply.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
}

std::optional<std::uint32_t> sendInstanceMessage(const std::string& folder, pid_t pid,
                                                 std::uint32_t message, std::uint32_t tag,
                                                 std::chrono::milliseconds timeout) {
    sockaddr_un addr{};
    socklen_t len = fillAddress(addr, folder, pid);
    Fd fd(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (len == 0 || fd.get() < 0) {
        return std::nullopt;
    }
    // Non-blocking: a peer whose queue is full (frozen) refuses at once instead of
    // holding us.
    if (::connect(fd.get(), reinterpret_cast<sockaddr*>(&addr), len) != 0) {
        return std::nullopt;
    }
    ucred peer{};
    if (!peerOf(fd.get(), peer) || peer.pid != pid || !peerAllowed(peer, ::getuid())) {
        return std::nullopt;
    }
    std::array<std::uint8_t, kRequestSize> request{};
    putField(request, kChannelMagicField, kChannelMagic);
    putField(request, kRequestMessageField, message);
    putField(request, kRequestTagField, tag);
    if (::send(fd.get(), request.data(), request.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(request.size())) {
        return std::nullopt;
    }
    if (!waitFor(fd.get(), POLLIN, static_cast<int>(timeout.count()))) {
        return std::nullopt;
    }
    std::array<std::uint8_t, 16> reply{};
    ssize_t n = ::recv(fd.get(), reply.data(), reply.size(), MSG_TRUNC);
    if (n != static_cast<ssize_t>(kReplySize) ||
        getField(reply, kChannelMagicField) != kChannelMagic) {
        return std::nullopt;
    }
    return getField(reply, kReplyAnswerField);
}

}  // namespace quorvane
