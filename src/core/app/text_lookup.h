// How the core asks for a language text: LoadText(key, GetLanguageIndex())
// of the chosen language, or a fake in tests.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace quorvane {

using TextLookup = std::function<std::u16string(std::u16string_view key)>;

}  // namespace quorvane
