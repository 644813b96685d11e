// Small line glyphs drawn into buttons and bitmaps.
#pragma once

#include <QColor>
#include <QPainter>
#include <QRectF>
#include <QString>

namespace skingen {

// Known names: help, menu, minimize, close, osk, lock, record, play, gear, keycap,
// left, right, up, down, gather, spread, brush, bucket, check.
void drawGlyph(QPainter& p, const QString& name, const QRectF& box, const QColor& colour);

}  // namespace skingen
