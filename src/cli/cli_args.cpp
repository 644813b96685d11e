#include "cli/cli_args.h"
#include "base/hex_text.h"

#include <algorithm>

namespace quorvane::cli {

namespace {

bool listed(std::span<const std::string_view> names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

std::optional<long> parseDecimal(std::string_view text, long low, long high) {
    // Ten digits are more than any range here needs and cannot overflow.
    if (text.empty() || text.size() > 10) {
        return std::nullopt;
    }
    long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    if (value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

std::optional<RgbText> parseColour(std::string_view text) {
    if (text.size() != 6) {
        return std::nullopt;
    }
    std::uint8_t bytes[3] = {};
    for (std::size_t i = 0; i < 3; ++i) {
        const int hi = hexDigitValue(text[2 * i]);
        const int lo = hexDigitValue(text[2 * i + 1]);
        if (hi < 0 || lo < 0) {
            return std::nullopt;
        }
        bytes[i] = static_cast<std::uint8_t>(hi << 4 | lo);
    }
    return RgbText{bytes[0], bytes[1], bytes[2]};
}

std::optional<bool> parseOnOff(std::string_view text) {
    if (text == "on") {
        return true;
    }
    if (text == "off") {
        return false;
    }
    return std::nullopt;
}

bool ParsedOptions::hasFlag(std::string_view name) const {
    return std::find(flags.begin(), flags.end(), name) != flags.end();
}

ParsedOptions parseOptions(std::span<const std::string_view> args,
                           std::span<const std::string_view> valueOptions,
                           std::span<const std::string_view> flagOptions) {
    ParsedOptions parsed;
    bool optionsEnded = false;
    auto seen = [&parsed](std::string_view name) {
        return parsed.hasFlag(name) || std::any_of(parsed.values.begin(), parsed.values.end(),
                                                   [&](const auto& v) { return v.first == name; });
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg.substr(0, 2) != "--") {
            parsed.positionals.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::string_view name = arg.substr(2);
        std::optional<std::string_view> inlineValue;
        if (const auto eq = name.find('='); eq != std::string_view::npos) {
            inlineValue = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        if (seen(name)) {
            parsed.error = "--" + std::string(name) + " given twice";
            return parsed;
        }
        if (listed(flagOptions, name)) {
            if (inlineValue) {
                parsed.error = "--" + std::string(name) + " takes no value";
                return parsed;
            }
            parsed.flags.emplace_back(name);
        } else if (listed(valueOptions, name)) {
            if (inlineValue) {
                parsed.values.emplace_back(name, *inlineValue);
            } else if (i + 1 < args.size()) {
                parsed.values.emplace_back(name, args[++i]);
            } else {
                parsed.error = "--" + std::string(name) + " needs a value";
                return parsed;
            }
        } else {
            parsed.error = "unknown option " + std::string(arg);
            return parsed;
        }
    }
    return parsed;
}

}  // namespace quorvane::cli
