#include "ui/assign/composite_placement.h"

#include <algorithm>

namespace quorvane {

QPoint compositeDialogPosition(const QSize& dialog, const QRect& button, const QRect& screen) {
    // Window rectangles here have exclusive right and bottom edges.
    const int w = dialog.width();
    const int h = dialog.height();
    const int left = button.x();
    const int top = button.y();
    const int right = button.x() + button.width();
    const int bottom = button.y() + button.height();
    const int screenRight = screen.x() + screen.width();
    const int screenBottom = screen.y() + screen.height();
    const bool fitsRight = screenRight - right >= w;
    const bool fitsBelow = screenBottom - bottom >= h;
    const bool fitsLeft = left - screen.x() >= w;
    const bool fitsAbove = top - screen.y() >= h;
    if (fitsRight && fitsBelow) {
        return {right, bottom};
    }
    if (fitsRight && fitsAbove) {
        return {right, top - h};
    }
    if (fitsLeft && fitsBelow) {
        return {left - w, bottom};
    }
    if (fitsLeft && fitsAbove) {
        return {left - w, top - h};
    }
    // None fits: right and below, pushed back inside the screen as far as
    // it goes, so that OK and Cancel can still be reached.
    const int x = std::max(screen.x(), std::min(right, screenRight - w));
    const int y = std::max(screen.y(), std::min(bottom, screenBottom - h));
    return {x, y};
}

}  // namespace quorvane
