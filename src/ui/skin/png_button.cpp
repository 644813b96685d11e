#include "ui/skin/png_button.h"

#include <QEnterEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace quorvane {

int qtTextFlags(unsigned format) {
    int flags = 0;
    if (format & text_format::kCenter) {
        flags |= Qt::AlignHCenter;
    } else if (format & text_format::kRight) {
        flags |= Qt::AlignRight;
    } else {
        flags |= Qt::AlignLeft;
    }
    // Vertical placement only applies to single-line text, as with the original flags.
    if ((format & text_format::kSingleLine) && (format & text_format::kVCenter)) {
        flags |= Qt::AlignVCenter;
    } else if ((format & text_format::kSingleLine) && (format & text_format::kBottom)) {
        flags |= Qt::AlignBottom;
    } else {
        flags |= Qt::AlignTop;
    }
    if (format & text_format::kSingleLine) {
        flags |= Qt::TextSingleLine;
    } else if (format & text_format::kWordBreak) {
        flags |= Qt::TextWordWrap;
    }
    return flags;
}

CPngButton::CPngButton(QWidget* parent) : QAbstractButton(parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    tooltipTimer_.setSingleShot(true);
    tooltipTimer_.setInterval(kTooltipDelayMs);
    connect(&tooltipTimer_, &QTimer::timeout, this, [this] {
        if (hover_) {
            showTooltipNow();
        }
    });
}

void CPngButton::SetPictures(int x, int y, const QPixmap& normal, const QPixmap& over,
                             const QPixmap& down, const QPixmap& disabled, const QPixmap& checked,
                             bool redraw) {
    offsetX_ = x;
    offsetY_ = y;
    hover_ = false;
    setDown(false);
    SetPictureSet(normal, over, down, disabled, checked, redraw);
}

void CPngButton::SetPictureSet(const QPixmap& normal, const QPixmap& over, const QPixmap& down,
                               const QPixmap& disabled, const QPixmap& checked, bool redraw) {
    normal_ = normal;
    over_ = over;
    down_ = down;
    disabled_ = disabled;
    checkedPic_ = checked;
    if (redraw) {
        update();
    }
}

void CPngButton::SetColourPictures(const QPixmap& colour0, const QPixmap& colour1, bool modeOn,
                                   bool flag, bool redraw) {
    colour0_ = colour0;
    colour1_ = colour1;
    colourMode_ = modeOn;
    colourFlag_ = flag;
    if (redraw) {
        update();
    }
}

void CPngButton::SetOffset(int x, int y, bool redraw) {
    offsetX_ = x;
    offsetY_ = y;
    if (redraw) {
        update();
    }
}

void CPngButton::SetChecked(bool on, bool redraw) {
    checked_ = on;
    if (redraw) {
        update();
    }
}

void CPngButton::SetOutline(const QColor& colour, int value, bool on) {
    outlineOn_ = on;
    outlineColour_ = colour;
    outlineValue_ = on ? std::min(value, 100) : value;
    update();
}

void CPngButton::SetTextStyle(bool hasText, int pointSize, const QString& face,
                              const QColor& normal, const QColor& hover, const QColor& pressed,
                              const QColor& disabled, const QColor& further, unsigned format) {
    hasText_ = hasText;
    pointSize_ = pointSize > 0 ? pointSize : 8;
    face_ = face.isEmpty() ? QStringLiteral("Tahoma") : face;
    textNormal_ = normal;
    textHover_ = hover;
    textPressed_ = pressed;
    textDisabled_ = disabled;
    textFurther_ = further;
    format_ = format;
    update();
}

void CPngButton::SetMargins(int left, int right, int top, int bottom) {
    marginLeft_ = left;
    marginRight_ = right;
    marginTop_ = top;
    marginBottom_ = bottom;
    update();
}

void CPngButton::SetEscapement(int tenthsOfDegree, bool rotated) {
    escapement_ = tenthsOfDegree;
    rotated_ = rotated;
    update();
}

void CPngButton::SetTooltip(const QString& text, bool activate) {
    tooltip_ = text;
    tooltipActive_ = activate;
}

void CPngButton::RemoveTooltip() {
    tooltip_.clear();
    tooltipActive_ = false;
    tooltipTimer_.stop();
}

void CPngButton::SetAfterPaint(AfterPaint callback) {
    afterPaint_ = std::move(callback);
}

CPngButton::Shown CPngButton::currentState() const {
    if (!isEnabled()) {
        return Shown::Disabled;
    }
    if (colourMode_) {
        return colourFlag_ ? Shown::Colour1 : Shown::Colour0;
    }
    if (isDown()) {
        return Shown::Down;
    }
    if (hover_) {
        return Shown::Over;
    }
    if (checked_) {
        return Shown::Checked;
    }
    return Shown::Normal;
}

const QPixmap& CPngButton::picture(Shown state) const {
    switch (state) {
        case Shown::Over:
            return over_;
        case Shown::Down:
            return down_;
        case Shown::Disabled:
            return disabled_;
        case Shown::Checked:
            return checkedPic_;
        case Shown::Colour0:
            return colour0_;
        case Shown::Colour1:
            return colour1_;
        case Shown::Normal:
        case Shown::Outline:
            break;
    }
    return normal_;
}

QColor CPngButton::textColour(Shown state) const {
    switch (state) {
        case Shown::Disabled:
            return textDisabled_;
        case Shown::Down:
            return textPressed_;
        case Shown::Over:
        case Shown::Checked:
            return textHover_;
        default:
            return textNormal_;
    }
}

void CPngButton::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const Shown state = currentState();
    if (outlineOn_) {
        // Only the frame, pixels 1 and 2 in from each edge: whatever lies beneath
        // stays visible inside it.
        const int w = width();
        const int h = height();
        painter.fillRect(1, 1, w - 2, 2, outlineColour_);
        painter.fillRect(1, h - 3, w - 2, 2, outlineColour_);
        painter.fillRect(1, 3, 2, h - 6, outlineColour_);
        painter.fillRect(w - 3, 3, 2, h - 6, outlineColour_);
        lastShown_ = Shown::Outline;
    } else {
        const QPixmap& pic = picture(state);
        if (!pic.isNull()) {
            const qreal dpr = pic.devicePixelRatio();
            painter.drawPixmap(
                QRect(0, 0, width(), height()), pic,
                QRectF(offsetX_ * dpr, offsetY_ * dpr, width() * dpr, height() * dpr).toRect());
        }
        lastShown_ = state;
    }
    if (hasText_ && !text().isEmpty()) {
        drawText(painter, state);
    }
    if (afterPaint_) {
        afterPaint_(this, lastShown_ == Shown::Normal);
    }
}

void CPngButton::drawText(QPainter& painter, Shown state) {
    QFont font(face_);
    font.setPointSize(pointSize_);
    font.setWeight(rotated_ ? static_cast<QFont::Weight>(956) : QFont::Normal);
    painter.setFont(font);
    painter.setPen(textColour(state));
    const QRect area = rect().adjusted(marginLeft_, marginTop_, -marginRight_, -marginBottom_);
    const int flags = qtTextFlags(format_);
    if (escapement_ == 0) {
        painter.drawText(area, flags, text());
        return;
    }
    // Turned text is centred by its turned extent around the middle of the area.
    const QFontMetrics metrics(font);
    const int length = metrics.horizontalAdvance(text());
    painter.save();
    painter.translate(area.center());
    painter.rotate(-escapement_ / 10.0);
    painter.drawText(QRect(-length / 2 - 1, -metrics.height() / 2, length + 2, metrics.height()),
                     Qt::AlignCenter | Qt::TextSingleLine, text());
    painter.restore();
}

void CPngButton::enterEvent(QEnterEvent* event) {
    hover_ = true;
    update();
    if (tooltipActive_ && !tooltip_.isEmpty()) {
        tooltipTimer_.start();
    }
    QAbstractButton::enterEvent(event);
}

void CPngButton::leaveEvent(QEvent* event) {
    hover_ = false;
    tooltipTimer_.stop();
    update();
    QAbstractButton::leaveEvent(event);
}

void CPngButton::mouseDoubleClickEvent(QMouseEvent* event) {
    // Two fast clicks are two clicks.
    mousePressEvent(event);
}

bool CPngButton::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        if (tooltipActive_ && !tooltip_.isEmpty()) {
            showTooltipNow();
        }
        return true;
    }
    return QAbstractButton::event(event);
}

void CPngButton::showTooltipNow() {
    if (!tooltipActive_ || tooltip_.isEmpty()) {
        return;
    }
    QToolTip::showText(mapToGlobal(QPoint(0, height())), tooltip_, this, rect());
}

}  // namespace quorvane
