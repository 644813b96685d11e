#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

#include <cmath>
#include <numbers>

#include "ui/qt_test_app.h"
#include "ui/skin/png_button.h"

namespace quorvane {
namespace {

using Shown = CPngButton::Shown;

// A full-window picture: grey, with the button's own rectangle in `colour`.
QPixmap statePicture(QColor colour) {
    QPixmap pic(200, 100);
    pic.fill(Qt::gray);
    QPainter p(&pic);
    p.fillRect(QRect(50, 20, 40, 20), colour);
    return pic;
}

class PngButtonStates : public ::testing::Test {
  protected:
    QWidget dialog;
    CPngButton* button = nullptr;
    const QColor normal{10, 10, 10}, over{200, 0, 0}, down{0, 200, 0}, disabled{0, 0, 200},
        checked{200, 200, 0}, colour0{0, 200, 200}, colour1{200, 0, 200};

    void SetUp() override {
        test::qtApp();
        dialog.resize(200, 100);
        button = new CPngButton(&dialog);
        button->setGeometry(50, 20, 40, 20);
        button->SetPictures(50, 20, statePicture(normal), statePicture(over), statePicture(down),
                            statePicture(disabled), statePicture(checked), false);
        button->SetColourPictures(statePicture(colour0), statePicture(colour1), false, false,
                                  false);
    }

    void hover() {
        QEnterEvent enter(QPointF(5, 5), QPointF(55, 25), QPointF(55, 25));
        QApplication::sendEvent(button, &enter);
    }

    QColor shown() { return button->grab().toImage().pixelColor(20, 10); }
};

TEST_F(PngButtonStates, CheckedAndHoveredShowsTheOverPicture) {
    button->SetChecked(true, false);
    hover();
    EXPECT_EQ(button->currentState(), Shown::Over);
    EXPECT_EQ(shown(), over);
    EXPECT_EQ(button->lastShown(), Shown::Over);
}

struct StateCase {
    const char* name;
    bool enabled, colourMode, colourFlag, pressed, hovered, checked;
    Shown expected;
};

TEST_F(PngButtonStates, FirstMatchingRuleChoosesThePicture) {
    const StateCase cases[] = {
        {"plain", true, false, false, false, false, false, Shown::Normal},
        {"checked", true, false, false, false, false, true, Shown::Checked},
        {"hover", true, false, false, false, true, false, Shown::Over},
        {"pressed beats hover", true, false, false, true, true, true, Shown::Down},
        {"colour mode beats pressed", true, true, false, true, true, true, Shown::Colour0},
        {"colour flag", true, true, true, false, false, false, Shown::Colour1},
        {"disabled beats all", false, true, true, true, true, true, Shown::Disabled},
    };
    const std::map<Shown, QColor> colours = {{Shown::Normal, normal},   {Shown::Over, over},
                                             {Shown::Down, down},       {Shown::Disabled, disabled},
                                             {Shown::Checked, checked}, {Shown::Colour0, colour0},
                                             {Shown::Colour1, colour1}};
    for (const StateCase& c : cases) {
        CPngButton b(&dialog);
        b.setGeometry(50, 20, 40, 20);
        b.SetPictures(50, 20, statePicture(normal), statePicture(over), statePicture(down),
                      statePicture(disabled), statePicture(checked), false);
        b.SetColourPictures(statePicture(colour0), statePicture(colour1), c.colourMode,
                            c.colourFlag, false);
        b.SetChecked(c.checked, false);
        b.setEnabled(c.enabled);
        b.setDown(c.pressed);
        if (c.hovered) {
            QEnterEvent enter(QPointF(5, 5), QPointF(55, 25), QPointF(55, 25));
            QApplication::sendEvent(&b, &enter);
        }
        EXPECT_EQ(b.currentState(), c.expected) << c.name;
        EXPECT_EQ(b.grab().toImage().pixelColor(20, 10), colours.at(c.expected)) << c.name;
    }
}

TEST_F(PngButtonStates, LeaveClearsHover) {
    hover();
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button, &leave);
    EXPECT_FALSE(button->isHovered());
    EXPECT_EQ(shown(), normal);
}

// Wayland sends no leave when the window hides under the pointer (Cancel):
// reopened, the button must not still show its hover picture.
TEST_F(PngButtonStates, HidingTheWindowClearsHover) {
    dialog.show();
    hover();
    dialog.hide();
    dialog.show();
    EXPECT_FALSE(button->isHovered());
    EXPECT_EQ(shown(), normal);
}

TEST_F(PngButtonStates, SetPicturesClearsHoverAndPress) {
    hover();
    button->setDown(true);
    button->SetPictures(50, 20, statePicture(normal), statePicture(over), statePicture(down),
                        statePicture(disabled), statePicture(checked), true);
    EXPECT_FALSE(button->isHovered());
    EXPECT_EQ(button->currentState(), Shown::Normal);
}

TEST_F(PngButtonStates, OutlineDrawsOnlyATwoPixelFrame) {
    QWidget parent;
    parent.resize(60, 40);
    parent.setAutoFillBackground(true);
    QPalette pal = parent.palette();
    pal.setColor(QPalette::Window, QColor(1, 2, 3));
    parent.setPalette(pal);
    CPngButton b(&parent);
    b.setGeometry(10, 10, 40, 20);
    b.SetPictures(50, 20, statePicture(normal), statePicture(over), statePicture(down),
                  statePicture(disabled), statePicture(checked), false);
    b.SetOutline(QColor(255, 128, 0), 250, true);
    EXPECT_EQ(b.outlineValue(), 100);
    const QImage shot = parent.grab().toImage();
    EXPECT_EQ(shot.pixelColor(10 + 1, 10 + 10), QColor(255, 128, 0));
    EXPECT_EQ(shot.pixelColor(10 + 2, 10 + 10), QColor(255, 128, 0));
    EXPECT_EQ(shot.pixelColor(10 + 37, 10 + 10), QColor(255, 128, 0));
    EXPECT_EQ(shot.pixelColor(10 + 38, 10 + 10), QColor(255, 128, 0));
    EXPECT_EQ(shot.pixelColor(10 + 20, 10 + 18), QColor(255, 128, 0));
    EXPECT_EQ(shot.pixelColor(10 + 0, 10 + 10), QColor(1, 2, 3));
    EXPECT_EQ(shot.pixelColor(10 + 39, 10 + 10), QColor(1, 2, 3));
    // Inside the frame: what lay beneath, not the picture.
    EXPECT_EQ(shot.pixelColor(10 + 20, 10 + 10), QColor(1, 2, 3));
    EXPECT_EQ(b.lastShown(), Shown::Outline);
    b.SetOutline(QColor(255, 128, 0), 250, false);
    EXPECT_EQ(b.outlineValue(), 250);
    EXPECT_EQ(parent.grab().toImage().pixelColor(10 + 20, 10 + 10), normal);
}

TEST_F(PngButtonStates, AfterPaintToldWhetherNormalWasShown) {
    std::vector<bool> calls;
    button->SetAfterPaint([&](CPngButton* b, bool normalShown) {
        EXPECT_EQ(b, button);
        calls.push_back(normalShown);
    });
    button->grab();
    button->SetChecked(true, false);
    button->grab();
    EXPECT_EQ(calls, (std::vector<bool>{true, false}));
}

TEST_F(PngButtonStates, DoubleClickCountsAsSecondClick) {
    QSignalSpy clicks(button, &CPngButton::clicked);
    const QPointF at(10, 10);
    auto send = [&](QEvent::Type type) {
        QMouseEvent e(type, at, button->mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
        QApplication::sendEvent(button, &e);
    };
    send(QEvent::MouseButtonPress);
    send(QEvent::MouseButtonRelease);
    send(QEvent::MouseButtonDblClick);
    send(QEvent::MouseButtonRelease);
    EXPECT_EQ(clicks.count(), 2);
}

TEST_F(PngButtonStates, TextUsesTheColourOfTheState) {
    button->setText(QStringLiteral("OK"));
    button->SetTextStyle(true, 10, QStringLiteral("Sans"), QColor(1, 1, 1), QColor(2, 2, 2),
                         QColor(3, 3, 3), QColor(4, 4, 4), QColor(5, 5, 5), 37);
    EXPECT_EQ(button->textColour(Shown::Normal), QColor(1, 1, 1));
    EXPECT_EQ(button->textColour(Shown::Over), QColor(2, 2, 2));
    EXPECT_EQ(button->textColour(Shown::Checked), QColor(2, 2, 2));
    EXPECT_EQ(button->textColour(Shown::Down), QColor(3, 3, 3));
    EXPECT_EQ(button->textColour(Shown::Disabled), QColor(4, 4, 4));
    EXPECT_EQ(button->textColour(Shown::Colour1), QColor(1, 1, 1));
    // The text is drawn on top of the picture.
    const QImage shot = button->grab().toImage();
    int textPixels = 0;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            textPixels += shot.pixelColor(x, y) != normal;
        }
    }
    EXPECT_GT(textPixels, 0);
}

TEST(TextFormat, MapsTheFormatWords) {
    EXPECT_EQ(qtTextFlags(37), Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine);
    EXPECT_EQ(qtTextFlags(40), Qt::AlignLeft | Qt::AlignBottom | Qt::TextSingleLine);
    EXPECT_EQ(qtTextFlags(36), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine);
    EXPECT_EQ(qtTextFlags(0x12), Qt::AlignRight | Qt::AlignTop | Qt::TextWordWrap);
}

TEST_F(PngButtonStates, TooltipKeptUntilRemoved) {
    button->SetTooltip(QStringLiteral("Esc (macro)"), true);
    EXPECT_TRUE(button->tooltipActive());
    EXPECT_EQ(button->tooltipText(), QStringLiteral("Esc (macro)"));
    button->RemoveTooltip();
    EXPECT_FALSE(button->tooltipActive());
    EXPECT_TRUE(button->tooltipText().isEmpty());
}

TEST_F(PngButtonStates, TooltipAppearsAfterItsDelayWhileHovered) {
    dialog.show();
    button->SetTooltip(QStringLiteral("W (macro: Combo)"), true);
    hover();
    // Not at once: the tip waits for its delay.
    EXPECT_FALSE(QToolTip::isVisible());
    QElapsedTimer waited;
    waited.start();
    while (!QToolTip::isVisible() && waited.elapsed() < 5000) {
        QTest::qWait(20);
    }
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), QStringLiteral("W (macro: Combo)"));
    EXPECT_GE(waited.elapsed(), CPngButton::kTooltipDelayMs - 20);
    QToolTip::hideText();
}

TEST_F(PngButtonStates, InactiveTooltipNeverShows) {
    dialog.show();
    button->SetTooltip(QStringLiteral("hidden"), false);
    hover();
    QTest::qWait(CPngButton::kTooltipDelayMs + 200);
    EXPECT_FALSE(QToolTip::isVisible() && QToolTip::text() == QStringLiteral("hidden"));
}

TEST_F(PngButtonStates, TurnedTextIsDrawnTurned) {
    button->resize(60, 60);
    QPixmap black(60, 60);
    black.fill(Qt::black);
    button->SetPictures(0, 0, black, black, black, black, black, false);
    button->setText(QStringLiteral("IIIIIIII"));
    button->SetTextStyle(true, 10, QStringLiteral("Sans"), Qt::white, Qt::white, Qt::white,
                         Qt::white, Qt::white, 37);
    auto inkRows = [&] {
        const QImage shot = button->grab().toImage();
        int rows = 0;
        for (int y = 0; y < shot.height(); ++y) {
            bool ink = false;
            for (int x = 0; x < shot.width() && !ink; ++x) {
                ink = qGray(shot.pixel(x, y)) > 128;
            }
            rows += ink;
        }
        return rows;
    };
    const int flat = inkRows();
    button->SetEscapement(900, true);
    const int turned = inkRows();
    // A line of narrow letters turned upright covers many more rows.
    EXPECT_GT(turned, flat + 10);
}

// A turned caption keeps the skin's turn while it fits; a longer one turns
// less, then shrinks, then ends in an ellipsis, and is never cut at an edge.
TEST_F(PngButtonStates, TurnedCaptionGivesWayToItsLength) {
    button->resize(175, 44);
    button->SetTextStyle(true, 10, QStringLiteral("Sans"), Qt::white, Qt::white, Qt::white,
                         Qt::white, Qt::white, 37);
    button->SetEscapement(268, true);
    struct Case {
        const char* text;
        bool turnedAsSkin;
        bool turned;
        bool whole;
    };
    const Case cases[] = {
        {"$P1", true, true, true},
        {"Perfil predeterminado", false, true, true},
        {"A profile name far too long for the header of any window at all", false, false, false},
    };
    for (const Case& c : cases) {
        button->setText(QString::fromUtf8(c.text));
        const CPngButton::Caption shown = button->caption();
        EXPECT_EQ(shown.escapement == 268, c.turnedAsSkin) << c.text;
        EXPECT_EQ(shown.escapement != 0, c.turned) << c.text;
        EXPECT_EQ(shown.text == button->text(), c.whole) << c.text;
        const QFontMetrics metrics(shown.font);
        const double turn = shown.escapement / 10.0 * std::numbers::pi / 180.0;
        const double length = metrics.horizontalAdvance(shown.text);
        EXPECT_LE(length * std::cos(turn) + metrics.height() * std::sin(turn),
                  button->textArea().width())
            << c.text;
        EXPECT_LE(length * std::sin(turn) + metrics.height() * std::cos(turn),
                  button->textArea().height())
            << c.text;
    }
}

}  // namespace
}  // namespace quorvane
