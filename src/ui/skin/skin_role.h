// What a hand-drawn control is to assistive technology and the keyboard.
#pragma once

class QObject;

namespace quorvane {

enum class SkinRole {
    Push,       // a command: pressed by a click, Space or Enter
    Toggle,     // a switch with a checked state (profiles, report rate, lamp)
    Indicator,  // shows a state, takes no input (lock lamps, G-key bank)
    Graphic,    // a picture that only decorates or frames
};

// The accessibility factory for the skinned controls; installing twice is harmless.
void installSkinAccessibility();
// Tells assistive technology that `control`'s checked state changed.
void announceCheckedChange(QObject* control);

}  // namespace quorvane
