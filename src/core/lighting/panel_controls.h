// The lighting panel's controls as data: their ids, which of them each effect
// shows, the skin keys that place the direction controls, and the pictures the
// panel's rules choose. Plain data, usable from any thread.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace quorvane {

namespace panel {

inline constexpr int kLampLabel = 1171;
inline constexpr int kLampSwitch = 1167;
inline constexpr int kEffectList = 1146;
inline constexpr int kBusyPicture = 1177;
inline constexpr int kBrightnessLabel = 1172;
inline constexpr int kBrightnessSlider = 1178;
inline constexpr int kSpeedLabel = 1166;
inline constexpr int kSpeedSlider = 1179;
inline constexpr int kDirectionLabel = 1148;
inline constexpr int kDirectionLeft = 1149;
inline constexpr int kDirectionRight = 1150;
inline constexpr int kEffectColourLabel = 1154;
inline constexpr int kEffectColourButton = 1155;
inline constexpr int kEffectRandomLabel = 1173;
inline constexpr int kEffectRandomPicture = 1156;
inline constexpr int kReactiveColourLabel = 1151;
inline constexpr int kReactiveColourButton = 1152;
inline constexpr int kReactiveRandomLabel = 1176;
inline constexpr int kReactiveRandomPicture = 1175;
inline constexpr int kRedPicture = 1194;
inline constexpr int kYellowPicture = 1195;
inline constexpr int kGreenPicture = 1196;
inline constexpr int kBluePicture = 1197;
inline constexpr int kBrushLabel = 1159;
inline constexpr int kBrushButton = 1160;
inline constexpr int kBaseLabel = 1161;
inline constexpr int kBaseButton = 1162;
inline constexpr int kToolLabel = 1163;
inline constexpr int kToolBrush = 1164;
inline constexpr int kToolBase = 1165;
inline constexpr int kUserSlots = 1198;
inline constexpr int kWorkingLabel = 1209;  // the default mode's notice

// Every control of the panel whose visibility the panel's rules set (the busy
// picture belongs to the busy indicator), including the ones no rule shows.
inline constexpr std::array<int, 46> kPanelControls = {
    1146, 1148, 1149, 1150, 1151, 1152, 1154, 1155, 1156, 1157, 1158, 1159, 1160, 1161, 1162, 1163,
    1164, 1165, 1166, 1167, 1171, 1172, 1173, 1175, 1176, 1178, 1179, 1180, 1181, 1182, 1183, 1184,
    1185, 1186, 1187, 1188, 1189, 1190, 1191, 1192, 1193, 1194, 1195, 1196, 1197, 1198};

}  // namespace panel

// One row of the visibility rule: these controls are shown for these effects.
struct VisibilityRow {
    std::span<const int> controls;
    std::span<const std::uint8_t> effects;
};

// The visibility rule, by effect code; every control of panelControls() not
// named by a row that holds the effect is hidden.
std::span<const VisibilityRow> visibilityTable();

// True when `controlId` is shown for `effect` while the lamp is on.
bool shownForEffect(int controlId, std::uint8_t effect);

// The effect codes the panel knows: 1..18 and 20.
bool isValidEffect(std::uint8_t effect);

// Skin keys for the direction controls (label, left, right) by effect: the
// keys ending in "2" for effects 1..3, in "3" for effect 12, else the plain keys.
struct DirectionPlacement {
    std::string_view label;
    std::string_view left;
    std::string_view right;
};
DirectionPlacement directionPlacementOf(std::uint8_t effect);

// The direction pictures (left, right) for an effect and direction
// (1 = left selected, 0 = right selected): spread/gather for effect 18,
// up/down for effect 12, left/right otherwise.
struct DirectionPictures {
    std::string_view left;
    std::string_view right;
};
DirectionPictures directionPicturesOf(std::uint8_t effect, int direction);

// The lamp switch's picture.
inline constexpr std::string_view lampPicture(bool on) {
    return on ? "dengdown.bmp" : "dengup.bmp";
}
// The two random-colour pictures.
inline constexpr std::string_view randomPicture(bool on) {
    return on ? "sjsdown.bmp" : "sjsup.bmp";
}
// Whether a picture of the panel's switches (lamp, random, directions,
// colours, tools) shows the pressed face: the switch is on or chosen.
bool showsPressed(std::string_view picture);
// The colour picture `index` (0 red .. 3 blue) of effect 17, selected or not.
std::string_view colourPicture(int index, bool selected);
// The two tool pictures (1164, 1165) for tool 0 or 1.
struct ToolPictures {
    std::string_view brush;
    std::string_view base;
};
ToolPictures toolPicturesOf(int tool);
// The whole-slider pictures: brightness position p shows "p.bmp", speed
// position p shows "(6 + p).bmp".
std::string_view brightnessSliderPicture(int position);
std::string_view speedSliderPicture(int position);

}  // namespace quorvane
