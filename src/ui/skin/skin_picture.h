// Skin pictures for screens of any density.
#pragma once

#include <QImage>
#include <QPixmap>
#include <QString>

#include <vector>

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

// The same choice as a QImage, which any thread may decode. Unlike a pixmap
// loaded by name it is not kept in Qt's pixmap cache, so it is gone once its
// holders drop it.
QImage loadSkinImage(const QString& path, qreal devicePixelRatio);
// A file and the pixel ratio it is loaded for (1: the plain file, always).
struct SkinImageRequest {
    QString path;
    qreal devicePixelRatio = 1.0;
};
// Several pictures decoded side by side on worker threads, in the order given.
std::vector<QImage> loadSkinImages(const std::vector<SkinImageRequest>& requests);
// Whether the picture can be decoded, judged by its header alone.
bool skinPictureReadable(const QString& path);

}  // namespace quorvane
