// Small helpers shared by the emulated keyboard's tests.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "vkbd/virtual_keyboard.h"

namespace quorvane::vkbd::test {

// Sends one well-formed request.
inline CommandResult send(VirtualKeyboard& kb, std::uint8_t command, std::uint8_t length,
                          std::uint16_t offset, std::span<const std::uint8_t> payload = {}) {
    const Frame frame = buildRequest(command, length, offset, payload);
    return kb.handleCommand(frame);
}

// Bytes that differ from every factory memory and from each other.
inline std::vector<std::uint8_t> pattern(std::size_t n, std::uint8_t seed) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) {
        v[i] = static_cast<std::uint8_t>(seed + 7 * i + (i >> 8));
    }
    return v;
}

using quorvane::test::TempDir;

}  // namespace quorvane::vkbd::test
