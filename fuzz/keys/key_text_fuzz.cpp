// Key texts from the command line and key-name formats from language files.
// The input is: two bytes of key id, one byte of buffer size, then the text
// (a command-line key text, and as UTF-8 a language text used as a format).
// Properties: a parsed key prints as a text that parses to the same key; a
// name never runs past the caller's buffer and is always terminated; a format
// without '%' comes out as it went in.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "core/keys/key_names.h"
#include "core/platform/utf_text.h"

namespace {

using namespace quorvane;

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (upper(a[i]) != upper(b[i])) {
            return false;
        }
    }
    return true;
}

void checkKeyText(std::string_view text) {
    if (const auto id = parseKeyText(text)) {
        if (*id == kNoKey || parseKeyText(keyText(*id)) != id) {
            abort();
        }
    }
    if (const auto id = keyOfTextSuffix(text)) {
        const std::string_view suffix = textSuffixOfKey(*id);
        if (suffix.empty() || (!sameIgnoringCase(suffix, text) &&
                               !sameIgnoringCase("IDS_KEYBOARD_" + std::string(suffix), text))) {
            abort();
        }
    }
}

void checkName(KeyId id, std::size_t size, const std::u16string& format, bool namesToo) {
    const TextLookup lookup = [&](std::u16string_view key) {
        const bool unknownKey = std::string(key.begin(), key.end()) == kUnknownKeyTextKey;
        return unknownKey || namesToo ? format : std::u16string();
    };
    // Exactly `size` characters on the heap, so that a write past them is caught.
    auto buffer = std::make_unique<char16_t[]>(size);
    const std::size_t n = keyName(id, buffer.get(), size, lookup);
    if (size == 0) {
        if (n != 0) {
            abort();
        }
        return;
    }
    if (n >= size || buffer[n] != 0) {
        abort();
    }
    const std::u16string whole = keyName(id, lookup, kKeyNameBufferSize + 2048);
    const bool wholeFits = n == whole.size();
    const bool cutAtEnd = n + 1 == size;
    // One place short is right only when the next unit would have been half a pair.
    const bool cutBeforePair =
        n + 2 == size && n < whole.size() && whole[n] >= 0xD800 && whole[n] <= 0xDBFF;
    if (whole.compare(0, n, buffer.get(), n) != 0 || !(wholeFits || cutAtEnd || cutBeforePair)) {
        abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) {
        return 0;
    }
    const auto id = static_cast<KeyId>(data[0] | data[1] << 8);
    const std::size_t bufferSize = data[2] & 0x7F;
    const bool namesToo = (data[2] & 0x80) != 0;
    const std::string_view text(reinterpret_cast<const char*>(data + 3), size - 3);

    checkKeyText(text);
    const std::u16string format = utf8ToUtf16(text);
    checkName(id, bufferSize, format, namesToo);
    checkName(id, kKeyNameBufferSize, format, namesToo);

    const std::u16string formatted = formatWithUnsigned(format, id);
    if (format.find(u'%') == std::u16string::npos && formatted != format) {
        abort();
    }
    return 0;
}
