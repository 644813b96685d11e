// The 64-byte command frame of the vendor collection, both directions:
// report number, u16 checksum of bytes 3..63, command, length, u16 offset,
// status, 56 payload bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace quorvane::vkbd {

inline constexpr std::size_t kFrameSize = 64;
inline constexpr std::size_t kPayloadOffset = 8;
inline constexpr std::size_t kPayloadSize = kFrameSize - kPayloadOffset;  // 56
inline constexpr std::uint8_t kCommandReportId = 0x04;

// Byte positions inside a frame.
inline constexpr std::size_t kFrameReportId = 0;
inline constexpr std::size_t kFrameChecksum = 1;
inline constexpr std::size_t kFrameCommand = 3;
inline constexpr std::size_t kFrameLength = 4;
inline constexpr std::size_t kFrameOffset = 5;
inline constexpr std::size_t kFrameStatus = 7;

// Status byte of an answer.
inline constexpr std::uint8_t kStatusOk = 0x00;
// Bad checksum, length above 56, unknown command, a value the firmware will not hold.
inline constexpr std::uint8_t kStatusRefused = 0xFF;
// The addressed byte range does not lie inside the command's memory.
inline constexpr std::uint8_t kStatusOutOfRange = 0xFE;

using Frame = std::array<std::uint8_t, kFrameSize>;

// Low 16 bits of the plain sum of bytes 3..63.
std::uint16_t frameChecksum(std::span<const std::uint8_t, kFrameSize> frame);

// Writes frameChecksum() into bytes 1..2.
void sealFrame(Frame& frame);

// A request as the program sends it: report 0x04, the fields, the payload
// (cut to 56 bytes), zero padding, checksum filled in.
Frame makeRequest(std::uint8_t command, std::uint8_t length, std::uint16_t offset,
                  std::span<const std::uint8_t> payload = {});

}  // namespace quorvane::vkbd
