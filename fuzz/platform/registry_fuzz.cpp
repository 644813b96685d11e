// The per-user registry file from anywhere. The input is
//   selector byte, "key \x01 name \x01 value" up to the first line break,
//   then the file's bytes.
// Properties: what parse takes in formats into a file that parses to the same
// keys, values and kept lines, and formats again to the same bytes; a value
// set through the store reads back, and everything else in the file, lines the
// parser could not read included, survives the write.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/platform/registry_store.h"
#include "core/platform/utf_text.h"
#include "fuzz_support.h"

namespace {

using namespace quorvane;
using Keys = std::vector<RegistryStore::Key>;

bool sameValue(const RegValue& a, const RegValue& b) {
    return a.type == b.type && (a.type == RegType::Dword ? a.dword == b.dword : a.text == b.text);
}

const RegistryStore::Key* findKey(const Keys& keys, std::u16string_view path) {
    for (const auto& k : keys) {
        if (equalsNoCase(k.path, path)) {
            return &k;
        }
    }
    return nullptr;
}

// A "[]" with nothing under it holds nothing to keep.
bool holdsNothing(const RegistryStore::Key& key) {
    return key.path.empty() && key.values.empty() && key.unparsed.empty();
}

// The same keys, values and kept lines; the order of the keys may differ (the
// lines outside any key come first in a written file).
bool sameKeys(const Keys& a, const Keys& b) {
    auto count = [](const Keys& keys) {
        return std::count_if(keys.begin(), keys.end(),
                             [](const auto& k) { return !holdsNothing(k); });
    };
    if (count(a) != count(b)) {
        return false;
    }
    for (const auto& key : a) {
        if (holdsNothing(key)) {
            continue;
        }
        const RegistryStore::Key* other = findKey(b, key.path);
        if (other == nullptr || other->unparsed != key.unparsed ||
            other->values.size() != key.values.size()) {
            return false;
        }
        for (std::size_t j = 0; j < key.values.size(); ++j) {
            if (other->values[j].name != key.values[j].name ||
                !sameValue(other->values[j].value, key.values[j].value)) {
                return false;
            }
        }
    }
    return true;
}

// Keys and value names are unique without regard to case.
void checkUnique(const Keys& keys) {
    for (std::size_t i = 0; i < keys.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (equalsNoCase(keys[i].path, keys[j].path)) {
                abort();
            }
        }
        const auto& values = keys[i].values;
        for (std::size_t a = 0; a < values.size(); ++a) {
            for (std::size_t b = 0; b < a; ++b) {
                if (equalsNoCase(values[a].name, values[b].name)) {
                    abort();
                }
            }
        }
    }
}

bool validName(std::u16string_view name) {
    for (char16_t c : name) {
        if (c < 0x20) {
            return false;
        }
    }
    return true;
}

void checkRoundTrip(std::string_view file) {
    const Keys keys = parseRegistryText(file);
    checkUnique(keys);
    const std::string text = formatRegistryText(keys);
    const Keys again = parseRegistryText(text);
    if (!sameKeys(keys, again) || formatRegistryText(again) != text) {
        abort();
    }
}

void checkStoreWrite(std::uint8_t selector, std::string_view request, const std::string& file) {
    const std::vector<std::u16string> parts = fuzz::threeParts(request);
    const Keys before = parseRegistryText(file);
    std::u16string key = parts[0];
    std::u16string name = parts[1];
    if ((selector & 0x0F) != 0 && !before.empty()) {
        const auto& k = before[((selector & 0x0F) - 1u) % before.size()];
        key = k.path;
        if ((selector & 0x30) != 0 && !k.values.empty()) {
            name = k.values[(((selector >> 4) & 0x03) - 1u) % k.values.size()].name;
        }
    }
    RegValue value;
    if ((selector & 0x40) != 0) {
        value.type = RegType::Dword;
        for (char16_t c : parts[2]) {
            value.dword = value.dword * 31 + c;
        }
    } else {
        value.text = parts[2];
    }

    const std::string path = fuzz::scratchPath("registry") + ".reg";
    if (!fuzz::writeRaw(path, file)) {
        abort();
    }
    RegistryStore store(path);
    const bool set = value.type == RegType::Dword ? store.setDword(key, name, value.dword)
                                                  : store.setString(key, name, value.text);
    const std::string afterBytes = fuzz::readRaw(path);
    ::unlink(path.c_str());
    ::unlink((path + ".lock").c_str());
    const bool valid = !key.empty() && validName(key) && validName(name);
    if (set != valid) {
        abort();
    }
    if (!set) {
        if (afterBytes != file) {
            abort();
        }
        return;
    }
    const Keys after = parseRegistryText(afterBytes);
    const RegistryStore::Key* target = findKey(after, key);
    if (target == nullptr) {
        abort();
    }
    bool found = false;
    for (const auto& v : target->values) {
        if (equalsNoCase(v.name, name)) {
            found = found || sameValue(v.value, value);
        }
    }
    if (!found) {
        abort();
    }
    for (const auto& k : before) {
        if (holdsNothing(k)) {
            continue;
        }
        const RegistryStore::Key* now = findKey(after, k.path);
        if (now == nullptr || now->unparsed != k.unparsed) {
            abort();
        }
        const bool isTarget = equalsNoCase(k.path, key);
        for (const auto& v : k.values) {
            if (isTarget && equalsNoCase(v.name, name)) {
                continue;
            }
            bool kept = false;
            for (const auto& w : now->values) {
                kept = kept || (equalsNoCase(w.name, v.name) && sameValue(w.value, v.value));
            }
            if (!kept) {
                abort();
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    checkRoundTrip(all);
    if (size == 0) {
        return 0;
    }
    const std::string_view rest = all.substr(1);
    const std::size_t nl = rest.find('\n');
    const std::string file(nl == std::string_view::npos ? std::string_view() : rest.substr(nl + 1));
    checkStoreWrite(data[0], rest.substr(0, nl), file);
    return 0;
}
