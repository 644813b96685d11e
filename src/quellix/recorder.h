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

    const std::string m_path;
    const std::chrono::steady_clock::time_point m_start;
    std::mutex m_mutex;
    std::string m_text;
    bool m_dirty = false;
    bool m_failed = false;
    std::chrono::steady_clock::time_point m_lastWrite;
    std::chrono::steady_clock::duration m_writeCost{};
};

}  // namespace quorvane::quellix
