#include "ui/skin/skin_picture.h"

#include <QFile>
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

namespace {

// The file a request decodes and the ratio its picture is marked with.
struct ChosenFile {
    QString path;
    qreal ratio = 1.0;
};

ChosenFile chooseFile(const QString& path, qreal devicePixelRatio) {
    if (devicePixelRatio >= 1.5) {
        const QString sharp = highResolutionPath(path);
        const QSize sharpSize = QImageReader(sharp).size();
        const QSize plain = QImageReader(path).size();
        // Only a picture of exactly twice the size stands in for the plain one.
        if (sharpSize.isValid() && plain.isValid() && sharpSize == plain * 2) {
            return {sharp, 2.0};
        }
    }
    return {path, 1.0};
}

QImage decode(const QByteArray& bytes, qreal ratio) {
    QImage image = QImage::fromData(bytes);
    if (ratio != 1.0 && !image.isNull()) {
        image.setDevicePixelRatio(ratio);
    }
    return image;
}

}  // namespace

QImage loadSkinImage(const QString& path, qreal devicePixelRatio) {
    const ChosenFile chosen = chooseFile(path, devicePixelRatio);
    QImage image(chosen.path);
    if (chosen.ratio != 1.0 && !image.isNull()) {
        image.setDevicePixelRatio(chosen.ratio);
    }
    return image;
}

std::vector<QImage> loadSkinImages(const std::vector<SkinImageRequest>& requests) {
    // Files with the same bytes (a skin may use one picture twice under two
    // names) are decoded once and share their pixels.
    std::vector<QByteArray> bytes;
    std::vector<qreal> ratios;
    std::vector<std::size_t> source(requests.size());
    for (std::size_t i = 0; i < requests.size(); ++i) {
        const ChosenFile chosen = chooseFile(requests[i].path, requests[i].devicePixelRatio);
        QFile file(chosen.path);
        QByteArray content = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        std::size_t same = 0;
        while (same < bytes.size() && (ratios[same] != chosen.ratio || bytes[same] != content)) {
            ++same;
        }
        if (same == bytes.size()) {
            bytes.push_back(std::move(content));
            ratios.push_back(chosen.ratio);
        }
        source[i] = same;
    }
    std::vector<QImage> decoded(bytes.size());
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t i = next++; i < bytes.size(); i = next++) {
            decoded[i] = decode(bytes[i], ratios[i]);
        }
    };
    const unsigned helpers =
        std::min<unsigned>(std::max(1U, std::thread::hardware_concurrency()) - 1,
                           static_cast<unsigned>(bytes.empty() ? 0 : bytes.size() - 1));
    {
        std::vector<std::jthread> threads;
        threads.reserve(helpers);
        for (unsigned t = 0; t < helpers; ++t) {
            threads.emplace_back(work);
        }
        work();
    }  // joined here, before the images leave
    std::vector<QImage> images(requests.size());
    for (std::size_t i = 0; i < requests.size(); ++i) {
        images[i] = decoded[source[i]];
    }
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
