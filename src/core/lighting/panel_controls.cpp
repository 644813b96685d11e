#include "core/lighting/panel_controls.h"

#include <algorithm>

namespace quorvane {

namespace {

using namespace panel;

constexpr std::array<int, 3> kAlwaysControls = {kEffectList, kBrightnessLabel, kBrightnessSlider};
constexpr std::array<int, 2> kSpeedControls = {kSpeedLabel, kSpeedSlider};
constexpr std::array<int, 3> kDirectionControls = {kDirectionLabel, kDirectionLeft,
                                                   kDirectionRight};
constexpr std::array<int, 4> kEffectColourControls = {kEffectColourLabel, kEffectColourButton,
                                                      kEffectRandomLabel, kEffectRandomPicture};
constexpr std::array<int, 4> kReactiveControls = {kReactiveColourLabel, kReactiveColourButton,
                                                  kReactiveRandomPicture, kReactiveRandomLabel};
constexpr std::array<int, 4> kColourPictures = {kRedPicture, kYellowPicture, kGreenPicture,
                                                kBluePicture};
constexpr std::array<int, 8> kUserModeControls = {kBrushLabel, kBrushButton, kBaseLabel,
                                                  kBaseButton, kToolLabel,   kToolBrush,
                                                  kToolBase,   kUserSlots};

constexpr std::array<std::uint8_t, 19> kValidEffects = {1,  2,  3,  4,  5,  6,  7,  8,  9, 10,
                                                        11, 12, 13, 14, 15, 16, 17, 18, 20};
constexpr std::array<std::uint8_t, 14> kSpeedEffects = {1, 2,  3,  4,  5,  7,  8,
                                                        9, 10, 11, 12, 13, 14, 15};
constexpr std::array<std::uint8_t, 5> kDirectionEffects = {1, 2, 3, 12, 18};
constexpr std::array<std::uint8_t, 11> kEffectColourEffects = {1, 2, 3, 5, 7, 8, 9, 10, 13, 14, 15};
constexpr std::array<std::uint8_t, 2> kReactiveEffects = {6, 16};
constexpr std::array<std::uint8_t, 1> kColourPictureEffects = {17};
constexpr std::array<std::uint8_t, 1> kUserModeEffects = {20};

const std::array<VisibilityRow, 7> kVisibility = {{
    {kAlwaysControls, kValidEffects},
    {kSpeedControls, kSpeedEffects},
    {kDirectionControls, kDirectionEffects},
    {kEffectColourControls, kEffectColourEffects},
    {kReactiveControls, kReactiveEffects},
    {kColourPictures, kColourPictureEffects},
    {kUserModeControls, kUserModeEffects},
}};

template <class Range, class Value>
bool holds(const Range& range, Value v) {
    return std::find(range.begin(), range.end(), v) != range.end();
}

}  // namespace

std::span<const VisibilityRow> visibilityTable() {
    return kVisibility;
}

bool shownForEffect(int controlId, std::uint8_t effect) {
    // The lamp stays reachable whatever the effect: it is how the panel is left.
    if (controlId == kLampSwitch || controlId == kLampLabel) {
        return true;
    }
    return std::any_of(kVisibility.begin(), kVisibility.end(), [&](const VisibilityRow& row) {
        return holds(row.controls, controlId) && holds(row.effects, effect);
    });
}

bool isValidEffect(std::uint8_t effect) {
    return holds(kValidEffects, effect);
}

DirectionPlacement directionPlacementOf(std::uint8_t effect) {
    if (effect >= 1 && effect <= 3) {
        return {"CONTROL_BLFXStatic2", "CONTROL_BLFXLStaPic2", "CONTROL_BLFXRStaPic2"};
    }
    if (effect == 12) {
        return {"CONTROL_BLFXStatic3", "CONTROL_BLFXLStaPic3", "CONTROL_BLFXRStaPic3"};
    }
    return {"CONTROL_BLFXStatic", "CONTROL_BLFXLStaPic", "CONTROL_BLFXRStaPic"};
}

DirectionPictures directionPicturesOf(std::uint8_t effect, int direction) {
    const bool left = direction == 1;
    if (effect == 18) {
        return {left ? "kuosandown.bmp" : "kuosan.bmp", left ? "julong.bmp" : "julongdown.bmp"};
    }
    if (effect == 12) {
        return {left ? "updown.bmp" : "upup.bmp", left ? "downup.bmp" : "downdown.bmp"};
    }
    return {left ? "leftdown.bmp" : "leftup.bmp", left ? "rightup.bmp" : "rightdown.bmp"};
}

std::string_view colourPicture(int index, bool selected) {
    static constexpr std::array<std::string_view, 4> kPlain = {"hong.bmp", "huang.bmp", "lv.bmp",
                                                               "lan.bmp"};
    static constexpr std::array<std::string_view, 4> kSelected = {"hongok.bmp", "huangok.bmp",
                                                                  "lvok.bmp", "lanok.bmp"};
    const auto i = static_cast<std::size_t>(std::clamp(index, 0, 3));
    return selected ? kSelected[i] : kPlain[i];
}

bool showsPressed(std::string_view picture) {
    // The skin's pressed faces are "...down.bmp" and the chosen colours "...ok.bmp".
    return picture.ends_with("down.bmp") || picture.ends_with("ok.bmp");
}

ToolPictures toolPicturesOf(int tool) {
    return tool == 1 ? ToolPictures{"user1up.bmp", "user2down.bmp"}
                     : ToolPictures{"user1down.bmp", "user2up.bmp"};
}

std::string_view brightnessSliderPicture(int position) {
    static constexpr std::array<std::string_view, 5> kPictures = {"0.bmp", "1.bmp", "2.bmp",
                                                                  "3.bmp", "4.bmp"};
    return kPictures[static_cast<std::size_t>(std::clamp(position, 0, 4))];
}

std::string_view speedSliderPicture(int position) {
    static constexpr std::array<std::string_view, 5> kPictures = {"6.bmp", "7.bmp", "8.bmp",
                                                                  "9.bmp", "10.bmp"};
    return kPictures[static_cast<std::size_t>(std::clamp(position, 0, 4))];
}

}  // namespace quorvane
