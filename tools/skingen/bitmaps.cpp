#include "bitmaps.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "glyphs.h"
#include "style.h"

namespace skingen {

namespace {

using namespace style;

constexpr int kSliderWidth = 150;
constexpr int kSliderHeight = 24;

// A bitmap of w x h logical pixels; painting on it is in logical pixels whatever the scale.
QImage canvas(int w, int h, int scale) {
    QImage image(w * scale, h * scale, QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    image.fill(kPanel);
    return image;
}

// A toggle of the lamp: a track with the knob left (off) or right (on).
QImage lamp(bool on, int scale) {
    QImage image = canvas(56, 26, scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF track(2, 3, 52, 20);
    p.setPen(QPen(on ? kCyan : QColor(0x3A, 0x41, 0x4D), 1.2));
    p.setBrush(on ? QColor(0x0F, 0x4C, 0x5E) : QColor(0x22, 0x26, 0x2E));
    p.drawRoundedRect(track, 10, 10);
    const QPointF knob(on ? 44 : 12, 13);
    p.setPen(Qt::NoPen);
    p.setBrush(on ? Qt::white : QColor(0x7D, 0x85, 0x91));
    p.drawEllipse(knob, 7, 7);
    p.setFont(font(8, true));
    p.setPen(on ? Qt::white : kTextDim);
    p.drawText(on ? QRectF(6, 3, 28, 20) : QRectF(22, 3, 30, 20), Qt::AlignCenter,
               on ? QStringLiteral("ON") : QStringLiteral("OFF"));
    return image;
}

// A square picture button with a glyph; selected ones are filled with the accent.
QImage glyphButton(int w, int h, const QString& glyph, bool selected, int scale) {
    QImage image = canvas(w, h, scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(1.5, 1.5, w - 3, h - 3);
    p.setPen(QPen(selected ? kCyan : QColor(0x3A, 0x41, 0x4D), 1.2));
    p.setBrush(selected ? QColor(0x0F, 0x4C, 0x5E) : QColor(0x22, 0x26, 0x2E));
    p.drawRoundedRect(r, 5, 5);
    const qreal side = std::min(w, h) - 10;
    drawGlyph(p, glyph, QRectF((w - side) / 2, (h - side) / 2, side, side),
              selected ? Qt::white : kTextDim);
    return image;
}

QImage swatch(const QColor& colour, bool selected, int scale) {
    QImage image = canvas(26, 26, scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    if (selected) {
        p.setPen(QPen(Qt::white, 2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(13, 13), 11, 11);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(selected ? colour : colour.darker(150));
    p.drawEllipse(QPointF(13, 13), selected ? 8 : 9, selected ? 8 : 9);
    if (selected) {
        drawGlyph(p, QStringLiteral("check"), QRectF(8, 8, 10, 10), Qt::white);
    }
    return image;
}

QImage randomToggle(bool on, int scale) {
    QImage image = canvas(26, 26, scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QConicalGradient g(QPointF(13, 13), 90);
    const QColor hues[] = {Qt::red,  Qt::yellow,  Qt::green, Qt::cyan,
                           Qt::blue, Qt::magenta, Qt::red};
    for (int i = 0; i < 7; ++i) {
        QColor c = hues[i];
        if (!on) {
            c = c.darker(260);
        }
        g.setColorAt(i / 6.0, c);
    }
    p.setPen(QPen(QBrush(g), on ? 4 : 3));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(13, 13), 9, 9);
    if (on) {
        drawGlyph(p, QStringLiteral("check"), QRectF(8, 8, 10, 10), Qt::white);
    }
    return image;
}

// A whole slider: groove, filled part and knob at `index` of `stops`.
QImage slider(int index, int stops, const QColor& accent, bool fillFromRight, int scale) {
    QImage image = canvas(kSliderWidth, kSliderHeight, scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal left = 10;
    const qreal right = kSliderWidth - 10;
    const qreal y = kSliderHeight / 2.0;
    const qreal x = left + (right - left) * index / std::max(1, stops - 1);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x0E, 0x10, 0x14));
    p.drawRoundedRect(QRectF(left - 3, y - 3, right - left + 6, 6), 3, 3);
    QLinearGradient g(QPointF(left, 0), QPointF(right, 0));
    g.setColorAt(0, accent.darker(170));
    g.setColorAt(1, accent);
    p.setBrush(g);
    if (fillFromRight) {
        p.drawRoundedRect(QRectF(x, y - 3, right + 3 - x, 6), 3, 3);
    } else {
        p.drawRoundedRect(QRectF(left - 3, y - 3, x - left + 3, 6), 3, 3);
    }
    for (int i = 0; i < stops; ++i) {
        const qreal tx = left + (right - left) * i / std::max(1, stops - 1);
        p.setBrush(QColor(0x4E, 0x54, 0x5E));
        p.drawEllipse(QPointF(tx, y + 8), 1.2, 1.2);
    }
    QRadialGradient halo(QPointF(x, y), 10);
    QColor a = accent;
    a.setAlpha(90);
    halo.setColorAt(0, a);
    halo.setColorAt(1, QColor(0, 0, 0, 0));
    p.setBrush(halo);
    p.drawEllipse(QPointF(x, y), 10, 10);
    p.setBrush(Qt::white);
    p.setPen(QPen(accent, 2));
    p.drawEllipse(QPointF(x, y), 6, 6);
    return image;
}

QImage busyFrame(int frame, int scale) {
    QImage image = canvas(286, 12, scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x0E, 0x10, 0x14));
    p.drawRoundedRect(QRectF(1, 3, 284, 6), 3, 3);
    const qreal width = 70;
    const qreal x = 1 + (284 - width) * frame / 9.0;
    QLinearGradient g(QPointF(x, 0), QPointF(x + width, 0));
    g.setColorAt(0, QColor(0x2F, 0xD3, 0xFF, 0));
    g.setColorAt(0.5, kCyan);
    g.setColorAt(1, QColor(0xFF, 0x3B, 0x5C, 0));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(x, 3, width, 6), 3, 3);
    return image;
}

QImage keyboardIcon(int size, const QColor& body, const QColor& accent, bool cross) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size / 64.0;
    p.scale(s, s);
    p.setPen(QPen(accent, 3));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(4, 16, 56, 34), 7, 7);
    p.setPen(Qt::NoPen);
    p.setBrush(accent);
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 6; ++col) {
            if (row == 2 && col > 0 && col < 5) {
                continue;
            }
            p.drawRoundedRect(QRectF(10 + col * 7.6, 22 + row * 8, 5, 5), 1, 1);
        }
    }
    p.drawRoundedRect(QRectF(18, 38, 28, 5), 1.5, 1.5);
    if (cross) {
        p.setPen(QPen(kCrimson, 5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(44, 4), QPointF(60, 20));
        p.drawLine(QPointF(60, 4), QPointF(44, 20));
    }
    return image;
}

}  // namespace

// The tick of a checked box in the dialogs' style sheets, on a clear ground.
QImage checkMark(int scale) {
    QImage image(12 * scale, 12 * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    drawGlyph(p, QStringLiteral("check"), QRectF(1, 1, 10, 10), Qt::white);
    return image;
}

QList<QPair<QString, QImage>> lightingBitmaps(int scale) {
    QList<QPair<QString, QImage>> out;
    out << qMakePair(QStringLiteral("dengup.bmp"), lamp(false, scale))
        << qMakePair(QStringLiteral("dengdown.bmp"), lamp(true, scale));
    const QPair<QString, QString> directions[] = {
        {QStringLiteral("left"), QStringLiteral("left")},
        {QStringLiteral("right"), QStringLiteral("right")},
        {QStringLiteral("up"), QStringLiteral("up")},
        {QStringLiteral("down"), QStringLiteral("down")}};
    for (const auto& [file, glyph] : directions) {
        out << qMakePair(file + QStringLiteral("up.bmp"), glyphButton(30, 26, glyph, false, scale))
            << qMakePair(file + QStringLiteral("down.bmp"),
                         glyphButton(30, 26, glyph, true, scale));
    }
    out << qMakePair(QStringLiteral("julong.bmp"),
                     glyphButton(30, 26, QStringLiteral("gather"), false, scale))
        << qMakePair(QStringLiteral("julongdown.bmp"),
                     glyphButton(30, 26, QStringLiteral("gather"), true, scale))
        << qMakePair(QStringLiteral("kuosan.bmp"),
                     glyphButton(30, 26, QStringLiteral("spread"), false, scale))
        << qMakePair(QStringLiteral("kuosandown.bmp"),
                     glyphButton(30, 26, QStringLiteral("spread"), true, scale));
    const QPair<QString, QColor> colours[] = {{QStringLiteral("hong"), QColor(0xFF, 0x2A, 0x3A)},
                                              {QStringLiteral("huang"), QColor(0xFF, 0xD4, 0x1F)},
                                              {QStringLiteral("lv"), QColor(0x2E, 0xE0, 0x6A)},
                                              {QStringLiteral("lan"), QColor(0x2A, 0x6B, 0xFF)}};
    for (const auto& [file, colour] : colours) {
        out << qMakePair(file + QStringLiteral(".bmp"), swatch(colour, false, scale))
            << qMakePair(file + QStringLiteral("ok.bmp"), swatch(colour, true, scale));
    }
    out << qMakePair(QStringLiteral("sjsup.bmp"), randomToggle(false, scale))
        << qMakePair(QStringLiteral("sjsdown.bmp"), randomToggle(true, scale))
        << qMakePair(QStringLiteral("user1up.bmp"),
                     glyphButton(30, 26, QStringLiteral("brush"), false, scale))
        << qMakePair(QStringLiteral("user1down.bmp"),
                     glyphButton(30, 26, QStringLiteral("brush"), true, scale))
        << qMakePair(QStringLiteral("user2up.bmp"),
                     glyphButton(30, 26, QStringLiteral("bucket"), false, scale))
        << qMakePair(QStringLiteral("user2down.bmp"),
                     glyphButton(30, 26, QStringLiteral("bucket"), true, scale));
    for (int i = 1; i <= 10; ++i) {
        out << qMakePair(QStringLiteral("jdt%1.bmp").arg(i), busyFrame(i - 1, scale));
    }
    // Brightness 0-4 fills from the left; speed pictures 6-10 fill from the knob to the
    // right, since the left end is the fastest. The other numbers are spare sliders.
    for (int n = 0; n <= 51; ++n) {
        if (n == 26) {
            continue;
        }
        QImage picture;
        if (n <= 4) {
            picture = slider(n, 5, kCyan, false, scale);
        } else if (n >= 6 && n <= 10) {
            picture = slider(n - 6, 5, kAmber, true, scale);
        } else {
            picture = slider(n % 5, 5, QColor(0x7D, 0x85, 0x91), false, scale);
        }
        out << qMakePair(QStringLiteral("%1.bmp").arg(n), picture);
    }
    return out;
}

namespace {

QImage absentIcon(int size) {
    return keyboardIcon(size, QColor(0x22, 0x26, 0x2E), QColor(0x9A, 0xA3, 0xB0), true);
}
QImage connectedIcon(int size) {
    return keyboardIcon(size, QColor(0x0F, 0x2C, 0x36), kCyan, false);
}
QImage signalIcon(int size) {
    return keyboardIcon(size, QColor(0x36, 0x24, 0x0A), kAmber, false);
}
QImage programIcon(int size) {
    return keyboardIcon(size, QColor(0x16, 0x19, 0x20), kCrimson, false);
}

}  // namespace

QList<QPair<QString, QImage>> icons() {
    return {
        qMakePair(QStringLiteral("icon_128.png"), absentIcon(64)),
        qMakePair(QStringLiteral("icon_141.png"), connectedIcon(64)),
        qMakePair(QStringLiteral("icon_142.png"), signalIcon(64)),
        qMakePair(QStringLiteral("quorvane.png"), programIcon(256)),
    };
}

QList<ThemeIcon> themeIcons(const QString& applicationId) {
    QList<ThemeIcon> out;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        out << ThemeIcon{QStringLiteral("apps"), applicationId, size, programIcon(size)};
    }
    // The tray's icons 128, 141 and 142.
    for (int size : {16, 22, 24, 32, 48, 64}) {
        out << ThemeIcon{QStringLiteral("status"), QStringLiteral("quorvane"), size,
                         absentIcon(size)}
            << ThemeIcon{QStringLiteral("status"), QStringLiteral("quorvane-connected"), size,
                         connectedIcon(size)}
            << ThemeIcon{QStringLiteral("status"), QStringLiteral("quorvane-signal"), size,
                         signalIcon(size)};
    }
    return out;
}

}  // namespace skingen
