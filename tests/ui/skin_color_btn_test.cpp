#include <gtest/gtest.h>

#include <QFrame>
#include <QGridLayout>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>

#include "ui/qt_test_app.h"
#include "ui/skin/color_static.h"
#include "ui/skin/skin_color.h"
#include "ui/skin/skin_color_btn.h"
#include "ui/skin/skin_fields.h"

namespace quorvane {
namespace {

class AnsweringColourBtn : public CSkinColorBtn {
  public:
    using CSkinColorBtn::CSkinColorBtn;
    std::optional<QColor> answer;
    int asked = 0;

  protected:
    std::optional<QColor> askOtherColour(const QColor&) override {
        ++asked;
        return answer;
    }
};

TEST(SkinColorBtn, AutomaticUntilAColourIsChosen) {
    test::qtApp();
    CSkinColorBtn button;
    button.SetAutomaticColor(QColor(12, 34, 56));
    EXPECT_TRUE(button.isAutomatic());
    EXPECT_EQ(button.GetColor(), QColor(12, 34, 56));
    button.SetColor(QColor(1, 2, 3));
    EXPECT_EQ(button.GetColor(), QColor(1, 2, 3));
    button.SetAutomatic();
    EXPECT_EQ(button.GetColor(), QColor(12, 34, 56));
}

TEST(SkinColorBtn, ChoiceFromThePopupNotifiesWithOneClick) {
    test::qtApp();
    QWidget parent;
    AnsweringColourBtn button(&parent);
    button.resize(60, 22);
    button.SetOtherButton(true, QStringLiteral("other"));
    QSignalSpy clicks(&button, &CSkinColorBtn::clicked);
    button.showPalette();
    QFrame* popup = button.palettePopup();
    ASSERT_NE(popup, nullptr);
    const auto swatches = popup->findChildren<QToolButton*>();
    ASSERT_EQ(swatches.size(), CSkinColorBtn::defaultPalette().size());
    auto* grid = qobject_cast<QGridLayout*>(popup->layout());
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->columnCount(), 5);
    swatches[7]->click();
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(button.GetColor(), CSkinColorBtn::defaultPalette()[7]);

    button.answer = QColor(90, 80, 70);
    button.showPalette();
    auto* other = button.palettePopup()->findChild<QPushButton*>();
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->text(), QStringLiteral("other"));
    other->click();
    EXPECT_EQ(button.asked, 1);
    EXPECT_EQ(clicks.count(), 2);
    EXPECT_EQ(button.GetColor(), QColor(90, 80, 70));

    // Cancelling the colour dialog changes nothing and notifies nobody.
    button.answer.reset();
    button.showPalette();
    button.palettePopup()->findChild<QPushButton*>()->click();
    EXPECT_EQ(clicks.count(), 2);
    EXPECT_EQ(button.GetColor(), QColor(90, 80, 70));
}

TEST(SkinColorBtn, NoOtherButtonUnlessTurnedOn) {
    test::qtApp();
    CSkinColorBtn button;
    button.showPalette();
    EXPECT_EQ(button.palettePopup()->findChild<QPushButton*>(), nullptr);
}

TEST(SkinColorBtn, SwatchOnTheLeftBoxWithArrowOnTheRight) {
    test::qtApp();
    CSkinColorBtn button;
    button.resize(60, 20);
    button.SetColor(QColor(200, 10, 20));
    const QImage shot = button.grab().toImage();
    EXPECT_EQ(shot.pixelColor(5, 10), QColor(200, 10, 20));
    EXPECT_EQ(shot.pixelColor(34, 10), QColor(200, 10, 20));  // half of 60 plus 5
    // The drop-down part is dark like the skin's lists, its arrow light.
    EXPECT_EQ(shot.pixelColor(37, 4), kSkinFieldFill);
    bool arrow = false;
    for (int x = 36; x < 59; ++x) {
        arrow = arrow || shot.pixelColor(x, 10) == kSkinFieldText;
    }
    EXPECT_TRUE(arrow);
}

TEST(ColourWords, ReadAsBlueGreenRed) {
    EXPECT_EQ(colorFromRef(0xBAAB66), QColor(0x66, 0xAB, 0xBA));
    EXPECT_EQ(refFromColor(QColor(0x66, 0xAB, 0xBA)), 0xBAAB66u);
}

TEST(ColorStaticLabel, TextInItsColourOverTheParentsPicture) {
    test::qtApp();
    QWidget parent;
    parent.resize(100, 30);
    parent.setAutoFillBackground(true);
    QPalette pal = parent.palette();
    pal.setColor(QPalette::Window, QColor(5, 6, 7));
    parent.setPalette(pal);
    ColorStatic label(&parent);
    label.setGeometry(0, 0, 100, 30);
    label.SetTextColor(QColor(250, 240, 0));
    label.SetBkColor(QColor(0, 0, 255));
    label.SetFontHeight(20);
    label.setText(QStringLiteral("MMMM"));
    EXPECT_EQ(label.bkColor(), QColor(0, 0, 255));
    EXPECT_EQ(label.font().pixelSize(), 20);
    const QImage shot = parent.grab().toImage();
    bool textSeen = false;
    bool blueSeen = false;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            textSeen = textSeen || shot.pixelColor(x, y) == QColor(250, 240, 0);
            blueSeen = blueSeen || shot.pixelColor(x, y) == QColor(0, 0, 255);
        }
    }
    EXPECT_TRUE(textSeen);
    EXPECT_FALSE(blueSeen);
    EXPECT_EQ(shot.pixelColor(99, 29), QColor(5, 6, 7));
}

}  // namespace
}  // namespace quorvane
