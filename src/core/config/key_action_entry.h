// One key's action in one profile and its 16-byte stored form.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "base/byte_fields.h"

namespace quorvane {

struct KeyActionEntry {
    std::uint16_t type = 0;        // ActionType; other values are kept as they are
    std::uint16_t aux = 0;         // macro play count, or the G-key code in G-key slots
    std::uint32_t value = 0;       // key id, macro id, list index or text offset
    std::uint32_t colourMark = 0;  // colour-keys selection, indexed by button position
    std::uint32_t reserved = 0;    // kept as read

    bool operator==(const KeyActionEntry&) const = default;

    static constexpr Field kType{"type", 0, 2};
    static constexpr Field kAux{"aux", 2, 2};
    static constexpr Field kValue{"value", 4, 4};
    static constexpr Field kColourMark{"colourMark", 8, 4};
    static constexpr Field kReserved{"reserved", 12, 4};
    static constexpr std::array kFields = {kType, kAux, kValue, kColourMark, kReserved};

    // Calls visit(field, member) for every field, in layout order.
    template <class Entry, class Visit>
    static void forEachField(Entry& entry, Visit&& visit) {
        visit(kType, entry.type);
        visit(kAux, entry.aux);
        visit(kValue, entry.value);
        visit(kColourMark, entry.colourMark);
        visit(kReserved, entry.reserved);
    }
};

inline constexpr std::size_t kKeyActionEntrySize = 16;
static_assert(tilesLayout(KeyActionEntry::kFields, kKeyActionEntrySize));

void packKeyActionEntry(const KeyActionEntry& entry, std::span<std::uint8_t> out);
KeyActionEntry unpackKeyActionEntry(std::span<const std::uint8_t> in);

}  // namespace quorvane
