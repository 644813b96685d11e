// Plays a recording back as if it were a keyboard: the program's reports must
// come in the recorded order; after each one, the reports and presence
// changes recorded up to the next report out are delivered. Two threads of the
// program may send in turns that differ from run to run, so a report that is
// recorded a little later (before the next presence change) is taken early,
// with the reports recorded after it. The first report that fits neither way
// is reported on stderr, counted, and ends the answering.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "quellix/backend.h"
#include "quellix/recording.h"

namespace quorvane::quellix {

class ReplayBackend final : public Backend {
  public:
    explicit ReplayBackend(std::string path);
    ~ReplayBackend() override;

    bool start(Hub& hub, std::string& error) override;
    void stop() override;
    bool queueWrite(const QuellixFilter& filter, std::vector<std::uint8_t> report,
                    WriteCompletion completion) override;
    bool sendFeature(const QuellixFilter& filter, const std::vector<std::uint8_t>& report) override;

    std::uint32_t mismatches() const { return m_mismatches.load(); }
    std::uint32_t remaining() const;

  private:
    struct PendingWrite {
        CollectionId collection;
        std::vector<std::uint8_t> report;
        WriteCompletion completion;
    };

    void run();
    // Delivers the entries from next_ up to the next report out.
    void playUntilOut();
    // Delivers the entries after `from` up to the next report out or presence
    // change, marking them played. Under mutex_; returns them.
    std::vector<RecordEntry> takeAnswersAfter(std::size_t from);
    void deliver(const RecordEntry& entry);
    void check(const PendingWrite& write);

    const std::string m_path;
    std::vector<RecordEntry> m_entries;
    std::vector<std::size_t> m_lines;  // line number of each entry, for messages
    std::vector<bool> m_played;        // taken ahead of next_ (under mutex_)
    Hub* m_hub = nullptr;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<PendingWrite> m_writes;
    std::size_t m_next = 0;  // worker thread; read under mutex_
    bool m_stopping = false;
    bool m_started = false;
    bool m_halted = false;  // worker thread only
    std::atomic<std::uint32_t> m_mismatches{0};
    std::thread m_worker;
};

}  // namespace quorvane::quellix
