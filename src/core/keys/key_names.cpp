#include "core/keys/key_names.h"

namespace quorvane {

std::size_t keyName(KeyId, char16_t* buffer, std::size_t size, const TextLookup&) {
    if (size > 0) {
        buffer[0] = 0;
    }
    return 0;
}

std::u16string keyName(KeyId, const TextLookup&, std::size_t) {
    return {};
}
std::u16string keyNameOfListIndex(KeyListIndex, const TextLookup&) {
    return {};
}
std::u16string functionName(std::size_t, const TextLookup&) {
    return {};
}
std::u16string formatWithUnsigned(std::u16string_view format, unsigned) {
    return std::u16string(format);
}
std::string textKeyOfKey(KeyId) {
    return {};
}
std::string_view textSuffixOfKey(KeyId) {
    return {};
}
std::optional<KeyId> keyOfTextSuffix(std::string_view) {
    return std::nullopt;
}
std::optional<KeyId> parseKeyText(std::string_view) {
    return std::nullopt;
}
std::string keyText(KeyId) {
    return {};
}

}  // namespace quorvane
