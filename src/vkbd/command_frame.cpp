#include "vkbd/command_frame.h"

#include <algorithm>

#include "base/le_bytes.h"

namespace quorvane::vkbd {

std::uint16_t frameChecksum(std::span<const std::uint8_t, kFrameSize> frame) {
    unsigned sum = 0;
    for (std::size_t i = kFrameCommand; i < kFrameSize; ++i) {
        sum += frame[i];
    }
    return static_cast<std::uint16_t>(sum & 0xFFFF);
}

void sealFrame(Frame& frame) {
    putU16(frame, kFrameChecksum, frameChecksum(frame));
}

Frame makeRequest(std::uint8_t command, std::uint8_t length, std::uint16_t offset,
                  std::span<const std::uint8_t> payload) {
    Frame frame{};
    frame[kFrameReportId] = kCommandReportId;
    frame[kFrameCommand] = command;
    frame[kFrameLength] = length;
    putU16(frame, kFrameOffset, offset);
    const std::size_t n = std::min(payload.size(), kPayloadSize);
    std::copy_n(payload.begin(), n, frame.begin() + kPayloadOffset);
    sealFrame(frame);
    return frame;
}

}  // namespace quorvane::vkbd
