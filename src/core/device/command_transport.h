// The command transport: one 64-byte frame out to the keyboard's vendor
// collection, its answer back through the standing CTRL read, reduced to one
// result code (core/device/device_result.h).
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "base/keyboard_protocol.h"
#include "core/device/auto_reset_event.h"
#include "core/device/hid_library.h"
#include "core/platform/keyboard_lock.h"

namespace quorvane {

// The answer slot shared by the waiting transaction and the answer path.
// Every field is guarded by CommandTransport's slot lock.
struct TransportState {
    std::uint32_t g_bCmdInFlight = 0;     // 1 while an attempt waits for its answer
    std::uint8_t* g_pReplyBuf = nullptr;  // caller's buffer of the attempt in flight
    std::uint32_t g_nReplyCap = 0;        // its capacity in bytes
    std::uint32_t g_nReplyLen = 0;        // bytes the last answer copied into it
    AutoResetEvent g_hReplyEvent;         // signalled by each accepted answer
};

class CommandTransport {
  public:
    // Fixed by the keyboard's protocol; not settings.
    static constexpr int kAttempts = 3;
    static constexpr std::chrono::milliseconds kAnswerWait{300};
    static constexpr std::chrono::milliseconds kRetryPause{10};
    // One millisecond longer than the answer wait, so an attempt that found
    // another one in flight never starts before that one has timed out.
    static constexpr std::chrono::milliseconds kBusyBackOff{301};
    // Unit id of the count request (command filter, callback and tag zero).
    static constexpr std::uint32_t kDeviceCountUnitId = 0x1544;

    // `library` must outlive the transport.
    explicit CommandTransport(const HidLibrary& library);

    CommandTransport(const CommandTransport&) = delete;
    CommandTransport& operator=(const CommandTransport&) = delete;

    // Sends `request` (zero-padded or cut to 64 bytes) and waits for the
    // answer whose command byte echoes it; up to three attempts. `received`
    // is 0 unless the result is 1, then the bytes copied into `reply` (at most
    // `replyCapacity`). After three refusals the result is 1 with the refusal
    // in `reply`: the command layer reads its status byte.
    int SendAndWait(const std::uint8_t* request, std::size_t requestLength, std::uint8_t* reply,
                    std::uint32_t replyCapacity, std::uint32_t& received);

    // Each transaction holds `lock` (null: none), so another client's
    // commands never come between a request and its answer. A wait that gives
    // up is kResultKeyboardBusy. Set before the first transaction.
    void setKeyboardLock(KeyboardLock* lock) { m_keyboardLock.store(lock); }
    KeyboardLock* keyboardLock() const { return m_keyboardLock.load(); }

    // Attached keyboards on the command collection; 0 means none.
    int DeviceCount();

    // See HidLibrary::keyboardIdentity.
    std::string keyboardIdentity() const;

    // Sees every attempt's frame just before it goes out, on the sending
    // thread, inside the transaction: it must not send. For diagnostics and
    // for tests that act at one exact frame. Empty to stop.
    using FrameObserver = std::function<void(const std::array<std::uint8_t, kFrameSize>& frame)>;
    void setFrameObserver(FrameObserver observer);

    // The answer path, called on a library thread for every report of the
    // CTRL read. Dropped unless an attempt is in flight.
    void OnControlReport(const std::uint8_t* bytes, std::uint32_t count);

  private:
    enum class Answer { None, Accepted, Refused, WrongEcho };

    void beginAttempt(std::uint8_t* reply, std::uint32_t replyCapacity);
    // Clears the in-flight mark and judges the answer against `commandByte`.
    Answer endAttempt(std::uint8_t commandByte, std::uint32_t& replyLength);
    void clearInFlight();

    const HidLibrary& m_library;
    std::mutex m_transaction;  // one whole transaction at a time
    std::mutex m_slot;         // guards m_state and m_answer against the answer path
    TransportState m_state;
    // The answer as it came, at most one frame, whatever the caller's
    // capacity: the echo and status tests read it, never past the caller's buffer.
    std::array<std::uint8_t, kFrameSize> m_answer{};
    std::uint32_t m_answerLen = 0;
    FrameObserver m_observer;  // guarded by m_transaction
    std::atomic<KeyboardLock*> m_keyboardLock{nullptr};
};

}  // namespace quorvane
