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
    // One emulated keyboard, whichever state file holds its memories (a test
    // moves them between files and processes): one identity.
    return Keyboard{"virtual",
                    0x0C45,
                    0x5004,
                    {kBootKeyboard, kConsumerControl, kVendorCommands, kBankReport},
                    "virtual"};
}

VirtualBackend::VirtualBackend(std::string statePath)
    : m_statePath(std::move(statePath)), m_model(virtualKeyboardModel()) {}

VirtualBackend::~VirtualBackend() {
    stop();
}

bool VirtualBackend::start(Hub& hub, std::string& error) {
    if (m_started) {
        error = "already started";
        return false;
    }
    m_hub = &hub;
    if (!m_statePath.empty()) {
        const vkbd::StateFileResult loaded = m_keyboard.loadState(m_statePath);
        if (loaded.kind == vkbd::StateFileResult::Kind::Malformed) {
            // Keep going on the factory state: a demo still runs, and the
            // firmware leaves the file alone until it is fixed.
            diagnose(1, "virtual keyboard state " + m_statePath + " is not usable (" +
                            loaded.message +
                            "); running on the factory state, the file is left as it is");
        }
        m_keyboard.setStatePath(m_statePath);
    }
    m_keyboard.setEventSink([this](const vkbd::Event& event) { onKeyboardEvent(event); });
    hub.setKeyboards(m_keyboard.attached() ? std::vector<Keyboard>{m_model}
                                           : std::vector<Keyboard>{});
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = false;
        m_started = true;
    }
    m_worker = std::thread([this] { run(); });
    return true;
}

void VirtualBackend::stop() {
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
    m_keyboard.setEventSink({});
    {
        const std::lock_guard lock(m_mutex);
        m_jobs = {};
        m_started = false;
    }
    if (!m_statePath.empty() && !m_keyboard.stateFileBlocked()) {
        const vkbd::StateFileResult saved = m_keyboard.saveState(m_statePath);
        if (!saved.ok()) {
            diagnose(1,
                     "virtual keyboard state not saved to " + m_statePath + ": " + saved.message);
        }
    }
}

bool VirtualBackend::queueWrite(const QuellixFilter& filter, std::vector<std::uint8_t> report,
                                WriteCompletion completion) {
    if (m_hub == nullptr || report.empty()) {
        return false;
    }
    Keyboard keyboard;
    Job job;
    if (!m_hub->resolve(filter, keyboard, job.collection)) {
        return false;
    }
    job.kind = Job::Kind::Out;
    job.bytes = std::move(report);
    job.completion = completion;
    const bool frames = m_keyboard.faultKnobs().usbFrameModel;
    const std::lock_guard lock(m_mutex);
    if (!m_started || m_stopping || m_jobs.size() >= kMaxPendingJobs) {
        return false;
    }
    const auto now = Clock::now();
    job.due = frames ? outSlot(now) : now;
    job.sequence = m_nextSequence++;
    m_jobs.push(std::move(job));
    m_changed.notify_one();
    return true;
}

bool VirtualBackend::sendFeature(const QuellixFilter&, const std::vector<std::uint8_t>&) {
    return false;  // the emulated keyboard declares no feature reports
}

std::uint32_t VirtualBackend::frameCount() const {
    const std::lock_guard lock(m_framesMutex);
    return m_frameCount;
}

std::optional<std::vector<std::uint8_t>> VirtualBackend::frame(std::uint32_t index) const {
    const std::lock_guard lock(m_framesMutex);
    const std::uint32_t first = m_frameCount - static_cast<std::uint32_t>(m_frames.size());
    if (index < first || index >= m_frameCount) {
        return std::nullopt;
    }
    return m_frames[index - first];
}

void VirtualBackend::clearFrames() {
    const std::lock_guard lock(m_framesMutex);
    m_frames.clear();
    m_frameCount = 0;
}

void VirtualBackend::logFrame(const std::vector<std::uint8_t>& bytes) {
    const std::lock_guard lock(m_framesMutex);
    if (m_frames.size() == kKeptFrames) {
        m_frames.pop_front();
    }
    m_frames.push_back(bytes);
    ++m_frameCount;
}

VirtualBackend::Clock::time_point VirtualBackend::outSlot(Clock::time_point ready) {
    // One report per frame and direction, as on a full-speed interrupt pipe.
    Clock::time_point slot = vkbd::nextUsbFrame(ready);
    if (slot <= m_lastOut) {
        slot = m_lastOut + kFrame;
    }
    m_lastOut = slot;
    return slot;
}

VirtualBackend::Clock::time_point VirtualBackend::inSlot(Clock::time_point ready) {
    Clock::time_point slot = vkbd::nextUsbFrame(ready);
    if (slot <= m_lastIn) {
        slot = m_lastIn + kFrame;
    }
    m_lastIn = slot;
    return slot;
}

void VirtualBackend::schedule(Job job) {
    const std::lock_guard lock(m_mutex);
    if (!m_started || m_stopping) {
        return;
    }
    job.sequence = m_nextSequence++;
    m_jobs.push(std::move(job));
    m_changed.notify_one();
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
    const bool frames = m_keyboard.faultKnobs().usbFrameModel;
    {
        const std::lock_guard lock(m_mutex);
        const auto now = Clock::now();
        job.due = frames ? inSlot(now) : now;
    }
    schedule(std::move(job));
}

void VirtualBackend::setAttached(bool attached) {
    if (attached) {
        m_keyboard.attach();
    } else {
        m_keyboard.remove();
    }
    if (std::this_thread::get_id() == m_workerId.load()) {
        return;
    }
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    while (m_hub->keyboards().empty() == attached && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
}

void VirtualBackend::run() {
    m_workerId = std::this_thread::get_id();
    // Frame boundaries are 1 ms apart: the default 50 us of timer slack
    // would be a visible share of each.
    ::prctl(PR_SET_TIMERSLACK, 1000UL, 0UL, 0UL, 0UL);
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        if (m_jobs.empty()) {
            m_changed.wait(lock);
            continue;
        }
        const Clock::time_point due = m_jobs.top().due;
        if (Clock::now() < due) {
            m_changed.wait_until(lock, due);
            continue;
        }
        Job job = m_jobs.top();
        m_jobs.pop();
        lock.unlock();
        switch (job.kind) {
            case Job::Kind::Out:
                handleOut(job);
                break;
            case Job::Kind::In:
                m_hub->deliverReport(m_model, job.collection, job.bytes, true);
                break;
            case Job::Kind::Presence:
                m_hub->setKeyboards(job.attached ? std::vector<Keyboard>{m_model}
                                                 : std::vector<Keyboard>{});
                break;
        }
        lock.lock();
    }
}

void VirtualBackend::handleOut(Job& job) {
    logFrame(job.bytes);
    m_hub->noteOut(job.collection, job.bytes);
    if (job.collection == kVendorCommands) {
        vkbd::CommandResult result = m_keyboard.handleCommand(job.bytes);
        const vkbd::FaultKnobs knobs = m_keyboard.faultKnobs();
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
                const std::lock_guard lock(m_mutex);
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
        if (!m_keyboard.handleBankReport(job.bytes)) {
            diagnose(2, "bank report refused by the virtual keyboard");
        }
    }
    m_hub->deliverWriteDone(job.completion.callback, job.completion.tag, job.bytes);
}

}  // namespace quorvane::quellix
