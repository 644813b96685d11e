// The mark a skinned control draws around itself while it has the keyboard
// focus: a dark line with a light dotted line inside it, so it shows on the
// dark and the light faces of the skin alike.
#pragma once

#include <QRect>
#include <Qt>

class QPainter;

namespace quorvane {

// The mark's light colour; the style sheets of the fields and lists give their
// focused border the same (#ffe060).
inline constexpr unsigned kFocusMarkRgb = 0xFFE060;

void drawFocusMark(QPainter& painter, const QRect& area);

// Whether focus that came for `reason` is marked: the keyboard's moves are,
// the mouse's and a window's activation (the first control of a window just
// shown, say) are not.
bool marksFocus(Qt::FocusReason reason);

}  // namespace quorvane
