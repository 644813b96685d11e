// skingen <data/skin folder> <Skins folder>: writes every picture and layout file of the skin.
#include <QDir>
#include <QGuiApplication>
#include <QImageWriter>
#include <QSaveFile>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "bitmaps.h"
#include "description.h"
#include "render.h"
#include "user_modes.h"

namespace {

using namespace skingen;

bool failed = false;

void report(const QString& message) {
    std::fprintf(stderr, "skingen: %s\n", qPrintable(message));
    failed = true;
}

// Every file is written to a temporary name and renamed, so a build stopped
// half-way never leaves a broken picture behind.
void saveImage(const QDir& dir, const QString& name, const QImage& image) {
    QSaveFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly)) {
        report(QStringLiteral("cannot write %1").arg(file.fileName()));
        return;
    }
    QImageWriter writer(&file, QFileInfo(name).suffix().toLower().toLatin1());
    if (name.endsWith(u".jpg", Qt::CaseInsensitive)) {
        writer.setQuality(95);
    }
    const QImage out = name.endsWith(u".bmp", Qt::CaseInsensitive)
                           ? image.convertToFormat(QImage::Format_RGB888)
                           : image;
    if (!writer.write(out) || !file.commit()) {
        report(QStringLiteral("cannot write %1: %2").arg(file.fileName(), writer.errorString()));
    }
}

void saveText(const QDir& dir, const QString& name, const QString& text) {
    QSaveFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly)) {
        report(QStringLiteral("cannot write %1").arg(file.fileName()));
        return;
    }
    file.write(text.toUtf8());
    if (!file.commit()) {
        report(QStringLiteral("cannot write %1").arg(file.fileName()));
    }
}

// "name@2x.ext" for "name.ext".
QString doubleSizeName(const QString& file) {
    const qsizetype dot = file.lastIndexOf(u'.');
    return dot < 0 ? file + QStringLiteral("@2x")
                   : file.left(dot) + QStringLiteral("@2x") + file.mid(dot);
}

QString rectText(const QRect& r) {
    return QStringLiteral("%1,%2,%3,%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

QString layoutText(const Dialog& d) {
    QString text;
    QTextStream out(&text);
    out << "[SCREEN]\n";
    out << "Main=" << d.background << "\n";
    out << "Mask=" << d.mask << "\n";
    for (const IniValue& v : d.ini) {
        if (v.section == u"SCREEN") {
            out << v.key << "=" << v.value << "\n";
        }
    }
    out << "\n[BUTTONINFO]\n";
    for (const Control& c : d.controls) {
        out << c.key << "=" << rectText(c.rect) << "\n";
    }
    if (!d.frames.isEmpty()) {
        out << "\n[BUTTONINFO2]\n";
        for (const Frame& f : d.frames) {
            out << f.key << "=" << rectText(f.rect) << "\n";
        }
    }
    QString section;
    for (const IniValue& v : d.ini) {
        if (v.section == u"SCREEN") {
            continue;
        }
        if (v.section != section) {
            section = v.section;
            out << "\n[" << section << "]\n";
        }
        out << v.key << "=" << v.value << "\n";
    }
    out.flush();
    return text;
}

void writeDialog(const QDir& data, const QDir& skins, const QString& name, Dialog* keep = nullptr) {
    Dialog d;
    QString error;
    if (!readDialog(data.filePath(name), data.filePath(QStringLiteral("keyboard.txt")), d, error)) {
        report(error);
        return;
    }
    saveText(skins, d.iniName, layoutText(d));
    const QString firstVariant = d.pictures.isEmpty() ? QString() : d.pictures.first().variant;
    // Each window-sized picture also comes at twice the size for dense screens; the
    // mask stays as it is, since the shape is in logical pixels.
    for (int scale : {1, 2}) {
        const auto name = [scale](const QString& file) {
            return scale == 1 ? file : doubleSizeName(file);
        };
        saveImage(skins, name(d.background), renderBackground(d, firstVariant, scale));
        for (const Picture& picture : d.pictures) {
            saveImage(skins, name(picture.file),
                      renderState(d, picture.state, picture.variant, scale));
        }
        if (!d.arrowSheet.isEmpty()) {
            saveImage(skins, name(d.arrowSheet), renderArrowSheet(d, scale));
        }
    }
    saveImage(skins, d.mask, renderMask(d));
    if (keep) {
        *keep = d;
    }
}

// The index a theme's folders are read from. Only for a theme folder of our
// own (the build tree's): the installed icons join the system's hicolor
// theme, whose index belongs to it.
QString themeIndex(const QList<ThemeIcon>& icons) {
    QStringList folders;
    QString sections;
    for (const ThemeIcon& icon : icons) {
        const QString folder = QStringLiteral("%1x%1/%2").arg(icon.size).arg(icon.context);
        if (folders.contains(folder)) {
            continue;
        }
        folders << folder;
        sections += QStringLiteral("\n[%1]\nSize=%2\nContext=%3\nType=Fixed\n")
                        .arg(folder)
                        .arg(icon.size)
                        .arg(icon.context == QStringLiteral("apps") ? QStringLiteral("Applications")
                                                                    : QStringLiteral("Status"));
    }
    return QStringLiteral(
               "[Icon Theme]\nName=Hicolor\nComment=Fallback icon theme\n"
               "Hidden=true\nDirectories=%1\n")
               .arg(folders.join(QLatin1Char(','))) +
           sections;
}

// <theme folder>/<size>x<size>/<context>/<name>.png for every icon, and the
// theme's index when asked.
int writeThemeIcons(const QString& themePath, const QString& applicationId, bool withIndex) {
    const QList<ThemeIcon> icons = themeIcons(applicationId);
    if (withIndex) {
        if (!QDir().mkpath(themePath)) {
            report(QStringLiteral("cannot create %1").arg(themePath));
            return 1;
        }
        saveText(QDir(themePath), QStringLiteral("index.theme"), themeIndex(icons));
    }
    for (const ThemeIcon& icon : icons) {
        const QString folder =
            QStringLiteral("%1/%2x%2/%3").arg(themePath).arg(icon.size).arg(icon.context);
        if (!QDir().mkpath(folder)) {
            report(QStringLiteral("cannot create %1").arg(folder));
            continue;
        }
        saveImage(QDir(folder), icon.name + QStringLiteral(".png"), icon.image);
    }
    return failed ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    const bool withIndex = argc == 5 && std::string_view(argv[4]) == "--index";
    const bool themeMode = (argc == 4 || withIndex) && std::string_view(argv[1]) == "--icons";
    if (argc != 3 && !themeMode) {
        std::fprintf(stderr,
                     "usage: skingen <skin description folder> <Skins folder>\n"
                     "       skingen --icons <icon theme folder> <application id> [--index]\n");
        return 2;
    }
    if (!std::getenv("QT_QPA_PLATFORM")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QGuiApplication app(argc, argv);
    if (themeMode) {
        return writeThemeIcons(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                               withIndex);
    }
    const QDir data(QString::fromLocal8Bit(argv[1]));
    const QString outPath = QString::fromLocal8Bit(argv[2]);
    if (!QDir().mkpath(outPath)) {
        report(QStringLiteral("cannot create %1").arg(outPath));
        return 1;
    }
    const QDir skins(outPath);

    Dialog main;
    writeDialog(data, skins, QStringLiteral("main.txt"), &main);
    writeDialog(data, skins, QStringLiteral("profile.txt"));
    writeDialog(data, skins, QStringLiteral("composite.txt"));

    for (const auto& [name, image] : lightingBitmaps(1)) {
        saveImage(skins, name, image);
    }
    for (const auto& [name, image] : lightingBitmaps(2)) {
        saveImage(skins, doubleSizeName(name), image);
    }
    saveImage(skins, QStringLiteral("check.png"), checkMark(1));
    saveImage(skins, doubleSizeName(QStringLiteral("check.png")), checkMark(2));
    for (const auto& [name, image] : icons()) {
        saveImage(skins, name, image);
    }
    saveText(skins, QStringLiteral("language.ini"), QStringLiteral("[LANGUAGE]\nlanguage=0\n"));

    QList<UserMode> modes;
    QString error;
    if (!readUserModes(data.filePath(QStringLiteral("usermodes.txt")), modes, error)) {
        report(error);
    } else {
        saveText(skins, QStringLiteral("UserDengColor_3.userd"), userModeTemplate(main, modes));
    }
    return failed ? 1 : 0;
}
