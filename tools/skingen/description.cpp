#include "description.h"

#include <QFile>
#include <QTextStream>

#include <cmath>

namespace skingen {

QStringList splitWords(const QString& line) {
    QStringList words;
    QString word;
    bool quoted = false;
    bool any = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (c == u'\\' && i + 1 < line.size() && line[i + 1] == u'"') {
            word += u'"';
            any = true;
            ++i;
        } else if (c == u'"') {
            quoted = !quoted;
            any = true;
        } else if (!quoted && c.isSpace()) {
            if (any) {
                words << word;
            }
            word.clear();
            any = false;
        } else {
            word += c;
            any = true;
        }
    }
    if (any) {
        words << word;
    }
    return words;
}

QString skinKeyOfKeyId(const QString& hexId) {
    if (hexId.compare(QStringLiteral("FN"), Qt::CaseInsensitive) == 0) {
        return QStringLiteral("KEY_FN");
    }
    bool ok = false;
    const unsigned id = hexId.toUInt(&ok, 16);
    if (!ok) {
        return {};
    }
    const unsigned row = id < 0x100 ? id : (id & 0xFF) + 0x80;
    return QStringLiteral("KEY_%1").arg(row, 3, 16, QLatin1Char('0')).toUpper();
}

namespace {

// Reads the lines of a description file without comments and blank lines.
bool readLines(const QString& path, QList<QPair<int, QStringList>>& lines, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        error = QStringLiteral("cannot read %1").arg(path);
        return false;
    }
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    int number = 0;
    while (!in.atEnd()) {
        const QString line = in.readLine();
        ++number;
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u'#')) {
            continue;
        }
        lines.append({number, splitWords(trimmed)});
    }
    return true;
}

bool toInts(const QStringList& words, int from, int count, QList<int>& out) {
    out.clear();
    if (words.size() < from + count) {
        return false;
    }
    for (int i = 0; i < count; ++i) {
        bool ok = false;
        out << words[from + i].toInt(&ok);
        if (!ok) {
            return false;
        }
    }
    return true;
}

double toUnits(const QString& word, bool& ok) {
    return word.toDouble(&ok);
}

}  // namespace

bool readKeyboard(const QString& path, QPoint origin, QList<Control>& keys, QString& error) {
    QList<QPair<int, QStringList>> lines;
    if (!readLines(path, lines, error)) {
        return false;
    }
    double unit = 38;
    double rowY = 0;
    double x = 0;
    double gx = 0, gy = 0, pitch = 0.72;
    int gIndex = 0;
    auto px = [&](double units) { return static_cast<int>(std::lround(units * unit)); };
    for (const auto& [number, w] : lines) {
        bool ok = true;
        const QString& what = w[0];
        if (what == u"unit" && w.size() >= 2) {
            unit = toUnits(w[1], ok);
        } else if (what == u"row" && w.size() >= 3) {
            bool ok2 = false;
            rowY = toUnits(w[1], ok);
            x = toUnits(w[2], ok2);
            ok = ok && ok2;
        } else if (what == u"gap" && w.size() >= 2) {
            x += toUnits(w[1], ok);
        } else if (what == u"key" && w.size() >= 5) {
            bool okLed = false, okW = false;
            Control key;
            key.kind = QStringLiteral("key");
            key.key = skinKeyOfKeyId(w[1]);
            key.led = w[2].toInt(&okLed);
            const double width = toUnits(w[3], okW);
            double height = 1;
            if (w.size() >= 6) {
                height = toUnits(w[5], ok);
                key.tall = height > 1;
            }
            key.argument = w[4];
            ok = ok && okLed && okW && !key.key.isEmpty();
            const int left = origin.x() + px(x);
            const int top = origin.y() + px(rowY);
            key.rect = QRect(left, top, origin.x() + px(x + width) - left,
                             origin.y() + px(rowY + height) - top);
            x += width;
            keys << key;
        } else if (what == u"gcolumn" && w.size() >= 4) {
            bool ok2 = false, ok3 = false;
            gx = toUnits(w[1], ok);
            gy = toUnits(w[2], ok2);
            pitch = toUnits(w[3], ok3);
            ok = ok && ok2 && ok3;
        } else if (what == u"gkey" && w.size() >= 3) {
            bool okLed = false;
            Control key;
            key.kind = QStringLiteral("key");
            key.key = QStringLiteral("FUNC_G%1").arg(w[1]);
            key.argument = QStringLiteral("G%1").arg(w[1]);
            key.led = w[2].toInt(&okLed);
            ok = okLed;
            const int left = origin.x() + px(gx);
            const int top = origin.y() + px(gy + gIndex * pitch);
            key.rect = QRect(left, top, px(1.25), origin.y() + px(gy + (gIndex + 1) * pitch) - top);
            ++gIndex;
            keys << key;
        } else {
            ok = false;
        }
        if (!ok) {
            error = QStringLiteral("%1:%2: cannot read this line").arg(path).arg(number);
            return false;
        }
    }
    return true;
}

bool readDialog(const QString& path, const QString& keyboardPath, Dialog& dialog, QString& error) {
    QList<QPair<int, QStringList>> lines;
    if (!readLines(path, lines, error)) {
        return false;
    }
    for (const auto& [number, w] : lines) {
        const QString& what = w[0];
        QList<int> n;
        bool ok = true;
        if (what == u"dialog" && toInts(w, 2, 3, n)) {
            dialog.iniName = w[1];
            dialog.size = QSize(n[0], n[1]);
            dialog.radius = n[2];
        } else if (what == u"background" && w.size() >= 2) {
            dialog.background = w[1];
        } else if (what == u"mask" && w.size() >= 2) {
            dialog.mask = w[1];
        } else if (what == u"picture" && w.size() >= 3) {
            dialog.pictures << Picture{w[1], w[2], w.value(3)};
        } else if (what == u"ini" && w.size() >= 4) {
            dialog.ini << IniValue{w[1], w[2], w.mid(3).join(u' ')};
        } else if (what == u"panel" && toInts(w, 1, 4, n)) {
            dialog.panels << Panel{QRect(n[0], n[1], n[2], n[3]), w.mid(5).join(u' ')};
        } else if (what == u"text" && toInts(w, 1, 3, n)) {
            dialog.texts << Decoration{QPoint(n[0], n[1]), n[2], w.mid(4).join(u' ')};
        } else if (what == u"ctl" && toInts(w, 3, 4, n)) {
            Control c;
            c.key = w[1];
            c.kind = w[2];
            c.rect = QRect(n[0], n[1], n[2], n[3]);
            for (const QString& extra : w.mid(7)) {
                if (extra.startsWith(u'@')) {
                    c.page = extra.mid(1);
                } else {
                    c.argument = c.argument.isEmpty() ? extra : c.argument + u' ' + extra;
                }
            }
            dialog.controls << c;
        } else if (what == u"keyboard" && toInts(w, 1, 2, n)) {
            QList<Control> keys;
            if (!readKeyboard(keyboardPath, QPoint(n[0], n[1]), keys, error)) {
                return false;
            }
            dialog.controls << keys;
        } else if (what == u"arrows" && w.size() >= 2) {
            dialog.arrowSheet = w[1];
        } else if (what == u"frame" && toInts(w, 3, 4, n)) {
            dialog.frames << Frame{w[1], w[2], QRect(n[0], n[1], n[2], n[3])};
        } else {
            ok = false;
        }
        if (!ok) {
            error = QStringLiteral("%1:%2: cannot read this line").arg(path).arg(number);
            return false;
        }
    }
    if (dialog.iniName.isEmpty() || dialog.size.isEmpty()) {
        error = QStringLiteral("%1: no dialog line").arg(path);
        return false;
    }
    return true;
}

bool readUserModes(const QString& path, QList<UserMode>& modes, QString& error) {
    QList<QPair<int, QStringList>> lines;
    if (!readLines(path, lines, error)) {
        return false;
    }
    for (const auto& [number, w] : lines) {
        if (w[0] != u"mode" || w.size() < 6) {
            error = QStringLiteral("%1:%2: cannot read this line").arg(path).arg(number);
            return false;
        }
        UserMode m;
        m.name = w[1];
        m.tool = w[2].toInt();
        m.base = w[3];
        m.free = w[4];
        m.pattern = w[5];
        const QStringList rest = w.mid(6);
        if (m.pattern == u"keys" && rest.size() >= 2) {
            m.colours = rest.mid(0, 2);
            m.keys = rest.mid(2);
        } else {
            m.colours = rest;
        }
        modes << m;
    }
    return true;
}

}  // namespace skingen
