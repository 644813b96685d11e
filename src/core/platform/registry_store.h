// The per-user registry (HKEY_CURRENT_USER): keys holding typed values, kept in
// one UTF-8 file under $XDG_CONFIG_HOME. Every change is a locked
// read-modify-write of the whole file followed by an atomic replace, so two
// processes writing at once both keep their values. Key paths and value names
// are compared without regard to case, as the platform does.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// The platform's value type numbers.
enum class RegType : std::uint32_t { Sz = 1, Dword = 4 };

struct RegValue {
    RegType type = RegType::Sz;
    std::uint32_t dword = 0;  // for Dword
    std::u16string text;      // for Sz
};

class RegistryStore {
  public:
    explicit RegistryStore(std::string filePath);
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;

    // $XDG_CONFIG_HOME/quorvane/registry.reg (fallback ~/.config/...).
    static std::string defaultPath();
    const std::string& path() const { return m_path; }

    bool keyExists(std::u16string_view key) const;
    // Creates the key (and the file and its folder) when missing.
    bool createKey(std::u16string_view key);
    std::optional<RegValue> query(std::u16string_view key, std::u16string_view name) const;
    std::vector<std::u16string> valueNames(std::u16string_view key) const;
    // Writes create the key when needed. False when the file cannot be written or a
    // name holds a control character.
    bool setDword(std::u16string_view key, std::u16string_view name, std::uint32_t value);
    bool setString(std::u16string_view key, std::u16string_view name, std::u16string_view value);
    bool deleteValue(std::u16string_view key, std::u16string_view name);

    struct Value {
        std::u16string name;
        RegValue value;
    };
    struct Key {
        std::u16string path;
        std::vector<Value> values;
        std::vector<std::string> unparsed;  // damaged lines, kept as they were
    };

  private:
    template <class Change>
    bool modify(Change&& change);
    std::vector<Key> snapshot() const;

    std::string m_path;
    mutable std::mutex m_mutex;
    mutable std::vector<Key> m_cache;
    mutable std::string m_cacheStamp;
};

// The file format, exposed for tests: parse is lenient (lines it cannot read are
// kept aside and written back unchanged, comments are dropped), format writes
// what parse reads back.
std::vector<RegistryStore::Key> parseRegistryText(std::string_view text);
std::string formatRegistryText(const std::vector<RegistryStore::Key>& keys);

// An open key: an empty handle makes every read fail and every write vanish.
class RegKey {
  public:
    RegKey() = default;
    // Opens the key, creating it when it does not exist; empty on failure.
    static RegKey openOrCreate(RegistryStore& store, std::u16string_view path);

    bool isOpen() const { return m_store != nullptr; }
    const std::u16string& path() const { return m_path; }
    std::optional<RegValue> queryValue(std::u16string_view name) const;
    bool setDword(std::u16string_view name, std::uint32_t value) const;
    bool setString(std::u16string_view name, std::u16string_view value) const;

  private:
    RegistryStore* m_store = nullptr;
    std::u16string m_path;
};

}  // namespace quorvane
