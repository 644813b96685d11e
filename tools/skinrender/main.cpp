// skinrender [--skins <Skins folder>] --out <folder>
// Renders each dialog of the skin demo offscreen into <folder>/<scene>.png.
#include <QApplication>
#include <QDir>

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
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == u"--skins" && i + 1 < args.size()) {
            skins = args[++i];
        } else if (args[i] == u"--out" && i + 1 < args.size()) {
            out = args[++i];
        } else {
            out.clear();
            break;
        }
    }
    if (out.isEmpty()) {
        std::fprintf(stderr, "usage: skinrender [--skins <Skins folder>] --out <folder>\n");
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
    return failures == 0 ? 0 : 1;
}
