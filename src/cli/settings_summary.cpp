#include "cli/settings_summary.h"

namespace quorvane::cli {

namespace {

constexpr std::size_t kActiveProfileByte = 10;
constexpr std::size_t kMacroCapacityByte = 11;
constexpr std::size_t kFirstEffectByte = 12;
constexpr std::uint32_t kMacroCapacityUnit = 128;
constexpr int kDefaultModeProfile = 3;

}  // namespace

SettingsSummary summariseSettings(std::span<const std::uint8_t, kSettingsBlockSize> block) {
    SettingsSummary summary;
    summary.activeProfile = block[kActiveProfileByte];
    summary.macroCapacity = block[kMacroCapacityByte] * kMacroCapacityUnit;
    for (std::size_t i = kFirstEffectByte; i < kSettingsBlockSize; ++i) {
        if (block[i] != 0) {
            summary.effects.push_back(block[i]);
        }
    }
    return summary;
}

std::string profileText(int activeProfile) {
    if (activeProfile >= 0 && activeProfile < kDefaultModeProfile) {
        return std::to_string(activeProfile + 1);
    }
    if (activeProfile == kDefaultModeProfile) {
        return "default mode";
    }
    return "unknown (" + std::to_string(activeProfile) + ")";
}

}  // namespace quorvane::cli
