// skinrender [--skins <Skins folder>] [--pictures] --out <folder>
// Renders each dialog of the skin demo offscreen into <folder>/<scene>.png; with
// --pictures also copies every picture of the skin as PNG into <folder>/pictures.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>

#include <cstdio>
#include <cstdlib>

#include "demo_dialogs.h"

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    QString skins = QCoreApplication::applicationDirPath() + QStringLiteral("/Skins");
    QString out;
    bool pictures = false;
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == u"--skins" && i + 1 < args.size()) {
            skins = args[++i];
        } else if (args[i] == u"--pictures") {
            pictures = true;
        } else if (args[i] == u"--out" && i + 1 < args.size()) {
            out = args[++i];
        } else {
            out.clear();
            break;
        }
    }
    if (out.isEmpty()) {
        std::fprintf(stderr,
                     "usage: skinrender [--skins <Skins folder>] [--pictures] --out <folder>\n");
        return 2;
    }
    if (!QDir().mkpath(out)) {
        std::fprintf(stderr, "skinrender: cannot create %s\n", qPrintable(out));
        return 1;
    }
    int failures = 0;
    for (const quorvane::demo::Scene& scene : quorvane::demo::renderAll(skins.toStdString())) {
        const QString path = QDir(out).filePath(scene.name + QStringLiteral(".png"));
        if (scene.image.isNull() || !scene.image.save(path)) {
            std::fprintf(stderr, "skinrender: cannot render %s\n", qPrintable(path));
            ++failures;
        } else {
            std::printf("%s\n", qPrintable(path));
        }
    }
    if (pictures) {
        const QDir source(skins);
        const QDir target(QDir(out).filePath(QStringLiteral("pictures")));
        QDir().mkpath(target.path());
        for (const QString& name : source.entryList(
                 {QStringLiteral("*.jpg"), QStringLiteral("*.bmp"), QStringLiteral("*.png")},
                 QDir::Files, QDir::Name)) {
            const QImage image(source.filePath(name));
            const QString path =
                target.filePath(QFileInfo(name).completeBaseName() + QStringLiteral(".png"));
            if (image.isNull() || !image.save(path)) {
                std::fprintf(stderr, "skinrender: cannot convert %s\n", qPrintable(name));
                ++failures;
            }
        }
    }
    return failures == 0 ? 0 : 1;
}
