#include "core/platform/named_lock.h"

#include "core/platform/xdg_dirs.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <utility>

#include "base/atomic_file.h"

namespace quorvane {

namespace {

std::string pidFileOf(const std::string& folder, const std::string& name) {
    return folder + "/" + name + ".pid";
}

}  // namespace

NamedLock::NamedLock(NamedLock&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)),
      m_owns(std::exchange(other.m_owns, false)),
      m_pidFile(std::move(other.m_pidFile)) {}

NamedLock& NamedLock::operator=(NamedLock&& other) noexcept {
    if (this != &other) {
        close();
        m_fd = std::exchange(other.m_fd, -1);
        m_owns = std::exchange(other.m_owns, false);
        m_pidFile = std::move(other.m_pidFile);
    }
    return *this;
}

NamedLock::~NamedLock() {
    close();
}

void NamedLock::close() {
    // Before the lock goes: the next holder's pid must not be removed.
    if (m_owns && !m_pidFile.empty()) {
        ::unlink(m_pidFile.c_str());
    }
    m_pidFile.clear();
    if (m_fd >= 0) {
        ::close(m_fd);  // closing the last descriptor releases the flock
    }
    m_fd = -1;
    m_owns = false;
}

NamedLock NamedLock::openOrCreate(const std::string& folder, const std::string& name,
                                  Outcome* outcome) {
    NamedLock lock;
    Outcome result = Outcome::Failed;
    // A folder that others can write lets them plant the lock file first.
    if (isPrivateFolder(folder) && name.find('/') == std::string::npos) {
        std::string path = folder + "/" + name + ".lock";
        lock.m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (lock.m_fd >= 0) {
            int rc = 0;
            do {
                rc = ::flock(lock.m_fd, LOCK_EX | LOCK_NB);
            } while (rc != 0 && errno == EINTR);
            if (rc == 0) {
                lock.m_owns = true;
                lock.m_pidFile = pidFileOf(folder, name);
                writeFileAtomic(lock.m_pidFile, std::to_string(::getpid()));
                result = Outcome::Created;
            } else if (errno == EWOULDBLOCK) {
                result = Outcome::Existed;
            } else {
                lock.close();
            }
        }
    }
    if (outcome != nullptr) {
        *outcome = result;
    }
    return lock;
}

pid_t NamedLock::holderPid(const std::string& folder, const std::string& name) {
    if (!isPrivateFolder(folder) || name.find('/') != std::string::npos) {
        return 0;
    }
    const auto bytes = readFileBytes(pidFileOf(folder, name), 32);
    if (!bytes || bytes->empty()) {
        return 0;
    }
    const char* begin = reinterpret_cast<const char*>(bytes->data());
    const char* end = begin + bytes->size();
    pid_t pid = 0;
    const auto [at, error] = std::from_chars(begin, end, pid);
    return error == std::errc() && at == end && pid > 0 ? pid : 0;
}

}  // namespace quorvane
