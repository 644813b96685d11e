#include "base/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstring>

namespace quorvane {
namespace {

constexpr int kMaxLinkHops = 40;
constexpr int kTemporaryAttempts = 16;
constexpr std::string_view kTemporaryInfix = ".tmp-";
constexpr std::size_t kTemporarySuffixLength = 6;  // mkostemp's XXXXXX

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

std::string nameOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

const char* kindOf(mode_t mode) {
    if (S_ISDIR(mode)) {
        return "a folder";
    }
    if (S_ISFIFO(mode)) {
        return "a FIFO";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "a device";
    }
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
    return "not a regular file";
}

// The file a write to `path` replaces: symlinks followed to their end (which
// may not exist yet), so that the link stays a link.
std::optional<std::string> followLinks(const std::string& path, std::string* error) {
    std::string current = path;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            return current;
        }
        std::array<char, PATH_MAX> target{};
        const ssize_t n = ::readlink(current.c_str(), target.data(), target.size());
        if (n < 0 || static_cast<std::size_t>(n) >= target.size()) {
            setError(error, "cannot follow the link " + current);
            return std::nullopt;
        }
        std::string next(target.data(), static_cast<std::size_t>(n));
        current = !next.empty() && next.front() == '/' ? next : folderOf(current) + "/" + next;
    }
    errno = ELOOP;
    setError(error, "cannot follow the link " + path);
    return std::nullopt;
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Removes the temporaries that saves of `target` left when they died. A live
// save holds an exclusive flock on its temporary from before it writes until
// after its rename, so a temporary whose lock can be taken has no owner.
void removeDeadTemporaries(const std::string& target) {
    const std::string prefix = nameOf(target) + std::string(kTemporaryInfix);
    DIR* dir = ::opendir(folderOf(target).c_str());
    if (dir == nullptr) {
        return;
    }
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() != prefix.size() + kTemporarySuffixLength ||
            name.compare(0, prefix.size(), prefix) != 0) {
            continue;
        }
        UniqueFd fd(::openat(dirFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat held {};
        struct stat named {};
        if (!fd.valid() || ::fstat(fd.get(), &held) != 0 || !S_ISREG(held.st_mode) ||
            ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
            continue;
        }
        // The name may have been renamed away since it was opened.
        if (::fstatat(dirFd, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            sameFile(held, named)) {
            ::unlinkat(dirFd, name.c_str(), 0);
        }
    }
    ::closedir(dir);
}

// A new temporary beside `target`, locked before anything is written to it.
UniqueFd createTemporary(const std::string& target, std::string& name, std::string* error) {
    for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
        std::string pattern = target + std::string(kTemporaryInfix) + "XXXXXX";
        UniqueFd fd(::mkostemp(pattern.data(), O_CLOEXEC));
        if (!fd.valid()) {
            setError(error, "cannot create a temporary file beside " + target);
            return {};
        }
        int locked = 0;
        while ((locked = ::flock(fd.get(), LOCK_EX)) != 0 && errno == EINTR) {
        }
        struct stat held {};
        struct stat named {};
        if (locked != 0) {
            setError(error, "cannot lock a temporary file beside " + target);
            ::unlink(pattern.c_str());
            return {};
        }
        // A cleaner that locked it first took it for a dead save's: try another.
        if (::fstat(fd.get(), &held) == 0 && ::lstat(pattern.c_str(), &named) == 0 &&
            sameFile(held, named)) {
            name = std::move(pattern);
            return fd;
        }
    }
    errno = EAGAIN;
    setError(error, "cannot keep a temporary file beside " + target);
    return {};
}

// Past the file-size limit the write fails with EFBIG only where the program
// ignores SIGXFSZ (ignoreFileSizeSignal); this leaves the disposition alone.
bool writeAll(int fd, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

bool writeFileAtomic(const std::string& path, std::span<const std::uint8_t> bytes,
                     std::string* error, FileAccess access) {
    const std::optional<std::string> target = followLinks(path, error);
    if (!target) {
        return false;
    }
    // Keep the mode of the file being replaced; new files get 0644.
    mode_t mode = 0644;
    struct stat st {};
    if (::stat(target->c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            errno = EISDIR;
            setError(error, *target + " is " + kindOf(st.st_mode) + ", not a file to replace");
            return false;
        }
        // A read-only file stays as it is, even for a user whom permissions
        // do not stop, as the platform keeps it.
        if ((st.st_mode & 0222) == 0 ||
            ::faccessat(AT_FDCWD, target->c_str(), W_OK, AT_EACCESS) != 0) {
            errno = EACCES;
            setError(error, "cannot replace the read-only file " + *target);
            return false;
        }
        mode = st.st_mode & 07777;
    }
    if (access == FileAccess::OwnerOnly) {
        mode = 0600;
    }

    removeDeadTemporaries(*target);
    std::string temporary;
    UniqueFd fd = createTemporary(*target, temporary, error);
    if (!fd.valid()) {
        return false;
    }
    bool ok = writeAll(fd.get(), bytes);
    if (!ok) {
        setError(error, "cannot write " + *target);
    }
    if (ok && ::fchmod(fd.get(), mode) != 0) {
        setError(error, "cannot set the mode of " + *target);
        ok = false;
    }
    if (ok && ::fsync(fd.get()) != 0) {
        setError(error, "cannot flush " + *target);
        ok = false;
    }
    // Renamed while still open, so that its lock keeps cleaners away until then.
    if (ok && ::rename(temporary.c_str(), target->c_str()) != 0) {
        setError(error, "cannot replace " + *target);
        ok = false;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    fd.reset();
    UniqueFd dir(::open(folderOf(*target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid()) {
        ::fsync(dir.get());
    }
    return true;
}

bool writeFileAtomic(const std::string& path, std::string_view text, std::string* error,
                     FileAccess access) {
    return writeFileAtomic(
        path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), error,
        access);
}

UniqueFd openRegularFile(const std::string& path, std::string* error) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.valid()) {
        setError(error, "cannot open " + path);
        return {};
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        setError(error, "cannot read " + path);
        return {};
    }
    if (!S_ISREG(st.st_mode)) {
        if (error != nullptr) {
            *error = path + " is " + kindOf(st.st_mode) + ", not a regular file";
        }
        errno = EINVAL;
        return {};
    }
    return fd;
}

std::optional<std::vector<std::uint8_t>> readFileBytes(const std::string& path,
                                                       std::uint64_t maxBytes, std::string* error) {
    const UniqueFd fd = openRegularFile(path, error);
    if (!fd.valid()) {
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        setError(error, "cannot read " + path);
        return std::nullopt;
    }
    auto tooLarge = [&] {
        if (error != nullptr) {
            *error = path + " is larger than " + std::to_string(maxBytes) + " bytes";
        }
        return std::nullopt;
    };
    if (static_cast<std::uint64_t>(st.st_size) > maxBytes) {
        return tooLarge();
    }
    // The size is where reading starts, not where it ends: files of /proc
    // report none, and a file may grow while it is read.
    std::vector<std::uint8_t> out(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    std::array<std::uint8_t, 4096> more{};
    for (;;) {
        const bool full = done == out.size();
        std::uint8_t* into = full ? more.data() : out.data() + done;
        const std::size_t room = full ? more.size() : out.size() - done;
        const ssize_t n = ::read(fd.get(), into, room);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            setError(error, "cannot read " + path);
            return std::nullopt;
        }
        if (n == 0) {
            break;
        }
        if (full) {
            if (out.size() + static_cast<std::size_t>(n) > maxBytes) {
                return tooLarge();
            }
            out.insert(out.end(), more.begin(), more.begin() + n);
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

FileLock::FileLock(const std::string& lockFilePath)
    : m_fd(::open(lockFilePath.c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW,
                  0600)) {
    struct stat st {};
    if (m_fd.valid() && (::fstat(m_fd.get(), &st) != 0 || !S_ISREG(st.st_mode))) {
        m_fd.reset();
    }
    while (m_fd.valid() && ::flock(m_fd.get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            m_fd.reset();
        }
    }
}

}  // namespace quorvane
