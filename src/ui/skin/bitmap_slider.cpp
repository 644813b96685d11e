#include "ui/skin/bitmap_slider.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>

#include "ui/skin/focus_mark.h"
#include "ui/skin/skin_role.h"

namespace quorvane {

CBitmapSlider::CBitmapSlider(QWidget* parent, int controlId)
    : QWidget(parent), m_controlId(controlId) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    installSkinAccessibility();
}

void CBitmapSlider::SetPicture(const QPixmap& picture) {
    m_picture = picture;
    update();
}

void CBitmapSlider::SetPictureAndSize(const QPixmap& picture) {
    m_picture = picture;
    if (!picture.isNull()) {
        resize(picture.deviceIndependentSize().toSize());
    }
    update();
}

void CBitmapSlider::SetRange(int minimum, int maximum) {
    m_min = minimum;
    m_max = std::max(minimum, maximum);
    m_pos = clamp(m_pos);
    update();
}

void CBitmapSlider::SetPageStep(int step) {
    m_page = step;
}

void CBitmapSlider::SetPos(int position) {
    const int before = m_pos;
    m_pos = clamp(position);
    update();
    if (m_pos != before && QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, m_pos);
        QAccessible::updateAccessibility(&event);
    }
}

void CBitmapSlider::moveTo(int position) {
    if (!isEnabled()) {
        return;
    }
    SetPos(position);
    notify();
}

void CBitmapSlider::SetVertical(bool vertical) {
    m_vertical = vertical;
}

int CBitmapSlider::clamp(int position) const {
    return std::clamp(position, m_min, m_max);
}

int CBitmapSlider::positionAt(QPoint point) const {
    const int span = m_max - m_min;
    if (m_vertical) {
        // Vertical sliders follow the y coordinate.
        if (height() <= 0) {
            return m_min;
        }
        return m_min + static_cast<int>(static_cast<double>(point.y()) / height() * span);
    }
    if (width() <= 0) {
        return m_min;
    }
    return m_min + static_cast<int>(static_cast<double>(point.x() + 10) / width() * span);
}

int CBitmapSlider::pixelOf(int position) const {
    const int span = m_max - m_min;
    if (span == 0) {
        return 0;
    }
    const int extent = m_vertical ? height() : width();
    return static_cast<int>(static_cast<double>(position - m_min) / span * extent);
}

void CBitmapSlider::notify() {
    emit sliderMoved(m_controlId, m_pos);
    if (QWidget* target = parentWidget()) {
        // The event queue takes ownership of posted events.
        QCoreApplication::postEvent(
            target,
            new SliderMovedEvent(m_controlId, m_pos));  // NOLINT(cppcoreguidelines-owning-memory)
    }
}

void CBitmapSlider::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    if (!m_picture.isNull()) {
        painter.drawPixmap(0, 0, m_picture);
    }
    if (hasFocus() && m_markFocus) {
        drawFocusMark(painter, rect());
    }
}

void CBitmapSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        QWidget::mousePressEvent(event);
        return;
    }
    grabMouse();
    setFocus(Qt::MouseFocusReason);
    m_hover = true;
    m_dragging = true;
    const int position = clamp(positionAt(event->position().toPoint()));
    if (position != m_pos) {
        SetPos(position);
        notify();
    }
    event->accept();
}

void CBitmapSlider::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging && isEnabled()) {
        const int position = clamp(positionAt(event->position().toPoint()));
        if (position != m_pos) {
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
    m_dragging = false;
    notify();
    event->accept();
}

std::optional<int> CBitmapSlider::keyTarget(int key) const {
    switch (key) {
        case Qt::Key_PageUp:
            return m_pos - m_page;
        case Qt::Key_PageDown:
            return m_pos + m_page;
        case Qt::Key_End:
            return m_max;
        case Qt::Key_Home:
            return m_min;
        case Qt::Key_Right:
        case Qt::Key_Down:
            return m_pos + 1;
        case Qt::Key_Left:
        case Qt::Key_Up:
            return m_pos - 1;
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
    if ((m_wheelRest > 0 && delta < 0) || (m_wheelRest < 0 && delta > 0)) {
        m_wheelRest = 0;
    }
    m_wheelRest += delta;
    const int notches = m_wheelRest / kWheelNotch;
    m_wheelRest -= notches * kWheelNotch;
    if (notches != 0) {
        // Up (away from the user) moves toward the minimum.
        SetPos(m_pos - notches);
        notify();
    }
    event->accept();
}

void CBitmapSlider::enterEvent(QEnterEvent* event) {
    m_hover = true;
    update();
    QWidget::enterEvent(event);
}

void CBitmapSlider::leaveEvent(QEvent* event) {
    m_hover = false;
    m_wheelRest = 0;
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

void CBitmapSlider::focusInEvent(QFocusEvent* event) {
    m_markFocus = marksFocus(event->reason());
    QWidget::focusInEvent(event);
}

}  // namespace quorvane
