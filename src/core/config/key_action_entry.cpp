#include "core/config/key_action_entry.h"

#include "base/le_bytes.h"

namespace quorvane {

static_assert(2 + 2 + 4 + 4 + 4 == kKeyActionEntrySize);

void packKeyActionEntry(const KeyActionEntry& entry, std::span<std::uint8_t> out) {
    putU16(out, 0, entry.type);
    putU16(out, 2, entry.aux);
    putU32(out, 4, entry.value);
    putU32(out, 8, entry.colourMark);
    putU32(out, 12, entry.reserved);
}

KeyActionEntry unpackKeyActionEntry(std::span<const std::uint8_t> in) {
    KeyActionEntry entry;
    entry.type = getU16(in, 0);
    entry.aux = getU16(in, 2);
    entry.value = getU32(in, 4);
    entry.colourMark = getU32(in, 8);
    entry.reserved = getU32(in, 12);
    return entry;
}

}  // namespace quorvane
