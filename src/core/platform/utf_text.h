// UTF-8 <-> UTF-16 for the program's own strings. Invalid input (stray
// continuation bytes, overlong forms, lone surrogates) becomes U+FFFD, so a
// damaged file still reads line by line.
#pragma once

#include <string>
#include <string_view>

namespace quorvane {

std::u16string utf8ToUtf16(std::string_view text);
std::string utf16ToUtf8(std::u16string_view text);

// Case folding for names that the platform compares without regard to case
// (INI sections and keys, registry names, executable names). Covers ASCII,
// Latin-1, Greek and Cyrillic, which is every letter our files use.
char16_t foldCase(char16_t c);
std::u16string foldCase(std::u16string_view text);
bool equalsNoCase(std::u16string_view a, std::u16string_view b);

}  // namespace quorvane
