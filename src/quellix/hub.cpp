#include "quellix/hub.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "quellix/diagnostics.h"
#include "quellix/recorder.h"
#include "quellix/recording.h"

namespace quorvane::quellix {
namespace {

struct Delivery {
    QuellixCallback callback;
    std::uint32_t tag;
    int count;
};

thread_local int t_callbackDepth = 0;

void call(QuellixCallback callback, std::uint32_t kind, QuellixRequestRecord& record) {
    struct Depth {
        Depth() { ++t_callbackDepth; }
        ~Depth() { --t_callbackDepth; }
        Depth(const Depth&) = delete;
        Depth& operator=(const Depth&) = delete;
    } depth;
    QuellixEvent event{};
    event.kind = kind;
    event.request = &record;
    try {
        callback(&event);
    } catch (...) {
        // A callback's exception must not end the library's thread.
        diagnose(1, "a callback threw; ignored");
    }
}

}  // namespace

bool insideCallback() {
    return t_callbackDepth > 0;
}

Hub::Hub(Recorder* recorder) : m_recorder(recorder) {}

std::uint32_t Hub::addRead(const QuellixFilter& filter, QuellixCallback callback,
                           std::uint32_t tag) {
    const std::lock_guard lock(m_mutex);
    const std::uint32_t id = m_nextId++;
    if (m_nextId == 0) {
        m_nextId = 1;
    }
    m_reads[id] = Read{filter, callback, tag, countMatching(filter, m_keyboards)};
    return id;
}

bool Hub::removeRead(std::uint32_t id) {
    const std::lock_guard lock(m_mutex);
    return m_reads.erase(id) != 0;
}

int Hub::removeReadsOf(QuellixCallback callback) {
    const std::lock_guard lock(m_mutex);
    return static_cast<int>(
        std::erase_if(m_reads, [&](const auto& item) { return item.second.callback == callback; }));
}

std::uint32_t Hub::newRequestId() {
    const std::lock_guard lock(m_mutex);
    const std::uint32_t id = m_nextId++;
    if (m_nextId == 0) {
        m_nextId = 1;
    }
    return id;
}

int Hub::deviceCount(const QuellixFilter& filter) const {
    const std::lock_guard lock(m_mutex);
    return countMatching(filter, m_keyboards);
}

std::vector<Keyboard> Hub::keyboards() const {
    const std::lock_guard lock(m_mutex);
    return m_keyboards;
}

bool Hub::resolve(const QuellixFilter& filter, Keyboard& keyboard, CollectionId& collection) const {
    const std::lock_guard lock(m_mutex);
    for (const Keyboard& candidate : m_keyboards) {
        for (const CollectionId& c : candidate.collections) {
            if (filterMatches(filter, candidate, c)) {
                keyboard = candidate;
                collection = c;
                return true;
            }
        }
    }
    return false;
}

int Hub::lastReport(const QuellixFilter& filter, std::span<std::uint8_t> out) const {
    const std::lock_guard lock(m_mutex);
    for (const LastReport& last : m_lastReports) {
        if (filterMatches(filter, last.keyboard, last.collection)) {
            const std::size_t n = std::min(out.size(), last.bytes.size());
            std::copy_n(last.bytes.begin(), n, out.begin());
            return static_cast<int>(n);
        }
    }
    return 0;
}

void Hub::setKeyboards(std::vector<Keyboard> keyboards) {
    std::vector<Delivery> deliveries;
    std::size_t attached = 0;
    {
        const std::lock_guard lock(m_mutex);
        if (m_keyboardsKnown && keyboards == m_keyboards) {
            return;
        }
        m_keyboardsKnown = true;
        m_keyboards = std::move(keyboards);
        attached = m_keyboards.size();
        std::erase_if(m_lastReports, [&](const LastReport& last) {
            return std::none_of(m_keyboards.begin(), m_keyboards.end(),
                                [&](const Keyboard& k) { return k.key == last.keyboard.key; });
        });
        if (m_recorder != nullptr) {
            m_recorder->presence(m_keyboards);
        }
        for (auto& [id, read] : m_reads) {
            const int count = countMatching(read.filter, m_keyboards);
            if (count != read.lastCount) {
                read.lastCount = count;
                if (read.callback != nullptr) {
                    deliveries.push_back({read.callback, read.tag, count});
                }
            }
        }
    }
    diagnose(2, "presence: " + std::to_string(attached) + " keyboard(s)");
    for (const Delivery& d : deliveries) {
        QuellixRequestRecord record{};
        record.tag = d.tag;
        record.count = static_cast<std::uint32_t>(d.count);
        call(d.callback, QUELLIX_EVENT_PRESENCE, record);
    }
}

void Hub::deliverReport(const Keyboard& keyboard, const CollectionId& collection,
                        std::span<const std::uint8_t> report, bool numbered) {
    if (report.empty() || collection == kKeyboardInput) {
        return;
    }
    std::vector<Delivery> deliveries;
    {
        const std::lock_guard lock(m_mutex);
        if (m_recorder != nullptr) {
            m_recorder->in(collection, report, numbered);
        }
        auto last = std::find_if(m_lastReports.begin(), m_lastReports.end(), [&](const auto& l) {
            return l.keyboard.key == keyboard.key && l.collection == collection;
        });
        if (last == m_lastReports.end()) {
            m_lastReports.push_back({keyboard, collection, {}});
            last = std::prev(m_lastReports.end());
        }
        last->bytes.assign(report.begin(), report.end());
        for (const auto& [id, read] : m_reads) {
            if (read.callback != nullptr && filterMatches(read.filter, keyboard, collection)) {
                deliveries.push_back({read.callback, read.tag, 0});
            }
        }
    }
    if (debugLevel().load(std::memory_order_relaxed) >= 2) {
        diagnose(2, "in " + collectionName(collection) + " " + toHex(report.data(), report.size()));
    }
    if (deliveries.empty()) {
        return;
    }
    // Each callback gets its own copy: one callback scribbling on the bytes
    // must not change what the next one sees.
    std::vector<std::uint8_t> bytes(report.size());
    const bool consumer = collection.usagePage == kConsumerPage;
    const std::size_t skip = numbered ? 1 : 0;
    for (const Delivery& d : deliveries) {
        std::copy(report.begin(), report.end(), bytes.begin());
        QuellixReportHolder holder{};
        holder.report = bytes.data() + skip;
        holder.length = static_cast<std::uint32_t>(bytes.size() - skip);
        QuellixRequestRecord record{};
        record.tag = d.tag;
        record.count = static_cast<std::uint32_t>(bytes.size());
        record.data = bytes.data();
        record.consumer = consumer ? &holder : nullptr;
        call(d.callback, QUELLIX_EVENT_REPORT, record);
    }
}

void Hub::noteOut(const CollectionId& collection, std::span<const std::uint8_t> report) {
    if (m_recorder != nullptr) {
        m_recorder->out(collection, report);
    }
    if (debugLevel().load(std::memory_order_relaxed) >= 2) {
        diagnose(2,
                 "out " + collectionName(collection) + " " + toHex(report.data(), report.size()));
    }
}

void Hub::deliverWriteDone(QuellixCallback callback, std::uint32_t tag,
                           std::span<const std::uint8_t> report) {
    if (callback == nullptr) {
        return;
    }
    std::vector<std::uint8_t> bytes(report.begin(), report.end());
    QuellixRequestRecord record{};
    record.tag = tag;
    record.count = static_cast<std::uint32_t>(bytes.size());
    record.data = bytes.data();
    call(callback, QUELLIX_EVENT_REPORT, record);
}

}  // namespace quorvane::quellix
