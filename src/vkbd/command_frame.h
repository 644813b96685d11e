// The 64-byte command frame of the vendor collection, in both directions. Its
// layout and the command numbers are the program's own (keyboard_protocol.h);
// what a command does to the memories is the firmware's reading, kept here.
#pragma once

#include <cstdint>

#include "base/keyboard_protocol.h"

namespace quorvane::vkbd {

using Frame = CommandFrame;

// What the firmware means by each status byte of an answer.
inline constexpr std::uint8_t kStatusOk = kStatusAccepted;
// Bad checksum, length above 56, unknown command, a value the firmware will not hold.
inline constexpr std::uint8_t kStatusRefused = kStatusRefusedFF;
// The addressed byte range does not lie inside the command's memory.
inline constexpr std::uint8_t kStatusOutOfRange = kStatusRefusedFE;

}  // namespace quorvane::vkbd
