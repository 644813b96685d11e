#include "cli/key_words.h"

#include "cli/cli_args.h"
#include "core/keys/key_conversions.h"
#include "core/keys/key_lists.h"
#include "core/keys/key_names.h"
#include "core/platform/utf_text.h"

namespace quorvane::cli {

static_assert(kMediaFunctions == MediaList.size());
static_assert(kEditFunctions == FunctionList.size());

std::optional<KeyCode> parseKeyWord(std::string_view text) {
    return parseKeyText(text);
}

std::string keyWord(KeyCode key) {
    return keyText(key);
}

std::u16string keyDisplayName(KeyCode key, const TextLookup& texts) {
    return keyName(key, texts);
}

std::u16string functionDisplayName(std::size_t index, const TextLookup& texts) {
    return functionName(index, texts);
}

std::u16string formatNumber(std::u16string_view format, unsigned value) {
    return formatWithUnsigned(format, value);
}

bool sendsKeyboardUsage(KeyCode key) {
    if (modifierBitOfKey(key) != 0) {
        return true;
    }
    const UsagePair usage = usageOfKey(key);
    return usage.page == kUsagePageKeyboard && usage.usage != 0;
}

bool playableInMacro(KeyCode key) {
    const UsagePair usage = usageOfKey(key);
    return usage.usage != 0 &&
           (usage.page == kUsagePageKeyboard || usage.page == kUsagePageConsumer ||
            usage.page == kUsagePageGenericDesktop);
}

std::optional<std::size_t> parseMediaWord(std::string_view text, const TextLookup& texts) {
    if (const auto index = parseDecimal(text, 0, static_cast<long>(MediaList.size()) - 1)) {
        return static_cast<std::size_t>(*index);
    }
    const std::u16string wanted = utf8ToUtf16(text);
    for (std::size_t i = 0; i < MediaList.size(); ++i) {
        const KeyId key = MediaList[i].key;
        if (equalsNoCase(wanted, utf8ToUtf16(textSuffixOfKey(key))) ||
            equalsNoCase(wanted, keyDisplayName(key, texts))) {
            return i;
        }
    }
    return std::nullopt;
}

KeyCode mediaKey(std::size_t index) {
    return index < MediaList.size() ? MediaList[index].key : KeyCode{0};
}

std::vector<KeyCode> keyboardKeys(const DeviceKeyTable& factoryTable) {
    std::vector<KeyCode> keys;
    std::vector<bool> rowTaken(kKeyTableRows, false);
    for (std::size_t s = 0; s < kDeviceKeySlots; ++s) {
        const DeviceKeyTable::Slot slot = factoryTable.slot(s);
        const KeyId key = keyOfDeviceEntry(slot.kind, slot.b1, slot.b2);
        if (key == kNoKey || rowTaken[rowOfKey(key)]) {
            continue;
        }
        rowTaken[rowOfKey(key)] = true;
        keys.push_back(key);
    }
    return keys;
}

}  // namespace quorvane::cli
