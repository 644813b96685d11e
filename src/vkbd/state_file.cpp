#include "vkbd/state_file.h"
#include "base/hex_text.h"

#include <array>
#include <span>
#include <vector>

namespace quorvane::vkbd {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

void appendHex(std::string& out, std::span<const std::uint8_t> bytes) {
    for (std::uint8_t b : bytes) {
        out.push_back(kHexDigits[b >> 4]);
        out.push_back(kHexDigits[b & 0x0F]);
    }
}

enum Key { kSettings, kLighting, kColours, kKeyTables, kFactory, kMacro, kKeyCount };
constexpr std::array<std::string_view, kKeyCount> kKeyNames = {
    "settings", "lighting", "colours", "keyTables", "factoryKeyTable", "macroArea"};

class Parser {
  public:
    explicit Parser(std::string_view text) : m_text(text) {}

    void skipSpace() {
        while (m_pos < m_text.size() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\t' ||
                                         m_text[m_pos] == '\n' || m_text[m_pos] == '\r')) {
            ++m_pos;
        }
    }
    bool atEnd() const { return m_pos >= m_text.size(); }
    bool take(char c) {
        skipSpace();
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }
    // A string without escapes (none of our keys or values has one).
    std::optional<std::string_view> string() {
        skipSpace();
        if (m_pos >= m_text.size() || m_text[m_pos] != '"') {
            return std::nullopt;
        }
        const std::size_t start = ++m_pos;
        while (m_pos < m_text.size() && m_text[m_pos] != '"') {
            const auto c = static_cast<unsigned char>(m_text[m_pos]);
            if (c == '\\' || c < 0x20) {
                return std::nullopt;
            }
            ++m_pos;
        }
        if (m_pos >= m_text.size()) {
            return std::nullopt;
        }
        return m_text.substr(start, m_pos++ - start);
    }
    std::size_t position() const { return m_pos; }

  private:
    std::string_view m_text;
    std::size_t m_pos = 0;
};

bool decodeHex(std::string_view hex, std::span<std::uint8_t> out) {
    if (hex.size() != 2 * out.size()) {
        return false;
    }
    for (std::size_t i = 0; i < out.size(); ++i) {
        const int hi = hexDigitValue(hex[2 * i]);
        const int lo = hexDigitValue(hex[2 * i + 1]);
        if (hi < 0 || lo < 0) {
            return false;
        }
        out[i] = static_cast<std::uint8_t>(hi << 4 | lo);
    }
    return true;
}

}  // namespace

std::string encodeState(const Memories& m) {
    const std::array<std::span<const std::uint8_t>, kKeyCount> parts = {
        m.settings, m.lighting, m.colours, m.keyTables, m.factoryKeyTable, m.macroArea};
    std::string out = "{\n";
    for (std::size_t k = 0; k < kKeyCount; ++k) {
        out += "  \"";
        out += kKeyNames[k];
        out += "\": \"";
        appendHex(out, parts[k]);
        out += k + 1 < kKeyCount ? "\",\n" : "\"\n";
    }
    out += "}\n";
    return out;
}

std::optional<Memories> decodeState(std::string_view text, std::string& error) {
    Parser p(text);
    std::array<std::optional<std::string_view>, kKeyCount> values;
    auto fail = [&](const std::string& why) {
        error = why + " (at byte " + std::to_string(p.position()) + ")";
        return std::nullopt;
    };
    if (!p.take('{')) {
        return fail("expected '{'");
    }
    if (!p.take('}')) {
        do {
            const auto key = p.string();
            if (!key) {
                return fail("expected a key in double quotes");
            }
            std::size_t k = 0;
            while (k < kKeyCount && kKeyNames[k] != *key) {
                ++k;
            }
            if (k == kKeyCount) {
                return fail("unknown key \"" + std::string(*key) + "\"");
            }
            if (values[k]) {
                return fail("key \"" + std::string(*key) + "\" given twice");
            }
            if (!p.take(':')) {
                return fail("expected ':'");
            }
            values[k] = p.string();
            if (!values[k]) {
                return fail("value of \"" + std::string(*key) + "\" is not a plain string");
            }
        } while (p.take(','));
        if (!p.take('}')) {
            return fail("expected ',' or '}'");
        }
    }
    p.skipSpace();
    if (!p.atEnd()) {
        return fail("unexpected text after the object");
    }
    for (std::size_t k = 0; k < kKeyCount; ++k) {
        if (!values[k]) {
            error = "key \"" + std::string(kKeyNames[k]) + "\" is missing";
            return std::nullopt;
        }
    }

    Memories m;
    auto decode = [&](Key k, std::span<std::uint8_t> out) {
        if (decodeHex(*values[k], out)) {
            return true;
        }
        error = "\"" + std::string(kKeyNames[k]) + "\" must hold " +
                std::to_string(2 * out.size()) + " hex digits (found " +
                std::to_string(values[k]->size()) + " characters)";
        return false;
    };
    if (!decode(kSettings, m.settings)) {
        return std::nullopt;
    }
    m.macroArea.assign(std::size_t{m.settings[kSettingsMacroCapacity]} * kMacroCapacityUnit, 0);
    if (!decode(kLighting, m.lighting) || !decode(kColours, m.colours) ||
        !decode(kKeyTables, m.keyTables) || !decode(kFactory, m.factoryKeyTable) ||
        !decode(kMacro, m.macroArea)) {
        return std::nullopt;
    }
    return m;
}

}  // namespace quorvane::vkbd
