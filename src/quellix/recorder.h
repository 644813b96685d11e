// Writes a recording (see recording.h) while the library runs. The file is
// replaced atomically, at most every quarter second while traffic flows and
// once more when the recorder closes, so a reader never sees half a line.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "quellix/recording.h"

namespace quorvane::quellix {

class Recorder {
  public:
    explicit Recorder(std::string path);
    ~Recorder();  // writes what is left
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    void out(const CollectionId& collection, std::span<const std::uint8_t> bytes);
    void in(const CollectionId& collection, std::span<const std::uint8_t> bytes, bool numbered);
    void presence(const std::vector<Keyboard>& keyboards);
    void flush();

  private:
    void add(RecordEntry entry);
    void writeLocked();

    const std::string path_;
    const std::chrono::steady_clock::time_point start_;
    std::mutex mutex_;
    std::string text_;
    bool dirty_ = false;
    bool failed_ = false;
    std::chrono::steady_clock::time_point lastWrite_;
    std::chrono::steady_clock::duration writeCost_{};
};

}  // namespace quorvane::quellix
