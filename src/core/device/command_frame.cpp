#include "core/device/command_frame.h"

#include <algorithm>

#include "base/le_bytes.h"

namespace quorvane {

std::uint16_t frameChecksum(const CommandFrame& frame) {
    std::uint32_t sum = 0;
    for (std::size_t i = 3; i < kFrameSize; ++i) {
        sum += frame[i];
    }
    return static_cast<std::uint16_t>(sum & 0xFFFF);
}

CommandFrame buildRequest(std::uint8_t command, std::uint8_t length, std::uint16_t offset,
                          std::span<const std::uint8_t> payload) {
    CommandFrame frame{};
    frame[0] = kCommandReportNumber;
    frame[3] = command;
    frame[4] = length;
    putU16(frame, 5, offset);
    frame[7] = 0;
    const std::size_t n = std::min(payload.size(), kFramePayloadSize);
    std::copy_n(payload.begin(), n, frame.begin() + kFramePayloadOffset);
    putU16(frame, 1, frameChecksum(frame));
    return frame;
}

}  // namespace quorvane
