// The mark a skinned control draws around itself while it has the keyboard
// focus: a dark line with a light dotted line inside it, so it shows on the
// dark and the light faces of the skin alike.
#pragma once

#include <QRect>

class QPainter;

namespace quorvane {

void drawFocusMark(QPainter& painter, const QRect& area);

}  // namespace quorvane
