// The mark a skinned control draws around itself while it has the keyboard
// focus: a dark line with a light dotted line inside it, so it shows on the
// dark and the light faces of the skin alike.
#pragma once

#include <QRect>

class QPainter;

namespace quorvane {

// The mark's light colour; the style sheets of the fields and lists give their
// focused border the same (#ffe060).
inline constexpr unsigned kFocusMarkRgb = 0xFFE060;

void drawFocusMark(QPainter& painter, const QRect& area);

}  // namespace quorvane
