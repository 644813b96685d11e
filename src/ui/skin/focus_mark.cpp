#include "ui/skin/focus_mark.h"

#include <QPainter>
#include <QPen>

namespace quorvane {

void drawFocusMark(QPainter& painter, const QRect& area) {
    painter.save();
    painter.setBrush(Qt::NoBrush);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(QColor(0x10, 0x12, 0x16), 1));
    painter.drawRect(area.adjusted(0, 0, -1, -1));
    QPen dots(QColor::fromRgb(kFocusMarkRgb), 1);
    dots.setStyle(Qt::DotLine);
    painter.setPen(dots);
    painter.drawRect(area.adjusted(1, 1, -2, -2));
    painter.restore();
}

bool marksFocus(Qt::FocusReason reason) {
    return reason != Qt::MouseFocusReason && reason != Qt::ActiveWindowFocusReason &&
           reason != Qt::PopupFocusReason;
}

}  // namespace quorvane
