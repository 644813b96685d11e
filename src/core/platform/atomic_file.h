// Files the program writes are replaced whole: a temporary file in the same
// folder, flushed, then renamed over the old one. A crash or a full disk leaves
// the previous file as it was.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// Writes `bytes` to `path` atomically. Returns false (and leaves `path` and no
// temporary file behind) when any step fails; `error` then says why.
bool writeFileAtomic(const std::string& path, std::span<const std::uint8_t> bytes,
                     std::string* error = nullptr);
bool writeFileAtomic(const std::string& path, std::string_view text, std::string* error = nullptr);

// Reads a whole file; nullopt when it cannot be opened or read. Files larger
// than `maxBytes` are refused before anything is allocated.
std::optional<std::vector<std::uint8_t>> readFileBytes(const std::string& path,
                                                       std::uint64_t maxBytes = 64u << 20);

// Creates a folder and its parents (mode 0700 for the ones it makes).
bool makeDirectories(const std::string& path);

}  // namespace quorvane
