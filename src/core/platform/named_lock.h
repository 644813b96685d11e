// A named mutex between processes of one user: a lock file held with flock in the
// user's private run-time folder. The kernel drops the lock when the holder dies,
// so a crashed instance never leaves a stale lock behind. The holder writes its
// pid beside the lock, so that others of that folder can find it.
#pragma once

#include <sys/types.h>

#include <string>

namespace quorvane {

class NamedLock {
  public:
    enum class Outcome {
        Created,  // nobody held it: this process holds it now
        Existed,  // another process holds it; this handle only names it
        Failed,   // `folder` is not a private folder of ours, or the file cannot be opened
    };

    NamedLock() = default;
    NamedLock(NamedLock&& other) noexcept;
    NamedLock& operator=(NamedLock&& other) noexcept;
    NamedLock(const NamedLock&) = delete;
    NamedLock& operator=(const NamedLock&) = delete;
    ~NamedLock();

    // `folder` must be private to the user (see privateRuntimeDir()).
    static NamedLock openOrCreate(const std::string& folder, const std::string& name,
                                  Outcome* outcome);

    // The pid the holder of `name` in `folder` wrote; 0 when there is none. A
    // holder that crashed leaves its pid behind: check that it still answers.
    static pid_t holderPid(const std::string& folder, const std::string& name);

    bool isOpen() const { return m_fd >= 0; }
    bool owns() const { return m_owns; }
    void close();

  private:
    int m_fd = -1;
    bool m_owns = false;
    std::string m_pidFile;  // written while this handle owns the lock
};

}  // namespace quorvane
