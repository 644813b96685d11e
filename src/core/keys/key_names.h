// Display names of keys and functions, and the text forms of keys that the
// command-line tool accepts.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/app/text_lookup.h"
#include "core/keys/key_id.h"

namespace quorvane {

// Language-text key whose text formats the name of a key without one; the id
// is its single unsigned argument.
inline constexpr std::string_view kUnknownKeyTextKey = "Unknown Key: %03x";

// Buffer size, terminator included, that every caller of keyName passes.
inline constexpr std::size_t kKeyNameBufferSize = 260;

// Writes the name of the key into buffer[0 .. size-1], cut to size - 1
// characters and terminated. Returns the number of characters written without
// the terminator; a size of 0 writes nothing.
std::size_t keyName(KeyId id, char16_t* buffer, std::size_t size, const TextLookup& loadText);

// The same name as a string, cut as for a buffer of `size` characters.
std::u16string keyName(KeyId id, const TextLookup& loadText, std::size_t size = kKeyNameBufferSize);

// The name of the key at picker position i; empty when no key sits there.
std::u16string keyNameOfListIndex(KeyListIndex i, const TextLookup& loadText);

// The name of edit function `index` of FunctionList; empty outside 0-10.
std::u16string functionName(std::size_t index, const TextLookup& loadText);

// Applies a language text used as a printf-style format to one unsigned value.
// Only integer conversions (d i u o x X, with flags, width and precision) take
// the value, and only the first one; any other conversion is copied as it stands.
std::u16string formatWithUnsigned(std::u16string_view format, unsigned value);

// The language-text key of the key's name ("IDS_KEYBOARD_ESC"); empty when none.
std::string textKeyOfKey(KeyId id);

// The part of the name's text key after "IDS_KEYBOARD_" ("ESC", "S_7"); empty
// when the key has no name.
std::string_view textSuffixOfKey(KeyId id);

// The key whose text suffix is `suffix`, in any case; the full text key is
// accepted too. Right Shift, named twice, is 0x36.
std::optional<KeyId> keyOfTextSuffix(std::string_view suffix);

// Command-line form of a key: a text suffix as above, or a hexadecimal id with
// a 0x prefix ("0x1E") that names a populated row.
std::optional<KeyId> parseKeyText(std::string_view text);

// The command-line form of a key: its text suffix, else "0x%03X".
std::string keyText(KeyId id);

}  // namespace quorvane
