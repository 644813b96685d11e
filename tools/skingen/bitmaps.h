// The small pictures of the lighting panel and the icons.
#pragma once

#include <QImage>
#include <QList>
#include <QPair>
#include <QString>

namespace skingen {

// File name and picture of every lighting bitmap, sliders and busy frames included;
// `scale` 2 gives the same pictures with twice the pixels.
QList<QPair<QString, QImage>> lightingBitmaps(int scale = 1);
// The tick of a checked box (check.png), drawn by the dialogs' style sheets.
QImage checkMark(int scale = 1);
// The three notification icons and the program icon.
QList<QPair<QString, QImage>> icons();

// The same icons for an icon theme: drawn afresh at each size, under the
// names the program looks them up by.
struct ThemeIcon {
    QString context;  // "apps" or "status"
    QString name;     // without ".png"
    int size;
    QImage image;
};
QList<ThemeIcon> themeIcons(const QString& applicationId);

}  // namespace skingen
