// Keys as the command line writes them ("ESC", "S_7", "0x1E") and as people
// read them (the language texts).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/app/text_lookup.h"
#include "core/config/device_layouts.h"

namespace quorvane::cli {

using KeyCode = std::uint16_t;  // a KeyId

// A text-key suffix in any case, the full text key, or a 0x id of a key the
// key table knows.
std::optional<KeyCode> parseKeyWord(std::string_view text);
// The command-line form: the text suffix, else "0x%03X".
std::string keyWord(KeyCode key);
// The name people read, from the language texts.
std::u16string keyDisplayName(KeyCode key, const TextLookup& texts);
// The name of edit function `index` (0-10).
std::u16string functionDisplayName(std::size_t index, const TextLookup& texts);

// A language text used as a printf-style format with one number.
std::u16string formatNumber(std::u16string_view format, unsigned value);

// What the keyboard can do with a key.
bool sendsKeyboardUsage(KeyCode key);  // a key table slot or macro step can send it as a key
bool playableInMacro(KeyCode key);     // a macro step can carry it

// Media function: its index 0-17, or the key word or display name of a
// MediaList entry (any case).
std::optional<std::size_t> parseMediaWord(std::string_view text, const TextLookup& texts);
inline constexpr std::size_t kMediaFunctions = 18;
inline constexpr std::size_t kEditFunctions = 11;
KeyCode mediaKey(std::size_t index);

// The keys that own a slot of the keyboard's key table, in slot order: the
// keys an assignment can reach.
std::vector<KeyCode> keyboardKeys(const DeviceKeyTable& factoryTable);

}  // namespace quorvane::cli
