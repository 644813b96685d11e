#include "core/platform/atomic_file.h"
#include "core/platform/unique_fd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace quorvane {
namespace {

void setError(std::string* error, const std::string& what) {
    if (error != nullptr) {
        *error = what + ": " + std::strerror(errno);
    }
}

std::string folderOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

bool writeFileAtomic(const std::string& path, std::span<const std::uint8_t> bytes,
                     std::string* error) {
    std::string tmp = path + ".tmp-XXXXXX";
    std::vector<char> name(tmp.begin(), tmp.end());
    name.push_back('\0');
    UniqueFd fd(::mkostemp(name.data(), O_CLOEXEC));
    if (fd.get() < 0) {
        setError(error, "cannot create a temporary file beside " + path);
        return false;
    }
    // A file-size limit must fail the write, not kill the process.
    struct sigaction ignore {};
    struct sigaction previous {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &previous);

    bool ok = true;
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
        ssize_t n = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            setError(error, "cannot write " + path);
            ok = false;
        } else {
            done += static_cast<std::size_t>(n);
        }
    }
    ::sigaction(SIGXFSZ, &previous, nullptr);
    if (ok) {
        // Keep the mode of the file being replaced; new files get 0644.
        struct stat st {};
        mode_t mode = (::stat(path.c_str(), &st) == 0) ? (st.st_mode & 07777) : 0644;
        ::fchmod(fd.get(), mode);
        if (::fsync(fd.get()) != 0) {
            setError(error, "cannot flush " + path);
            ok = false;
        }
    }
    if (::close(fd.release()) != 0 && ok) {
        setError(error, "cannot close " + path);
        ok = false;
    }
    if (ok && ::rename(name.data(), path.c_str()) != 0) {
        setError(error, "cannot replace " + path);
        ok = false;
    }
    if (!ok) {
        ::unlink(name.data());
        return false;
    }
    UniqueFd dir(::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) {
        ::fsync(dir.get());
    }
    return true;
}

bool writeFileAtomic(const std::string& path, std::string_view text, std::string* error) {
    return writeFileAtomic(
        path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), error);
}

std::optional<std::vector<std::uint8_t>> readFileBytes(const std::string& path,
                                                       std::uint64_t maxBytes) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<std::uint64_t>(st.st_size) > maxBytes) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> out(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    while (done < out.size()) {
        ssize_t n = ::read(fd.get(), out.data() + done, out.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return std::nullopt;
        }
        if (n == 0) {
            break;  // the file shrank while we read it
        }
        done += static_cast<std::size_t>(n);
    }
    out.resize(done);
    return out;
}

bool makeDirectories(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    std::string partial;
    std::size_t pos = 0;
    while (pos != std::string::npos) {
        pos = path.find('/', pos + 1);
        partial = path.substr(0, pos);
        if (partial.empty()) {
            continue;
        }
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
    }
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace quorvane
