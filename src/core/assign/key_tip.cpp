#include "core/assign/key_tip.h"

#include <algorithm>
#include <string>

#include "core/config/action_type.h"
#include "core/keys/key_lists.h"
#include "core/keys/key_names.h"

namespace quorvane {

namespace {

std::u16string text(const TextLookup& loadText, std::u16string_view key) {
    return loadText ? loadText(key) : std::u16string();
}

// The name of the key an ActionKey entry sends. A value wider than a KeyId
// (only a profile file can carry one) is named by the fallback format with
// the whole value, not by the id its low bits happen to make.
std::u16string nameOfSentKey(std::uint32_t value, const TextLookup& loadText) {
    if (value > 0xFFFF) {
        const std::u16string format =
            text(loadText, std::u16string(kUnknownKeyTextKey.begin(), kUnknownKeyTextKey.end()));
        return formatWithUnsigned(format, value);
    }
    return keyName(static_cast<KeyId>(value), loadText);
}

std::u16string_view macroName(std::span<const MacroRecord> macros, std::uint32_t id) {
    const auto it = std::find_if(macros.begin(), macros.end(),
                                 [id](const MacroRecord& m) { return m.id == id; });
    return it == macros.end() ? std::u16string_view() : it->nameView();
}

}  // namespace

std::u16string gKeyTipName(int position) {
    const std::string digits = "Y" + std::to_string(position + 1);
    return std::u16string(digits.begin(), digits.end());
}

std::u16string keyButtonTip(std::u16string_view name, const KeyActionEntry& entry,
                            std::span<const MacroRecord> macros, const TextLookup& loadText) {
    std::u16string tip(name);
    if (!showsAssigned(entry)) {
        return tip;
    }
    tip += text(loadText, kTextKeyPromptSet);
    switch (entry.type) {
        case ActionKey:
            tip += text(loadText, kTextKeyPromptSingle);
            tip += nameOfSentKey(entry.value, loadText);
            tip += u')';
            break;
        case ActionMacro:
            tip += text(loadText, kTextKeyPromptMacro);
            tip += macroName(macros, entry.value);
            tip += u')';
            break;
        case ActionMedia:
            tip += text(loadText, kTextKeyPromptMedia);
            if (entry.value < MediaList.size()) {
                tip += keyName(MediaList[entry.value].key, loadText);
            }
            tip += u')';
            break;
        case ActionFunction:
            tip += text(loadText, kTextKeyPromptFunction);
            tip += functionName(entry.value, loadText);
            tip += u')';
            break;
        default:
            break;
    }
    return tip;
}

std::u16string keyButtonTipOfKey(KeyId key, const KeyActionEntry& entry,
                                 std::span<const MacroRecord> macros, const TextLookup& loadText) {
    return keyButtonTip(keyName(key, loadText), entry, macros, loadText);
}

std::u16string gKeyButtonTip(int position, const KeyActionEntry& entry,
                             std::span<const MacroRecord> macros, const TextLookup& loadText) {
    return keyButtonTip(gKeyTipName(position), entry, macros, loadText);
}

}  // namespace quorvane
