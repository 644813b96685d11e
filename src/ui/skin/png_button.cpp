#include "ui/skin/png_button.h"

#include <QEnterEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "ui/skin/focus_mark.h"

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
    installSkinAccessibility();
    m_tooltipTimer.setSingleShot(true);
    m_tooltipTimer.setInterval(kTooltipDelayMs);
    connect(&m_tooltipTimer, &QTimer::timeout, this, [this] {
        if (m_hover) {
            showTooltipNow();
        }
    });
}

void CPngButton::SetPictures(int x, int y, const QPixmap& normal, const QPixmap& over,
                             const QPixmap& down, const QPixmap& disabled, const QPixmap& checked,
                             bool redraw) {
    m_offsetX = x;
    m_offsetY = y;
    m_hover = false;
    setDown(false);
    SetPictureSet(normal, over, down, disabled, checked, redraw);
}

void CPngButton::SetPictureSet(const QPixmap& normal, const QPixmap& over, const QPixmap& down,
                               const QPixmap& disabled, const QPixmap& checked, bool redraw) {
    m_normal = normal;
    m_over = over;
    m_down = down;
    m_disabled = disabled;
    m_checkedPic = checked;
    if (redraw) {
        update();
    }
}

void CPngButton::SwapPictures(const std::function<QPixmap(const QPixmap&)>& swap) {
    for (QPixmap* held :
         {&m_normal, &m_over, &m_down, &m_disabled, &m_checkedPic, &m_colour0, &m_colour1}) {
        *held = swap(*held);
    }
    update();
}

void CPngButton::SetColourPictures(const QPixmap& colour0, const QPixmap& colour1, bool modeOn,
                                   bool flag, bool redraw) {
    m_colour0 = colour0;
    m_colour1 = colour1;
    m_colourMode = modeOn;
    m_colourFlag = flag;
    if (redraw) {
        update();
    }
}

void CPngButton::SetOffset(int x, int y, bool redraw) {
    m_offsetX = x;
    m_offsetY = y;
    if (redraw) {
        update();
    }
}

void CPngButton::SetChecked(bool on, bool redraw) {
    const bool changed = on != m_checked;
    m_checked = on;
    if (changed && m_role == SkinRole::Toggle) {
        announceCheckedChange(this);
    }
    if (redraw) {
        update();
    }
}

void CPngButton::SetOutline(const QColor& colour, int value, bool on) {
    m_outlineOn = on;
    m_outlineColour = colour;
    m_outlineValue = on ? std::min(value, 100) : value;
    update();
}

void CPngButton::SetTextStyle(bool hasText, int pointSize, const QString& face,
                              const QColor& normal, const QColor& hover, const QColor& pressed,
                              const QColor& disabled, const QColor& further, unsigned format) {
    m_hasText = hasText;
    m_pointSize = pointSize > 0 ? pointSize : 8;
    m_face = face.isEmpty() ? QStringLiteral("Tahoma") : face;
    m_textNormal = normal;
    m_textHover = hover;
    m_textPressed = pressed;
    m_textDisabled = disabled;
    m_textFurther = further;
    m_format = format;
    update();
}

void CPngButton::SetMargins(int left, int right, int top, int bottom) {
    m_marginLeft = left;
    m_marginRight = right;
    m_marginTop = top;
    m_marginBottom = bottom;
    update();
}

void CPngButton::SetEscapement(int tenthsOfDegree, bool rotated) {
    m_escapement = tenthsOfDegree;
    m_rotated = rotated;
    update();
}

void CPngButton::SetTooltip(const QString& text, bool activate) {
    m_tooltip = text;
    m_tooltipActive = activate;
}

void CPngButton::RemoveTooltip() {
    m_tooltip.clear();
    m_tooltipActive = false;
    m_tooltipTimer.stop();
}

void CPngButton::SetAfterPaint(AfterPaint callback) {
    m_afterPaint = std::move(callback);
}

void CPngButton::setRole(SkinRole role) {
    m_role = role;
}

CPngButton::Shown CPngButton::currentState() const {
    if (!isEnabled()) {
        return Shown::Disabled;
    }
    if (m_colourMode) {
        return m_colourFlag ? Shown::Colour1 : Shown::Colour0;
    }
    if (isDown()) {
        return Shown::Down;
    }
    if (m_hover) {
        return Shown::Over;
    }
    if (m_checked) {
        return Shown::Checked;
    }
    return Shown::Normal;
}

const QPixmap& CPngButton::picture(Shown state) const {
    switch (state) {
        case Shown::Over:
            return m_over;
        case Shown::Down:
            return m_down;
        case Shown::Disabled:
            return m_disabled;
        case Shown::Checked:
            return m_checkedPic;
        case Shown::Colour0:
            return m_colour0;
        case Shown::Colour1:
            return m_colour1;
        case Shown::Normal:
        case Shown::Outline:
            break;
    }
    return m_normal;
}

QColor CPngButton::textColour(Shown state) const {
    switch (state) {
        case Shown::Disabled:
            return m_textDisabled;
        case Shown::Down:
            return m_textPressed;
        case Shown::Over:
        case Shown::Checked:
            return m_textHover;
        default:
            return m_textNormal;
    }
}

void CPngButton::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const Shown state = currentState();
    if (m_outlineOn) {
        // Only the frame, pixels 1 and 2 in from each edge: whatever lies beneath
        // stays visible inside it.
        const int w = width();
        const int h = height();
        painter.fillRect(1, 1, w - 2, 2, m_outlineColour);
        painter.fillRect(1, h - 3, w - 2, 2, m_outlineColour);
        painter.fillRect(1, 3, 2, h - 6, m_outlineColour);
        painter.fillRect(w - 3, 3, 2, h - 6, m_outlineColour);
        m_lastShown = Shown::Outline;
    } else {
        const QPixmap& pic = picture(state);
        if (!pic.isNull()) {
            const qreal dpr = pic.devicePixelRatio();
            painter.drawPixmap(
                QRect(0, 0, width(), height()), pic,
                QRectF(m_offsetX * dpr, m_offsetY * dpr, width() * dpr, height() * dpr).toRect());
        }
        m_lastShown = state;
    }
    if (m_hasText && !text().isEmpty()) {
        drawText(painter, state);
    }
    if (hasFocus() && m_markFocus && focusPolicy() != Qt::NoFocus) {
        drawFocusMark(painter, rect());
    }
    if (m_afterPaint) {
        m_afterPaint(this, m_lastShown == Shown::Normal);
    }
}

QFont CPngButton::textFont() const {
    QFont font(m_face);
    font.setPointSize(m_pointSize);
    font.setWeight(m_rotated ? static_cast<QFont::Weight>(956) : QFont::Normal);
    return font;
}

QRect CPngButton::textArea() const {
    return rect().adjusted(m_marginLeft, m_marginTop, -m_marginRight, -m_marginBottom);
}

namespace {

// Whether `text` turned by `tenths` of a degree fits `area` whole.
bool turnedFits(const QFontMetrics& metrics, const QString& text, int tenths, const QRect& area) {
    const double turn = tenths / 10.0 * std::numbers::pi / 180.0;
    const double length = metrics.horizontalAdvance(text);
    const double across =
        length * std::abs(std::cos(turn)) + metrics.height() * std::abs(std::sin(turn));
    const double up =
        length * std::abs(std::sin(turn)) + metrics.height() * std::abs(std::cos(turn));
    return std::ceil(across) <= area.width() && std::ceil(up) <= area.height();
}

}  // namespace

CPngButton::Caption CPngButton::caption() const {
    Caption c{m_escapement, textFont(), text()};
    if (m_escapement == 0) {
        return c;
    }
    const QRect area = textArea();
    const int step = m_escapement > 0 ? 10 : -10;
    for (; c.escapement * step > 0; c.escapement -= step) {
        if (turnedFits(QFontMetrics(c.font), c.text, c.escapement, area)) {
            return c;
        }
    }
    c.escapement = 0;
    constexpr int kSmallestPoints = 7;
    for (int points = c.font.pointSize(); points >= kSmallestPoints; --points) {
        c.font.setPointSize(points);
        if (turnedFits(QFontMetrics(c.font), c.text, 0, area)) {
            return c;
        }
    }
    c.font.setPointSize(kSmallestPoints);
    c.text = QFontMetrics(c.font).elidedText(c.text, Qt::ElideRight, area.width());
    return c;
}

void CPngButton::drawText(QPainter& painter, Shown state) {
    const Caption shown = caption();
    painter.setFont(shown.font);
    painter.setPen(textColour(state));
    const QRect area = textArea();
    if (shown.escapement == 0) {
        painter.drawText(
            area, m_escapement == 0 ? qtTextFlags(m_format) : static_cast<int>(Qt::AlignCenter),
            shown.text);
        return;
    }
    // Turned text is centred by its turned extent around the middle of the area.
    const QFontMetrics metrics(shown.font);
    const int length = metrics.horizontalAdvance(shown.text);
    painter.save();
    painter.translate(area.center());
    painter.rotate(-shown.escapement / 10.0);
    painter.drawText(QRect(-length / 2 - 1, -metrics.height() / 2, length + 2, metrics.height()),
                     Qt::AlignCenter | Qt::TextSingleLine, shown.text);
    painter.restore();
}

void CPngButton::enterEvent(QEnterEvent* event) {
    m_hover = true;
    update();
    if (m_tooltipActive && !m_tooltip.isEmpty()) {
        m_tooltipTimer.start();
    }
    QAbstractButton::enterEvent(event);
}

void CPngButton::leaveEvent(QEvent* event) {
    m_hover = false;
    m_tooltipTimer.stop();
    update();
    QAbstractButton::leaveEvent(event);
}

void CPngButton::hideEvent(QHideEvent* event) {
    // Not every window system says the pointer left a window that hides
    // (Wayland does not): reopened, the button would still show its hover.
    m_hover = false;
    m_tooltipTimer.stop();
    QAbstractButton::hideEvent(event);
}

void CPngButton::mouseDoubleClickEvent(QMouseEvent* event) {
    // Two fast clicks are two clicks.
    mousePressEvent(event);
}

void CPngButton::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if ((key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down) &&
        m_arrowKeys && m_arrowKeys(this, key)) {
        event->accept();
        return;
    }
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (m_enterActivates && isEnabled() &&
            (m_role == SkinRole::Push || m_role == SkinRole::Toggle)) {
            click();
            event->accept();
        } else {
            event->ignore();  // to the window, whose rule for Enter applies
        }
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

bool CPngButton::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        if (m_tooltipActive && !m_tooltip.isEmpty()) {
            showTooltipNow();
        }
        return true;
    }
    return QAbstractButton::event(event);
}

void CPngButton::showTooltipNow() {
    if (!m_tooltipActive || m_tooltip.isEmpty()) {
        return;
    }
    QToolTip::showText(mapToGlobal(QPoint(0, height())), m_tooltip, this, rect());
}

void CPngButton::focusInEvent(QFocusEvent* event) {
    m_markFocus = marksFocus(event->reason());
    QAbstractButton::focusInEvent(event);
}

}  // namespace quorvane
