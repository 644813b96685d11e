// Request frames of the command set: report number, checksum, command,
// length, offset, status, 56 payload bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/device/command_transport.h"

namespace quorvane {

inline constexpr std::uint8_t kCommandReportNumber = 0x04;
inline constexpr std::size_t kFramePayloadOffset = 8;
inline constexpr std::size_t kFramePayloadSize = 56;
static_assert(kFramePayloadOffset + kFramePayloadSize == kFrameSize);

using CommandFrame = std::array<std::uint8_t, kFrameSize>;

// Low 16 bits of the plain sum of bytes 3 to 63.
std::uint16_t frameChecksum(const CommandFrame& frame);

// A finished request: header, `payload` from byte 8 (at most 56 bytes used),
// zeros elsewhere, then the checksum in bytes 1-2.
CommandFrame buildRequest(std::uint8_t command, std::uint8_t length, std::uint16_t offset,
                          std::span<const std::uint8_t> payload = {});

}  // namespace quorvane
