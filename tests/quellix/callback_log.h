// Collects what the library hands to its callbacks, from any thread, and lets
// a test wait for it. The callbacks are plain C functions, so the log they
// write to is one per process.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "quellix.h"

namespace quorvane::quellix::testing_support {

struct Seen {
    std::uint32_t kind = 0;
    std::uint32_t tag = 0;
    std::uint32_t count = 0;
    std::vector<std::uint8_t> data;      // R.data, count bytes (kind 1)
    std::vector<std::uint8_t> consumer;  // R.consumer->report, when set
    bool hasConsumer = false;
    std::thread::id thread;  // where the callback ran
};

class CallbackLog {
  public:
    static CallbackLog& instance() {
        static CallbackLog log;
        return log;
    }

    // The callback to register with the library.
    static int callback(const QuellixEvent* event) {
        instance().add(*event);
        return 1;
    }

    void clear() {
        const std::lock_guard lock(mutex_);
        seen_.clear();
    }

    std::vector<Seen> snapshot() const {
        const std::lock_guard lock(mutex_);
        return seen_;
    }

    // Waits until `pred(all seen)` holds or the time is up; returns its last value.
    bool waitFor(const std::function<bool(const std::vector<Seen>&)>& pred,
                 std::chrono::milliseconds timeout = std::chrono::milliseconds(3000)) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return pred(seen_); });
    }

    // Waits for the n-th event (1-based) with this tag and kind.
    bool waitForCount(std::uint32_t tag, std::uint32_t kind, std::size_t n,
                      std::chrono::milliseconds timeout = std::chrono::milliseconds(3000)) {
        return waitFor([&](const std::vector<Seen>& all) { return countOf(all, tag, kind) >= n; },
                       timeout);
    }

    static std::size_t countOf(const std::vector<Seen>& all, std::uint32_t tag,
                               std::uint32_t kind) {
        std::size_t n = 0;
        for (const Seen& s : all) {
            if (s.tag == tag && s.kind == kind) {
                ++n;
            }
        }
        return n;
    }

    // Optional hook run inside the callback, after recording (e.g. to send
    // the next report from the library's thread).
    void setHook(std::function<void(const Seen&)> hook) {
        const std::lock_guard lock(mutex_);
        hook_ = std::move(hook);
    }

  private:
    void add(const QuellixEvent& event) {
        Seen s;
        s.kind = event.kind;
        s.thread = std::this_thread::get_id();
        if (event.request != nullptr) {
            const QuellixRequestRecord& r = *event.request;
            s.tag = r.tag;
            s.count = r.count;
            if (event.kind == QUELLIX_EVENT_REPORT && r.data != nullptr) {
                s.data.assign(r.data, r.data + r.count);
            }
            if (r.consumer != nullptr && r.consumer->report != nullptr) {
                s.hasConsumer = true;
                s.consumer.assign(r.consumer->report, r.consumer->report + r.consumer->length);
            }
        }
        std::function<void(const Seen&)> hook;
        {
            const std::lock_guard lock(mutex_);
            seen_.push_back(s);
            hook = hook_;
        }
        changed_.notify_all();
        if (hook) {
            hook(s);
        }
    }

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Seen> seen_;
    std::function<void(const Seen&)> hook_;
};

}  // namespace quorvane::quellix::testing_support
