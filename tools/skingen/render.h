// Draws the pictures of one dialog: each state picture shows every control in that state.
#pragma once

#include <QImage>

#include "description.h"

namespace skingen {

// `scale` 2 draws the same picture with twice the pixels for dense screens.
QImage renderState(const Dialog& dialog, const QString& state, const QString& variant,
                   int scale = 1);
// The dialog's background: the normal state without the controls of single pages,
// so that a page's hidden buttons leave no trace on the other pages.
QImage renderBackground(const Dialog& dialog, const QString& variant, int scale = 1);
// White outside the window's rounded shape, black inside.
QImage renderMask(const Dialog& dialog);
// A window-sized sheet with one arrow picture in each frame.
QImage renderArrowSheet(const Dialog& dialog, int scale = 1);

}  // namespace skingen
