#include "ui/skin/skin_rect.h"

#include <climits>

namespace quorvane {

namespace {

bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

// One "%d": blanks, an optional sign, at least one digit. nullopt when no number starts here.
std::optional<int> readInt(std::u16string_view text, std::size_t& pos) {
    std::size_t p = pos;
    while (p < text.size() && isBlank(text[p])) {
        ++p;
    }
    bool negative = false;
    if (p < text.size() && (text[p] == u'+' || text[p] == u'-')) {
        negative = text[p] == u'-';
        ++p;
    }
    if (p >= text.size() || text[p] < u'0' || text[p] > u'9') {
        return std::nullopt;
    }
    long long value = 0;
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    while (p < text.size() && text[p] >= u'0' && text[p] <= u'9') {
        if (value < limit) {
            value = value * 10 + (text[p] - u'0');
            if (value > limit) {
                value = limit;
            }
        }
        ++p;
    }
    pos = p;
    return static_cast<int>(negative ? -value : value);
}

}  // namespace

SkinRect parseSkinRect(std::u16string_view text) {
    SkinRect rect;
    int* fields[] = {&rect.x, &rect.y, &rect.w, &rect.h};
    std::size_t pos = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        if (i > 0) {
            if (pos >= text.size() || text[pos] != u',') {
                break;
            }
            ++pos;
        }
        const std::optional<int> value = readInt(text, pos);
        if (!value) {
            break;
        }
        *fields[i] = *value;
    }
    return rect;
}

SkinLayout SkinLayout::load(const std::string& path) {
    SkinLayout layout;
    layout.m_path = path;
    layout.m_doc = IniDocument::load(path);
    return layout;
}

SkinRect SkinLayout::rect(std::u16string_view section, std::u16string_view key) const {
    return parseSkinRect(text(section, key, kMissingSkinRect));
}

std::u16string SkinLayout::text(std::u16string_view section, std::u16string_view key,
                                std::u16string_view fallback, std::size_t bufferSize) const {
    if (!m_doc) {
        return std::u16string(fallback.substr(0, bufferSize > 0 ? bufferSize - 1 : 0));
    }
    return m_doc->read(section, key, fallback, bufferSize);
}

std::vector<std::u16string> SkinLayout::keys(std::u16string_view section) const {
    return m_doc ? m_doc->keys(section) : std::vector<std::u16string>{};
}

SkinRect readSkinRect(const std::string& layoutFile, std::u16string_view section,
                      std::u16string_view key) {
    return parseSkinRect(iniReadString(layoutFile, section, key, kMissingSkinRect));
}

}  // namespace quorvane
