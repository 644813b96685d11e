// Small pieces the platform fuzz targets share: a scratch file per process and
// the section names an INI text seems to hold.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "core/platform/ini_file.h"
#include "core/platform/utf_text.h"

namespace quorvane::fuzz {

// A file under $TMPDIR (else /tmp) that belongs to this process alone.
// A section (or key path), a name and a value separated by 0x01, each as
// valid UTF-16; missing parts are empty.
inline std::vector<std::u16string> threeParts(std::string_view request) {
    std::vector<std::u16string> parts;
    std::size_t at = 0;
    for (int i = 0; i < 3; ++i) {
        const std::size_t sep = i < 2 ? request.find('\x01', at) : std::string_view::npos;
        const std::size_t end = sep == std::string_view::npos ? request.size() : sep;
        parts.push_back(utf8ToUtf16(at <= request.size() ? request.substr(at, end - at) : ""));
        at = end + 1;
    }
    return parts;
}

inline std::string scratchPath(std::string_view tag) {
    const char* tmp = ::getenv("TMPDIR");
    return std::string(tmp != nullptr ? tmp : "/tmp") + "/quorvane-fuzz-" + std::string(tag) + "-" +
           std::to_string(::getpid());
}

inline bool writeRaw(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

inline std::string readRaw(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Whatever sits between a '[' and the next ']' on a line, kept when the
// document knows a section by that name: the document offers no list of its
// sections, and this finds every one of them, each once (first spelling).
inline std::vector<std::u16string> sectionsOf(const IniDocument& doc, std::u16string_view text) {
    std::vector<std::u16string> out;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t open = text.find(u'[', at);
        if (open == std::u16string_view::npos) {
            break;
        }
        const std::size_t close = text.find_first_of(u"]\r\n", open + 1);
        if (close == std::u16string_view::npos) {
            break;
        }
        at = close + 1;
        if (text[close] != u']') {
            continue;
        }
        const std::u16string_view name = text.substr(open + 1, close - open - 1);
        if (!doc.hasSection(name)) {
            continue;
        }
        bool seen = false;
        for (const auto& s : out) {
            seen = seen || equalsNoCase(s, name);
        }
        if (!seen) {
            out.emplace_back(name);
        }
    }
    return out;
}

}  // namespace quorvane::fuzz
