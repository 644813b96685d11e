#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QPainter>

#include <vector>

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
    // Fixed, so tiling compositors float it.
    EXPECT_EQ(dlg->minimumSize(), QSize(160, 90));
    EXPECT_EQ(dlg->maximumSize(), QSize(160, 90));
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
        // Nothing to paint with: the usual opaque window.
        EXPECT_FALSE(dlg->testAttribute(Qt::WA_TranslucentBackground)) << screen.constData();
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

// Counts the moves handed to the window system, which may refuse them.
class MoveCountingDialog : public CBaseDialog {
  public:
    using CBaseDialog::CBaseDialog;
    bool systemMoves = true;
    int systemMoveRequests = 0;

  protected:
    bool startWindowMove() override {
        ++systemMoveRequests;
        return systemMoves;
    }
};

struct DragCase {
    const char* name;
    std::vector<QPoint> pointerPath;  // offsets from the press, button held
    bool systemMoves;
    int systemMoveRequests;
    QPoint windowShift;
};

// A window manager that grabs the pointer only after the release has come
// leaves the window glued to it: a press alone must never start a move.
TEST_F(BaseDialogSkin, OnlyAPointerMovedPastTheDragDistanceMovesTheWindow) {
    const int d = QApplication::startDragDistance();
    const DragCase cases[] = {
        {"click", {}, true, 0, {}},
        {"jitter below the drag distance", {{d - 1, 0}, {0, d - 1}}, true, 0, {}},
        {"drag, the window system moves", {{d, 0}, {d + 20, 10}}, true, 1, {}},
        {"drag, the window follows itself", {{d, 0}, {25, 15}}, false, 1, {25, 15}},
    };
    for (const DragCase& c : cases) {
        folder.writeText("Dlg.ini", "[SCREEN]\nMain=bg.bmp\nMask=bg.bmp\n");
        MoveCountingDialog dlg(102, nullptr, folder.file("Dlg.ini"), folder.path());
        dlg.systemMoves = c.systemMoves;
        dlg.move(100, 100);
        dlg.show();
        const QPoint start = dlg.pos();
        const QPoint grabAt(30, 30);
        const QPoint globalAt = dlg.mapToGlobal(grabAt);
        QMouseEvent press(QEvent::MouseButtonPress, grabAt, globalAt, Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&dlg, &press);
        EXPECT_EQ(dlg.systemMoveRequests, 0) << c.name;
        QPoint globalTo = globalAt;
        for (const QPoint& offset : c.pointerPath) {
            globalTo = globalAt + offset;
            QMouseEvent move(QEvent::MouseMove, dlg.mapFromGlobal(globalTo), globalTo, Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&dlg, &move);
        }
        QMouseEvent release(QEvent::MouseButtonRelease, dlg.mapFromGlobal(globalTo), globalTo,
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&dlg, &release);
        EXPECT_EQ(dlg.systemMoveRequests, c.systemMoveRequests) << c.name;
        EXPECT_FALSE(dlg.isDragging()) << c.name;
        EXPECT_FALSE(dlg.isMovePending()) << c.name;
        EXPECT_EQ(dlg.pos(), start + c.windowShift) << c.name;

        // After the release the pointer moves freely.
        const QPoint later = globalTo + QPoint(40, 40);
        QMouseEvent hover(QEvent::MouseMove, dlg.mapFromGlobal(later), later, Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&dlg, &hover);
        EXPECT_EQ(dlg.systemMoveRequests, c.systemMoveRequests) << c.name;
        EXPECT_EQ(dlg.pos(), start + c.windowShift) << c.name;
    }
}

// Only the mask's pixels are painted: outside it the translucent window shows
// what lies below (compositors that ignore the input mask for drawing).
TEST_F(BaseDialogSkin, PaintsOnlyInsideTheMask) {
    auto dlg = open("Main=bg.bmp\nMask=mask.bmp\n");
    EXPECT_TRUE(dlg->testAttribute(Qt::WA_TranslucentBackground));
    QImage shot(dlg->size(), QImage::Format_ARGB32);
    shot.fill(Qt::transparent);
    dlg->render(&shot, {}, {}, QWidget::DrawWindowBackground | QWidget::IgnoreMask);
    int wrong = 0;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            const bool inside = dlg->windowRegion().contains(QPoint(x, y));
            if ((qAlpha(shot.pixel(x, y)) == 255) != inside ||
                (!inside && qAlpha(shot.pixel(x, y)) != 0)) {
                ++wrong;
            }
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(shot.pixelColor(80, 60), QColor(20, 30, 40));
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
