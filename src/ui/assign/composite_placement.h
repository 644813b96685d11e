// Where the assignment dialog opens: beside the key button that opened it,
// inside the screen's available area.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace quorvane {

// The first of right-below, right-above, left-below, left-above where the
// dialog fits within `screen`; when none does, right-below moved back inside
// the screen. `button` and `screen` are in global coordinates.
QPoint compositeDialogPosition(const QSize& dialog, const QRect& button, const QRect& screen);

}  // namespace quorvane
