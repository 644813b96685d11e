#include "ui/skin/bitmap_slider.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>

namespace quorvane {

CBitmapSlider::CBitmapSlider(QWidget* parent, int controlId)
    : QWidget(parent), controlId_(controlId) {
    setFocusPolicy(Qt::ClickFocus);
    setMouseTracking(true);
}

void CBitmapSlider::SetPicture(const QPixmap& picture) {
    picture_ = picture;
    update();
}

void CBitmapSlider::SetPictureAndSize(const QPixmap& picture) {
    picture_ = picture;
    if (!picture.isNull()) {
        resize(picture.deviceIndependentSize().toSize());
    }
    update();
}

void CBitmapSlider::SetRange(int minimum, int maximum) {
    min_ = minimum;
    max_ = std::max(minimum, maximum);
    pos_ = clamp(pos_);
    update();
}

void CBitmapSlider::SetPageStep(int step) {
    page_ = step;
}

void CBitmapSlider::SetPos(int position) {
    pos_ = clamp(position);
    update();
}

void CBitmapSlider::SetVertical(bool vertical) {
    vertical_ = vertical;
}

int CBitmapSlider::clamp(int position) const {
    return std::clamp(position, min_, max_);
}

int CBitmapSlider::positionAt(QPoint point) const {
    const int span = max_ - min_;
    if (vertical_) {
        // Vertical sliders follow the y coordinate.
        if (height() <= 0) {
            return min_;
        }
        return min_ + static_cast<int>(static_cast<double>(point.y()) / height() * span);
    }
    if (width() <= 0) {
        return min_;
    }
    return min_ + static_cast<int>(static_cast<double>(point.x() + 10) / width() * span);
}

int CBitmapSlider::pixelOf(int position) const {
    const int span = max_ - min_;
    if (span == 0) {
        return 0;
    }
    const int extent = vertical_ ? height() : width();
    return static_cast<int>(static_cast<double>(position - min_) / span * extent);
}

void CBitmapSlider::notify() {
    emit sliderMoved(controlId_, pos_);
    if (QWidget* target = parentWidget()) {
        // The event queue takes ownership of posted events.
        QCoreApplication::postEvent(
            target,
            new SliderMovedEvent(controlId_, pos_));  // NOLINT(cppcoreguidelines-owning-memory)
    }
}

void CBitmapSlider::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    if (!picture_.isNull()) {
        painter.drawPixmap(0, 0, picture_);
    }
    if (hover_ && hasFocus()) {
        QPen pen(QColor(255, 255, 255, 160));
        pen.setStyle(Qt::DotLine);
        painter.setPen(pen);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void CBitmapSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        QWidget::mousePressEvent(event);
        return;
    }
    grabMouse();
    setFocus(Qt::MouseFocusReason);
    hover_ = true;
    dragging_ = true;
    const int position = clamp(positionAt(event->position().toPoint()));
    if (position != pos_) {
        SetPos(position);
        notify();
    }
    event->accept();
}

void CBitmapSlider::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_ && isEnabled()) {
        const int position = clamp(positionAt(event->position().toPoint()));
        if (position != pos_) {
            SetPos(position);
            notify();
        }
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void CBitmapSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    releaseMouse();
    dragging_ = false;
    notify();
    event->accept();
}

std::optional<int> CBitmapSlider::keyTarget(int key) const {
    switch (key) {
        case Qt::Key_PageUp:
            return pos_ - page_;
        case Qt::Key_PageDown:
            return pos_ + page_;
        case Qt::Key_End:
            return max_;
        case Qt::Key_Home:
            return min_;
        case Qt::Key_Right:
        case Qt::Key_Down:
            return pos_ + 1;
        case Qt::Key_Left:
        case Qt::Key_Up:
            return pos_ - 1;
        default:
            return std::nullopt;
    }
}

void CBitmapSlider::keyPressEvent(QKeyEvent* event) {
    if (!isEnabled()) {
        QWidget::keyPressEvent(event);
        return;
    }
    // Every other key stays with the slider too (Tab never reaches here).
    event->accept();
    if (const std::optional<int> position = keyTarget(event->key())) {
        SetPos(*position);
        notify();
    }
}

void CBitmapSlider::wheelEvent(QWheelEvent* event) {
    if (!isEnabled()) {
        event->ignore();
        return;
    }
    // Wheel events reach the widget under the pointer, so it is hovered by definition.
    const QPoint angle = event->angleDelta();
    const int delta = angle.y() != 0 ? angle.y() : angle.x();
    if (delta == 0) {
        event->accept();
        return;
    }
    // Touchpads send many small deltas: add them up and move once per whole notch;
    // turning back drops what was gathered the other way.
    if ((wheelRest_ > 0 && delta < 0) || (wheelRest_ < 0 && delta > 0)) {
        wheelRest_ = 0;
    }
    wheelRest_ += delta;
    const int notches = wheelRest_ / kWheelNotch;
    wheelRest_ -= notches * kWheelNotch;
    if (notches != 0) {
        // Up (away from the user) moves toward the minimum.
        SetPos(pos_ - notches);
        notify();
    }
    event->accept();
}

void CBitmapSlider::enterEvent(QEnterEvent* event) {
    hover_ = true;
    update();
    QWidget::enterEvent(event);
}

void CBitmapSlider::leaveEvent(QEvent* event) {
    hover_ = false;
    wheelRest_ = 0;
    update();
    QWidget::leaveEvent(event);
}

bool CBitmapSlider::event(QEvent* event) {
    // The slider keeps every key except Tab, which still moves the focus.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab) {
            event->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

}  // namespace quorvane
