#include "ui/skin/skin_picture.h"

#include <QFileInfo>
#include <QGuiApplication>

namespace quorvane {

QString highResolutionPath(const QString& path) {
    const QFileInfo info(path);
    const QString suffix = info.suffix();
    const QString base = suffix.isEmpty() ? path : path.left(path.size() - suffix.size() - 1);
    return suffix.isEmpty() ? base + QStringLiteral("@2x") : base + QStringLiteral("@2x.") + suffix;
}

QPixmap loadSkinPixmap(const QString& path, qreal devicePixelRatio) {
    if (devicePixelRatio >= 1.5) {
        QPixmap sharp(highResolutionPath(path));
        const QPixmap plain(path);
        // Only a picture of exactly twice the size stands in for the plain one.
        if (!sharp.isNull() && !plain.isNull() && sharp.size() == plain.size() * 2) {
            sharp.setDevicePixelRatio(2.0);
            return sharp;
        }
        return plain;
    }
    return QPixmap(path);
}

QPixmap loadSkinPixmap(const QString& path) {
    return loadSkinPixmap(path, qGuiApp ? qGuiApp->devicePixelRatio() : 1.0);
}

}  // namespace quorvane
