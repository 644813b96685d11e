// The line grammar shared by the INI reader and writer. It runs over UTF-8 bytes
// (char) or UTF-16 units (char16_t) so that a write can splice the file's own
// units and leave every other byte alone.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/platform/utf_text.h"

namespace quorvane::ini_detail {

template <class Ch>
constexpr bool isBlank(Ch c) {
    return c == Ch(' ') || c == Ch('\t') || c == Ch('\r') || c == Ch('\v') || c == Ch('\f');
}

enum class LineKind { Other, Section, Key };

struct Line {
    std::size_t begin = 0;
    std::size_t contentEnd = 0;  // before the line end ("\n", "\r\n" or a lone "\r")
    LineKind kind = LineKind::Other;
    std::size_t nameBegin = 0;  // trimmed section or key name
    std::size_t nameEnd = 0;
    std::size_t valueBegin = 0;  // trimmed value (key lines)
    std::size_t valueEnd = 0;
};

template <class Ch>
Line classifyLine(std::basic_string_view<Ch> text, std::size_t begin, std::size_t contentEnd) {
    Line line;
    line.begin = begin;
    line.contentEnd = contentEnd;
    std::size_t s = begin;
    std::size_t e = contentEnd;
    while (s < e && isBlank(text[s])) {
        ++s;
    }
    while (e > s && isBlank(text[e - 1])) {
        --e;
    }
    if (s == e || text[s] == Ch(';')) {
        return line;
    }
    if (text[s] == Ch('[')) {
        std::size_t close = s + 1;
        while (close < e && text[close] != Ch(']')) {
            ++close;
        }
        if (close == e) {
            return line;  // no closing bracket: not a header
        }
        std::size_t ns = s + 1;
        std::size_t ne = close;
        while (ns < ne && isBlank(text[ns])) {
            ++ns;
        }
        while (ne > ns && isBlank(text[ne - 1])) {
            --ne;
        }
        line.kind = LineKind::Section;
        line.nameBegin = ns;
        line.nameEnd = ne;
        return line;
    }
    std::size_t eq = s;
    while (eq < e && text[eq] != Ch('=')) {
        ++eq;
    }
    if (eq == e) {
        return line;
    }
    std::size_t ke = eq;
    while (ke > s && isBlank(text[ke - 1])) {
        --ke;
    }
    // "=value" is a key whose name is empty, as the platform reads it.
    std::size_t vs = eq + 1;
    while (vs < e && isBlank(text[vs])) {
        ++vs;
    }
    line.kind = LineKind::Key;
    line.nameBegin = s;
    line.nameEnd = ke;
    line.valueBegin = vs < e ? vs : eq + 1;
    line.valueEnd = vs < e ? e : eq + 1;
    return line;
}

// Where the line end that starts at `at` (a "\r" or "\n") stops.
template <class Ch>
std::size_t afterLineEnd(std::basic_string_view<Ch> text, std::size_t at) {
    if (text[at] == Ch('\r') && at + 1 < text.size() && text[at + 1] == Ch('\n')) {
        return at + 2;
    }
    return at + 1;
}

// Calls visit(Line) for every line of `text`. A line ends at LF, CR LF or a
// lone CR, as the platform's reader has it.
template <class Ch, class Visit>
void forEachLine(std::basic_string_view<Ch> text, Visit&& visit) {
    constexpr Ch kEnds[] = {Ch('\r'), Ch('\n')};
    const std::basic_string_view<Ch> ends(kEnds, 2);
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t end = text.find_first_of(ends, begin);
        const std::size_t contentEnd = end == std::basic_string_view<Ch>::npos ? text.size() : end;
        if (!visit(classifyLine(text, begin, contentEnd))) {
            return;
        }
        begin = end == std::basic_string_view<Ch>::npos ? text.size() : afterLineEnd(text, end);
    }
}

inline std::u16string toUtf16(std::string_view units) {
    return utf8ToUtf16(units);
}
inline std::u16string toUtf16(std::u16string_view units) {
    return std::u16string(units);
}

}  // namespace quorvane::ini_detail
