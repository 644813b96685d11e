// Program paths and text blocks of ActionProgram / ActionText entries, one
// slot per entry index.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "core/config/config_image.h"

namespace quorvane {

struct TextSlot {
    std::optional<std::u16string> text;  // without the terminator; none = no text
    std::uint32_t byteLength = 0;        // (characters + 1) * 2, or 0 without text

    bool operator==(const TextSlot&) const = default;
};

using TextTable = std::array<TextSlot, kEntryCount>;

constexpr std::uint32_t textByteLength(std::size_t characters) {
    return static_cast<std::uint32_t>((characters + 1) * 2);
}

}  // namespace quorvane
