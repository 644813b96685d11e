#include "ui/skin/skin_picture.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>

#include <algorithm>
#include <atomic>
#include <thread>

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

QImage loadSkinImage(const QString& path, qreal devicePixelRatio) {
    if (devicePixelRatio >= 1.5) {
        QImage sharp(highResolutionPath(path));
        const QSize plain = QImageReader(path).size();
        if (!sharp.isNull() && plain.isValid() && sharp.size() == plain * 2) {
            sharp.setDevicePixelRatio(2.0);
            return sharp;
        }
    }
    return QImage(path);
}

std::vector<QImage> loadSkinImages(const std::vector<SkinImageRequest>& requests) {
    std::vector<QImage> images(requests.size());
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t i = next++; i < requests.size(); i = next++) {
            images[i] = loadSkinImage(requests[i].path, requests[i].devicePixelRatio);
        }
    };
    const unsigned helpers =
        std::min<unsigned>(std::max(1U, std::thread::hardware_concurrency()) - 1,
                           static_cast<unsigned>(requests.empty() ? 0 : requests.size() - 1));
    {
        std::vector<std::jthread> threads;
        threads.reserve(helpers);
        for (unsigned t = 0; t < helpers; ++t) {
            threads.emplace_back(work);
        }
        work();
    }  // joined here, before the images leave
    return images;
}

bool skinPictureReadable(const QString& path) {
    QImageReader reader(path);
    return reader.canRead() && reader.size().isValid();
}

QPixmap loadSkinPixmap(const QString& path) {
    return loadSkinPixmap(path, qGuiApp ? qGuiApp->devicePixelRatio() : 1.0);
}

}  // namespace quorvane
