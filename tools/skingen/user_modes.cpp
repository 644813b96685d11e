#include "user_modes.h"

#include <QColor>
#include <QMap>
#include <QSet>
#include <QTextStream>

#include <algorithm>

namespace skingen {

namespace {

QColor parseColour(const QString& text) {
    const QStringList parts = text.split(u',');
    if (parts.size() != 3) {
        return Qt::black;
    }
    return QColor(parts[0].toInt(), parts[1].toInt(), parts[2].toInt());
}

QString colourText(const QColor& c) {
    return QStringLiteral("%1,%2,%3").arg(c.red()).arg(c.green()).arg(c.blue());
}

QColor mix(const QColor& a, const QColor& b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return QColor(static_cast<int>(a.red() + (b.red() - a.red()) * t),
                  static_cast<int>(a.green() + (b.green() - a.green()) * t),
                  static_cast<int>(a.blue() + (b.blue() - a.blue()) * t));
}

struct Painted {
    QColor colour;
    bool tied = false;
};

}  // namespace

QString userModeTemplate(const Dialog& main, const QList<UserMode>& modes) {
    // One line per colour index; keys that share an index (the G keys) share a line.
    QList<const Control*> keys;
    QSet<int> seen;
    QRect area;
    for (const Control& c : main.controls) {
        if (c.kind == u"key" && c.led >= 0 && !seen.contains(c.led)) {
            seen.insert(c.led);
            keys << &c;
            area = area.united(c.rect);
        }
    }
    std::sort(keys.begin(), keys.end(),
              [](const Control* a, const Control* b) { return a->led < b->led; });

    QString text;
    QTextStream out(&text);
    out << "[PRESENTMODE]\nmode=0\n\n[MODENAME]\n";
    for (int m = 0; m < modes.size(); ++m) {
        out << m << "=" << modes[m].name << "\n";
    }
    for (int m = 0; m < modes.size(); ++m) {
        const UserMode& mode = modes[m];
        const QColor base = parseColour(mode.base);
        out << "\n[Mode" << m << "]\n";
        out << "tool=" << mode.tool << "\n";
        out << "jcolor=" << mode.base << "\n";
        out << "color=" << mode.free << "\n";
        for (const Control* key : keys) {
            const double fx = area.width() > 0
                                  ? double(key->rect.center().x() - area.left()) / area.width()
                                  : 0.0;
            const double fy = area.height() > 0
                                  ? double(key->rect.center().y() - area.top()) / area.height()
                                  : 0.0;
            auto pick = [&](const QString& c) {
                return c == u"base" ? Painted{base, true} : Painted{parseColour(c), false};
            };
            Painted painted{base, true};
            const QStringList& cs = mode.colours;
            if (mode.pattern == u"solid" && !cs.isEmpty()) {
                painted = pick(cs[0]);
            } else if (mode.pattern == u"wave" && cs.size() >= 2) {
                painted = {mix(parseColour(cs[0]), parseColour(cs[1]), fx), false};
            } else if (mode.pattern == u"columns" && !cs.isEmpty()) {
                const int band = std::min(static_cast<int>(fx * cs.size()), int(cs.size()) - 1);
                painted = pick(cs[band]);
            } else if (mode.pattern == u"rows" && !cs.isEmpty()) {
                const int band = std::min(static_cast<int>(fy * cs.size()), int(cs.size()) - 1);
                painted = pick(cs[band]);
            } else if (mode.pattern == u"keys" && cs.size() >= 2) {
                const QString id = key->key.startsWith(u"KEY_") ? key->key.mid(4) : QString();
                bool marked = false;
                for (const QString& k : mode.keys) {
                    bool ok = false;
                    const unsigned v = k.toUInt(&ok, 16);
                    const unsigned row = v < 0x100 ? v : (v & 0xFF) + 0x80;
                    marked =
                        marked ||
                        (ok &&
                         id == QStringLiteral("%1").arg(row, 3, 16, QLatin1Char('0')).toUpper());
                }
                painted = pick(marked ? cs[1] : cs[0]);
            }
            out << key->led << "=" << colourText(painted.colour) << "," << (painted.tied ? 1 : 0)
                << "\n";
        }
    }
    out.flush();
    return text;
}

}  // namespace skingen
