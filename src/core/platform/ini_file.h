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

#include "core/platform/utf_text.h"

namespace quorvane {

// The buffer sizes the program reads with; a value is cut to size - 1 characters.
inline constexpr std::size_t kIniShortBuffer = 260;
inline constexpr std::size_t kIniLongBuffer = 2048;

// Reads `key` of `section`; `fallback` when the file, the section or the key is
// missing. The result holds at most bufferSize - 1 characters. Names and the value
// are taken without the blanks around them; a value wholly enclosed in a pair of
// single or double quotes loses the pair. Only the first section of a name counts.
// A line ends at LF, CR LF or a lone CR; a line "=value" is a key with an empty
// name. Files may be UTF-8 (with or without BOM) or UTF-16 with BOM. A path
// that is not a regular file (FIFO, device, folder) reads as a missing file
// at once, never waiting.
std::u16string iniReadString(const std::string& path, std::u16string_view section,
                             std::u16string_view key, std::u16string_view fallback,
                             std::size_t bufferSize = kIniShortBuffer);

// Reads an integer the way the platform's profile function does: optional sign,
// decimal digits (or 0x and hex digits) up to the first other character; `fallback`
// when the key is missing or its value is empty; 0 when the value starts with no
// number. Of a number beyond 32 bits the low 32 bits are kept ("4294967297"
// reads as 1, "-4294967297" as -1), as the platform keeps them.
int iniReadInt(const std::string& path, std::u16string_view section, std::u16string_view key,
               int fallback);

// Writes one value. Creates the file (and the section) when missing; keeps every
// other byte of the file, its encoding and its line ends; saves atomically. The
// read, change and save hold a lock (the hidden file "." + name + ".lock"
// beside the file), so that writers in several processes lose no update. New
// files are UTF-8 without BOM. False when the file cannot be read or written
// (a read-only file is kept as it is), or when a name or the value would break
// the file's lines (line breaks, NUL, a key with '=' or starting with ';' or
// '[', a section with ']', an empty name).
bool iniWriteString(const std::string& path, std::u16string_view section, std::u16string_view key,
                    std::u16string_view value);

// The lock file iniWriteString holds while it writes `path`; take it (with
// FileLock) to replace the file whole without losing a concurrent write.
std::string iniLockPath(const std::string& path);

// A file parsed once, for readers that look up many keys (skin layouts, language
// files). Same lookup rules as iniReadString.
class IniDocument {
  public:
    // nullopt when the file cannot be read.
    static std::optional<IniDocument> load(const std::string& path);
    static IniDocument parse(std::u16string_view text);

    std::optional<std::u16string> value(std::u16string_view section, std::u16string_view key) const;
    std::u16string read(std::u16string_view section, std::u16string_view key,
                        std::u16string_view fallback,
                        std::size_t bufferSize = kIniShortBuffer) const;
    int readInt(std::u16string_view section, std::u16string_view key, int fallback) const;
    // The keys of the section as written in the file, in file order, each once.
    std::vector<std::u16string> keys(std::u16string_view section) const;
    bool hasSection(std::u16string_view section) const;

  private:
    struct Entry {
        std::u16string key;  // folded to lower case
        std::u16string keyAsWritten;
        std::u16string value;
    };
    struct Section {
        std::u16string name;  // folded to lower case
        std::vector<Entry> entries;
    };
    const Section* findSection(std::u16string_view section) const;
    std::vector<Section> m_sections;
};

// Decodes a file's bytes: UTF-16 with a BOM (either order), else UTF-8 with or
// without BOM.
std::u16string decodeIniBytes(std::string_view bytes);

}  // namespace quorvane
