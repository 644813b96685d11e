#include "ui/qt_test_app.h"

#include <QFile>

#include <cstdlib>
#include <memory>

namespace quorvane::test {

QApplication& qtApp() {
    static std::unique_ptr<QApplication> app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "ui_tests";
        static char* argv[] = {name, nullptr};
        return std::make_unique<QApplication>(argc, argv);
    }();
    return *app;
}

SkinFolder::SkinFolder() {
    qtApp();
}

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
