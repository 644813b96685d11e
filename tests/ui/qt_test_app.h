// The one application object the widget tests share, on the offscreen platform.
#pragma once

#include <QApplication>
#include <QImage>
#include <QString>
#include <QTemporaryDir>

#include <string>

namespace quorvane::test {

// The application made by the test program's main on the offscreen platform.
QApplication& qtApp();

// A temporary folder with helpers to drop layout files and pictures into it.
class SkinFolder {
  public:
    SkinFolder();
    std::string path() const;
    std::string file(const QString& name) const;
    void writeText(const QString& name, const QByteArray& text) const;
    void writeImage(const QString& name, const QImage& image) const;

  private:
    QTemporaryDir dir_;
};

QImage solidImage(int w, int h, QColor colour);

}  // namespace quorvane::test
