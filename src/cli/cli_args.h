// Strict readers of command-line values: a value is taken whole or refused.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane::cli {

// Decimal digits only (no sign, no spaces), within [low, high].
std::optional<long> parseDecimal(std::string_view text, long low, long high);

struct RgbText {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};
// Exactly six hexadecimal digits, RRGGBB.
std::optional<RgbText> parseColour(std::string_view text);

// "on" or "off".
std::optional<bool> parseOnOff(std::string_view text);

// Options of the form "--name value" or "--name=value" among the arguments,
// the rest kept in order as positionals. Flags take no value.
struct ParsedOptions {
    std::vector<std::pair<std::string, std::string>> values;  // in the order given
    std::vector<std::string> flags;
    std::vector<std::string_view> positionals;
    std::string error;  // set when the arguments cannot be read

    bool hasFlag(std::string_view name) const;
};

// `valueOptions` and `flagOptions` name the options without their dashes.
// An option not listed, a value option without its value or an option given
// twice is an error. A lone "--" ends the options.
ParsedOptions parseOptions(std::span<const std::string_view> args,
                           std::span<const std::string_view> valueOptions,
                           std::span<const std::string_view> flagOptions);

}  // namespace quorvane::cli
