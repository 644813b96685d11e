#include "ui/qt_test_app.h"

#include <gtest/gtest.h>
#include <QFile>

#include <cstdlib>

namespace quorvane::test {

QApplication& qtApp() {
    return *static_cast<QApplication*>(QCoreApplication::instance());
}

SkinFolder::SkinFolder() = default;

std::string SkinFolder::path() const {
    return dir_.path().toStdString() + "/";
}

std::string SkinFolder::file(const QString& name) const {
    return dir_.filePath(name).toStdString();
}

void SkinFolder::writeText(const QString& name, const QByteArray& text) const {
    QFile f(dir_.filePath(name));
    if (f.open(QIODevice::WriteOnly)) {
        f.write(text);
    }
}

void SkinFolder::writeImage(const QString& name, const QImage& image) const {
    image.save(dir_.filePath(name));
}

QImage solidImage(int w, int h, QColor colour) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

}  // namespace quorvane::test

// The application lives on main's stack, so it is gone before any of Qt's own
// statics are torn down.
int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
