// The panel's switch pictures tell whether the switch is on or chosen: what a
// screen reader hears as the switch's checked state.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/lighting/panel_controls.h"

namespace quorvane {
namespace {

TEST(PanelPicturesTest, ThePressedFaceIsTheOnOrChosenOne) {
    struct Case {
        std::string_view picture;
        bool pressed;
        std::string what;
    };
    std::vector<Case> cases = {{lampPicture(true), true, "lamp on"},
                               {lampPicture(false), false, "lamp off"},
                               {randomPicture(true), true, "random on"},
                               {randomPicture(false), false, "random off"}};
    for (const std::uint8_t effect : {1, 4, 12, 18}) {
        for (const int direction : {1, 2}) {
            const DirectionPictures p = directionPicturesOf(effect, direction);
            const std::string what =
                "effect " + std::to_string(effect) + " direction " + std::to_string(direction);
            cases.push_back({p.left, direction == 1, what + " left"});
            cases.push_back({p.right, direction != 1, what + " right"});
        }
    }
    for (int colour = 0; colour < 4; ++colour) {
        cases.push_back({colourPicture(colour, true), true, "colour chosen"});
        cases.push_back({colourPicture(colour, false), false, "colour not chosen"});
    }
    for (const int tool : {0, 1}) {
        const ToolPictures p = toolPicturesOf(tool);
        cases.push_back({p.brush, tool == 0, "tool " + std::to_string(tool) + " brush"});
        cases.push_back({p.base, tool == 1, "tool " + std::to_string(tool) + " base"});
    }
    for (const Case& c : cases) {
        EXPECT_EQ(showsPressed(c.picture), c.pressed) << c.what << ": " << c.picture;
    }
}

}  // namespace
}  // namespace quorvane
