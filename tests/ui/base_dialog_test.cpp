#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QPainter>

#include "ui/qt_test_app.h"
#include "ui/skin/base_dialog.h"

namespace quorvane {
namespace {

// Every pixel checked one by one against the picture.
void expectRegionMatchesMask(const QRegion& region, const QImage& mask) {
    int mismatches = 0;
    for (int y = 0; y < mask.height(); ++y) {
        for (int x = 0; x < mask.width(); ++x) {
            const bool window = (mask.pixel(x, y) & 0xFFFFFFu) != 0xFFFFFFu;
            if (region.contains(QPoint(x, y)) != window) {
                ++mismatches;
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_TRUE(region.boundingRect().isEmpty() ||
                QRect(0, 0, mask.width(), mask.height()).contains(region.boundingRect()));
}

QImage roundedMask(int w, int h, int radius) {
    QImage mask = test::solidImage(w, h, Qt::white);
    QPainter p(&mask);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawRoundedRect(QRectF(0, 0, w, h), radius, radius);
    // A hole and a lone dot: rows with several runs.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(40, 30, 20, 10, Qt::white);
    p.end();
    mask.setPixel(w - 3, h / 2, 0xFFFFFFFF);
    return mask;
}

TEST(RegionFromMask, AllWhiteGivesEmptyRegion) {
    test::qtApp();
    EXPECT_TRUE(regionFromMask(test::solidImage(120, 80, Qt::white)).isEmpty());
}

TEST(RegionFromMask, EveryNonWhitePixelBelongsAndNoWhiteOne) {
    test::qtApp();
    const QImage mask = roundedMask(200, 100, 24);
    expectRegionMatchesMask(regionFromMask(mask), mask);
}

TEST(RegionFromMask, NearWhiteCountsAsWindow) {
    test::qtApp();
    QImage mask = test::solidImage(10, 4, Qt::white);
    mask.setPixel(3, 1, qRgb(0xFF, 0xFF, 0xFE));
    mask.setPixel(4, 1, qRgb(0xFF, 0xFF, 0xFE));
    mask.setPixel(9, 3, qRgb(0, 0, 0));
    const QRegion region = regionFromMask(mask);
    expectRegionMatchesMask(region, mask);
    EXPECT_EQ(region, QRegion(3, 1, 2, 1) + QRegion(9, 3, 1, 1));
}

TEST(RegionFromMask, FormatOfThePictureDoesNotMatter) {
    test::qtApp();
    const QImage mask = roundedMask(64, 48, 10);
    const QRegion expected = regionFromMask(mask);
    EXPECT_EQ(regionFromMask(mask.convertToFormat(QImage::Format_Indexed8)), expected);
    EXPECT_EQ(regionFromMask(mask.convertToFormat(QImage::Format_RGB888)), expected);
}

class BaseDialogSkin : public ::testing::Test {
  protected:
    test::SkinFolder folder;

    std::unique_ptr<CBaseDialog> open(const QByteArray& screen) {
        folder.writeText("Dlg.ini", "[SCREEN]\n" + screen);
        return std::make_unique<CBaseDialog>(102, nullptr, folder.file("Dlg.ini"), folder.path());
    }

    void SetUp() override {
        QImage background = test::solidImage(160, 90, QColor(20, 30, 40));
        QPainter p(&background);
        p.fillRect(0, 0, 10, 10, QColor(250, 0, 0));
        p.fillRect(150, 80, 10, 10, QColor(0, 250, 0));
        p.end();
        folder.writeImage("bg.bmp", background);
        folder.writeImage("mask.bmp", roundedMask(160, 90, 20));
        folder.writeImage("white.bmp", test::solidImage(160, 90, Qt::white));
    }
};

TEST_F(BaseDialogSkin, SizedToBackgroundAndShapedByMask) {
    auto dlg = open("Main=bg.bmp\nMask=mask.bmp\n");
    EXPECT_TRUE(dlg->isShaped());
    EXPECT_FALSE(dlg->isSkinBusy());
    EXPECT_EQ(dlg->size(), QSize(160, 90));
    EXPECT_TRUE(dlg->windowFlags() & Qt::FramelessWindowHint);
    expectRegionMatchesMask(dlg->windowRegion(), dlg->maskImage());
    EXPECT_EQ(dlg->mask(), dlg->windowRegion());
}

TEST_F(BaseDialogSkin, AllWhiteMaskLeavesNothingVisible) {
    auto dlg = open("Main=bg.bmp\nMask=white.bmp\n");
    EXPECT_TRUE(dlg->windowRegion().isEmpty());
    EXPECT_FALSE(dlg->mask().isEmpty());
    EXPECT_TRUE(dlg->mask().intersected(dlg->rect()).isEmpty());
}

TEST_F(BaseDialogSkin, MissingOrEmptyMaskUsesTheBackground) {
    for (const QByteArray& screen :
         {QByteArray("Main=bg.bmp\n"), QByteArray("Main=bg.bmp\nMask=\n")}) {
        auto dlg = open(screen);
        ASSERT_TRUE(dlg->isShaped()) << screen.constData();
        // The background has no white pixel, so the whole window is kept.
        EXPECT_EQ(dlg->windowRegion(), QRegion(0, 0, 160, 90)) << screen.constData();
    }
}

TEST_F(BaseDialogSkin, MissingPictureLeavesDialogUnshapedAndUnsized) {
    for (const QByteArray& screen :
         {QByteArray("Main=none.bmp\nMask=mask.bmp\n"), QByteArray("Main=bg.bmp\nMask=none.bmp\n"),
          QByteArray("Mask=mask.bmp\n"), QByteArray("")}) {
        auto dlg = open(screen);
        dlg->resize(33, 44);
        EXPECT_FALSE(dlg->isShaped()) << screen.constData();
        EXPECT_TRUE(dlg->background().isNull()) << screen.constData();
        EXPECT_TRUE(dlg->mask().isEmpty()) << screen.constData();
        EXPECT_EQ(dlg->size(), QSize(33, 44));
    }
}

TEST_F(BaseDialogSkin, BackgroundDrawnUnscaledAtOrigin) {
    auto dlg = open("Main=bg.bmp\nMask=bg.bmp\n");
    const QImage shot = dlg->grab().toImage();
    ASSERT_EQ(shot.size(), QSize(160, 90));
    EXPECT_EQ(shot.pixelColor(0, 0), QColor(250, 0, 0));
    EXPECT_EQ(shot.pixelColor(9, 9), QColor(250, 0, 0));
    EXPECT_EQ(shot.pixelColor(10, 10), QColor(20, 30, 40));
    EXPECT_EQ(shot.pixelColor(159, 89), QColor(0, 250, 0));
}

TEST_F(BaseDialogSkin, PressOnOwnSurfaceDragsTheWindow) {
    auto dlg = open("Main=bg.bmp\nMask=bg.bmp\n");
    dlg->move(100, 100);
    dlg->show();
    const QPoint start = dlg->pos();
    const QPoint grabAt(30, 30);
    QMouseEvent press(QEvent::MouseButtonPress, grabAt, dlg->mapToGlobal(grabAt), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(dlg.get(), &press);
    // The offscreen platform cannot move windows itself; the dialog follows the mouse.
    ASSERT_TRUE(dlg->isDragging());
    const QPoint globalTo = dlg->mapToGlobal(grabAt) + QPoint(25, 15);
    QMouseEvent move(QEvent::MouseMove, dlg->mapFromGlobal(globalTo), globalTo, Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(dlg.get(), &move);
    QMouseEvent release(QEvent::MouseButtonRelease, dlg->mapFromGlobal(globalTo), globalTo,
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(dlg.get(), &release);
    EXPECT_FALSE(dlg->isDragging());
    EXPECT_EQ(dlg->pos(), start + QPoint(25, 15));
}

TEST_F(BaseDialogSkin, OkReleasesPicturesAndEndsTheDialog) {
    auto dlg = open("Main=bg.bmp\nMask=mask.bmp\n");
    dlg->show();
    dlg->OnOK();
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_TRUE(dlg->background().isNull());
    EXPECT_TRUE(dlg->maskImage().isNull());
}

}  // namespace
}  // namespace quorvane
