#include "core/platform/named_lock.h"

#include "core/platform/xdg_dirs.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace quorvane {

NamedLock::NamedLock(NamedLock&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_owns(std::exchange(other.m_owns, false)) {}

NamedLock& NamedLock::operator=(NamedLock&& other) noexcept {
    if (this != &other) {
        close();
        m_fd = std::exchange(other.m_fd, -1);
        m_owns = std::exchange(other.m_owns, false);
    }
    return *this;
}

NamedLock::~NamedLock() {
    close();
}

void NamedLock::close() {
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

}  // namespace quorvane
