#include "core/keys/key_names.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "core/keys/key_conversions.h"
#include "core/keys/key_lists.h"
#include "core/keys/key_table.h"

namespace quorvane {

namespace {

// A language text is at most 259 characters; wider fields are cut to this.
constexpr unsigned kMaxFieldWidth = 512;

std::u16string lookup(const TextLookup& loadText, std::string_view key) {
    // Text keys are plain ASCII.
    return loadText ? loadText(std::u16string(key.begin(), key.end())) : std::u16string();
}

constexpr char asciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (asciiUpper(a[i]) != asciiUpper(b[i])) {
            return false;
        }
    }
    return true;
}

bool isFlag(char16_t c) {
    return c == u'-' || c == u'+' || c == u' ' || c == u'#' || c == u'0';
}
bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}
bool isLengthModifier(char16_t c) {
    return c == u'h' || c == u'l' || c == u'L' || c == u'j' || c == u'z' || c == u't';
}
bool isIntegerConversion(char16_t c) {
    return c == u'd' || c == u'i' || c == u'u' || c == u'o' || c == u'x' || c == u'X';
}

// Reads a run of digits as a field width or precision, capped.
unsigned readNumber(std::u16string_view s, std::size_t& pos) {
    unsigned n = 0;
    while (pos < s.size() && isDigit(s[pos])) {
        n = std::min(kMaxFieldWidth, n * 10 + static_cast<unsigned>(s[pos] - u'0'));
        ++pos;
    }
    return n;
}

}  // namespace

std::u16string formatWithUnsigned(std::u16string_view format, unsigned value) {
    std::u16string out;
    bool valueUsed = false;
    std::size_t i = 0;
    while (i < format.size()) {
        if (format[i] != u'%') {
            out += format[i++];
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == u'%') {
            out += u'%';
            i += 2;
            continue;
        }
        std::string directive = "%";
        std::size_t pos = i + 1;
        while (pos < format.size() && isFlag(format[pos])) {
            directive += static_cast<char>(format[pos++]);
        }
        if (pos < format.size() && isDigit(format[pos])) {
            directive += std::to_string(readNumber(format, pos));
        }
        if (pos < format.size() && format[pos] == u'.') {
            ++pos;
            directive += '.' + std::to_string(readNumber(format, pos));
        }
        while (pos < format.size() && isLengthModifier(format[pos])) {
            ++pos;
        }
        if (pos < format.size() && !valueUsed && isIntegerConversion(format[pos])) {
            const char conversion = static_cast<char>(format[pos]);
            directive += conversion;
            std::array<char, 2 * kMaxFieldWidth + 64> buffer{};
            const int n =
                (conversion == 'd' || conversion == 'i')
                    ? std::snprintf(buffer.data(), buffer.size(), directive.c_str(),
                                    static_cast<int>(value & 0x7FFFFFFF))
                    : std::snprintf(buffer.data(), buffer.size(), directive.c_str(), value);
            for (int k = 0; k < n && k < static_cast<int>(buffer.size()) - 1; ++k) {
                out += static_cast<char16_t>(static_cast<unsigned char>(buffer[k]));
            }
            valueUsed = true;
            i = pos + 1;
            continue;
        }
        // A conversion that takes no unsigned value (or a second one) stays as written:
        // feeding it the id would print garbage or crash.
        const std::size_t end = pos < format.size() ? pos + 1 : pos;
        out.append(format.substr(i, end - i));
        i = end;
    }
    return out;
}

std::string_view textSuffixOfKey(KeyId id) {
    return KeyTable[rowOfKey(id)].textSuffix;
}

std::string textKeyOfKey(KeyId id) {
    const std::string_view suffix = textSuffixOfKey(id);
    if (suffix.empty()) {
        return {};
    }
    std::string key(kKeyTextPrefix);
    key += suffix;
    return key;
}

std::size_t keyName(KeyId id, char16_t* buffer, std::size_t size, const TextLookup& loadText) {
    if (buffer == nullptr || size == 0) {
        return 0;
    }
    std::u16string text;
    const std::string textKey = textKeyOfKey(id);
    if (!textKey.empty()) {
        text = lookup(loadText, textKey);
    }
    if (text.empty()) {
        text = formatWithUnsigned(lookup(loadText, kUnknownKeyTextKey), id);
    }
    std::size_t n = std::min(text.size(), size - 1);
    // Never leave half of a surrogate pair at the cut.
    if (n > 0 && n < text.size() && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) {
        --n;
    }
    text.copy(buffer, n);
    buffer[n] = 0;
    return n;
}

std::u16string keyName(KeyId id, const TextLookup& loadText, std::size_t size) {
    std::u16string buffer(size, u'\0');
    const std::size_t n = keyName(id, buffer.data(), size, loadText);
    buffer.resize(n);
    return buffer;
}

std::u16string keyNameOfListIndex(KeyListIndex i, const TextLookup& loadText) {
    const KeyId id = keyOfListIndex(i);
    if (id == kNoKey) {
        return {};
    }
    const std::string textKey = textKeyOfKey(id);
    return textKey.empty() ? std::u16string() : lookup(loadText, textKey);
}

std::u16string functionName(std::size_t index, const TextLookup& loadText) {
    if (index >= FunctionList.size()) {
        return {};
    }
    return lookup(loadText, FunctionList[index]);
}

std::optional<KeyId> keyOfTextSuffix(std::string_view suffix) {
    if (suffix.size() > kKeyTextPrefix.size() &&
        equalsIgnoreCase(suffix.substr(0, kKeyTextPrefix.size()), kKeyTextPrefix)) {
        suffix.remove_prefix(kKeyTextPrefix.size());
    }
    if (suffix.empty()) {
        return std::nullopt;
    }
    for (int row = 0; row < kKeyTableRows; ++row) {
        if (equalsIgnoreCase(KeyTable[row].textSuffix, suffix)) {
            return keyOfRow(static_cast<std::uint8_t>(row));
        }
    }
    return std::nullopt;
}

std::optional<KeyId> parseKeyText(std::string_view text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        const std::string_view digits = text.substr(2);
        if (digits.size() > 4) {
            return std::nullopt;
        }
        unsigned value = 0;
        for (const char c : digits) {
            unsigned d = 0;
            if (c >= '0' && c <= '9') {
                d = static_cast<unsigned>(c - '0');
            } else if (asciiUpper(c) >= 'A' && asciiUpper(c) <= 'F') {
                d = static_cast<unsigned>(asciiUpper(c) - 'A' + 10);
            } else {
                return std::nullopt;
            }
            value = value * 16 + d;
        }
        const auto id = static_cast<KeyId>(value);
        if (id == kNoKey || !hasOwnRow(id) || !KeyTable[rowOfKey(id)].populated()) {
            return std::nullopt;
        }
        return id;
    }
    return keyOfTextSuffix(text);
}

std::string keyText(KeyId id) {
    const std::string_view suffix = textSuffixOfKey(id);
    if (!suffix.empty() && hasOwnRow(id) && keyOfTextSuffix(suffix) == id) {
        return std::string(suffix);
    }
    std::array<char, 16> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "0x%03X", static_cast<unsigned>(id));
    return buffer.data();
}

}  // namespace quorvane
