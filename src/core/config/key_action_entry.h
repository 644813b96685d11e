// One key's action in one profile and its 16-byte stored form.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace quorvane {

struct KeyActionEntry {
    std::uint16_t type = 0;        // ActionType; other values are kept as they are
    std::uint16_t aux = 0;         // macro play count, or the G-key code in G-key slots
    std::uint32_t value = 0;       // key id, macro id, list index or text offset
    std::uint32_t colourMark = 0;  // colour-keys selection, indexed by button position
    std::uint32_t reserved = 0;    // kept as read

    bool operator==(const KeyActionEntry&) const = default;
};

inline constexpr std::size_t kKeyActionEntrySize = 16;

void packKeyActionEntry(const KeyActionEntry& entry, std::span<std::uint8_t> out);
KeyActionEntry unpackKeyActionEntry(std::span<const std::uint8_t> in);

}  // namespace quorvane
