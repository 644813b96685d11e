#include <sys/stat.h>

#include <cerrno>
#include <cstdint>

#include "base/atomic_file.h"
#include "core/platform/ini_file.h"
#include "core/platform/ini_lines.h"

namespace quorvane {
namespace {

using ini_detail::isBlank;

std::u16string_view trimmedView(std::u16string_view s) {
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

bool hasLineBreakOrNul(std::u16string_view s) {
    return s.find_first_of(std::u16string_view(u"\r\n\0", 3)) != std::u16string_view::npos;
}

// Where the value goes in the file's own units.
struct Spot {
    bool sectionFound = false;
    bool keyFound = false;
    std::size_t insertAt = 0;  // end of the section's last key line (or of its header)
    std::size_t valueBegin = 0;
    std::size_t valueEnd = 0;
};

template <class Ch>
Spot locate(std::basic_string_view<Ch> text, std::u16string_view section, std::u16string_view key) {
    Spot spot;
    bool inside = false;
    ini_detail::forEachLine(text, [&](const ini_detail::Line& line) {
        auto name = [&] {
            return ini_detail::toUtf16(text.substr(line.nameBegin, line.nameEnd - line.nameBegin));
        };
        if (line.kind == ini_detail::LineKind::Section) {
            if (inside) {
                return false;  // only the first section of the name counts
            }
            if (equalsNoCase(name(), section)) {
                inside = true;
                spot.sectionFound = true;
                spot.insertAt = line.contentEnd;
            }
        } else if (line.kind == ini_detail::LineKind::Key && inside) {
            spot.insertAt = line.contentEnd;
            if (equalsNoCase(name(), key)) {
                spot.keyFound = true;
                spot.valueBegin = line.valueBegin;
                spot.valueEnd = line.valueEnd;
                return false;
            }
        }
        return true;
    });
    return spot;
}

// The file's own line end (its first one): LF, CR LF or a lone CR.
template <class Ch>
std::basic_string<Ch> lineEndOf(std::basic_string_view<Ch> text) {
    constexpr Ch kEnds[] = {Ch('\r'), Ch('\n')};
    const std::size_t at = text.find_first_of(std::basic_string_view<Ch>(kEnds, 2));
    if (at == std::basic_string_view<Ch>::npos) {
        return {Ch('\n')};
    }
    return std::basic_string<Ch>(text.substr(at, ini_detail::afterLineEnd(text, at) - at));
}

template <class Ch>
std::basic_string<Ch> encode(std::u16string_view s);

template <>
std::string encode<char>(std::u16string_view s) {
    return utf16ToUtf8(s);
}

template <>
std::u16string encode<char16_t>(std::u16string_view s) {
    return std::u16string(s);
}

template <class Ch>
void splice(std::basic_string<Ch>& text, std::u16string_view section, std::u16string_view key,
            std::u16string_view value) {
    std::basic_string_view<Ch> view(text);
    Spot spot = locate(view, section, key);
    std::basic_string<Ch> eol = lineEndOf(view);
    if (spot.keyFound) {
        text.replace(spot.valueBegin, spot.valueEnd - spot.valueBegin, encode<Ch>(value));
        return;
    }
    std::basic_string<Ch> entry = encode<Ch>(key) + Ch('=') + encode<Ch>(value);
    if (spot.sectionFound) {
        // Before the line end of the section's last key, so the section's own
        // line end (or its absence at the end of the file) stays where it was.
        text.insert(spot.insertAt, eol + entry);
        return;
    }
    if (!text.empty() && text.back() != Ch('\n') && text.back() != Ch('\r')) {
        text += eol;
    }
    text += Ch('[') + encode<Ch>(section) + Ch(']') + eol + entry + eol;
}

}  // namespace

std::string iniLockPath(const std::string& path) {
    // Hidden: these files live in a folder the user looks into.
    const auto slash = path.find_last_of('/');
    const std::size_t name = slash == std::string::npos ? 0 : slash + 1;
    return path.substr(0, name) + "." + path.substr(name) + ".lock";
}

bool iniWriteString(const std::string& path, std::u16string_view section, std::u16string_view key,
                    std::u16string_view value) {
    section = trimmedView(section);
    key = trimmedView(key);
    if (section.empty() || key.empty() || hasLineBreakOrNul(section) || hasLineBreakOrNul(key) ||
        hasLineBreakOrNul(value) || section.find(u']') != std::u16string_view::npos ||
        key.find(u'=') != std::u16string_view::npos || key.front() == u';' || key.front() == u'[') {
        return false;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        return false;  // refused before a lock file is made beside it
    }
    // Read, change and replace under one lock, so that two processes writing
    // the same file each keep their value.
    const FileLock lock(iniLockPath(path));
    if (!lock.held()) {
        return false;
    }
    std::string bytes;
    if (auto loaded = readFileBytes(path)) {
        bytes.assign(loaded->begin(), loaded->end());
    } else {
        if (::stat(path.c_str(), &st) == 0 || errno != ENOENT) {
            return false;  // there but unreadable: never replace what we could not read
        }
    }
    auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); };
    bool utf16 = bytes.size() >= 2 &&
                 ((byte(0) == 0xFF && byte(1) == 0xFE) || (byte(0) == 0xFE && byte(1) == 0xFF));
    std::string out;
    if (utf16) {
        bool little = byte(0) == 0xFF;
        std::u16string units;
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            units.push_back(little ? static_cast<char16_t>(byte(i) | (byte(i + 1) << 8))
                                   : static_cast<char16_t>((byte(i) << 8) | byte(i + 1)));
        }
        splice(units, section, key, value);
        out = bytes.substr(0, 2);
        for (char16_t u : units) {
            char lo = static_cast<char>(u & 0xFF);
            char hi = static_cast<char>(u >> 8);
            out.push_back(little ? lo : hi);
            out.push_back(little ? hi : lo);
        }
        if (bytes.size() % 2 != 0) {
            out.push_back(bytes.back());  // a stray last byte is kept as it was
        }
    } else {
        std::size_t bom =
            (bytes.size() >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF) ? 3 : 0;
        std::string body = bytes.substr(bom);
        splice(body, section, key, value);
        out = bytes.substr(0, bom) + body;
    }
    return writeFileAtomic(path, std::string_view(out));
}

}  // namespace quorvane
