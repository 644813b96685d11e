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

Hub::Hub(Recorder* recorder) : recorder_(recorder) {}

std::uint32_t Hub::addRead(const QuellixFilter& filter, QuellixCallback callback,
                           std::uint32_t tag) {
    const std::lock_guard lock(mutex_);
    const std::uint32_t id = nextId_++;
    if (nextId_ == 0) {
        nextId_ = 1;
    }
    reads_[id] = Read{filter, callback, tag, countMatching(filter, keyboards_)};
    return id;
}

bool Hub::removeRead(std::uint32_t id) {
    const std::lock_guard lock(mutex_);
    return reads_.erase(id) != 0;
}

int Hub::removeReadsOf(QuellixCallback callback) {
    const std::lock_guard lock(mutex_);
    return static_cast<int>(
        std::erase_if(reads_, [&](const auto& item) { return item.second.callback == callback; }));
}

std::uint32_t Hub::newRequestId() {
    const std::lock_guard lock(mutex_);
    const std::uint32_t id = nextId_++;
    if (nextId_ == 0) {
        nextId_ = 1;
    }
    return id;
}

int Hub::deviceCount(const QuellixFilter& filter) const {
    const std::lock_guard lock(mutex_);
    return countMatching(filter, keyboards_);
}

std::vector<Keyboard> Hub::keyboards() const {
    const std::lock_guard lock(mutex_);
    return keyboards_;
}

bool Hub::resolve(const QuellixFilter& filter, Keyboard& keyboard, CollectionId& collection) const {
    const std::lock_guard lock(mutex_);
    for (const Keyboard& candidate : keyboards_) {
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
    const std::lock_guard lock(mutex_);
    for (const LastReport& last : lastReports_) {
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
        const std::lock_guard lock(mutex_);
        if (keyboardsKnown_ && keyboards == keyboards_) {
            return;
        }
        keyboardsKnown_ = true;
        keyboards_ = std::move(keyboards);
        attached = keyboards_.size();
        std::erase_if(lastReports_, [&](const LastReport& last) {
            return std::none_of(keyboards_.begin(), keyboards_.end(),
                                [&](const Keyboard& k) { return k.key == last.keyboard.key; });
        });
        if (recorder_ != nullptr) {
            recorder_->presence(keyboards_);
        }
        for (auto& [id, read] : reads_) {
            const int count = countMatching(read.filter, keyboards_);
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
    if (report.empty()) {
        return;
    }
    std::vector<Delivery> deliveries;
    {
        const std::lock_guard lock(mutex_);
        if (recorder_ != nullptr) {
            recorder_->in(collection, report, numbered);
        }
        auto last = std::find_if(lastReports_.begin(), lastReports_.end(), [&](const auto& l) {
            return l.keyboard.key == keyboard.key && l.collection == collection;
        });
        if (last == lastReports_.end()) {
            lastReports_.push_back({keyboard, collection, {}});
            last = std::prev(lastReports_.end());
        }
        last->bytes.assign(report.begin(), report.end());
        for (const auto& [id, read] : reads_) {
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
    if (recorder_ != nullptr) {
        recorder_->out(collection, report);
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
