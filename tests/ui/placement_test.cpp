#include <gtest/gtest.h>

#include <QLabel>
#include <QPainter>

#include "ui/qt_test_app.h"
#include "ui/skin/skin_placement.h"

namespace quorvane {
namespace {

class Placement : public ::testing::Test {
  protected:
    test::SkinFolder folder;
    QWidget dialog;
    SkinLayout layout;

    void SetUp() override {
        folder.writeText(
            "Dlg.ini",
            "[BUTTONINFO]\nCORNER=1,1,40,20\nOK=50,60,70,30\nSHARED_A=10,10,30,30\n"
            "SHARED_B=10,10,30,30\nMOVED=200,100,5,5\n[BUTTONINFO2]\nFRAME1=120,40,0,0\n");
        layout = SkinLayout::load(folder.file("Dlg.ini"));
        dialog.resize(300, 200);
    }
};

TEST_F(Placement, ImageButtonListedAtOneOneIsPlacedAndDisabled) {
    CPngButton button(&dialog);
    const SkinRect r = placeImageButton(&button, layout, u"BUTTONINFO", u"CORNER", {});
    EXPECT_EQ(r, (SkinRect{1, 1, 40, 20}));
    EXPECT_EQ(button.geometry(), QRect(1, 1, 40, 20));
    EXPECT_FALSE(button.isEnabled());
}

TEST_F(Placement, ImageButtonMissingFromLayoutIsOnePixelAndDisabled) {
    CPngButton button(&dialog);
    placeImageButton(&button, folder.file("Dlg.ini"), u"BUTTONINFO", u"ABSENT", {});
    EXPECT_EQ(button.geometry(), QRect(1, 1, 1, 1));
    EXPECT_FALSE(button.isEnabled());
}

TEST_F(Placement, ImageButtonTakesItsPositionAsSourceOffset) {
    CPngButton button(&dialog);
    placeImageButton(&button, layout, u"BUTTONINFO", u"OK", {});
    EXPECT_EQ(button.geometry(), QRect(50, 60, 70, 30));
    EXPECT_EQ(button.offset(), QPoint(50, 60));
    EXPECT_TRUE(button.isEnabled());
}

TEST_F(Placement, TwoControlsMayShareOneRectangle) {
    CPngButton first(&dialog);
    CPngButton second(&dialog);
    placeImageButton(&first, layout, u"BUTTONINFO", u"SHARED_A", {});
    placeImageButton(&second, layout, u"BUTTONINFO", u"SHARED_B", {});
    EXPECT_EQ(first.geometry(), QRect(10, 10, 30, 30));
    EXPECT_EQ(second.geometry(), QRect(10, 10, 30, 30));
    // Placing the same control again moves only that one.
    placeImageButton(&second, layout, u"BUTTONINFO", u"OK", {});
    EXPECT_EQ(first.geometry(), QRect(10, 10, 30, 30));
}

TEST_F(Placement, LoadSetsSizeMoveKeepsIt) {
    QLabel label(&dialog);
    loadSkinRect(&label, layout, u"BUTTONINFO", u"OK");
    EXPECT_EQ(label.geometry(), QRect(50, 60, 70, 30));
    moveSkinRect(&label, folder.file("Dlg.ini"), u"BUTTONINFO", u"MOVED");
    EXPECT_EQ(label.geometry(), QRect(200, 100, 70, 30));
    loadSkinRect(&label, folder.file("Dlg.ini"), u"BUTTONINFO", u"ABSENT");
    EXPECT_EQ(label.geometry(), QRect(1, 1, 1, 1));
}

TEST_F(Placement, TwoRectPlacementCutsOnePictureForEveryState) {
    QPixmap arrows(300, 100);
    arrows.fill(Qt::black);
    {
        QPainter p(&arrows);
        p.fillRect(120, 40, 20, 10, Qt::green);
    }
    CPngButton button(&dialog);
    placeTwoRect(&button, layout, u"BUTTONINFO", u"SHARED_A", u"BUTTONINFO2", u"FRAME1", arrows);
    EXPECT_EQ(button.geometry(), QRect(10, 10, 30, 30));
    EXPECT_EQ(button.offset(), QPoint(120, 40));
    for (auto state : {CPngButton::Shown::Normal, CPngButton::Shown::Over, CPngButton::Shown::Down,
                       CPngButton::Shown::Disabled, CPngButton::Shown::Checked}) {
        EXPECT_EQ(button.picture(state).cacheKey(), arrows.cacheKey());
    }
    const QImage shot = button.grab().toImage();
    EXPECT_EQ(shot.pixelColor(5, 5), QColor(Qt::green));
    EXPECT_EQ(shot.pixelColor(25, 5), QColor(Qt::black));
}

}  // namespace
}  // namespace quorvane
