#include "core/platform/keyboard_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <thread>
#include <utility>

namespace quorvane {

namespace {

constexpr std::chrono::milliseconds kPoll{20};

}  // namespace

KeyboardLock::KeyboardLock(std::string path, std::string holder, Waiting waiting)
    : m_path(std::move(path)), m_holder(std::move(holder)), m_waiting(std::move(waiting)) {}

KeyboardLock::~KeyboardLock() {
    if (m_fd >= 0) {
        ::close(m_fd);  // lets the flock go
    }
}

std::string KeyboardLock::pathFor(const std::string& runtimeFolder) {
    return runtimeFolder + "/keyboard-0c45-5004.lock";
}

std::string KeyboardLock::holderWords(const std::string& fileText) {
    const std::size_t space = fileText.find(' ');
    const std::string name = fileText.substr(0, space);
    std::string pid = space == std::string::npos ? std::string() : fileText.substr(space + 1);
    while (!pid.empty() && (pid.back() == '\n' || pid.back() == ' ')) {
        pid.pop_back();
    }
    if (name == "quorvane") {
        return "the desktop program";
    }
    if (name == "quorvanectl") {
        return pid.empty() ? "another quorvanectl" : "another quorvanectl (process " + pid + ")";
    }
    return "another program";
}

std::string KeyboardLock::readHolder() const {
    std::array<char, 64> text{};
    const ssize_t n = ::pread(m_fd, text.data(), text.size() - 1, 0);
    return holderWords(n > 0 ? std::string(text.data(), static_cast<std::size_t>(n))
                             : std::string());
}

std::string KeyboardLock::lastHolder() const {
    const std::lock_guard lock(m_mutex);
    return m_lastHolder;
}

bool KeyboardLock::acquire() {
    const std::lock_guard lock(m_mutex);
    if (m_holds > 0) {
        ++m_holds;
        return true;
    }
    if (m_fd < 0) {
        m_fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    }
    if (m_fd < 0) {
        ++m_holds;
        return true;
    }
    const auto start = std::chrono::steady_clock::now();
    bool noticed = false;
    for (;;) {
        if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0) {
            m_fileLocked = true;
            // Not a file of data: it only names the holder for those who wait.
            const std::string text = m_holder + " " + std::to_string(::getpid()) + "\n";
            if (::ftruncate(m_fd, 0) == 0) {
                [[maybe_unused]] const ssize_t n = ::pwrite(m_fd, text.data(), text.size(), 0);
            }
            ++m_holds;
            return true;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            ++m_holds;
            return true;
        }
        const auto waited = std::chrono::steady_clock::now() - start;
        if (!noticed && waited >= m_waiting.noticeAfter) {
            noticed = true;
            if (m_waiting.notice) {
                m_waiting.notice(readHolder());
            }
        }
        if (waited >= m_waiting.giveUpAfter) {
            m_lastHolder = readHolder();
            return false;
        }
        std::this_thread::sleep_for(kPoll);
    }
}

void KeyboardLock::release() {
    const std::lock_guard lock(m_mutex);
    if (m_holds == 0 || --m_holds > 0) {
        return;
    }
    if (m_fileLocked) {
        [[maybe_unused]] const int truncated = ::ftruncate(m_fd, 0);
        ::flock(m_fd, LOCK_UN);
        m_fileLocked = false;
    }
}

}  // namespace quorvane
