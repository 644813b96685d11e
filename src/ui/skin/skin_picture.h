// Skin pictures for screens of any density.
#pragma once

#include <QPixmap>
#include <QString>

namespace quorvane {

// "<folder>/<name>@2x.<ext>" for "<folder>/<name>.<ext>".
QString highResolutionPath(const QString& path);

// Loads a skin picture. When `devicePixelRatio` is 1.5 or more and a picture
// twice the size stands beside it as "<name>@2x.<ext>", that one is loaded and
// marked with ratio 2, so it covers the same logical size with twice the detail.
// A null pixmap when the picture cannot be read.
QPixmap loadSkinPixmap(const QString& path, qreal devicePixelRatio);
// The same for the application's screen.
QPixmap loadSkinPixmap(const QString& path);

}  // namespace quorvane
