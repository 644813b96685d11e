// One value written into an INI file from anywhere. The input is
//   selector byte, "section \x01 key \x01 value" up to the first line break,
//   then the file's bytes.
// The selector's low nibble picks a section the file already has (0: the one
// from the input), its next three bits a key of that section, so that short
// inputs reach the replace and insert paths as well as the append path.
// Properties: a refused write leaves the file byte for byte; an accepted one
// reads back as written, and every other section and key reads as before.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/platform/ini_file.h"
#include "core/platform/utf_text.h"
#include "fuzz_support.h"

namespace {

using namespace quorvane;

bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\v' || c == u'\f';
}

std::u16string trimmed(std::u16string_view s) {
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return std::u16string(s);
}

// What a reader sees of a written value: without the blanks around it and
// without one pair of quotes that encloses it whole.
std::u16string asRead(std::u16string_view value) {
    std::u16string v = trimmed(value);
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front()) {
        return v.substr(1, v.size() - 2);
    }
    return v;
}

bool breaksLines(std::u16string_view s) {
    return s.find_first_of(std::u16string_view(u"\r\n\0", 3)) != std::u16string_view::npos;
}

bool acceptable(std::u16string_view section, std::u16string_view key, std::u16string_view value) {
    const std::u16string s = trimmed(section);
    const std::u16string k = trimmed(key);
    return !s.empty() && !k.empty() && !breaksLines(s) && !breaksLines(k) && !breaksLines(value) &&
           s.find(u']') == std::u16string::npos && k.find(u'=') == std::u16string::npos &&
           k.front() != u';' && k.front() != u'[';
}

struct Snapshot {
    struct Section {
        std::u16string name;
        std::vector<std::u16string> keys;
        std::vector<std::u16string> values;
    };
    std::vector<Section> sections;
};

Snapshot snapshot(const IniDocument& doc, std::u16string_view text) {
    Snapshot snap;
    for (std::u16string& name : fuzz::sectionsOf(doc, text)) {
        Snapshot::Section s{std::move(name), {}, {}};
        s.keys = doc.keys(s.name);
        for (const auto& k : s.keys) {
            s.values.push_back(doc.value(s.name, k).value());
        }
        snap.sections.push_back(std::move(s));
    }
    return snap;
}

std::u16string decodeFile(const std::string& bytes) {
    return decodeIniBytes(bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::uint8_t selector = data[0];
    const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::size_t nl = rest.find('\n');
    const std::string_view request = rest.substr(0, nl);
    const std::string file(nl == std::string_view::npos ? std::string_view() : rest.substr(nl + 1));

    // Names and value from the input as valid UTF-16: a name that cannot be
    // written in UTF-8 is no name a caller of ours has.
    const std::vector<std::u16string> parts = fuzz::threeParts(request);

    const std::u16string beforeText = decodeFile(file);
    const IniDocument before = IniDocument::parse(beforeText);
    const Snapshot was = snapshot(before, beforeText);

    std::u16string section = parts[0];
    std::u16string key = parts[1];
    const std::u16string& value = parts[2];
    if ((selector & 0x0F) != 0 && !was.sections.empty()) {
        const auto& s = was.sections[((selector & 0x0F) - 1u) % was.sections.size()];
        section = s.name;
        if ((selector & 0x70) != 0 && !s.keys.empty()) {
            key = s.keys[(((selector >> 4) & 0x07) - 1u) % s.keys.size()];
        }
    }
    if ((selector & 0x80) != 0) {
        section = u" " + foldCase(section) + u"\t";  // names match without case and blanks
    }

    const std::string path = fuzz::scratchPath("ini-write") + ".ini";
    if (!fuzz::writeRaw(path, file)) {
        abort();
    }
    const bool written = iniWriteString(path, section, key, value);
    if (written != acceptable(section, key, value)) {
        abort();
    }
    const std::string afterBytes = fuzz::readRaw(path);
    ::unlink(path.c_str());
    // The write's lock file beside it, so that a replay run leaves nothing behind.
    const std::size_t slash = path.rfind('/') + 1;
    ::unlink((path.substr(0, slash) + "." + path.substr(slash) + ".lock").c_str());
    if (!written) {
        if (afterBytes != file) {
            abort();  // a refused write must leave the file alone
        }
        return 0;
    }

    const std::u16string afterText = decodeFile(afterBytes);
    const IniDocument after = IniDocument::parse(afterText);
    if (after.value(section, key) != asRead(value)) {
        abort();
    }
    const bool newKey = !before.value(section, key).has_value();
    for (const auto& s : was.sections) {
        const bool target = equalsNoCase(trimmed(s.name), trimmed(section));
        std::vector<std::u16string> keys = s.keys;
        if (target && newKey) {
            keys.push_back(trimmed(key));
        }
        if (after.keys(s.name) != keys) {
            abort();
        }
        for (std::size_t i = 0; i < s.keys.size(); ++i) {
            if (!(target && equalsNoCase(s.keys[i], trimmed(key))) &&
                after.value(s.name, s.keys[i]) != s.values[i]) {
                abort();
            }
        }
    }
    // No section comes or goes but the one written to.
    for (const auto& name : fuzz::sectionsOf(after, afterText)) {
        if (!before.hasSection(name) && !equalsNoCase(trimmed(name), trimmed(section))) {
            abort();
        }
    }
    if (!before.hasSection(section) && after.keys(section) != std::vector{trimmed(key)}) {
        abort();
    }
    return 0;
}
