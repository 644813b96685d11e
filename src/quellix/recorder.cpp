#include "quellix/recorder.h"

#include <algorithm>
#include <utility>

#include "base/atomic_file.h"
#include "quellix/diagnostics.h"

namespace quorvane::quellix {
namespace {

constexpr auto kWriteInterval = std::chrono::milliseconds(250);

}  // namespace

Recorder::Recorder(std::string path)
    : m_path(std::move(path)), m_start(std::chrono::steady_clock::now()), m_lastWrite(m_start) {
    const std::lock_guard lock(m_mutex);
    writeLocked();  // an empty file at once, so a bad path shows early
}

Recorder::~Recorder() {
    flush();
}

void Recorder::out(const CollectionId& collection, std::span<const std::uint8_t> bytes) {
    RecordEntry entry;
    entry.direction = RecordEntry::Direction::Out;
    entry.collection = collection;
    entry.bytes.assign(bytes.begin(), bytes.end());
    add(std::move(entry));
}

void Recorder::in(const CollectionId& collection, std::span<const std::uint8_t> bytes,
                  bool numbered) {
    RecordEntry entry;
    entry.direction = RecordEntry::Direction::In;
    entry.numbered = numbered;
    entry.collection = collection;
    entry.bytes.assign(bytes.begin(), bytes.end());
    add(std::move(entry));
}

void Recorder::presence(const std::vector<Keyboard>& keyboards) {
    RecordEntry entry;
    entry.direction = RecordEntry::Direction::Presence;
    entry.keyboards = keyboards;
    add(std::move(entry));
}

void Recorder::flush() {
    const std::lock_guard lock(m_mutex);
    if (m_dirty) {
        writeLocked();
    }
}

void Recorder::add(RecordEntry entry) {
    const auto now = std::chrono::steady_clock::now();
    entry.timeUs = static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(now - m_start).count());
    const std::lock_guard lock(m_mutex);
    m_text += formatEntry(entry);
    m_text.push_back('\n');
    m_dirty = true;
    // The whole file is rewritten each time: wait longer as it grows, so that
    // recording never costs more than a small share of the time.
    if (now - m_lastWrite >=
        std::max<std::chrono::steady_clock::duration>(kWriteInterval, m_writeCost * 20)) {
        writeLocked();
    }
}

void Recorder::writeLocked() {
    const auto begin = std::chrono::steady_clock::now();
    std::string error;
    // Reports of the keyboard are private to its user, whatever an older
    // recording at the same path allowed.
    if (!writeFileAtomic(m_path, std::string_view(m_text), &error, FileAccess::OwnerOnly)) {
        if (!m_failed) {
            diagnose(1, "cannot write the recording " + m_path + ": " + error);
        }
        m_failed = true;
    } else {
        m_failed = false;
    }
    m_dirty = false;
    m_lastWrite = std::chrono::steady_clock::now();
    m_writeCost = m_lastWrite - begin;
}

}  // namespace quorvane::quellix
