#include "core/config/macro_record.h"

#include <algorithm>

#include "base/le_bytes.h"

namespace quorvane {

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

namespace {

std::size_t actionOffset(std::size_t j) {
    return MacroRecord::kActions.offset + j * kMacroActionSize;
}

}  // namespace

void packMacroRecord(const MacroRecord& record, std::span<std::uint8_t> out) {
    for (std::size_t i = 0; i < kMacroNameUnits; ++i) {
        putU16(out, MacroRecord::kName.offset + 2 * i, record.name[i]);
    }
    MacroRecord::forEachNumberField(record,
                                    [&](const Field& f, std::uint32_t v) { putField(out, f, v); });
    putField(out, MacroRecord::kPad501, 0);
    putField(out, MacroRecord::kPad510, 0);
    for (std::size_t j = 0; j < kMaxMacroActions; ++j) {
        const auto action = out.subspan(actionOffset(j), kMacroActionSize);
        MacroAction::forEachField(record.actions[j],
                                  [&](const Field& f, std::uint32_t v) { putField(action, f, v); });
    }
}

void unpackMacroRecord(std::span<const std::uint8_t> in, MacroRecord& record) {
    for (std::size_t i = 0; i < kMacroNameUnits; ++i) {
        record.name[i] = static_cast<char16_t>(getU16(in, MacroRecord::kName.offset + 2 * i));
    }
    record.name[kMacroNameUnits - 1] = u'\0';
    MacroRecord::forEachNumberField(record, [&](const Field& f, auto& v) { getField(in, f, v); });
    record.actionCount = std::min(record.actionCount, static_cast<std::uint16_t>(kMaxMacroActions));
    for (std::size_t j = 0; j < kMaxMacroActions; ++j) {
        const auto action = in.subspan(actionOffset(j), kMacroActionSize);
        MacroAction::forEachField(record.actions[j],
                                  [&](const Field& f, auto& v) { getField(action, f, v); });
    }
}

}  // namespace quorvane
