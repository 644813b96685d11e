// Messages between instances: a process whose main window is marked listens on a
// Unix socket named after its pid in the user's private run-time folder; another
// process of the same user connects, sends (message, tag) and waits a bounded
// time for the answer. The folder (mode 0700, ours) keeps other users from
// taking the name first, as they could an abstract name; a socket left by a
// crash is replaced by the next process of that pid.
#pragma once

#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "base/byte_fields.h"

namespace quorvane {

inline constexpr std::chrono::milliseconds kInstanceSignalTimeout{3000};

// The socket path of a process's channel in `folder` (a private run-time folder,
// see privateRuntimeDir()).
std::string instanceChannelAddress(const std::string& folder, pid_t pid);

// Someone accepts connections on the channel of `pid` in `folder`.
bool instanceChannelListening(const std::string& folder, pid_t pid);

// A peer may talk to us only when it runs as `expectedUid`.
bool peerAllowed(const ucred& peer, uid_t expectedUid);

// The framing on the wire: a magic word, then message and tag (a request) or
// the answer (a reply), little-endian.
inline constexpr std::uint32_t kChannelMagic = 0x4D495651;  // "QVIM" in memory order
inline constexpr Field kChannelMagicField{"magic", 0, 4};
inline constexpr Field kRequestMessageField{"message", 4, 4};
inline constexpr Field kRequestTagField{"tag", 8, 4};
inline constexpr std::array kRequestFields = {kChannelMagicField, kRequestMessageField,
                                              kRequestTagField};
inline constexpr std::size_t kRequestSize = 12;
static_assert(tilesLayout(kRequestFields, kRequestSize));
inline constexpr Field kReplyAnswerField{"answer", 4, 4};
inline constexpr std::array kReplyFields = {kChannelMagicField, kReplyAnswerField};
inline constexpr std::size_t kReplySize = 8;
static_assert(tilesLayout(kReplyFields, kReplySize));

class InstanceChannel {
  public:
    // Runs on the channel's own thread, one message at a time; its result is the
    // answer. A window implementation hands the message to its own thread and
    // waits there (a synchronous send). It must never destroy the channel.
    using Handler = std::function<std::uint32_t(std::uint32_t message, std::uint32_t tag)>;

    // Starts listening for `pid` (normally our own) in `folder`; nullptr when
    // the folder is not a private folder of ours, the path is too long, or a
    // live channel of that pid is there already. Only peers running as
    // `allowedUid` reach the handler.
    static std::unique_ptr<InstanceChannel> open(const std::string& folder, Handler handler,
                                                 uid_t allowedUid, pid_t pid = ::getpid());
    InstanceChannel(const InstanceChannel&) = delete;
    InstanceChannel& operator=(const InstanceChannel&) = delete;
    // Stops the thread; waits for a handler that is running.
    ~InstanceChannel();

  private:
    InstanceChannel(int listenFd, int wakeFd, std::string path, Handler handler, uid_t allowedUid);
    void serve();
    void serveConnection(int fd);

    int m_listenFd;
    int m_wakeFd;
    std::string m_path;
    Handler m_handler;
    uid_t m_allowedUid;
    std::thread m_thread;
};

// Sends (message, tag) to the channel of `pid` in `folder` and returns its answer;
// nullopt when there is no channel, it is held by another process or user, or
// no answer came in `timeout`.
std::optional<std::uint32_t> sendInstanceMessage(
    const std::string& folder, pid_t pid, std::uint32_t message, std::uint32_t tag,
    std::chrono::milliseconds timeout = kInstanceSignalTimeout);

}  // namespace quorvane
