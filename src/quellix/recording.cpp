#include "quellix/recording.h"
#include "base/hex_text.h"

#include <charconv>
#include <map>

namespace quorvane::quellix {
namespace {

// Just enough JSON for our own lines: objects, arrays, strings without
// escapes beyond \" and \\, and unsigned integers.
struct Value {
    enum class Kind { Null, Number, String, Array, Object } kind = Kind::Null;
    std::uint64_t number = 0;
    std::string text;
    std::vector<Value> items;
    std::map<std::string, Value, std::less<>> fields;
};

class Reader {
  public:
    explicit Reader(std::string_view text) : m_text(text) {}

    bool document(Value& out) {
        if (!value(out, 0)) {
            return false;
        }
        skipSpace();
        return m_pos == m_text.size();
    }

  private:
    static constexpr int kMaxDepth = 8;

    void skipSpace() {
        while (m_pos < m_text.size() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\t' ||
                                         m_text[m_pos] == '\r' || m_text[m_pos] == '\n')) {
            ++m_pos;
        }
    }
    bool eat(char c) {
        skipSpace();
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }
    bool string(std::string& out) {
        if (!eat('"')) {
            return false;
        }
        out.clear();
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos++];
            if (c == '"') {
                return true;
            }
            if (c == '\\') {
                if (m_pos == m_text.size()) {
                    return false;
                }
                const char e = m_text[m_pos++];
                if (e != '"' && e != '\\' && e != '/') {
                    return false;
                }
                out.push_back(e);
            } else {
                out.push_back(c);
            }
        }
        return false;
    }
    bool value(Value& out, int depth) {
        if (depth > kMaxDepth) {
            return false;
        }
        skipSpace();
        if (m_pos >= m_text.size()) {
            return false;
        }
        const char c = m_text[m_pos];
        if (c == '"') {
            out.kind = Value::Kind::String;
            return string(out.text);
        }
        if (c >= '0' && c <= '9') {
            out.kind = Value::Kind::Number;
            const char* begin = m_text.data() + m_pos;
            const char* end = m_text.data() + m_text.size();
            const auto [next, ec] = std::from_chars(begin, end, out.number);
            if (ec != std::errc{}) {
                return false;
            }
            m_pos += static_cast<std::size_t>(next - begin);
            return true;
        }
        if (c == '[') {
            ++m_pos;
            out.kind = Value::Kind::Array;
            if (eat(']')) {
                return true;
            }
            do {
                out.items.emplace_back();
                if (!value(out.items.back(), depth + 1)) {
                    return false;
                }
            } while (eat(','));
            return eat(']');
        }
        if (c == '{') {
            ++m_pos;
            out.kind = Value::Kind::Object;
            if (eat('}')) {
                return true;
            }
            do {
                std::string key;
                if (!string(key) || !eat(':')) {
                    return false;
                }
                Value field;
                if (!value(field, depth + 1)) {
                    return false;
                }
                if (!out.fields.emplace(std::move(key), std::move(field)).second) {
                    return false;  // a key twice
                }
            } while (eat(','));
            return eat('}');
        }
        return false;
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
};

const Value* field(const Value& object, std::string_view key, Value::Kind kind) {
    const auto it = object.fields.find(key);
    if (it == object.fields.end() || it->second.kind != kind) {
        return nullptr;
    }
    return &it->second;
}

bool hexU16(const std::string& text, std::uint16_t& out) {
    std::vector<std::uint8_t> bytes;
    if (text.size() != 4 || !fromHex(text, bytes)) {
        return false;
    }
    out = static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]);
    return true;
}

std::string hexU16(std::uint16_t value) {
    const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(value >> 8),
                                   static_cast<std::uint8_t>(value)};
    return toHex(bytes, 2);
}

bool parseKeyboard(const Value& value, Keyboard& out) {
    if (value.kind != Value::Kind::Object) {
        return false;
    }
    const Value* key = field(value, "key", Value::Kind::String);
    const Value* vid = field(value, "vid", Value::Kind::String);
    const Value* pid = field(value, "pid", Value::Kind::String);
    const Value* collections = field(value, "collections", Value::Kind::Array);
    if (key == nullptr || vid == nullptr || pid == nullptr || collections == nullptr ||
        !hexU16(vid->text, out.vendorId) || !hexU16(pid->text, out.productId)) {
        return false;
    }
    out.key = key->text;
    for (const Value& item : collections->items) {
        CollectionId id;
        if (item.kind != Value::Kind::String || !parseCollectionName(item.text, id)) {
            return false;
        }
        out.collections.push_back(id);
    }
    return true;
}

void appendQuoted(std::string& out, const std::string& text) {
    out.push_back('"');
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out.push_back('\\');
        }
        out.push_back(c);
    }
    out.push_back('"');
}

}  // namespace

std::string toHex(const std::uint8_t* bytes, std::size_t size) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        out.push_back(kDigits[bytes[i] >> 4]);
        out.push_back(kDigits[bytes[i] & 0xF]);
    }
    return out;
}

bool fromHex(std::string_view text, std::vector<std::uint8_t>& out) {
    if (text.size() % 2 != 0) {
        return false;
    }
    out.clear();
    out.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = hexDigitValue(text[i]);
        const int low = hexDigitValue(text[i + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        out.push_back(static_cast<std::uint8_t>((high << 4) | low));
    }
    return true;
}

std::string formatEntry(const RecordEntry& entry) {
    std::string line = "{\"v\":" + std::to_string(kRecordingVersion) +
                       ",\"t_us\":" + std::to_string(entry.timeUs) + ",\"dir\":";
    if (entry.direction == RecordEntry::Direction::Presence) {
        line +=
            "\"presence\",\"count\":" + std::to_string(entry.keyboards.size()) + ",\"keyboards\":[";
        for (std::size_t k = 0; k < entry.keyboards.size(); ++k) {
            const Keyboard& keyboard = entry.keyboards[k];
            line += k == 0 ? "{\"key\":" : ",{\"key\":";
            appendQuoted(line, keyboard.key);
            line += ",\"vid\":\"" + hexU16(keyboard.vendorId) + "\",\"pid\":\"" +
                    hexU16(keyboard.productId) + "\",\"collections\":[";
            for (std::size_t c = 0; c < keyboard.collections.size(); ++c) {
                line += c == 0 ? "\"" : ",\"";
                line += collectionName(keyboard.collections[c]) + "\"";
            }
            line += "]}";
        }
        line += "]}";
        return line;
    }
    line += entry.direction == RecordEntry::Direction::Out ? "\"out\"" : "\"in\"";
    line += ",\"collection\":\"" + collectionName(entry.collection) + "\",\"bytes\":\"" +
            toHex(entry.bytes.data(), entry.bytes.size()) + "\"";
    if (entry.direction == RecordEntry::Direction::In) {
        line += entry.numbered ? ",\"numbered\":1" : ",\"numbered\":0";
    }
    line += "}";
    return line;
}

bool parseEntry(std::string_view line, RecordEntry& entry, std::string& error) {
    Value root;
    if (!Reader(line).document(root) || root.kind != Value::Kind::Object) {
        error = "not a JSON object";
        return false;
    }
    const Value* version = field(root, "v", Value::Kind::Number);
    if (version == nullptr) {
        error = "no version";
        return false;
    }
    if (version->number != kRecordingVersion) {
        error = "unsupported version " + std::to_string(version->number);
        return false;
    }
    const Value* time = field(root, "t_us", Value::Kind::Number);
    const Value* direction = field(root, "dir", Value::Kind::String);
    if (time == nullptr || direction == nullptr) {
        error = "no time or direction";
        return false;
    }
    entry = RecordEntry{};
    entry.timeUs = time->number;
    if (direction->text == "presence") {
        entry.direction = RecordEntry::Direction::Presence;
        const Value* keyboards = field(root, "keyboards", Value::Kind::Array);
        if (keyboards == nullptr) {
            error = "presence without keyboards";
            return false;
        }
        for (const Value& item : keyboards->items) {
            Keyboard keyboard;
            if (!parseKeyboard(item, keyboard)) {
                error = "bad keyboard in presence";
                return false;
            }
            entry.keyboards.push_back(std::move(keyboard));
        }
        return true;
    }
    if (direction->text == "out") {
        entry.direction = RecordEntry::Direction::Out;
    } else if (direction->text == "in") {
        entry.direction = RecordEntry::Direction::In;
    } else {
        error = "unknown direction \"" + direction->text + "\"";
        return false;
    }
    const Value* collection = field(root, "collection", Value::Kind::String);
    const Value* bytes = field(root, "bytes", Value::Kind::String);
    if (collection == nullptr || !parseCollectionName(collection->text, entry.collection)) {
        error = "bad collection";
        return false;
    }
    if (bytes == nullptr || !fromHex(bytes->text, entry.bytes) || entry.bytes.empty()) {
        error = "bad bytes";
        return false;
    }
    if (const Value* numbered = field(root, "numbered", Value::Kind::Number)) {
        entry.numbered = numbered->number != 0;
    }
    return true;
}

}  // namespace quorvane::quellix
