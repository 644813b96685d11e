// Files the program writes are replaced whole: a temporary file in the same
// folder, flushed, then renamed over the old one. A crash or a full disk leaves
// the previous file as it was. Files it reads are opened so that a FIFO, a
// device or a folder given in their place is refused at once, never waited on.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/unique_fd.h"

namespace quorvane {

// Writes `bytes` to `path` atomically. A symlink is followed: its target is
// replaced and the link kept. A file that is read-only (no write bit, or not
// writable by us) is kept as it is and the write fails, as the platform's
// profile write fails on it. Each save has a temporary of its own, so saves of
// one file from several processes at once each end with a whole file; a
// temporary left by a save that died is removed by a later save of the file.
// Returns false (and leaves `path` and no temporary file behind) when any step
// fails; `error` then says why.
// The file keeps the mode of the one it replaces (a new file gets 0644), or,
// with FileAccess::OwnerOnly, is always 0600: for what only its user may read.
enum class FileAccess { KeepMode, OwnerOnly };
bool writeFileAtomic(const std::string& path, std::span<const std::uint8_t> bytes,
                     std::string* error = nullptr, FileAccess access = FileAccess::KeepMode);
bool writeFileAtomic(const std::string& path, std::string_view text, std::string* error = nullptr,
                     FileAccess access = FileAccess::KeepMode);

// Opens an existing regular file for reading. The open does not wait (a FIFO
// without a writer, a device) and anything but a regular file is refused;
// `error` then says what the path is.
UniqueFd openRegularFile(const std::string& path, std::string* error = nullptr);

// Reads a whole regular file (see openRegularFile); nullopt when it cannot be
// opened or read or is larger than `maxBytes`, which is refused before anything
// is allocated. `error` then says why.
std::optional<std::vector<std::uint8_t>> readFileBytes(const std::string& path,
                                                       std::uint64_t maxBytes = 64u << 20,
                                                       std::string* error = nullptr);

// Creates a folder and its parents (mode 0700 for the ones it makes).
bool makeDirectories(const std::string& path);

// An exclusive lock held for a file's read-modify-write: flock on a companion
// lock file, since the file itself is replaced by each write. Waits for other
// holders; not held when the lock file cannot be opened or is no regular file.
class FileLock {
  public:
    explicit FileLock(const std::string& lockFilePath);
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool held() const { return m_fd.valid(); }

  private:
    UniqueFd m_fd;
};

}  // namespace quorvane
