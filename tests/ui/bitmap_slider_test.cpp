#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include <vector>

#include "ui/qt_test_app.h"
#include "ui/skin/bitmap_slider.h"

namespace quorvane {
namespace {

// Records the slider notifications that reach the parent's event queue.
class ParentWindow : public QWidget {
  public:
    std::vector<std::pair<int, int>> posted;

  protected:
    bool event(QEvent* e) override {
        if (e->type() == SliderMovedEvent::kType) {
            auto* moved = static_cast<SliderMovedEvent*>(e);
            posted.emplace_back(moved->controlId(), moved->position());
            return true;
        }
        return QWidget::event(e);
    }
};

class Slider : public ::testing::Test {
  protected:
    ParentWindow parent;
    CBitmapSlider* slider = nullptr;

    void SetUp() override {
        test::qtApp();
        parent.resize(300, 100);
        slider = new CBitmapSlider(&parent, 1178);
        slider->setGeometry(10, 10, 100, 20);
        slider->SetRange(0, 4);
        slider->SetPageStep(10);
    }

    std::vector<int> positionsPosted() {
        QCoreApplication::sendPostedEvents(&parent, SliderMovedEvent::kType);
        std::vector<int> out;
        for (const auto& [id, pos] : parent.posted) {
            EXPECT_EQ(id, 1178);
            out.push_back(pos);
        }
        parent.posted.clear();
        return out;
    }

    void mouse(QEvent::Type type, QPoint at) {
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
        QMouseEvent e(type, at, slider->mapToGlobal(at),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held,
                      Qt::NoModifier);
        QApplication::sendEvent(slider, &e);
    }

    void wheel(int delta) {
        QWheelEvent e(QPointF(50, 10), QPointF(slider->mapToGlobal(QPoint(50, 10))), QPoint(),
                      QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(slider, &e);
    }
};

TEST_F(Slider, ClickPastTheRightEndPostsTheMaximum) {
    QSignalSpy moved(slider, &CBitmapSlider::sliderMoved);
    mouse(QEvent::MouseButtonPress, QPoint(160, 10));
    mouse(QEvent::MouseButtonRelease, QPoint(160, 10));
    EXPECT_EQ(slider->GetPos(), 4);
    EXPECT_EQ(positionsPosted(), (std::vector<int>{4, 4}));
    ASSERT_EQ(moved.count(), 2);
    EXPECT_EQ(moved.last().at(0).toInt(), 1178);
    EXPECT_EQ(moved.last().at(1).toInt(), 4);
}

TEST_F(Slider, DragPostsOnlyChangedPositions) {
    mouse(QEvent::MouseButtonPress, QPoint(0, 10));  // (0 + 10) / 100 * 4 = 0.4 -> 0
    EXPECT_TRUE(slider->isDragging());
    mouse(QEvent::MouseMove, QPoint(5, 10));   // 0.6 -> 0, unchanged
    mouse(QEvent::MouseMove, QPoint(40, 10));  // 2
    mouse(QEvent::MouseMove, QPoint(-50, 10));
    mouse(QEvent::MouseButtonRelease, QPoint(-50, 10));
    EXPECT_FALSE(slider->isDragging());
    EXPECT_EQ(positionsPosted(), (std::vector<int>{2, 0, 0}));
}

TEST_F(Slider, PositionFormulas) {
    EXPECT_EQ(slider->positionAt(QPoint(0, 0)), 0);
    EXPECT_EQ(slider->positionAt(QPoint(15, 0)), 1);
    EXPECT_EQ(slider->positionAt(QPoint(40, 0)), 2);
    EXPECT_EQ(slider->positionAt(QPoint(90, 0)), 4);
    EXPECT_EQ(slider->pixelOf(2), 50);
    slider->SetVertical(true);
    EXPECT_EQ(slider->positionAt(QPoint(99, 10)), 2);
    CBitmapSlider flat(&parent);
    flat.setGeometry(0, 0, 100, 20);
    flat.SetRange(3, 3);
    EXPECT_EQ(flat.positionAt(QPoint(50, 5)), 3);
    EXPECT_EQ(flat.pixelOf(3), 0);
}

struct KeyCase {
    const char* name;
    int start;
    Qt::Key key;
    int expected;
};

TEST_F(Slider, KeysMoveClampAndAlwaysPost) {
    const KeyCase cases[] = {
        {"End at the end", 4, Qt::Key_End, 4},
        {"End", 1, Qt::Key_End, 4},
        {"Home", 3, Qt::Key_Home, 0},
        {"Page Up clamps", 3, Qt::Key_PageUp, 0},
        {"Page Down clamps", 1, Qt::Key_PageDown, 4},
        {"Right", 1, Qt::Key_Right, 2},
        {"Down", 1, Qt::Key_Down, 2},
        {"Left", 1, Qt::Key_Left, 0},
        {"Up", 1, Qt::Key_Up, 0},
        {"Left at 0", 0, Qt::Key_Left, 0},
    };
    for (const KeyCase& c : cases) {
        slider->SetPos(c.start);
        QTest::keyClick(slider, c.key);
        EXPECT_EQ(slider->GetPos(), c.expected) << c.name;
        EXPECT_EQ(positionsPosted(), std::vector<int>{c.expected}) << c.name;
    }
}

struct WheelCase {
    const char* name;
    int start;
    std::vector<int> deltas;
    int expected;
    int posts;
};

TEST_F(Slider, WheelUpMovesDownTheRangeOnePerNotch) {
    const WheelCase cases[] = {
        {"one notch up", 2, {120}, 1, 1},
        {"one notch down", 2, {-120}, 3, 1},
        {"two notches up at once", 2, {240}, 0, 1},
        {"two notches down at once", 1, {-240}, 3, 1},
        {"fine steps add up", 2, {40, 40, 40}, 1, 1},
        {"less than a notch", 2, {40, 40}, 2, 0},
        {"fine steps down", 2, {-60, -60, -60, -60}, 4, 2},
        {"turning back drops the gathered part", 2, {60, -60, -60}, 3, 1},
        {"clamped at the end still posts", 4, {-120}, 4, 1},
    };
    for (const WheelCase& c : cases) {
        CBitmapSlider s(&parent, 1178);
        slider = &s;
        s.setGeometry(10, 10, 100, 20);
        s.SetRange(0, 4);
        s.SetPos(c.start);
        for (int d : c.deltas) {
            wheel(d);
        }
        EXPECT_EQ(s.GetPos(), c.expected) << c.name;
        EXPECT_EQ(positionsPosted().size(), static_cast<std::size_t>(c.posts)) << c.name;
    }
}

TEST_F(Slider, DisabledSliderIgnoresInput) {
    slider->SetPos(2);
    slider->setEnabled(false);
    QTest::keyClick(slider, Qt::Key_End);
    wheel(120);
    EXPECT_EQ(slider->GetPos(), 2);
    EXPECT_TRUE(positionsPosted().empty());
}

TEST_F(Slider, PictureAndSize) {
    QPixmap pic(120, 24);
    pic.fill(QColor(9, 8, 7));
    slider->SetPictureAndSize(pic);
    EXPECT_EQ(slider->size(), QSize(120, 24));
    EXPECT_EQ(slider->grab().toImage().pixelColor(60, 12), QColor(9, 8, 7));
    slider->SetPos(99);
    EXPECT_EQ(slider->GetPos(), 4);
    slider->SetPos(-3);
    EXPECT_EQ(slider->GetPos(), 0);
}

}  // namespace
}  // namespace quorvane
