#include "quellix/replay_backend.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "base/atomic_file.h"
#include "quellix/diagnostics.h"

namespace quorvane::quellix {
namespace {

constexpr std::size_t kMaxPendingWrites = 4096;
// How far ahead a report out may be found when the program's threads took
// other turns than in the recorded run.
constexpr std::size_t kReorderWindow = 256;

std::string describe(const CollectionId& collection, const std::vector<std::uint8_t>& bytes) {
    return collectionName(collection) + " " + toHex(bytes.data(), bytes.size());
}

}  // namespace

ReplayBackend::ReplayBackend(std::string path) : path_(std::move(path)) {}

ReplayBackend::~ReplayBackend() {
    stop();
}

bool ReplayBackend::start(Hub& hub, std::string& error) {
    std::string why;
    const auto bytes = readFileBytes(path_, 64u << 20, &why);
    if (!bytes) {
        error = "cannot read the recording: " + why;
        return false;
    }
    const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    std::size_t lineNumber = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        ++lineNumber;
        const std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (line.find_first_not_of(" \t\r") == std::string_view::npos) {
            continue;
        }
        RecordEntry entry;
        std::string why;
        if (!parseEntry(line, entry, why)) {
            error = "recording " + path_ + " line " + std::to_string(lineNumber) + ": " + why;
            return false;
        }
        entries_.push_back(std::move(entry));
        lines_.push_back(lineNumber);
    }
    if (entries_.empty() || entries_.front().direction != RecordEntry::Direction::Presence) {
        error = "recording " + path_ + " does not start with the attached keyboards";
        return false;
    }
    played_.assign(entries_.size(), false);
    hub_ = &hub;
    hub.setKeyboards(entries_.front().keyboards);
    {
        const std::lock_guard lock(mutex_);
        next_ = 1;
        started_ = true;
        stopping_ = false;
    }
    worker_ = std::thread([this] { run(); });
    return true;
}

void ReplayBackend::stop() {
    {
        const std::lock_guard lock(mutex_);
        if (!started_) {
            return;
        }
        stopping_ = true;
    }
    changed_.notify_all();
    if (worker_.joinable()) {
        worker_.join();
    }
    const std::lock_guard lock(mutex_);
    writes_.clear();
    started_ = false;
}

bool ReplayBackend::queueWrite(const QuellixFilter& filter, std::vector<std::uint8_t> report,
                               WriteCompletion completion) {
    if (hub_ == nullptr || report.empty()) {
        return false;
    }
    Keyboard keyboard;
    PendingWrite write;
    if (!hub_->resolve(filter, keyboard, write.collection)) {
        return false;
    }
    write.report = std::move(report);
    write.completion = completion;
    {
        const std::lock_guard lock(mutex_);
        if (!started_ || stopping_ || writes_.size() >= kMaxPendingWrites) {
            return false;
        }
        writes_.push_back(std::move(write));
    }
    changed_.notify_one();
    return true;
}

bool ReplayBackend::sendFeature(const QuellixFilter&, const std::vector<std::uint8_t>&) {
    return false;  // recordings hold no feature reports
}

std::uint32_t ReplayBackend::remaining() const {
    const std::lock_guard lock(mutex_);
    std::uint32_t left = 0;
    for (std::size_t i = next_; i < entries_.size(); ++i) {
        left += played_[i] ? 0 : 1;
    }
    return left;
}

void ReplayBackend::run() {
    playUntilOut();
    std::unique_lock lock(mutex_);
    while (true) {
        changed_.wait(lock, [&] { return stopping_ || !writes_.empty(); });
        if (stopping_) {
            return;
        }
        PendingWrite write = std::move(writes_.front());
        writes_.pop_front();
        lock.unlock();
        check(write);
        lock.lock();
    }
}

void ReplayBackend::playUntilOut() {
    for (;;) {
        RecordEntry entry;
        {
            const std::lock_guard lock(mutex_);
            while (next_ < entries_.size() && played_[next_]) {
                ++next_;
            }
            if (stopping_ || next_ >= entries_.size() ||
                entries_[next_].direction == RecordEntry::Direction::Out) {
                return;
            }
            entry = entries_[next_++];
        }
        deliver(entry);
    }
}

void ReplayBackend::deliver(const RecordEntry& entry) {
    if (entry.direction == RecordEntry::Direction::Presence) {
        hub_->setKeyboards(entry.keyboards);
        return;
    }
    Keyboard keyboard;
    for (const Keyboard& k : hub_->keyboards()) {
        for (const CollectionId& c : k.collections) {
            if (c == entry.collection) {
                keyboard = k;
            }
        }
    }
    // A report on a collection the keyboards do not have is delivered
    // anyway: the recording is the truth being replayed.
    hub_->deliverReport(keyboard, entry.collection, entry.bytes, entry.numbered);
}

std::vector<RecordEntry> ReplayBackend::takeAnswersAfter(std::size_t from) {
    std::vector<RecordEntry> answers;
    for (std::size_t i = from + 1; i < entries_.size(); ++i) {
        const RecordEntry& entry = entries_[i];
        if (played_[i] || entry.direction != RecordEntry::Direction::In) {
            break;
        }
        played_[i] = true;
        answers.push_back(entry);
    }
    return answers;
}

void ReplayBackend::check(const PendingWrite& write) {
    if (halted_) {
        return;
    }
    std::string expected;
    std::size_t line = 0;
    bool match = false;
    std::vector<RecordEntry> early;  // answers of a report taken ahead of its turn
    bool takenEarly = false;
    {
        const std::lock_guard lock(mutex_);
        while (next_ < entries_.size() && played_[next_]) {
            ++next_;
        }
        auto fits = [&](std::size_t i) {
            const RecordEntry& entry = entries_[i];
            return !played_[i] && entry.direction == RecordEntry::Direction::Out &&
                   entry.collection == write.collection && entry.bytes == write.report;
        };
        if (next_ >= entries_.size()) {
            expected = "the end of the recording";
        } else {
            const RecordEntry& entry = entries_[next_];
            line = lines_[next_];
            expected = describe(entry.collection, entry.bytes);
            match = fits(next_);
            if (match) {
                ++next_;
            } else {
                const std::size_t end = std::min(entries_.size(), next_ + kReorderWindow);
                for (std::size_t i = next_ + 1; i < end; ++i) {
                    if (entries_[i].direction == RecordEntry::Direction::Presence) {
                        break;  // the keyboards changed: no turn crosses that
                    }
                    if (fits(i)) {
                        played_[i] = true;
                        early = takeAnswersAfter(i);
                        match = takenEarly = true;
                        break;
                    }
                }
            }
        }
    }
    if (!match) {
        halted_ = true;
        mismatches_.fetch_add(1);
        diagnose(0, "replay of " + path_ + " stopped: the program sent " +
                        describe(write.collection, write.report) + " where the recording has " +
                        expected + (line != 0 ? " (line " + std::to_string(line) + ")" : ""));
        return;
    }
    hub_->noteOut(write.collection, write.report);
    hub_->deliverWriteDone(write.completion.callback, write.completion.tag, write.report);
    if (takenEarly) {
        for (const RecordEntry& entry : early) {
            deliver(entry);
        }
        return;
    }
    playUntilOut();
}

}  // namespace quorvane::quellix
