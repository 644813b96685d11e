// The small pictures of the lighting panel and the icons.
#pragma once

#include <QImage>
#include <QList>
#include <QPair>
#include <QString>

namespace skingen {

// File name and picture of every lighting bitmap, sliders and busy frames included.
QList<QPair<QString, QImage>> lightingBitmaps();
// The three notification icons and the program icon.
QList<QPair<QString, QImage>> icons();

}  // namespace skingen
