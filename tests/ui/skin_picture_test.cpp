#include <gtest/gtest.h>

#include <QPainter>

#include <fstream>
#include <vector>

#include "ui/qt_test_app.h"
#include "ui/skin/png_button.h"
#include "ui/skin/skin_picture.h"

namespace quorvane {
namespace {

QImage framed(int w, int h, const QRect& inner, QColor colour) {
    QImage image = test::solidImage(w, h, Qt::gray);
    QPainter p(&image);
    p.fillRect(inner, colour);
    return image;
}

TEST(HighResolutionPath, InsertsBeforeTheLastSuffix) {
    EXPECT_EQ(highResolutionPath("/s/main_normal.jpg"), "/s/main_normal@2x.jpg");
    EXPECT_EQ(highResolutionPath("/s/a.b.bmp"), "/s/a.b@2x.bmp");
    EXPECT_EQ(highResolutionPath("/s/plain"), "/s/plain@2x");
}

class SkinPictures : public ::testing::Test {
  protected:
    test::SkinFolder folder;
    void SetUp() override {
        folder.writeImage("both.png", framed(200, 100, {50, 20, 40, 20}, Qt::red));
        folder.writeImage("both@2x.png", framed(400, 200, {100, 40, 80, 40}, Qt::red));
        folder.writeImage("odd.png", test::solidImage(200, 100, Qt::blue));
        folder.writeImage("odd@2x.png", test::solidImage(300, 150, Qt::green));
        folder.writeImage("single.png", test::solidImage(20, 10, Qt::blue));
    }
    QPixmap load(const char* name, qreal ratio) {
        return loadSkinPixmap(QString::fromStdString(folder.file(name)), ratio);
    }
};

TEST_F(SkinPictures, DenseScreensTakeTheDoubleSizePicture) {
    const QPixmap sharp = load("both.png", 2.0);
    EXPECT_EQ(sharp.size(), QSize(400, 200));
    EXPECT_EQ(sharp.devicePixelRatio(), 2.0);
    EXPECT_EQ(sharp.deviceIndependentSize().toSize(), QSize(200, 100));
    const QPixmap plain = load("both.png", 1.0);
    EXPECT_EQ(plain.size(), QSize(200, 100));
    EXPECT_EQ(plain.devicePixelRatio(), 1.0);
}

TEST_F(SkinPictures, OtherwiseThePlainPicture) {
    // A double-size file of the wrong size is not used.
    EXPECT_EQ(load("odd.png", 2.0).toImage().pixelColor(5, 5), QColor(Qt::blue));
    EXPECT_EQ(load("single.png", 2.0).size(), QSize(20, 10));
    EXPECT_TRUE(load("missing.png", 2.0).isNull());
    EXPECT_TRUE(load("missing.png", 1.0).isNull());
}

// Decoded side by side, the pictures come back in the order asked, choose
// their double-size file as one at a time would, and a file used under two
// names is decoded once.
TEST_F(SkinPictures, SeveralAtOnceAsOneAtATimeAndSameBytesShared) {
    folder.writeImage("copy.png", framed(200, 100, {50, 20, 40, 20}, Qt::red));
    auto path = [&](const char* name) { return QString::fromStdString(folder.file(name)); };
    const std::vector<SkinImageRequest> requests = {
        {path("both.png"), 2.0},    {path("odd.png"), 2.0},  {path("single.png"), 1.0},
        {path("missing.png"), 1.0}, {path("both.png"), 1.0}, {path("copy.png"), 1.0}};
    const std::vector<QImage> images = loadSkinImages(requests);
    ASSERT_EQ(images.size(), requests.size());
    for (std::size_t i = 0; i < requests.size(); ++i) {
        const QImage alone = loadSkinImage(requests[i].path, requests[i].devicePixelRatio);
        EXPECT_EQ(images[i], alone) << i;
        EXPECT_EQ(images[i].devicePixelRatio(), alone.devicePixelRatio()) << i;
    }
    EXPECT_EQ(images[0].size(), QSize(400, 200));
    EXPECT_TRUE(images[3].isNull());
    // both.png at ratio 1 and copy.png hold the same bytes: one decode.
    EXPECT_EQ(images[4].cacheKey(), images[5].cacheKey());
    EXPECT_NE(images[0].cacheKey(), images[4].cacheKey());
}

TEST_F(SkinPictures, ReadableIsJudgedFromTheHeader) {
    EXPECT_TRUE(skinPictureReadable(QString::fromStdString(folder.file("single.png"))));
    EXPECT_FALSE(skinPictureReadable(QString::fromStdString(folder.file("missing.png"))));
    std::ofstream(folder.file("text.png")) << "not a picture";
    EXPECT_FALSE(skinPictureReadable(QString::fromStdString(folder.file("text.png"))));
}

TEST_F(SkinPictures, ImageButtonCutsTheSameLogicalPartOfADenseSet) {
    const QPixmap sharp = load("both.png", 2.0);
    ASSERT_EQ(sharp.devicePixelRatio(), 2.0);
    QWidget dialog;
    CPngButton button(&dialog);
    button.setGeometry(50, 20, 40, 20);
    button.SetPictures(50, 20, sharp, sharp, sharp, sharp, sharp, false);
    const QImage shot = button.grab().toImage();
    for (const QPoint at : {QPoint(0, 0), QPoint(39, 19), QPoint(20, 10)}) {
        EXPECT_EQ(shot.pixelColor(at), QColor(Qt::red)) << at.x() << "," << at.y();
    }
}

}  // namespace
}  // namespace quorvane
