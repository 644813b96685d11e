// INI files from anywhere: the byte decoder and the parsed document. Beyond not
// crashing, the decoder must give back what it is handed in any of the three
// encodings it reads, and the document must answer for every key it lists, cut
// values to the caller's buffer, and never list a name the grammar forbids.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/platform/ini_file.h"
#include "core/platform/utf_text.h"
#include "fuzz_support.h"

namespace {

using namespace quorvane;

bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\v' || c == u'\f';
}

bool hasLoneSurrogate(std::u16string_view s) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] >= 0xD800 && s[i] <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
            s[i + 1] <= 0xDFFF) {
            ++i;
        } else if (s[i] >= 0xD800 && s[i] <= 0xDFFF) {
            return true;
        }
    }
    return false;
}

std::string utf16Bytes(std::u16string_view units, bool little) {
    std::string out = little ? "\xFF\xFE" : "\xFE\xFF";
    for (char16_t u : units) {
        const char lo = static_cast<char>(u & 0xFF);
        const char hi = static_cast<char>(u >> 8);
        out.push_back(little ? lo : hi);
        out.push_back(little ? hi : lo);
    }
    return out;
}

void checkDecoder(std::u16string_view text) {
    if (decodeIniBytes(utf16Bytes(text, true)) != text ||
        decodeIniBytes(utf16Bytes(text, false)) != text) {
        abort();
    }
    // UTF-8 with a BOM, so that a text starting with U+FEFF keeps it.
    if (!hasLoneSurrogate(text) && decodeIniBytes("\xEF\xBB\xBF" + utf16ToUtf8(text)) != text) {
        abort();
    }
}

void checkSection(const IniDocument& doc, const std::u16string& section, std::size_t bufferSize) {
    const std::vector<std::u16string> keys = doc.keys(section);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const std::u16string& key = keys[i];
        // The grammar: a key is a trimmed name (empty for "=value") without
        // '=' that does not open a comment or a section header; lines break
        // nowhere in it.
        if (!key.empty() && (isBlank(key.front()) || isBlank(key.back()) || key.front() == u';' ||
                             key.front() == u'[')) {
            abort();
        }
        if (key.find_first_of(u"=\r\n") != std::u16string::npos) {
            abort();
        }
        for (std::size_t j = 0; j < i; ++j) {
            if (equalsNoCase(keys[j], key)) {
                abort();  // listed twice
            }
        }
        const auto value = doc.value(section, key);
        if (!value || value->find_first_of(u"\r\n") != std::u16string::npos) {
            abort();
        }
        // Lookups ignore case and the blanks around the name.
        if (doc.value(foldCase(section), u" \t" + foldCase(key) + u" ") != value) {
            abort();
        }
        const std::u16string cut = doc.read(section, key, u"fallback", bufferSize);
        const std::size_t limit = bufferSize == 0 ? 0 : bufferSize - 1;
        if (cut.size() > limit || value->compare(0, cut.size(), cut) != 0 ||
            (value->size() <= limit && cut != *value) ||
            cut.size() + 1 < std::min(value->size(), limit)) {
            abort();
        }
        (void)doc.readInt(section, key, 7);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::u16string text = decodeIniBytes(bytes);
    checkDecoder(text);

    const IniDocument doc = IniDocument::parse(text);
    const std::size_t bufferSize = size == 0 ? kIniShortBuffer : data[0] % 40;
    for (const std::u16string& section : fuzz::sectionsOf(doc, text)) {
        checkSection(doc, section, bufferSize);
    }
    // A name nobody wrote gives the fallback without its trailing blanks.
    if (!doc.hasSection(u"\x01 none") &&
        doc.read(u"\x01 none", u"k", u"fall back \t", kIniShortBuffer) != u"fall back") {
        abort();
    }
    return 0;
}
