// What the program last read of the keyboard's lighting and state. Used from
// the main window's thread, except DefaultKeyTable and macroSpace, which the
// arrival worker writes before it hands over with a synchronous message.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/config/default_device_bytes.h"
#include "core/config/device_layouts.h"

namespace quorvane {

inline constexpr int kUserModeCount = 10;

enum UserModeTool : std::uint8_t { kToolFreeColour = 0, kToolBaseColour = 1 };

struct UserModeState {
    int selectedMode = 0;  // 0..9
    std::uint8_t tool = kToolFreeColour;
    Rgb baseColour;
    Rgb freeColour;
};

struct EffectListEntry {
    int displayIndex = 0;
    std::uint8_t effectCode = 0;
};

struct LightingState {
    SettingsBlock settings;
    std::array<LightingRecord, 3> lighting{};            // index = profile
    std::array<ColourBank, kColourBankCount> colours{};  // bank 3 = default mode
    DeviceKeyTable DefaultKeyTable = builtInDefaultKeyTable();
    std::uint32_t macroSpace = 0;  // bytes; 0 until the keyboard reported it
    int activeProfile = -1;        // as the keyboard reports it; -1 unknown or gone
    int currentProfile = 0;        // shown: 0..2, or 3 for the default mode
    std::uint8_t gKeyBank = 0;     // bit 0: bank B selected
    UserModeState userMode;
    std::vector<EffectListEntry> effectList;  // at most 32
};

}  // namespace quorvane
