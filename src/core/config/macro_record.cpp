#include "core/config/macro_record.h"

#include <algorithm>

#include "base/le_bytes.h"

namespace quorvane {

namespace {
constexpr std::size_t kPlayCountOffset = 500;
constexpr std::size_t kIsNewOffset = 502;
constexpr std::size_t kRepeatModeOffset = 504;
constexpr std::size_t kIdOffset = 506;
constexpr std::size_t kActionCountOffset = 508;
static_assert(kActionCountOffset + 4 == kMacroActionsOffset);
}  // namespace

std::u16string_view MacroRecord::nameView() const {
    auto end = std::find(name.begin(), name.end(), u'\0');
    return {name.data(), static_cast<std::size_t>(end - name.begin())};
}

void MacroRecord::setName(std::u16string_view text) {
    name.fill(u'\0');
    auto cut = text.substr(0, std::min(text.size(), kMacroNameUnits - 1));
    cut = cut.substr(0, std::min(cut.size(), cut.find(u'\0')));
    std::copy(cut.begin(), cut.end(), name.begin());
}

void packMacroRecord(const MacroRecord& record, std::span<std::uint8_t> out) {
    for (std::size_t i = 0; i < kMacroNameUnits; ++i) {
        putU16(out, 2 * i, record.name[i]);
    }
    out[kPlayCountOffset] = record.playCount;
    out[kPlayCountOffset + 1] = 0;
    putU16(out, kIsNewOffset, record.isNew);
    putU16(out, kRepeatModeOffset, record.repeatMode);
    putU16(out, kIdOffset, record.id);
    putU16(out, kActionCountOffset, record.actionCount);
    putU16(out, kActionCountOffset + 2, 0);
    for (std::size_t j = 0; j < kMaxMacroActions; ++j) {
        const MacroAction& a = record.actions[j];
        std::size_t at = kMacroActionsOffset + j * kMacroActionSize;
        putU32(out, at, a.delay);
        putU16(out, at + 4, a.key);
        putU16(out, at + 6, a.state);
    }
}

void unpackMacroRecord(std::span<const std::uint8_t> in, MacroRecord& record) {
    for (std::size_t i = 0; i < kMacroNameUnits; ++i) {
        record.name[i] = static_cast<char16_t>(getU16(in, 2 * i));
    }
    record.name[kMacroNameUnits - 1] = u'\0';
    record.playCount = in[kPlayCountOffset];
    record.isNew = getU16(in, kIsNewOffset);
    record.repeatMode = getU16(in, kRepeatModeOffset);
    record.id = getU16(in, kIdOffset);
    record.actionCount = std::min<std::uint16_t>(getU16(in, kActionCountOffset),
                                                 static_cast<std::uint16_t>(kMaxMacroActions));
    for (std::size_t j = 0; j < kMaxMacroActions; ++j) {
        std::size_t at = kMacroActionsOffset + j * kMacroActionSize;
        record.actions[j] = MacroAction{getU32(in, at), getU16(in, at + 4), getU16(in, at + 6)};
    }
}

}  // namespace quorvane
