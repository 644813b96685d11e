// Just enough JSON for the tool's --json output.
#pragma once

#include <string>
#include <string_view>

namespace quorvane::cli {

// A JSON string literal of UTF-8 text, quotes included.
std::string jsonString(std::string_view text);

}  // namespace quorvane::cli
