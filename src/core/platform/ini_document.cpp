#include <cstdint>

#include "base/atomic_file.h"
#include "core/platform/ini_file.h"
#include "core/platform/ini_lines.h"

namespace quorvane {
namespace {

using ini_detail::isBlank;

std::u16string trimmed(std::u16string_view s) {
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && isBlank(s[b])) {
        ++b;
    }
    while (e > b && isBlank(s[e - 1])) {
        --e;
    }
    return std::u16string(s.substr(b, e - b));
}

// The platform drops one pair of quotes that encloses the whole value.
std::u16string unquoted(std::u16string_view v) {
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front()) {
        return std::u16string(v.substr(1, v.size() - 2));
    }
    return std::u16string(v);
}

std::u16string cutToBuffer(std::u16string text, std::size_t bufferSize) {
    std::size_t max = bufferSize == 0 ? 0 : bufferSize - 1;
    if (text.size() > max) {
        text.resize(max);
        // Never leave half of a surrogate pair at the end.
        if (!text.empty() && text.back() >= 0xD800 && text.back() <= 0xDBFF) {
            text.pop_back();
        }
    }
    return text;
}

int parseProfileInt(std::u16string_view v) {
    std::size_t i = 0;
    while (i < v.size() && isBlank(v[i])) {
        ++i;
    }
    bool negative = false;
    if (i < v.size() && (v[i] == u'-' || v[i] == u'+')) {
        negative = v[i] == u'-';
        ++i;
    }
    unsigned base = 10;
    if (i + 1 < v.size() && v[i] == u'0' && (v[i + 1] == u'x' || v[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    // Unsigned arithmetic wraps: what is left are the low 32 bits of the number,
    // which is what the platform returns for numbers beyond 32 bits.
    std::uint32_t value = 0;
    for (; i < v.size(); ++i) {
        char16_t c = v[i];
        unsigned digit = 0;
        if (c >= u'0' && c <= u'9') {
            digit = c - u'0';
        } else if (base == 16 && c >= u'a' && c <= u'f') {
            digit = c - u'a' + 10;
        } else if (base == 16 && c >= u'A' && c <= u'F') {
            digit = c - u'A' + 10;
        } else {
            break;
        }
        value = value * base + digit;
    }
    if (negative) {
        value = 0u - value;
    }
    return static_cast<int>(value);
}

}  // namespace

std::u16string decodeIniBytes(std::string_view bytes) {
    auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); };
    if (bytes.size() >= 2 &&
        ((byte(0) == 0xFF && byte(1) == 0xFE) || (byte(0) == 0xFE && byte(1) == 0xFF))) {
        bool little = byte(0) == 0xFF;
        std::u16string units;
        units.reserve(bytes.size() / 2);
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            units.push_back(little ? static_cast<char16_t>(byte(i) | (byte(i + 1) << 8))
                                   : static_cast<char16_t>((byte(i) << 8) | byte(i + 1)));
        }
        return units;
    }
    if (bytes.size() >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF) {
        bytes.remove_prefix(3);
    }
    return utf8ToUtf16(bytes);
}

std::optional<IniDocument> IniDocument::load(const std::string& path) {
    auto bytes = readFileBytes(path);
    if (!bytes) {
        return std::nullopt;
    }
    std::string_view view(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    return parse(decodeIniBytes(view));
}

IniDocument IniDocument::parse(std::u16string_view text) {
    IniDocument doc;
    Section* current = nullptr;
    ini_detail::forEachLine(text, [&](const ini_detail::Line& line) {
        if (line.kind == ini_detail::LineKind::Section) {
            std::u16string name =
                foldCase(text.substr(line.nameBegin, line.nameEnd - line.nameBegin));
            // A repeated section is not looked at: lookups stop at the first one.
            current = nullptr;
            if (doc.findSection(name) == nullptr) {
                doc.m_sections.push_back(Section{std::move(name), {}});
                current = &doc.m_sections.back();
            }
        } else if (line.kind == ini_detail::LineKind::Key && current != nullptr) {
            std::u16string_view key = text.substr(line.nameBegin, line.nameEnd - line.nameBegin);
            current->entries.push_back(
                Entry{foldCase(key), std::u16string(key),
                      unquoted(text.substr(line.valueBegin, line.valueEnd - line.valueBegin))});
        }
        return true;
    });
    return doc;
}

const IniDocument::Section* IniDocument::findSection(std::u16string_view section) const {
    std::u16string folded = foldCase(trimmed(section));
    for (const auto& s : m_sections) {
        if (s.name == folded) {
            return &s;
        }
    }
    return nullptr;
}

bool IniDocument::hasSection(std::u16string_view section) const {
    return findSection(section) != nullptr;
}

std::optional<std::u16string> IniDocument::value(std::u16string_view section,
                                                 std::u16string_view key) const {
    const Section* s = findSection(section);
    if (s == nullptr) {
        return std::nullopt;
    }
    // An empty name finds the key of an "=value" line.
    std::u16string folded = foldCase(trimmed(key));
    for (const auto& e : s->entries) {
        if (e.key == folded) {
            return e.value;
        }
    }
    return std::nullopt;
}

std::u16string IniDocument::read(std::u16string_view section, std::u16string_view key,
                                 std::u16string_view fallback, std::size_t bufferSize) const {
    auto v = value(section, key);
    if (v) {
        return cutToBuffer(std::move(*v), bufferSize);
    }
    // The platform drops trailing blanks of the default.
    std::size_t e = fallback.size();
    while (e > 0 && isBlank(fallback[e - 1])) {
        --e;
    }
    return cutToBuffer(std::u16string(fallback.substr(0, e)), bufferSize);
}

int IniDocument::readInt(std::u16string_view section, std::u16string_view key, int fallback) const {
    auto v = value(section, key);
    if (!v || v->empty()) {
        return fallback;
    }
    return parseProfileInt(*v);
}

std::vector<std::u16string> IniDocument::keys(std::u16string_view section) const {
    std::vector<std::u16string> out;
    const Section* s = findSection(section);
    if (s == nullptr) {
        return out;
    }
    std::vector<const std::u16string*> seen;
    for (const auto& e : s->entries) {
        bool dup = false;
        for (const auto* k : seen) {
            dup = dup || *k == e.key;
        }
        if (!dup) {
            seen.push_back(&e.key);
            out.push_back(e.keyAsWritten);
        }
    }
    return out;
}

std::u16string iniReadString(const std::string& path, std::u16string_view section,
                             std::u16string_view key, std::u16string_view fallback,
                             std::size_t bufferSize) {
    auto doc = IniDocument::load(path);
    return doc ? doc->read(section, key, fallback, bufferSize)
               : IniDocument{}.read(section, key, fallback, bufferSize);
}

int iniReadInt(const std::string& path, std::u16string_view section, std::u16string_view key,
               int fallback) {
    auto doc = IniDocument::load(path);
    return doc ? doc->readInt(section, key, fallback) : fallback;
}

}  // namespace quorvane
