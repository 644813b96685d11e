#include "cli/settings_summary.h"

#include "core/config/device_layouts.h"

namespace quorvane::cli {

namespace {

constexpr int kDefaultModeProfile = 3;

}  // namespace

SettingsSummary summariseSettings(std::span<const std::uint8_t, kSettingsBlockSize> block) {
    SettingsSummary summary;
    summary.activeProfile = block[SettingsBlock::kActiveProfile];
    summary.macroCapacity = macroSpaceOf(block[SettingsBlock::kMacroCapacity]);
    for (const std::uint8_t code : block.subspan<SettingsBlock::kEffects.offset>()) {
        if (code != 0) {
            summary.effects.push_back(code);
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
