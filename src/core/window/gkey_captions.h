// The captions of the nine G-key buttons for a G-key bank: "A1".."A5" or
// "B1".."B5", the last four empty.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace quorvane {

inline constexpr std::size_t kGKeyCount = 9;
using GKeyCaptions = std::array<std::u16string, kGKeyCount>;

// Bit 0 of `bank`: 0 = bank A, 1 = bank B; other bits are ignored.
GKeyCaptions gKeyCaptions(std::uint8_t bank);

}  // namespace quorvane
