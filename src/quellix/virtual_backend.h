// The emulated keyboard behind the library's usual threads: a worker thread
// takes the reports the program queues, hands them to the firmware at the
// time the fault knobs say (latency, 1 ms USB frames), and delivers answers,
// consumer reports and presence changes from that same thread.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <queue>
#include <string>
#include <thread>
#include <vector>

#include "quellix/backend.h"
#include "vkbd/virtual_keyboard.h"

namespace quorvane::quellix {

// The emulated keyboard's interfaces: boot keyboard, then consumer control,
// vendor commands and the G-key bank report, numbered 3, 4 and 5.
inline constexpr CollectionId kBootKeyboard{0x0001, 0x0006};
inline constexpr CollectionId kConsumerControl{0x000C, 0x0001};
inline constexpr CollectionId kVendorCommands{0xFF1C, 0x0092};
inline constexpr CollectionId kBankReport{0x0008, 0x0089};
inline constexpr std::uint8_t kConsumerReportId = 0x03;

Keyboard virtualKeyboardModel();

class VirtualBackend final : public Backend {
  public:
    // `statePath`: the state file ("" for none).
    explicit VirtualBackend(std::string statePath);
    ~VirtualBackend() override;

    bool start(Hub& hub, std::string& error) override;
    void stop() override;
    bool queueWrite(const QuellixFilter& filter, std::vector<std::uint8_t> report,
                    WriteCompletion completion) override;
    bool sendFeature(const QuellixFilter& filter, const std::vector<std::uint8_t>& report) override;

    vkbd::VirtualKeyboard& keyboard() { return m_keyboard; }

    // Plugs the keyboard in or out and waits (briefly) until the count shows
    // it, so that a caller may count right after. Does not wait on the
    // worker thread itself: the change is then seen after the callback.
    void setAttached(bool attached);

    // Reports the keyboard received (the newest kKeptFrames are kept).
    static constexpr std::size_t kKeptFrames = 65536;
    std::uint32_t frameCount() const;
    std::optional<std::vector<std::uint8_t>> frame(std::uint32_t index) const;
    void clearFrames();

  private:
    using Clock = std::chrono::steady_clock;
    struct Job {
        enum class Kind { Out, In, Presence } kind = Kind::Out;
        Clock::time_point due;
        std::uint64_t sequence = 0;
        CollectionId collection;
        std::vector<std::uint8_t> bytes;
        WriteCompletion completion;
        bool attached = false;
    };
    struct Later {
        bool operator()(const Job& a, const Job& b) const {
            return a.due != b.due ? a.due > b.due : a.sequence > b.sequence;
        }
    };

    void onKeyboardEvent(const vkbd::Event& event);
    void schedule(Job job);
    // When the next report in / out may travel, under the frame model.
    Clock::time_point inSlot(Clock::time_point ready);
    Clock::time_point outSlot(Clock::time_point ready);
    void run();
    void handleOut(Job& job);
    void logFrame(const std::vector<std::uint8_t>& bytes);

    const std::string m_statePath;
    const Keyboard m_model;
    vkbd::VirtualKeyboard m_keyboard;
    Hub* m_hub = nullptr;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::priority_queue<Job, std::vector<Job>, Later> m_jobs;
    std::uint64_t m_nextSequence = 0;
    bool m_stopping = false;
    bool m_started = false;
    Clock::time_point m_lastOut{};
    Clock::time_point m_lastIn{};

    mutable std::mutex m_framesMutex;
    std::deque<std::vector<std::uint8_t>> m_frames;
    std::uint32_t m_frameCount = 0;

    std::thread m_worker;
    std::atomic<std::thread::id> m_workerId{};
};

}  // namespace quorvane::quellix
