#include "render.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "glyphs.h"
#include "style.h"

namespace skingen {

namespace {

using namespace style;

QRectF inner(const QRect& r, qreal by) {
    return QRectF(r).adjusted(by, by, -by, -by);
}

void fillRounded(QPainter& p, const QRectF& r, qreal radius, const QBrush& fill, const QColor& line,
                 qreal width = 1.0) {
    p.setPen(line.isValid() ? QPen(line, width) : Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(r, radius, radius);
}

QLinearGradient vertical(const QRectF& r, const QColor& top, const QColor& bottom) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    return g;
}

void glow(QPainter& p, const QRectF& r, qreal radius, const QColor& colour) {
    for (int i = 3; i >= 1; --i) {
        QColor c = colour;
        c.setAlpha(28 * (4 - i));
        p.setPen(QPen(c, 1.0));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(r.adjusted(-i, -i, i, i), radius + i, radius + i);
    }
}

// ---- key caps ---------------------------------------------------------------

void drawLegend(QPainter& p, const QRectF& face, const QString& legend, const QColor& colour,
                bool bold) {
    p.setPen(colour);
    if (legend == u"_") {
        return;
    }
    const int split = legend.size() > 1 ? legend.lastIndexOf(u'|') : -1;
    if (split > 0 && split < legend.size() - 1) {
        const QString top = legend.left(split);
        const QString bottom = legend.mid(split + 1);
        const bool words = top.size() > 1 || bottom.size() > 1;
        p.setFont(font(words ? 9 : 11, bold));
        const QRectF upper(face.left(), face.top() + 1, face.width(), face.height() / 2);
        const QRectF lower(face.left(), face.center().y() - 1, face.width(), face.height() / 2);
        p.drawText(upper, Qt::AlignCenter, top);
        p.drawText(lower, Qt::AlignCenter, bottom);
        return;
    }
    const int size = legend.size() == 1 ? 14 : (legend.size() <= 3 ? 11 : 10);
    p.setFont(font(size, bold || legend.size() == 1));
    p.drawText(face, Qt::AlignCenter, legend);
}

void drawKey(QPainter& p, const Control& c, const QString& state) {
    const QRectF skirt = inner(c.rect, 1.0);
    const QRectF face = inner(c.rect, 3.0);
    fillRounded(p, skirt, 6, QColor(0x0A, 0x0B, 0x0E), QColor());
    QColor legend = kText;
    bool bold = false;
    QRectF legendRect = face.adjusted(0, 0, 0, -2);
    if (state == u"over") {
        glow(p, face, 5, kCyan);
        fillRounded(p, face, 5, vertical(face, QColor(0x36, 0x3D, 0x4B), QColor(0x28, 0x2D, 0x37)),
                    kCyan, 1.5);
        legend = Qt::white;
        bold = true;
    } else if (state == u"down") {
        fillRounded(p, face.translated(0, 1), 5,
                    vertical(face, QColor(0x10, 0x13, 0x18), QColor(0x16, 0x1A, 0x20)),
                    QColor(0x1F, 0x8F, 0xB0), 1.5);
        legend = kCyan;
        legendRect.translate(0, 1);
    } else if (state == u"disable") {
        // A key that carries an assignment.
        fillRounded(p, face, 5, vertical(face, QColor(0x46, 0x18, 0x25), QColor(0x2C, 0x10, 0x18)),
                    kCrimson, 1.5);
        p.setPen(Qt::NoPen);
        p.setBrush(kCrimson);
        p.drawEllipse(QPointF(face.right() - 5, face.top() + 5), 2.2, 2.2);
        legend = QColor(0xFF, 0xD7, 0xDE);
    } else if (state == u"color0") {
        fillRounded(p, face, 5, QColor(0x1B, 0x1E, 0x23), QColor(0x2D, 0x32, 0x3B));
        p.fillRect(QRectF(face.left() + 4, face.bottom() - 4, face.width() - 8, 2),
                   QColor(0x3A, 0x3F, 0x48));
        legend = QColor(0x8A, 0x91, 0x9C);
    } else if (state == u"color1") {
        QLinearGradient g(face.topLeft(), face.bottomRight());
        g.setColorAt(0, QColor(0x00, 0xB4, 0xD8));
        g.setColorAt(1, QColor(0xB5, 0x17, 0x9E));
        glow(p, face, 5, QColor(0xB5, 0x17, 0x9E));
        fillRounded(p, face, 5, g, QColor(0xF0, 0xF4, 0xFF), 1.2);
        legend = Qt::white;
        bold = true;
    } else {
        fillRounded(p, face, 5, vertical(face, QColor(0x2B, 0x30, 0x3A), QColor(0x1F, 0x23, 0x2A)),
                    QColor(0x3A, 0x41, 0x4D), 1.0);
        // A thin highlight on the top edge gives the cap some depth.
        p.setPen(QPen(QColor(255, 255, 255, 22), 1));
        p.drawLine(QPointF(face.left() + 5, face.top() + 1.5),
                   QPointF(face.right() - 5, face.top() + 1.5));
    }
    drawLegend(p, legendRect, c.argument, legend, bold);
}

// ---- buttons ----------------------------------------------------------------

enum class Look { Normal, Over, Down, Muted, Selected, Locked };

Look lookOf(const Control& c, const QString& state, const QString& variant) {
    if (variant == u"macro2" && (c.kind == u"page" || c.kind == u"title")) {
        // Clear keeps its caption in the macro-only form: plainly disabled, no lock.
        return c.argument == u"clear" ? Look::Muted : Look::Locked;
    }
    if (state == u"over") {
        return Look::Over;
    }
    if (state == u"down") {
        return Look::Down;
    }
    if (state == u"disable") {
        if (c.kind == u"toggle") {
            return Look::Selected;
        }
        // A disabled button keeps the dark face of the skin, its caption dimmed
        // but readable: never a light box, never the pressed look.
        return Look::Muted;
    }
    return Look::Normal;
}

// Faces that carry the program's own button text are light in the over, down
// and checked states (the text colours the program uses there are dark), and
// dark when disabled (the program's disabled captions are dimmed light ones).
void drawButtonBase(QPainter& p, const QRectF& r, Look look, qreal radius = 6) {
    switch (look) {
        case Look::Over:
            glow(p, r, radius, kCyan);
            fillRounded(p, r, radius,
                        vertical(r, QColor(0xDE, 0xF8, 0xFF), QColor(0x9C, 0xE3, 0xF7)), kCyan,
                        1.2);
            break;
        case Look::Down:
            fillRounded(p, r, radius,
                        vertical(r, QColor(0xF3, 0xC2, 0xB0), QColor(0xFF, 0xE2, 0xD6)),
                        QColor(0xFF, 0x8A, 0x66), 1.2);
            break;
        case Look::Locked:
            fillRounded(p, r, radius, QColor(0x15, 0x17, 0x1C), QColor(0x24, 0x27, 0x2E), 1.0);
            break;
        case Look::Muted:
            fillRounded(p, r, radius, QColor(0x17, 0x1A, 0x20), QColor(0x2A, 0x2F, 0x38), 1.0);
            break;
        case Look::Selected:
            glow(p, r, radius, kCrimson);
            fillRounded(p, r, radius,
                        vertical(r, QColor(0xFF, 0xD9, 0xE1), QColor(0xFF, 0xA9, 0xBC)), kCrimson,
                        1.5);
            break;
        case Look::Normal:
            fillRounded(p, r, radius,
                        vertical(r, QColor(0x2A, 0x30, 0x3B), QColor(0x1D, 0x21, 0x29)),
                        QColor(0x3A, 0x41, 0x4D), 1.0);
            p.setPen(QPen(QColor(255, 255, 255, 20), 1));
            p.drawLine(QPointF(r.left() + radius, r.top() + 1.5),
                       QPointF(r.right() - radius, r.top() + 1.5));
            break;
    }
}

QColor captionColour(Look look) {
    switch (look) {
        case Look::Over:
            return QColor(0x14, 0x2A, 0x36);
        case Look::Selected:
            return QColor(0x62, 0x22, 0x45);
        case Look::Down:
            return QColor(0x83, 0x2A, 0x26);
        case Look::Locked:
        case Look::Muted:
            return kTextOff;
        case Look::Normal:
            break;
    }
    return kText;
}

void drawButton(QPainter& p, const Control& c, const QString& state, const QString& variant) {
    const Look look = lookOf(c, state, variant);
    const QRectF r = inner(c.rect, 1.0);
    drawButtonBase(p, r, look);
    if (look == Look::Locked) {
        drawGlyph(p, QStringLiteral("lock"), QRectF(r.center().x() - 9, r.center().y() - 9, 18, 18),
                  kTextOff);
        return;
    }
    if (!c.argument.isEmpty() && c.kind != u"page") {
        p.setPen(captionColour(look));
        p.setFont(font(12, look != Look::Muted));
        p.drawText(r.translated(0, look == Look::Down ? 1 : 0), Qt::AlignCenter, c.argument);
    }
}

void drawIcon(QPainter& p, const Control& c, const QString& state) {
    const QRectF r = inner(c.rect, 1.0);
    const bool close = c.argument == u"close";
    QColor glyph = QColor(0x9A, 0xA3, 0xB0);
    if (state == u"over") {
        fillRounded(p, r, 6, close ? QColor(0xC8, 0x28, 0x3C) : QColor(0x2A, 0x30, 0x3A),
                    close ? kCrimson : kCyan, 1.0);
        glyph = Qt::white;
    } else if (state == u"down") {
        fillRounded(p, r, 6, close ? QColor(0x8E, 0x1B, 0x29) : QColor(0x0F, 0x4C, 0x5E), QColor(),
                    1.0);
        glyph = close ? Qt::white : kCyan;
    } else if (state == u"disable") {
        glyph = kTextOff;
    }
    const qreal side = std::min(r.width(), r.height()) - 10;
    drawGlyph(p, c.argument,
              QRectF(r.center().x() - side / 2, r.center().y() - side / 2, side, side), glyph);
}

void drawLed(QPainter& p, const Control& c, const QString& state) {
    const QRectF r = inner(c.rect, 1.0);
    const bool lit = state == u"over";
    fillRounded(p, r, r.height() / 2, QColor(0x12, 0x14, 0x19),
                lit ? QColor(0x1F, 0x8F, 0xB0) : QColor(0x2A, 0x30, 0x3A));
    const QPointF dot(r.left() + r.height() / 2 + 1, r.center().y());
    if (lit) {
        QRadialGradient g(dot, 8);
        g.setColorAt(0, QColor(0x2F, 0xD3, 0xFF, 200));
        g.setColorAt(1, QColor(0x2F, 0xD3, 0xFF, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawEllipse(dot, 8, 8);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(lit ? kCyan : QColor(0x3A, 0x2A, 0x2E));
    p.drawEllipse(dot, 3.5, 3.5);
    QString label = c.argument;
    const int split = label.indexOf(u'|');
    if (split >= 0) {
        label = lit ? label.mid(split + 1) : label.left(split);
    }
    p.setPen(lit ? QColor(0xE6, 0xF9, 0xFF) : kTextDim);
    p.setFont(font(9, true));
    p.drawText(r.adjusted(r.height(), 0, -3, 0), Qt::AlignCenter, label);
}

void drawFlipBar(QPainter& p, const Control& c, const QString& state) {
    const QRectF r = inner(c.rect, 1.0);
    const bool flipped = state == u"disable";
    const QColor line = flipped ? kCyan : (state == u"over" ? kText : QColor(0x3A, 0x41, 0x4D));
    p.setPen(QPen(line, 1.5));
    const qreal y = r.center().y();
    p.drawLine(QPointF(r.left() + 2, y), QPointF(r.left() + 40, y));
    p.drawLine(QPointF(r.right() - 40, y), QPointF(r.right() - 2, y));
    p.setFont(font(9, true));
    p.setPen(flipped ? kCyan : kTextDim);
    p.drawText(r, Qt::AlignCenter, flipped ? QStringLiteral("F1-F4 ALT") : QStringLiteral("F1-F4"));
}

void drawLogo(QPainter& p, const Control& c, const QString& state) {
    const QRectF r = inner(c.rect, 1.0);
    QFont f = font(20, true);
    f.setItalic(true);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 2.5);
    p.setFont(f);
    const bool lit = state == u"over";
    const bool pressed = state == u"disable";
    if (lit) {
        p.setPen(QColor(0x2F, 0xD3, 0xFF, 70));
        p.drawText(r.translated(0, 1), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("QUORVANE"));
    }
    p.setPen(pressed ? QColor(0xA0, 0xA8, 0xB4) : (lit ? Qt::white : kText));
    p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("QUORVANE"));
    QLinearGradient g(r.bottomLeft(), r.bottomRight());
    g.setColorAt(0, kCrimson);
    g.setColorAt(1, lit ? kCyan : QColor(0x1F, 0x8F, 0xB0));
    p.fillRect(QRectF(r.left(), r.bottom() - 2, r.width() * 0.8, 2), g);
}

void drawVersion(QPainter& p, const Control& c) {
    const QRectF r = inner(c.rect, 1.0);
    fillRounded(p, r, r.height() / 2, QColor(0x12, 0x14, 0x19), QColor(0x2A, 0x30, 0x3A));
}

QColor pageColour(const QString& variant) {
    if (variant == u"macro" || variant == u"macro2") {
        return kCrimson;
    }
    if (variant == u"media") {
        return QColor(0xA8, 0x5C, 0xFF);
    }
    if (variant == u"function") {
        return kAmber;
    }
    return kCyan;
}

void drawPageBanner(QPainter& p, const Control& c, const QString& state, const QString& variant) {
    const QRectF r = inner(c.rect, 1.0);
    QColor accent = pageColour(variant);
    if (state == u"disable") {
        accent = accent.darker(220);
    }
    QLinearGradient g(r.topLeft(), r.topRight());
    QColor start = accent;
    start.setAlpha(state == u"over" ? 150 : (state == u"down" ? 70 : 110));
    g.setColorAt(0, start);
    g.setColorAt(0.7, QColor(0x17, 0x1A, 0x21, 0));
    fillRounded(p, r, 6, QColor(0x12, 0x14, 0x19), QColor(0x28, 0x2E, 0x39));
    fillRounded(p, r, 6, g, QColor());
    p.fillRect(QRectF(r.left(), r.top() + 4, 3, r.height() - 8), accent);
    const QString glyph = variant == u"macro" || variant == u"macro2" ? QStringLiteral("record")
                          : variant == u"media"                       ? QStringLiteral("play")
                          : variant == u"function"                    ? QStringLiteral("gear")
                                                                      : QStringLiteral("keycap");
    // The page's name is the language's: the program writes it after the glyph.
    drawGlyph(p, glyph, QRectF(r.left() + 12, r.center().y() - 10, 20, 20), Qt::white);
}

void drawTitle(QPainter& p, const Control& c, const QString& state, const QString& variant) {
    const QRectF r = inner(c.rect, 1.0);
    if (variant == u"macro2") {
        fillRounded(p, r, 7, QColor(0x15, 0x17, 0x1C), QColor(0x24, 0x27, 0x2E));
        drawGlyph(p, QStringLiteral("lock"), r.adjusted(7, 7, -7, -7), kTextOff);
        return;
    }
    const QColor accent = state == u"over" ? kCyan : kCrimson;
    fillRounded(p, r, 7, QColor(0x12, 0x14, 0x19), accent, 1.2);
    drawGlyph(p, QStringLiteral("keycap"), r.adjusted(6, 6, -6, -6), accent);
}

void drawPanel(QPainter& p, const Panel& panel) {
    const QRectF r = QRectF(panel.rect).adjusted(0.5, 0.5, -0.5, -0.5);
    fillRounded(p, r, 10, kPanel, kPanelBorder);
    if (!panel.title.isEmpty()) {
        p.setPen(kTextDim);
        p.setFont(font(10, true));
        p.drawText(r.adjusted(12, 6, 0, 0), Qt::AlignLeft | Qt::AlignTop, panel.title);
    }
}

void drawWindow(QPainter& p, const Dialog& d) {
    const QRectF all(0, 0, d.size.width(), d.size.height());
    p.fillRect(all, kWindowBorder);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(kWindowBorder, 1));
    p.setBrush(vertical(all, kWindowTop, kWindowBottom));
    p.drawRoundedRect(all.adjusted(0, 0, -1, -1), d.radius, d.radius);
    p.setRenderHint(QPainter::Antialiasing, true);
    // The accent line under the title bar.
    QLinearGradient accent(QPointF(0, 0), QPointF(all.width(), 0));
    accent.setColorAt(0, QColor(0xFF, 0x3B, 0x5C, 0));
    accent.setColorAt(0.25, kCrimson);
    accent.setColorAt(0.75, kCyan);
    accent.setColorAt(1, QColor(0x2F, 0xD3, 0xFF, 0));
    p.fillRect(QRectF(d.radius, 50, all.width() - 2 * d.radius, 1.5), accent);
    for (const Panel& panel : d.panels) {
        drawPanel(p, panel);
    }
    for (const Decoration& t : d.texts) {
        QFont f = font(t.size, true);
        f.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
        p.setFont(f);
        p.setPen(kText);
        p.drawText(QRectF(t.at, QSizeF(d.size.width() - t.at.x(), t.size * 2)),
                   Qt::AlignLeft | Qt::AlignTop, t.text);
    }
}

QImage render(const Dialog& d, const QString& state, const QString& variant, bool background,
              int scale) {
    QImage image(d.size * scale, QImage::Format_RGB32);
    QPainter p(&image);
    p.scale(scale, scale);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    drawWindow(p, d);
    for (const Control& c : d.controls) {
        if (background && !c.page.isEmpty()) {
            continue;
        }
        p.save();
        p.setClipRect(c.rect.adjusted(-4, -4, 4, 4));
        const QString& k = c.kind;
        if (k == u"key") {
            drawKey(p, c, state);
        } else if (k == u"flip") {
            // A blank cap: the arrow picture is drawn over it.
            Control cap = c;
            cap.argument = QStringLiteral("_");
            drawKey(p, cap, state);
        } else if (k == u"text" || k == u"toggle" || k == u"apply" || k == u"caption" ||
                   k == u"page") {
            drawButton(p, c, state, variant);
        } else if (k == u"icon") {
            drawIcon(p, c, state);
        } else if (k == u"led") {
            drawLed(p, c, state);
        } else if (k == u"flipbar") {
            drawFlipBar(p, c, state);
        } else if (k == u"logo") {
            drawLogo(p, c, state);
        } else if (k == u"version") {
            drawVersion(p, c);
        } else if (k == u"mask") {
            drawPageBanner(p, c, state, variant);
        } else if (k == u"title") {
            drawTitle(p, c, state, variant);
        }
        p.restore();
    }
    return image;
}

}  // namespace

QImage renderState(const Dialog& d, const QString& state, const QString& variant, int scale) {
    return render(d, state, variant, false, scale);
}

QImage renderBackground(const Dialog& d, const QString& variant, int scale) {
    return render(d, QStringLiteral("normal"), variant, true, scale);
}

QImage renderMask(const Dialog& d) {
    QImage mask(d.size, QImage::Format_RGB32);
    mask.fill(Qt::white);
    QPainter p(&mask);
    // No smoothing: the shape is exactly the pixels the background paints.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::black);
    p.drawRoundedRect(QRectF(0, 0, d.size.width() - 1, d.size.height() - 1), d.radius, d.radius);
    return mask;
}

QImage renderArrowSheet(const Dialog& d, int scale) {
    QImage sheet(d.size * scale, QImage::Format_RGB32);
    sheet.fill(QColor(0x1C, 0x20, 0x27));
    QPainter p(&sheet);
    p.scale(scale, scale);
    p.setRenderHint(QPainter::Antialiasing);
    for (const Frame& f : d.frames) {
        const QRectF r(f.rect);
        p.fillRect(r, QColor(0x1C, 0x20, 0x27));
        QPainterPath arrow;
        const qreal cx = r.center().x();
        if (f.direction == u"up") {
            arrow.moveTo(cx, r.top() + 3);
            arrow.lineTo(r.right() - 3, r.bottom() - 4);
            arrow.lineTo(r.left() + 3, r.bottom() - 4);
        } else {
            arrow.moveTo(cx, r.bottom() - 3);
            arrow.lineTo(r.right() - 3, r.top() + 4);
            arrow.lineTo(r.left() + 3, r.top() + 4);
        }
        arrow.closeSubpath();
        p.fillPath(arrow, f.direction == u"up" ? kCyan : kCrimson);
    }
    return sheet;
}

}  // namespace skingen
