// The part every backend shares: the standing reads and their ids, the set of
// attached keyboards, and the delivery of reports, presence changes and write
// completions to the callbacks. Backends call in from their own threads; the
// hub never holds its lock while a callback runs, so a callback may call any
// library function (except End).
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <span>
#include <vector>

#include "quellix.h"
#include "quellix/device_model.h"

namespace quorvane::quellix {

class Recorder;

inline constexpr std::uint16_t kConsumerPage = 0x000C;

// True on a thread that is running one of the program's callbacks.
bool insideCallback();

class Hub {
  public:
    explicit Hub(Recorder* recorder = nullptr);

    // Standing reads. Ids are never 0 and never reused within one hub.
    std::uint32_t addRead(const QuellixFilter& filter, QuellixCallback callback, std::uint32_t tag);
    bool removeRead(std::uint32_t id);
    int removeReadsOf(QuellixCallback callback);
    std::uint32_t newRequestId();

    int deviceCount(const QuellixFilter& filter) const;
    std::vector<Keyboard> keyboards() const;
    // The collection a write with this filter goes to: the first match.
    bool resolve(const QuellixFilter& filter, Keyboard& keyboard, CollectionId& collection) const;
    // Copies the last input report seen on a matching collection.
    int lastReport(const QuellixFilter& filter, std::span<std::uint8_t> out) const;

    // --- From the backends (their threads; never with a backend lock held) ---
    // The new set of keyboards; reads whose matching count changed get a
    // presence event with the new count.
    void setKeyboards(std::vector<Keyboard> keyboards);
    // An input report on a collection. `numbered`: byte 0 is the report id.
    // Key presses (kKeyboardInput) are dropped here, before anything sees them.
    void deliverReport(const Keyboard& keyboard, const CollectionId& collection,
                       std::span<const std::uint8_t> report, bool numbered);
    // A report about to go out (recorded; no callback).
    void noteOut(const CollectionId& collection, std::span<const std::uint8_t> report);
    // The completion of a write that asked for a callback.
    void deliverWriteDone(QuellixCallback callback, std::uint32_t tag,
                          std::span<const std::uint8_t> report);

  private:
    struct Read {
        QuellixFilter filter;
        QuellixCallback callback;
        std::uint32_t tag;
        int lastCount;
    };
    struct LastReport {
        Keyboard keyboard;
        CollectionId collection;
        std::vector<std::uint8_t> bytes;
    };

    Recorder* const m_recorder;
    mutable std::mutex m_mutex;
    std::map<std::uint32_t, Read> m_reads;
    std::uint32_t m_nextId = 1;
    std::vector<Keyboard> m_keyboards;
    bool m_keyboardsKnown = false;
    std::vector<LastReport> m_lastReports;
};

}  // namespace quorvane::quellix
