#include "ui/skin/picture_switch.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "ui/skin/focus_mark.h"

namespace quorvane {

CPictureSwitch::CPictureSwitch(QWidget* parent) : QLabel(parent) {
    installSkinAccessibility();
    setFocusPolicy(Qt::TabFocus);
}

void CPictureSwitch::setChecked(bool on) {
    if (on == m_checked) {
        return;
    }
    m_checked = on;
    if (m_role == SkinRole::Toggle) {
        announceCheckedChange(this);
    }
}

void CPictureSwitch::click() {
    if (isEnabled() && onClick) {
        onClick();
    }
}

void CPictureSwitch::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (hasFocus() && m_markFocus) {
        QPainter painter(this);
        drawFocusMark(painter, rect());
    }
}

// The press is the switch's: passed on, the window would take it as the
// start of a move.
void CPictureSwitch::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

void CPictureSwitch::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        click();
    }
}

void CPictureSwitch::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Space:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (!event->isAutoRepeat()) {
                click();
            }
            event->accept();
            return;
        default:
            QLabel::keyPressEvent(event);
    }
}

void CPictureSwitch::focusInEvent(QFocusEvent* event) {
    m_markFocus = marksFocus(event->reason());
    QLabel::focusInEvent(event);
}

}  // namespace quorvane
