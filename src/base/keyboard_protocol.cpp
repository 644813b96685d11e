#include "base/keyboard_protocol.h"

#include <algorithm>

namespace quorvane {

std::uint16_t frameChecksum(std::span<const std::uint8_t, kFrameSize> frame) {
    std::uint32_t sum = 0;
    for (std::size_t i = kFrameCommand.offset; i < kFrameSize; ++i) {
        sum += frame[i];
    }
    return static_cast<std::uint16_t>(sum & 0xFFFF);
}

void sealFrame(CommandFrame& frame) {
    putField(frame, kFrameChecksum, frameChecksum(frame));
}

CommandFrame buildRequest(std::uint8_t command, std::uint8_t length, std::uint16_t offset,
                          std::span<const std::uint8_t> payload) {
    CommandFrame frame{};
    putField(frame, kFrameReportNumber, kCommandReportNumber);
    putField(frame, kFrameCommand, command);
    putField(frame, kFrameLength, length);
    putField(frame, kFrameOffset, offset);
    putField(frame, kFrameStatus, kStatusAccepted);
    const std::size_t n = std::min(payload.size(), kFramePayloadSize);
    std::copy_n(payload.begin(), n, frame.begin() + kFramePayloadOffset);
    sealFrame(frame);
    return frame;
}

}  // namespace quorvane
