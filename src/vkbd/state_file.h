// The state file: the whole memories as one JSON object of lower-case hex
// strings, so that a demo keyboard keeps its flash between runs.
//   {"settings": "...", "lighting": "...", "colours": "...",
//    "keyTables": "...", "factoryKeyTable": "...", "macroArea": "..."}
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "vkbd/memories.h"

namespace quorvane::vkbd {

std::string encodeState(const Memories& memories);

// Strict: exactly the six keys, each once, in any order, hex strings of the
// exact memory sizes (the macro area's from settings byte 11), JSON whitespace
// between tokens and nothing else. On failure `error` says what is wrong.
std::optional<Memories> decodeState(std::string_view text, std::string& error);

}  // namespace quorvane::vkbd
