#include "glyphs.h"

#include <QPainterPath>

#include <cmath>

#include "style.h"

namespace skingen {

namespace {

void arrow(QPainter& p, const QRectF& b, qreal angleDegrees, qreal w) {
    p.save();
    p.translate(b.center());
    p.rotate(angleDegrees);
    const qreal s = std::min(b.width(), b.height()) / 2;
    p.drawLine(QPointF(-s * 0.8, 0), QPointF(s * 0.8, 0));
    p.drawLine(QPointF(s * 0.8, 0), QPointF(s * 0.25, -s * 0.5));
    p.drawLine(QPointF(s * 0.8, 0), QPointF(s * 0.25, s * 0.5));
    p.restore();
    (void)w;
}

}  // namespace

void drawGlyph(QPainter& p, const QString& name, const QRectF& b, const QColor& colour) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = std::max(1.5, std::min(b.width(), b.height()) / 9);
    QPen pen(colour, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const QPointF c = b.center();
    if (name == u"help") {
        p.drawEllipse(b.adjusted(w, w, -w, -w));
        p.setFont(style::font(static_cast<int>(b.height() * 0.62), true));
        p.drawText(b, Qt::AlignCenter, QStringLiteral("?"));
    } else if (name == u"menu") {
        for (int i = -1; i <= 1; ++i) {
            const qreal y = c.y() + i * b.height() / 4;
            p.drawLine(QPointF(b.left() + 2, y), QPointF(b.right() - 2, y));
        }
    } else if (name == u"minimize") {
        p.drawLine(QPointF(b.left() + 3, c.y() + 2), QPointF(b.right() - 3, c.y() + 2));
    } else if (name == u"close") {
        p.drawLine(b.topLeft() + QPointF(3, 3), b.bottomRight() - QPointF(3, 3));
        p.drawLine(b.topRight() + QPointF(-3, 3), b.bottomLeft() + QPointF(3, -3));
    } else if (name == u"osk") {
        const QRectF body = b.adjusted(0, b.height() * 0.2, 0, -b.height() * 0.2);
        p.drawRoundedRect(body, 2, 2);
        QPen thin(colour, 1.2);
        p.setPen(thin);
        for (int i = 1; i < 5; ++i) {
            const qreal x = body.left() + body.width() * i / 5;
            p.drawPoint(QPointF(x, body.top() + body.height() * 0.33));
            p.drawPoint(QPointF(x, body.top() + body.height() * 0.55));
        }
        p.drawLine(QPointF(body.left() + body.width() * 0.3, body.bottom() - 3),
                   QPointF(body.right() - body.width() * 0.3, body.bottom() - 3));
    } else if (name == u"lock") {
        const QRectF body(b.left() + b.width() * 0.15, c.y(), b.width() * 0.7, b.height() * 0.45);
        p.setBrush(colour);
        p.drawRoundedRect(body, 2, 2);
        p.setBrush(Qt::NoBrush);
        p.drawArc(
            QRectF(b.left() + b.width() * 0.28, b.top() + 1, b.width() * 0.44, b.height() * 0.8), 0,
            180 * 16);
    } else if (name == u"record") {
        p.drawEllipse(b.adjusted(1, 1, -1, -1));
        p.setBrush(colour);
        p.drawEllipse(c, b.width() / 4, b.height() / 4);
    } else if (name == u"play") {
        QPainterPath tri;
        tri.moveTo(b.left() + b.width() * 0.25, b.top() + 2);
        tri.lineTo(b.right() - 2, c.y());
        tri.lineTo(b.left() + b.width() * 0.25, b.bottom() - 2);
        tri.closeSubpath();
        p.setBrush(colour);
        p.drawPath(tri);
    } else if (name == u"gear") {
        const qreal r = std::min(b.width(), b.height()) / 2;
        for (int i = 0; i < 8; ++i) {
            const qreal a = i * M_PI / 4;
            p.drawLine(c + QPointF(std::cos(a) * r * 0.55, std::sin(a) * r * 0.55),
                       c + QPointF(std::cos(a) * r * 0.95, std::sin(a) * r * 0.95));
        }
        p.drawEllipse(c, r * 0.55, r * 0.55);
        p.drawEllipse(c, r * 0.18, r * 0.18);
    } else if (name == u"keycap") {
        p.drawRoundedRect(b.adjusted(1, 1, -1, -1), 3, 3);
        p.drawRoundedRect(
            b.adjusted(b.width() * 0.25, b.height() * 0.2, -b.width() * 0.25, -b.height() * 0.35),
            2, 2);
    } else if (name == u"left") {
        arrow(p, b, 180, w);
    } else if (name == u"right") {
        arrow(p, b, 0, w);
    } else if (name == u"up") {
        arrow(p, b, -90, w);
    } else if (name == u"down") {
        arrow(p, b, 90, w);
    } else if (name == u"gather" || name == u"spread") {
        const bool in = name == u"gather";
        const QRectF left(b.left(), b.top(), b.width() / 2, b.height());
        const QRectF right(c.x(), b.top(), b.width() / 2, b.height());
        arrow(p, left.adjusted(1, 2, -1, -2), in ? 0 : 180, w);
        arrow(p, right.adjusted(1, 2, -1, -2), in ? 180 : 0, w);
    } else if (name == u"brush") {
        p.drawLine(QPointF(b.right() - 2, b.top() + 2), QPointF(c.x() - 1, c.y() + 1));
        p.setBrush(colour);
        p.drawEllipse(QPointF(c.x() - 3, c.y() + 3), b.width() / 6, b.height() / 6);
    } else if (name == u"bucket") {
        QPainterPath body;
        body.moveTo(b.left() + 3, c.y() - 3);
        body.lineTo(c.x(), b.top() + 3);
        body.lineTo(b.right() - 5, c.y() - 3);
        body.lineTo(c.x(), b.bottom() - 3);
        body.closeSubpath();
        p.drawPath(body);
        p.setBrush(colour);
        p.drawEllipse(QPointF(b.right() - 3, c.y() + 4), 2, 3);
    } else if (name == u"check") {
        p.drawLine(QPointF(b.left() + 2, c.y()), QPointF(c.x() - 1, b.bottom() - 3));
        p.drawLine(QPointF(c.x() - 1, b.bottom() - 3), QPointF(b.right() - 2, b.top() + 3));
    }
    p.restore();
}

}  // namespace skingen
