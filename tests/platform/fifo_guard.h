// Readers handed a FIFO that nobody writes to must return at once. A reader
// that waits for a writer instead would hang the test for ever, so a guard
// thread plays the writer once the reader has not returned for a long while:
// the reader then comes back and the case fails instead of hanging.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace quorvane::test {

inline bool makeFifo(const std::string& path) {
    return ::mkfifo(path.c_str(), 0600) == 0;
}

// True when `read` returned without a writer's help.
template <class Read>
bool returnsWithoutAWriter(const std::string& fifo, Read&& read) {
    std::mutex mutex;
    std::condition_variable returned;
    bool done = false;
    bool released = false;
    std::thread guard([&] {
        std::unique_lock lock(mutex);
        while (!returned.wait_for(lock, std::chrono::seconds(20), [&] { return done; })) {
            released = true;
            // Opens only while a reader waits in its open; that reader then
            // sees an empty file and goes on, maybe to wait in the next open.
            const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) {
                ::close(fd);
            }
        }
    });
    read();
    {
        std::lock_guard lock(mutex);
        done = true;
    }
    returned.notify_all();
    guard.join();
    return !released;
}

}  // namespace quorvane::test
