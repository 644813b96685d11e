#include "core/device/command_transport.h"

#include <algorithm>
#include <cstring>
#include <thread>
#include <utility>

#include "core/device/device_result.h"
#include "core/device/hid_filter.h"
#include "core/device/unit_id.h"

namespace quorvane {

CommandTransport::CommandTransport(const HidLibrary& library) : m_library(library) {}

std::string CommandTransport::keyboardIdentity() const {
    return m_library.keyboardIdentity();
}

int CommandTransport::DeviceCount() {
    const QuellixFilter filter = commandFilter();
    const int count = m_library.functions().RequestGetDeviceCount(&filter, nullptr, 0,
                                                                  kDeviceCountUnitId, nullptr);
    return std::max(count, 0);
}

void CommandTransport::OnControlReport(const std::uint8_t* bytes, std::uint32_t count) {
    std::lock_guard guard(m_slot);
    if (m_state.g_bCmdInFlight == 0) {
        return;
    }
    if (bytes == nullptr) {
        count = 0;
    }
    const std::uint32_t copied = std::min(count, m_state.g_nReplyCap);
    if (copied > 0 && m_state.g_pReplyBuf != nullptr) {
        std::memcpy(m_state.g_pReplyBuf, bytes, copied);
    }
    m_state.g_nReplyLen = copied;
    m_answer.fill(0);
    m_answerLen = std::min<std::uint32_t>(count, kFrameSize);
    if (m_answerLen > 0) {
        std::memcpy(m_answer.data(), bytes, m_answerLen);
    }
    // Signalled under the slot lock: a new attempt resets the event under the
    // same lock, so a signal can never outlive the answer it announces.
    m_state.g_hReplyEvent.set();
}

void CommandTransport::beginAttempt(std::uint8_t* reply, std::uint32_t replyCapacity) {
    std::lock_guard guard(m_slot);
    m_state.g_pReplyBuf = reply;
    m_state.g_nReplyCap = reply != nullptr ? replyCapacity : 0;
    m_state.g_nReplyLen = 0;
    m_answerLen = 0;
    m_state.g_hReplyEvent.reset();
    m_state.g_bCmdInFlight = 1;
}

CommandTransport::Answer CommandTransport::endAttempt(std::uint8_t commandByte,
                                                      std::uint32_t& replyLength) {
    std::lock_guard guard(m_slot);
    m_state.g_bCmdInFlight = 0;
    m_state.g_pReplyBuf = nullptr;
    replyLength = m_state.g_nReplyLen;
    if (m_answerLen <= kFrameCommand.offset || getField(m_answer, kFrameCommand) != commandByte) {
        return Answer::WrongEcho;
    }
    const std::uint32_t status = getField(m_answer, kFrameStatus);
    if (status == kStatusRefusedFF || status == kStatusRefusedFE) {
        return Answer::Refused;
    }
    return Answer::Accepted;
}

void CommandTransport::clearInFlight() {
    std::lock_guard guard(m_slot);
    m_state.g_bCmdInFlight = 0;
    m_state.g_pReplyBuf = nullptr;
}

void CommandTransport::setFrameObserver(FrameObserver observer) {
    std::lock_guard transaction(m_transaction);
    m_observer = std::move(observer);
}

int CommandTransport::SendAndWait(const std::uint8_t* request, std::size_t requestLength,
                                  std::uint8_t* reply, std::uint32_t replyCapacity,
                                  std::uint32_t& received) {
    received = 0;
    if (DeviceCount() == 0) {
        return kResultNoKeyboard;
    }

    std::array<std::uint8_t, kFrameSize> frame{};
    if (request != nullptr) {
        std::memcpy(frame.data(), request, std::min(requestLength, kFrameSize));
    }
    const QuellixFilter filter = commandFilter();
    const std::uint32_t unit = requestUnitId(filter, 0, 0, frame);

    // The other client's transaction ends before ours starts.
    const KeyboardLock::Hold client(m_keyboardLock.load());
    if (!client.taken()) {
        return kResultKeyboardBusy;
    }

    // Threads take turns for whole transactions, so their attempts never
    // interleave and an answer always meets the request it belongs to.
    std::lock_guard transaction(m_transaction);

    int attempts = 0;
    for (;;) {
        // The keyboard's rule for an attempt that finds another in flight.
        // With whole transactions taking turns the mark is always clear here;
        // the rule stays so that the timing holds whatever calls the answer path.
        bool busy = false;
        {
            std::lock_guard guard(m_slot);
            busy = m_state.g_bCmdInFlight != 0;
        }
        if (busy) {
            std::this_thread::sleep_for(kBusyBackOff);
            clearInFlight();
        }
        if (m_observer) {
            m_observer(frame);
        }
        beginAttempt(reply, replyCapacity);
        const int queued = m_library.functions().RequestWriteOne(&filter, nullptr, 0, frame.data(),
                                                                 kFrameSize, unit, nullptr);
        if (queued <= 0) {
            clearInFlight();
            return kResultNotSent;
        }

        std::uint32_t replyLength = 0;
        Answer answer = Answer::None;
        if (m_state.g_hReplyEvent.waitFor(kAnswerWait) == AutoResetEvent::WaitResult::Signalled) {
            answer = endAttempt(frame[kFrameCommand.offset], replyLength);
        } else {
            clearInFlight();
        }

        if (answer == Answer::Accepted) {
            received = replyLength;
            return kResultDone;
        }
        ++attempts;
        if (attempts >= kAttempts) {
            if (answer == Answer::Refused) {
                received = replyLength;
                return kResultDone;
            }
            return kResultNoAnswer;
        }
        std::this_thread::sleep_for(kRetryPause);
    }
}

}  // namespace quorvane
