// The parts of the keyboard's 44-byte settings block that the tool shows.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/device/command_set.h"

namespace quorvane::cli {

struct SettingsSummary {
    int activeProfile = 0;              // byte 10: 0 to 2, 3 the default mode
    std::uint32_t macroCapacity = 0;    // byte 11 in units of 128 bytes
    std::vector<std::uint8_t> effects;  // the non-zero codes of bytes 12 to 43
};

SettingsSummary summariseSettings(std::span<const std::uint8_t, kSettingsBlockSize> block);

// "1" to "3", "default mode", or "unknown (n)" for a value the keyboard
// should never hold.
std::string profileText(int activeProfile);

}  // namespace quorvane::cli
