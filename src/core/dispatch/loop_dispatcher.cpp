#include "core/dispatch/loop_dispatcher.h"

#include <utility>

namespace quorvane {

struct LoopDispatcher::Sent {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    MsgResult result = 0;

    void finish(MsgResult r) {
        std::lock_guard lock(mutex);
        result = r;
        finished = true;
        done.notify_all();
    }
};

LoopDispatcher::LoopDispatcher(MessageHandler onMessage, TimerHandler onTimer)
    : onMessage_(std::move(onMessage)), onTimer_(std::move(onTimer)) {}

LoopDispatcher::~LoopDispatcher() {
    quit();
}

void LoopDispatcher::run() {
    runUntil([] { return false; }, std::chrono::milliseconds::max());
}

bool LoopDispatcher::runUntil(const std::function<bool()>& done,
                              std::chrono::milliseconds timeout) {
    {
        std::lock_guard lock(mutex_);
        if (quit_) {
            return done();
        }
        windowThread_ = std::this_thread::get_id();
        running_ = true;
    }
    const auto start = Clock::now();
    const auto deadline = (timeout >= std::chrono::duration_cast<std::chrono::milliseconds>(
                                          Clock::time_point::max() - start))
                              ? Clock::time_point::max()
                              : start + timeout;
    bool reached = done();
    while (!reached && Clock::now() < deadline) {
        if (!step(deadline)) {
            break;
        }
        reached = done();
    }
    std::lock_guard lock(mutex_);
    running_ = false;
    return reached;
}

void LoopDispatcher::quit() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    releasePending();
}

void LoopDispatcher::releasePending() {
    std::deque<Item> pending;
    {
        std::lock_guard lock(mutex_);
        pending.swap(queue_);
    }
    for (auto& item : pending) {
        if (item.reply) {
            item.reply->finish(0);
        }
    }
}

bool LoopDispatcher::step(Clock::time_point deadline) {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (quit_) {
            lock.unlock();
            releasePending();
            return false;
        }
        if (!queue_.empty()) {
            Item item = std::move(queue_.front());
            queue_.pop_front();
            lock.unlock();
            MsgResult r = onMessage_ ? onMessage_(item.msg, item.wParam, item.lParam) : 0;
            if (item.reply) {
                item.reply->finish(r);
            }
            return true;
        }
        // Timers only when no message waits, as the platform's timers behave.
        auto now = Clock::now();
        auto next = deadline;
        for (auto& [id, timer] : timers_) {
            if (timer.due <= now) {
                std::uint32_t firing = id;
                timer.due = now + timer.elapse;
                lock.unlock();
                if (onTimer_) {
                    onTimer_(firing);
                }
                return true;
            }
            next = std::min(next, timer.due);
        }
        if (next <= now) {
            return true;  // the deadline passed
        }
        if (next == Clock::time_point::max()) {
            wake_.wait(lock);
        } else {
            wake_.wait_until(lock, next);
        }
    }
}

void LoopDispatcher::postMessage(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
    {
        std::lock_guard lock(mutex_);
        if (quit_) {
            return;
        }
        queue_.push_back(Item{msg, wParam, lParam, nullptr});
    }
    wake_.notify_all();
}

MsgResult LoopDispatcher::sendMessage(std::uint32_t msg, std::uintptr_t wParam,
                                      std::intptr_t lParam) {
    if (onWindowThread()) {
        return onMessage_ ? onMessage_(msg, wParam, lParam) : 0;
    }
    auto reply = std::make_shared<Sent>();
    {
        std::lock_guard lock(mutex_);
        if (quit_) {
            return 0;
        }
        // Sent messages go ahead of posted ones, as on the platform.
        auto firstPosted = queue_.begin();
        while (firstPosted != queue_.end() && firstPosted->reply) {
            ++firstPosted;
        }
        queue_.insert(firstPosted, Item{msg, wParam, lParam, reply});
    }
    wake_.notify_all();
    std::unique_lock lock(reply->mutex);
    reply->done.wait(lock, [&] { return reply->finished; });
    return reply->result;
}

void LoopDispatcher::setTimer(std::uint32_t id, std::uint32_t elapseMs) {
    {
        std::lock_guard lock(mutex_);
        auto elapse = std::max(std::chrono::milliseconds(elapseMs), kMinimumElapse);
        timers_[id] = Timer{elapse, Clock::now() + elapse};
    }
    wake_.notify_all();
}

void LoopDispatcher::killTimer(std::uint32_t id) {
    std::lock_guard lock(mutex_);
    timers_.erase(id);
}

std::size_t LoopDispatcher::pendingMessages() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

bool LoopDispatcher::onWindowThread() const {
    std::lock_guard lock(mutex_);
    return running_ && windowThread_ == std::this_thread::get_id();
}

}  // namespace quorvane
