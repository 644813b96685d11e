// The skin generator as the build runs it: a clean description gives a complete
// folder, a broken line stops it with the file and line named.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "ui/qt_test_app.h"

namespace {

const QString kSkingen = QStringLiteral(QUORVANE_SKINGEN);
const QString kDescription = QStringLiteral(QUORVANE_SOURCE_DIR "/data/skin");

struct GeneratorRun {
    int exitCode = -1;
    QString errors;
};

GeneratorRun runSkingen(const QString& data, const QString& out) {
    QProcess process;
    process.start(kSkingen, {data, out});
    process.waitForFinished(120000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardError())};
}

// A copy of the description with one line of one file replaced.
void copyDescription(const QString& to, const QString& file = {}, const QString& from = {},
                     const QString& replacement = {}) {
    const QDir source(kDescription);
    for (const QString& name : source.entryList({QStringLiteral("*.txt")}, QDir::Files)) {
        QFile in(source.filePath(name));
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        QString text = QString::fromUtf8(in.readAll());
        if (name == file) {
            ASSERT_TRUE(text.contains(from));
            text.replace(from, replacement);
        }
        QFile out(QDir(to).filePath(name));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(text.toUtf8());
    }
}

TEST(Skingen, WritesTheWholeSkinFromTheDescription) {
    QTemporaryDir data;
    QTemporaryDir out;
    copyDescription(data.path());
    const GeneratorRun run = runSkingen(data.path(), out.path() + QStringLiteral("/Skins"));
    EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
    const QDir skins(out.path() + QStringLiteral("/Skins"));
    for (const char* name : {"Main.ini", "Profile.ini", "Composite.ini", "language.ini",
                             "UserDengColor_3.userd", "main_normal.jpg", "main_normal@2x.jpg",
                             "main_mask.bmp", "Arrow.jpg", "51.bmp", "jdt10.bmp", "icon_142.png"}) {
        EXPECT_TRUE(skins.exists(QString::fromLatin1(name))) << name;
    }
}

TEST(Skingen, BrokenLineStopsWithItsPlace) {
    QTemporaryDir data;
    QTemporaryDir out;
    copyDescription(data.path(), QStringLiteral("main.txt"),
                    QStringLiteral("ctl CONTROL_OK text 662 530 90 32"),
                    QStringLiteral("ctl CONTROL_OK text 662 530 ninety 32"));
    const GeneratorRun run = runSkingen(data.path(), out.path());
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(run.errors.contains(QStringLiteral("main.txt:"))) << run.errors.toStdString();
    EXPECT_FALSE(QFileInfo::exists(out.path() + QStringLiteral("/Main.ini")));
}

TEST(Skingen, MissingDescriptionFileIsReported) {
    QTemporaryDir data;
    QTemporaryDir out;
    copyDescription(data.path());
    QFile::remove(QDir(data.path()).filePath(QStringLiteral("keyboard.txt")));
    const GeneratorRun run = runSkingen(data.path(), out.path());
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(run.errors.contains(QStringLiteral("keyboard.txt"))) << run.errors.toStdString();
}

}  // namespace
