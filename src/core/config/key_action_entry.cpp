#include "core/config/key_action_entry.h"

#include "base/le_bytes.h"
namespace quorvane {

void packKeyActionEntry(const KeyActionEntry& entry, std::span<std::uint8_t> out) {
    KeyActionEntry::forEachField(entry,
                                 [&](const Field& f, std::uint32_t v) { putField(out, f, v); });
}

KeyActionEntry unpackKeyActionEntry(std::span<const std::uint8_t> in) {
    KeyActionEntry entry;
    KeyActionEntry::forEachField(entry, [&](const Field& f, auto& v) { getField(in, f, v); });
    return entry;
}

}  // namespace quorvane
