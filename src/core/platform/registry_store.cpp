#include "core/platform/registry_store.h"
#include "base/hex_text.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "base/atomic_file.h"
#include "core/platform/utf_text.h"
#include "core/platform/xdg_dirs.h"

namespace quorvane {
namespace {

constexpr const char* kHeader = "; Quorvane per-user registry values. One [key] per block.\n";

std::string quoted(std::u16string_view text) {
    std::string out = "\"";
    for (char c : utf16ToUtf8(text)) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '"':
                out += "\\\"";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\x%02X", static_cast<unsigned char>(c));
                    out += buf;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

// Reads a quoted string at `pos`; advances past it. nullopt when malformed.
std::optional<std::u16string> unquote(std::string_view line, std::size_t& pos) {
    if (pos >= line.size() || line[pos] != '"') {
        return std::nullopt;
    }
    std::string out;
    for (++pos; pos < line.size(); ++pos) {
        char c = line[pos];
        if (c == '"') {
            ++pos;
            return utf8ToUtf16(out);
        }
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++pos >= line.size()) {
            return std::nullopt;
        }
        switch (line[pos]) {
            case '\\':
                out += '\\';
                break;
            case '"':
                out += '"';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 'x': {
                if (pos + 2 >= line.size() || hexDigitValue(line[pos + 1]) < 0 ||
                    hexDigitValue(line[pos + 2]) < 0) {
                    return std::nullopt;
                }
                out += static_cast<char>(hexDigitValue(line[pos + 1]) * 16 +
                                         hexDigitValue(line[pos + 2]));
                pos += 2;
                break;
            }
            default:
                return std::nullopt;
        }
    }
    return std::nullopt;
}

bool validName(std::u16string_view name) {
    for (char16_t c : name) {
        if (c < 0x20) {
            return false;
        }
    }
    return true;
}

RegistryStore::Key* findKey(std::vector<RegistryStore::Key>& keys, std::u16string_view path) {
    for (auto& k : keys) {
        if (equalsNoCase(k.path, path)) {
            return &k;
        }
    }
    return nullptr;
}

RegistryStore::Key& keyFor(std::vector<RegistryStore::Key>& keys, std::u16string_view path) {
    if (auto* k = findKey(keys, path)) {
        return *k;
    }
    keys.push_back({std::u16string(path), {}, {}});
    return keys.back();
}

void setValue(RegistryStore::Key& key, std::u16string_view name, RegValue value) {
    for (auto& v : key.values) {
        if (equalsNoCase(v.name, name)) {
            v.value = std::move(value);
            return;
        }
    }
    key.values.push_back({std::u16string(name), std::move(value)});
}

std::string stampOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return "missing";
    }
    return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino) + ":" +
           std::to_string(st.st_size) + ":" + std::to_string(st.st_mtim.tv_sec) + "." +
           std::to_string(st.st_mtim.tv_nsec);
}

std::vector<RegistryStore::Key> readKeys(const std::string& path) {
    auto bytes = readFileBytes(path);
    if (!bytes) {
        return {};
    }
    return parseRegistryText(
        std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
}

std::string folderOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

}  // namespace

namespace {

std::optional<RegistryStore::Value> parseValueLine(std::string_view line) {
    std::size_t pos = 0;
    auto name = unquote(line, pos);
    if (!name || pos >= line.size() || line[pos] != '=') {
        return std::nullopt;
    }
    ++pos;
    RegValue value;
    if (line.substr(pos, 6) == "dword:") {
        if (line.size() - pos != 14) {
            return std::nullopt;
        }
        std::uint32_t v = 0;
        for (std::size_t i = pos + 6; i < line.size(); ++i) {
            int d = hexDigitValue(line[i]);
            if (d < 0) {
                return std::nullopt;
            }
            v = (v << 4) | static_cast<std::uint32_t>(d);
        }
        value.type = RegType::Dword;
        value.dword = v;
    } else {
        auto text16 = unquote(line, pos);
        if (!text16 || pos != line.size()) {
            return std::nullopt;
        }
        value.type = RegType::Sz;
        value.text = std::move(*text16);
    }
    return RegistryStore::Value{std::move(*name), std::move(value)};
}

}  // namespace

std::vector<RegistryStore::Key> parseRegistryText(std::string_view text) {
    std::vector<RegistryStore::Key> keys;
    std::size_t current = 0;
    bool inKey = false;
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t nl = text.find('\n', begin);
        std::string_view line =
            text.substr(begin, (nl == std::string_view::npos ? text.size() : nl) - begin);
        begin = nl == std::string_view::npos ? text.size() : nl + 1;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.empty() || line.front() == ';') {
            continue;  // blank lines and comments are the file's own layout
        }
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            RegistryStore::Key& key = keyFor(keys, utf8ToUtf16(line.substr(1, line.size() - 2)));
            current = static_cast<std::size_t>(&key - keys.data());
            inKey = true;
            continue;
        }
        auto value = inKey ? parseValueLine(line) : std::nullopt;
        if (value) {
            setValue(keys[current], value->name, std::move(value->value));
        } else {
            // Not ours to understand, but not ours to lose either: written back as read.
            RegistryStore::Key& holder = inKey ? keys[current] : keyFor(keys, u"");
            if (!inKey) {
                current = static_cast<std::size_t>(&holder - keys.data());
            }
            holder.unparsed.emplace_back(line);
        }
    }
    return keys;
}

std::string formatRegistryText(const std::vector<RegistryStore::Key>& keys) {
    auto appendValues = [](std::string& out, const RegistryStore::Key& key) {
        for (const auto& v : key.values) {
            out += quoted(v.name) + "=";
            if (v.value.type == RegType::Dword) {
                char buf[16];
                std::snprintf(buf, sizeof buf, "dword:%08X", v.value.dword);
                out += buf;
            } else {
                out += quoted(v.value.text);
            }
            out += "\n";
        }
    };
    // The parser takes one '\r' off every line; a kept line ending in one gets it back.
    auto appendUnparsed = [](std::string& out, const RegistryStore::Key& key) {
        for (const auto& line : key.unparsed) {
            out += line;
            out += !line.empty() && line.back() == '\r' ? "\r\n" : "\n";
        }
    };
    std::string out = kHeader;
    for (const auto& key : keys) {
        if (key.path.empty()) {
            appendUnparsed(out, key);
            // Values a hand-edited file put under "[]" are kept under it.
            if (!key.values.empty()) {
                out += "\n[]\n";
                appendValues(out, key);
            }
        }
    }
    for (const auto& key : keys) {
        if (key.path.empty()) {
            continue;
        }
        out += "\n[" + utf16ToUtf8(key.path) + "]\n";
        appendValues(out, key);
        appendUnparsed(out, key);
    }
    return out;
}

RegistryStore::RegistryStore(std::string filePath) : m_path(std::move(filePath)) {}

std::string RegistryStore::defaultPath() {
    return configHome() + "/quorvane/registry.reg";
}

std::vector<RegistryStore::Key> RegistryStore::snapshot() const {
    std::lock_guard lock(m_mutex);
    // Re-read only when the file was replaced: lookups are frequent, writes rare.
    std::string stamp = stampOf(m_path);
    if (stamp != m_cacheStamp) {
        m_cache = readKeys(m_path);
        m_cacheStamp = stamp;
    }
    return m_cache;
}

template <class Change>
bool RegistryStore::modify(Change&& change) {
    std::lock_guard lock(m_mutex);
    if (!makeDirectories(folderOf(m_path))) {
        return false;
    }
    FileLock fileLock(m_path + ".lock");
    if (!fileLock.held()) {
        return false;
    }
    auto bytes = readFileBytes(m_path);
    if (!bytes) {
        struct stat st {};
        if (::stat(m_path.c_str(), &st) == 0 || errno != ENOENT) {
            return false;  // there but unreadable: replacing it would lose every value
        }
    }
    std::vector<Key> keys = bytes
                                ? parseRegistryText(std::string_view(
                                      reinterpret_cast<const char*>(bytes->data()), bytes->size()))
                                : std::vector<Key>{};
    change(keys);
    if (!writeFileAtomic(m_path, std::string_view(formatRegistryText(keys)))) {
        return false;
    }
    m_cache = std::move(keys);
    m_cacheStamp = stampOf(m_path);
    return true;
}

bool RegistryStore::keyExists(std::u16string_view key) const {
    auto keys = snapshot();
    return findKey(keys, key) != nullptr;
}

bool RegistryStore::createKey(std::u16string_view key) {
    if (key.empty() || !validName(key)) {
        return false;
    }
    return modify([&](std::vector<Key>& keys) { keyFor(keys, key); });
}

std::optional<RegValue> RegistryStore::query(std::u16string_view key,
                                             std::u16string_view name) const {
    auto keys = snapshot();
    if (auto* k = findKey(keys, key)) {
        for (auto& v : k->values) {
            if (equalsNoCase(v.name, name)) {
                return v.value;
            }
        }
    }
    return std::nullopt;
}

std::vector<std::u16string> RegistryStore::valueNames(std::u16string_view key) const {
    std::vector<std::u16string> out;
    auto keys = snapshot();
    if (auto* k = findKey(keys, key)) {
        for (auto& v : k->values) {
            out.push_back(v.name);
        }
    }
    return out;
}

bool RegistryStore::setDword(std::u16string_view key, std::u16string_view name,
                             std::uint32_t value) {
    if (key.empty() || !validName(key) || !validName(name)) {
        return false;
    }
    return modify([&](std::vector<Key>& keys) {
        setValue(keyFor(keys, key), name, RegValue{RegType::Dword, value, {}});
    });
}

bool RegistryStore::setString(std::u16string_view key, std::u16string_view name,
                              std::u16string_view value) {
    if (key.empty() || !validName(key) || !validName(name)) {
        return false;
    }
    return modify([&](std::vector<Key>& keys) {
        setValue(keyFor(keys, key), name, RegValue{RegType::Sz, 0, std::u16string(value)});
    });
}

bool RegistryStore::deleteValue(std::u16string_view key, std::u16string_view name) {
    bool found = false;
    bool written = modify([&](std::vector<Key>& keys) {
        if (auto* k = findKey(keys, key)) {
            std::erase_if(k->values, [&](const Value& v) {
                bool match = equalsNoCase(v.name, name);
                found = found || match;
                return match;
            });
        }
    });
    return written && found;
}

RegKey RegKey::openOrCreate(RegistryStore& store, std::u16string_view path) {
    RegKey key;
    if (store.keyExists(path) || store.createKey(path)) {
        key.m_store = &store;
        key.m_path = std::u16string(path);
    }
    return key;
}

std::optional<RegValue> RegKey::queryValue(std::u16string_view name) const {
    return m_store != nullptr ? m_store->query(m_path, name) : std::nullopt;
}

bool RegKey::setDword(std::u16string_view name, std::uint32_t value) const {
    return m_store != nullptr && m_store->setDword(m_path, name, value);
}

bool RegKey::setString(std::u16string_view name, std::u16string_view value) const {
    return m_store != nullptr && m_store->setString(m_path, name, value);
}

}  // namespace quorvane
