#include "quellix/virtual_backend.h"

#include <sys/prctl.h>

#include <algorithm>
#include <thread>
#include <utility>

#include "quellix/diagnostics.h"

namespace quorvane::quellix {
namespace {

constexpr std::size_t kMaxPendingJobs = 4096;
constexpr auto kFrame = std::chrono::milliseconds(1);

}  // namespace

Keyboard virtualKeyboardModel() {
    return Keyboard{
        "virtual", 0x0C45, 0x5004, {kBootKeyboard, kConsumerControl, kVendorCommands, kBankReport}};
}

VirtualBackend::VirtualBackend(std::string statePath) : statePath_(std::move(statePath)) {}

VirtualBackend::~VirtualBackend() {
    stop();
}

bool VirtualBackend::start(Hub& hub, std::string& error) {
    if (started_) {
        error = "already started";
        return false;
    }
    hub_ = &hub;
    if (!statePath_.empty()) {
        const vkbd::StateFileResult loaded = keyboard_.loadState(statePath_);
        if (loaded.kind == vkbd::StateFileResult::Kind::Malformed) {
            // Keep going on the factory state: a demo still runs, and the
            // firmware leaves the file alone until it is fixed.
            diagnose(1, "virtual keyboard state " + statePath_ + " is not usable (" +
                            loaded.message +
                            "); running on the factory state, the file is left as it is");
        }
        keyboard_.setStatePath(statePath_);
    }
    keyboard_.setEventSink([this](const vkbd::Event& event) { onKeyboardEvent(event); });
    hub.setKeyboards(keyboard_.attached() ? std::vector<Keyboard>{virtualKeyboardModel()}
                                          : std::vector<Keyboard>{});
    {
        const std::lock_guard lock(mutex_);
        stopping_ = false;
        started_ = true;
    }
    worker_ = std::thread([this] { run(); });
    return true;
}

void VirtualBackend::stop() {
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
    keyboard_.setEventSink({});
    {
        const std::lock_guard lock(mutex_);
        jobs_ = {};
        started_ = false;
    }
    if (!statePath_.empty() && !keyboard_.stateFileBlocked()) {
        const vkbd::StateFileResult saved = keyboard_.saveState(statePath_);
        if (!saved.ok()) {
            diagnose(1, "virtual keyboard state not saved to " + statePath_ + ": " + saved.message);
        }
    }
}

bool VirtualBackend::queueWrite(const QuellixFilter& filter, std::vector<std::uint8_t> report,
                                WriteCompletion completion) {
    if (hub_ == nullptr || report.empty()) {
        return false;
    }
    Keyboard keyboard;
    Job job;
    if (!hub_->resolve(filter, keyboard, job.collection)) {
        return false;
    }
    job.kind = Job::Kind::Out;
    job.bytes = std::move(report);
    job.completion = completion;
    const bool frames = keyboard_.faultKnobs().usbFrameModel;
    const std::lock_guard lock(mutex_);
    if (!started_ || stopping_ || jobs_.size() >= kMaxPendingJobs) {
        return false;
    }
    const auto now = Clock::now();
    job.due = frames ? outSlot(now) : now;
    job.sequence = nextSequence_++;
    jobs_.push(std::move(job));
    changed_.notify_one();
    return true;
}

bool VirtualBackend::sendFeature(const QuellixFilter&, const std::vector<std::uint8_t>&) {
    return false;  // the emulated keyboard declares no feature reports
}

std::uint32_t VirtualBackend::frameCount() const {
    const std::lock_guard lock(framesMutex_);
    return frameCount_;
}

std::optional<std::vector<std::uint8_t>> VirtualBackend::frame(std::uint32_t index) const {
    const std::lock_guard lock(framesMutex_);
    const std::uint32_t first = frameCount_ - static_cast<std::uint32_t>(frames_.size());
    if (index < first || index >= frameCount_) {
        return std::nullopt;
    }
    return frames_[index - first];
}

void VirtualBackend::clearFrames() {
    const std::lock_guard lock(framesMutex_);
    frames_.clear();
    frameCount_ = 0;
}

void VirtualBackend::logFrame(const std::vector<std::uint8_t>& bytes) {
    const std::lock_guard lock(framesMutex_);
    if (frames_.size() == kKeptFrames) {
        frames_.pop_front();
    }
    frames_.push_back(bytes);
    ++frameCount_;
}

VirtualBackend::Clock::time_point VirtualBackend::outSlot(Clock::time_point ready) {
    // One report per frame and direction, as on a full-speed interrupt pipe.
    Clock::time_point slot = vkbd::nextUsbFrame(ready);
    if (slot <= lastOut_) {
        slot = lastOut_ + kFrame;
    }
    lastOut_ = slot;
    return slot;
}

VirtualBackend::Clock::time_point VirtualBackend::inSlot(Clock::time_point ready) {
    Clock::time_point slot = vkbd::nextUsbFrame(ready);
    if (slot <= lastIn_) {
        slot = lastIn_ + kFrame;
    }
    lastIn_ = slot;
    return slot;
}

void VirtualBackend::schedule(Job job) {
    const std::lock_guard lock(mutex_);
    if (!started_ || stopping_) {
        return;
    }
    job.sequence = nextSequence_++;
    jobs_.push(std::move(job));
    changed_.notify_one();
}

void VirtualBackend::onKeyboardEvent(const vkbd::Event& event) {
    Job job;
    if (event.kind == vkbd::Event::Kind::Presence) {
        job.kind = Job::Kind::Presence;
        job.attached = event.attached;
        job.due = Clock::now();
        schedule(std::move(job));
        return;
    }
    job.kind = Job::Kind::In;
    job.collection = kConsumerControl;
    job.bytes = {kConsumerReportId, static_cast<std::uint8_t>(event.consumerCode & 0xFF),
                 static_cast<std::uint8_t>(event.consumerCode >> 8)};
    const bool frames = keyboard_.faultKnobs().usbFrameModel;
    {
        const std::lock_guard lock(mutex_);
        const auto now = Clock::now();
        job.due = frames ? inSlot(now) : now;
    }
    schedule(std::move(job));
}

void VirtualBackend::setAttached(bool attached) {
    if (attached) {
        keyboard_.attach();
    } else {
        keyboard_.remove();
    }
    if (std::this_thread::get_id() == workerId_.load()) {
        return;
    }
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    while (hub_->keyboards().empty() == attached && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
}

void VirtualBackend::run() {
    workerId_ = std::this_thread::get_id();
    // Frame boundaries are 1 ms apart: the default 50 us of timer slack
    // would be a visible share of each.
    ::prctl(PR_SET_TIMERSLACK, 1000UL, 0UL, 0UL, 0UL);
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (jobs_.empty()) {
            changed_.wait(lock);
            continue;
        }
        const Clock::time_point due = jobs_.top().due;
        if (Clock::now() < due) {
            changed_.wait_until(lock, due);
            continue;
        }
        Job job = jobs_.top();
        jobs_.pop();
        lock.unlock();
        switch (job.kind) {
            case Job::Kind::Out:
                handleOut(job);
                break;
            case Job::Kind::In:
                hub_->deliverReport(virtualKeyboardModel(), job.collection, job.bytes, true);
                break;
            case Job::Kind::Presence:
                hub_->setKeyboards(job.attached ? std::vector<Keyboard>{virtualKeyboardModel()}
                                                : std::vector<Keyboard>{});
                break;
        }
        lock.lock();
    }
}

void VirtualBackend::handleOut(Job& job) {
    logFrame(job.bytes);
    hub_->noteOut(job.collection, job.bytes);
    if (job.collection == kVendorCommands) {
        vkbd::CommandResult result = keyboard_.handleCommand(job.bytes);
        const vkbd::FaultKnobs knobs = keyboard_.faultKnobs();
        // The keyboard works from the frame the report arrived in.
        const Clock::time_point handled = knobs.usbFrameModel ? job.due : Clock::now();
        const Clock::time_point ready = handled + std::chrono::microseconds(knobs.answerLatencyUs);
        Clock::time_point answerDue = ready;
        if (result.outcome == vkbd::CommandResult::Outcome::Answered && result.answer) {
            Job answer;
            answer.kind = Job::Kind::In;
            answer.collection = kVendorCommands;
            answer.bytes.assign(result.answer->begin(), result.answer->end());
            {
                const std::lock_guard lock(mutex_);
                answer.due = knobs.usbFrameModel ? inSlot(ready) : ready;
            }
            answerDue = answer.due;
            schedule(std::move(answer));
        }
        for (const vkbd::Event& event : result.events) {
            Job follow;
            if (event.kind == vkbd::Event::Kind::Presence) {
                follow.kind = Job::Kind::Presence;
                follow.attached = event.attached;
            } else {
                follow.kind = Job::Kind::In;
                follow.collection = kConsumerControl;
                follow.bytes = {kConsumerReportId,
                                static_cast<std::uint8_t>(event.consumerCode & 0xFF),
                                static_cast<std::uint8_t>(event.consumerCode >> 8)};
            }
            follow.due = answerDue;  // after the answer: same time, later sequence
            schedule(std::move(follow));
        }
    } else if (job.collection == kBankReport) {
        if (!keyboard_.handleBankReport(job.bytes)) {
            diagnose(2, "bank report refused by the virtual keyboard");
        }
    }
    hub_->deliverWriteDone(job.completion.callback, job.completion.tag, job.bytes);
}

}  // namespace quorvane::quellix
