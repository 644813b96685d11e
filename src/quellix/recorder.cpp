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
    : path_(std::move(path)), start_(std::chrono::steady_clock::now()), lastWrite_(start_) {
    const std::lock_guard lock(mutex_);
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
    const std::lock_guard lock(mutex_);
    if (dirty_) {
        writeLocked();
    }
}

void Recorder::add(RecordEntry entry) {
    const auto now = std::chrono::steady_clock::now();
    entry.timeUs = static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(now - start_).count());
    const std::lock_guard lock(mutex_);
    text_ += formatEntry(entry);
    text_.push_back('\n');
    dirty_ = true;
    // The whole file is rewritten each time: wait longer as it grows, so that
    // recording never costs more than a small share of the time.
    if (now - lastWrite_ >=
        std::max<std::chrono::steady_clock::duration>(kWriteInterval, writeCost_ * 20)) {
        writeLocked();
    }
}

void Recorder::writeLocked() {
    const auto begin = std::chrono::steady_clock::now();
    std::string error;
    if (!writeFileAtomic(path_, std::string_view(text_), &error)) {
        if (!failed_) {
            diagnose(1, "cannot write the recording " + path_ + ": " + error);
        }
        failed_ = true;
    } else {
        failed_ = false;
    }
    dirty_ = false;
    lastWrite_ = std::chrono::steady_clock::now();
    writeCost_ = lastWrite_ - begin;
}

}  // namespace quorvane::quellix
