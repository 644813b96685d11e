// INI files with the private-profile semantics the program's files rely on:
// section and key names compared without regard to case, the caller's default
// for a missing file, section or key, an empty value read as empty, values
// taken raw (no escapes, commas kept) and cut at the caller's buffer size,
// one value written at a time with the rest of the file kept byte for byte.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// The buffer sizes the program reads with; a value is cut to size - 1 characters.
inline constexpr std::size_t kIniShortBuffer = 260;
inline constexpr std::size_t kIniLongBuffer = 2048;

// Reads `key` of `section`; `fallback` when the file, the section or the key is
// missing. The result holds at most bufferSize - 1 characters.
std::u16string iniReadString(const std::string& path, std::u16string_view section,
                             std::u16string_view key, std::u16string_view fallback,
                             std::size_t bufferSize = kIniShortBuffer);

// Reads an integer the way the platform's profile function does: optional sign,
// decimal digits (or 0x and hex digits) up to the first other character; `fallback`
// when the key is missing; 0 when the value starts with no number.
int iniReadInt(const std::string& path, std::u16string_view section, std::u16string_view key,
               int fallback);

// Writes one value. Creates the file (and the section) when missing; keeps every
// other byte of the file; saves atomically. False when the file cannot be written.
bool iniWriteString(const std::string& path, std::u16string_view section,
                    std::u16string_view key, std::u16string_view value);

// A file parsed once, for readers that look up many keys (skin layouts, language
// files). Same lookup rules as iniReadString.
class IniDocument {
public:
    // nullopt when the file cannot be read.
    static std::optional<IniDocument> load(const std::string& path);
    static IniDocument parse(std::u16string_view text);

    std::optional<std::u16string> value(std::u16string_view section,
                                        std::u16string_view key) const;
    std::u16string read(std::u16string_view section, std::u16string_view key,
                        std::u16string_view fallback,
                        std::size_t bufferSize = kIniShortBuffer) const;
    int readInt(std::u16string_view section, std::u16string_view key, int fallback) const;
    std::vector<std::u16string> keys(std::u16string_view section) const;

private:
    struct Entry {
        std::u16string section;  // folded to lower case
        std::u16string key;      // folded to lower case
        std::u16string value;
    };
    std::vector<Entry> entries_;
};

// UTF-8 <-> UTF-16 for the program's own strings (invalid input is replaced by U+FFFD).
std::u16string utf8ToUtf16(std::string_view text);
std::string utf16ToUtf8(std::u16string_view text);

}  // namespace quorvane
