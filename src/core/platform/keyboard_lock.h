// One client at a time on the keyboard: the desktop program and the
// command-line tool (or two runs of the tool) would otherwise interleave their
// commands, take each other's answers and write over each other's transfers.
// An flock on a lock file in the user's private run-time folder, named for
// the keyboard. Holds nest within a process: the file lock is taken at the
// first and let go at the last, so a command can hold it while a transfer
// holds it across all of its commands. The kernel lets it go when the holder
// dies, so a killed client never leaves the keyboard locked.
//
// Threads: any. Holds of several threads of one process share the file lock;
// a thread that must wait for another process makes the process's other new
// holds wait with it.
#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <string>

namespace quorvane {

// How a hold waits for another process's.
struct KeyboardLockWaiting {
    // After this long, `notice` is called once with the holder's words.
    std::chrono::milliseconds noticeAfter{3000};
    // Then the wait ends without the hold (zero: after the first try; max():
    // never).
    std::chrono::milliseconds giveUpAfter{60000};
    std::function<void(const std::string& holder)> notice;
};

class KeyboardLock {
  public:
    using Waiting = KeyboardLockWaiting;

    // `path`: the lock file (created 0600 when missing). `holder`: what the
    // file says while this process holds it ("quorvane", "quorvanectl"); the
    // process id follows.
    KeyboardLock(std::string path, std::string holder, Waiting waiting = {});
    ~KeyboardLock();
    KeyboardLock(const KeyboardLock&) = delete;
    KeyboardLock& operator=(const KeyboardLock&) = delete;

    // Takes a hold, waiting while another process has the lock. False when
    // the wait gave up (no hold taken). A lock file that cannot be opened or
    // locked gives a hold that locks nothing: the client then works alone
    // as it did before there was a lock.
    bool acquire();
    void release();

    // A hold for a scope; `lock` may be null (no lock at all).
    class Hold {
      public:
        explicit Hold(KeyboardLock* lock) : m_lock(lock) {
            m_taken = m_lock == nullptr || m_lock->acquire();
        }
        ~Hold() {
            if (m_lock != nullptr && m_taken) {
                m_lock->release();
            }
        }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;
        bool taken() const { return m_taken; }

      private:
        KeyboardLock* m_lock;
        bool m_taken = false;
    };

    // Who held the lock when the last wait gave up, in words.
    std::string lastHolder() const;

    // The lock file of the keyboard model in `runtimeFolder`.
    static std::string pathFor(const std::string& runtimeFolder);
    // Who holds it, in words, from the lock file's text ("quorvane 123"):
    // "the desktop program", "another quorvanectl (process 123)".
    static std::string holderWords(const std::string& fileText);

  private:
    std::string readHolder() const;

    std::string m_path;
    std::string m_holder;
    Waiting m_waiting;
    mutable std::mutex m_mutex;  // guards everything below
    int m_fd = -1;
    int m_holds = 0;
    bool m_fileLocked = false;
    std::string m_lastHolder;
};

}  // namespace quorvane
