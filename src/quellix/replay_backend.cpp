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

ReplayBackend::ReplayBackend(std::string path) : m_path(std::move(path)) {}

ReplayBackend::~ReplayBackend() {
    stop();
}

bool ReplayBackend::start(Hub& hub, std::string& error) {
    std::string why;
    const auto bytes = readFileBytes(m_path, 64u << 20, &why);
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
            error = "recording " + m_path + " line " + std::to_string(lineNumber) + ": " + why;
            return false;
        }
        m_entries.push_back(std::move(entry));
        m_lines.push_back(lineNumber);
    }
    if (m_entries.empty() || m_entries.front().direction != RecordEntry::Direction::Presence) {
        error = "recording " + m_path + " does not start with the attached keyboards";
        return false;
    }
    m_played.assign(m_entries.size(), false);
    m_hub = &hub;
    hub.setKeyboards(m_entries.front().keyboards);
    {
        const std::lock_guard lock(m_mutex);
        m_next = 1;
        m_started = true;
        m_stopping = false;
    }
    m_worker = std::thread([this] { run(); });
    return true;
}

void ReplayBackend::stop() {
    {
        const std::lock_guard lock(m_mutex);
        if (!m_started) {
            return;
        }
        m_stopping = true;
    }
    m_changed.notify_all();
    if (m_worker.joinable()) {
        m_worker.join();
    }
    const std::lock_guard lock(m_mutex);
    m_writes.clear();
    m_started = false;
}

bool ReplayBackend::queueWrite(const QuellixFilter& filter, std::vector<std::uint8_t> report,
                               WriteCompletion completion) {
    if (m_hub == nullptr || report.empty()) {
        return false;
    }
    Keyboard keyboard;
    PendingWrite write;
    if (!m_hub->resolve(filter, keyboard, write.collection)) {
        return false;
    }
    write.report = std::move(report);
    write.completion = completion;
    {
        const std::lock_guard lock(m_mutex);
        if (!m_started || m_stopping || m_writes.size() >= kMaxPendingWrites) {
            return false;
        }
        m_writes.push_back(std::move(write));
    }
    m_changed.notify_one();
    return true;
}

bool ReplayBackend::sendFeature(const QuellixFilter&, const std::vector<std::uint8_t>&) {
    return false;  // recordings hold no feature reports
}

std::uint32_t ReplayBackend::remaining() const {
    const std::lock_guard lock(m_mutex);
    std::uint32_t left = 0;
    for (std::size_t i = m_next; i < m_entries.size(); ++i) {
        left += m_played[i] ? 0 : 1;
    }
    return left;
}

void ReplayBackend::run() {
    playUntilOut();
    std::unique_lock lock(m_mutex);
    while (true) {
        m_changed.wait(lock, [&] { return m_stopping || !m_writes.empty(); });
        if (m_stopping) {
            return;
        }
        PendingWrite write = std::move(m_writes.front());
        m_writes.pop_front();
        lock.unlock();
        check(write);
        lock.lock();
    }
}

void ReplayBackend::playUntilOut() {
    for (;;) {
        RecordEntry entry;
        {
            const std::lock_guard lock(m_mutex);
            while (m_next < m_entries.size() && m_played[m_next]) {
                ++m_next;
            }
            if (m_stopping || m_next >= m_entries.size() ||
                m_entries[m_next].direction == RecordEntry::Direction::Out) {
                return;
            }
            entry = m_entries[m_next++];
        }
        deliver(entry);
    }
}

void ReplayBackend::deliver(const RecordEntry& entry) {
    if (entry.direction == RecordEntry::Direction::Presence) {
        m_hub->setKeyboards(entry.keyboards);
        return;
    }
    Keyboard keyboard;
    for (const Keyboard& k : m_hub->keyboards()) {
        for (const CollectionId& c : k.collections) {
            if (c == entry.collection) {
                keyboard = k;
            }
        }
    }
    // A report on a collection the keyboards do not have is delivered
    // anyway: the recording is the truth being replayed.
    m_hub->deliverReport(keyboard, entry.collection, entry.bytes, entry.numbered);
}

std::vector<RecordEntry> ReplayBackend::takeAnswersAfter(std::size_t from) {
    std::vector<RecordEntry> answers;
    for (std::size_t i = from + 1; i < m_entries.size(); ++i) {
        const RecordEntry& entry = m_entries[i];
        if (m_played[i] || entry.direction != RecordEntry::Direction::In) {
            break;
        }
        m_played[i] = true;
        answers.push_back(entry);
    }
    return answers;
}

void ReplayBackend::check(const PendingWrite& write) {
    if (m_halted) {
        return;
    }
    std::string expected;
    std::size_t line = 0;
    bool match = false;
    std::vector<RecordEntry> early;  // answers of a report taken ahead of its turn
    bool takenEarly = false;
    {
        const std::lock_guard lock(m_mutex);
        while (m_next < m_entries.size() && m_played[m_next]) {
            ++m_next;
        }
        auto fits = [&](std::size_t i) {
            const RecordEntry& entry = m_entries[i];
            return !m_played[i] && entry.direction == RecordEntry::Direction::Out &&
                   entry.collection == write.collection && entry.bytes == write.report;
        };
        if (m_next >= m_entries.size()) {
            expected = "the end of the recording";
        } else {
            const RecordEntry& entry = m_entries[m_next];
            line = m_lines[m_next];
            expected = describe(entry.collection, entry.bytes);
            match = fits(m_next);
            if (match) {
                ++m_next;
            } else {
                const std::size_t end = std::min(m_entries.size(), m_next + kReorderWindow);
                for (std::size_t i = m_next + 1; i < end; ++i) {
                    if (m_entries[i].direction == RecordEntry::Direction::Presence) {
                        break;  // the keyboards changed: no turn crosses that
                    }
                    if (fits(i)) {
                        m_played[i] = true;
                        early = takeAnswersAfter(i);
                        match = takenEarly = true;
                        break;
                    }
                }
            }
        }
    }
    if (!match) {
        m_halted = true;
        m_mismatches.fetch_add(1);
        diagnose(0, "replay of " + m_path + " stopped: the program sent " +
                        describe(write.collection, write.report) + " where the recording has " +
                        expected + (line != 0 ? " (line " + std::to_string(line) + ")" : ""));
        return;
    }
    m_hub->noteOut(write.collection, write.report);
    m_hub->deliverWriteDone(write.completion.callback, write.completion.tag, write.report);
    if (takenEarly) {
        for (const RecordEntry& entry : early) {
            deliver(entry);
        }
        return;
    }
    playUntilOut();
}

}  // namespace quorvane::quellix
