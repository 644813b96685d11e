#include "core/platform/detached_start.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace quorvane {

bool startDetached(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
        ::access(path.c_str(), X_OK) != 0) {
        return false;
    }
    // Everything the children need is ready before fork: after it, only calls
    // that are safe in a copy of a threaded process.
    char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
    int ready[2];
    if (::pipe2(ready, O_CLOEXEC) != 0) {
        return false;
    }
    pid_t child = ::fork();
    if (child < 0) {
        ::close(ready[0]);
        ::close(ready[1]);
        return false;
    }
    if (child == 0) {
        // The middle process leaves at once, so the program is adopted by init
        // (or the session's subreaper) and not left as our zombie.
        ::setsid();
        pid_t grandchild = ::fork();
        if (grandchild == 0) {
            int null = ::open("/dev/null", O_RDWR);
            if (null >= 0) {
                ::dup2(null, 0);
                ::dup2(null, 1);
                ::dup2(null, 2);
            }
            ::execve(path.c_str(), argv, environ);
            char failed = 1;  // the exec failed: say so through the pipe
            [[maybe_unused]] auto n = ::write(ready[1], &failed, 1);
            ::_exit(127);
        }
        ::_exit(grandchild > 0 ? 0 : 1);
    }
    ::close(ready[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    char failed = 0;
    ssize_t n;
    do {
        n = ::read(ready[0], &failed, 1);  // EOF once exec succeeded (close-on-exec)
    } while (n < 0 && errno == EINTR);
    ::close(ready[0]);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && n == 0;
}

}  // namespace quorvane
