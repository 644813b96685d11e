#include "ui/skin/skin_color_btn.h"
#include "ui/skin/qt_owned.h"

#include <QColorDialog>
#include <QFrame>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QToolButton>

#include "ui/skin/skin_color.h"
#include "ui/skin/skin_fields.h"

namespace quorvane {

CSkinColorBtn::CSkinColorBtn(QWidget* parent)
    : QAbstractButton(parent), m_palette(defaultPalette()) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
}

CSkinColorBtn::~CSkinColorBtn() {
    if (m_popup) {
        m_popup->deleteLater();
    }
}

QList<QColor> CSkinColorBtn::defaultPalette() {
    static const unsigned kRgb[] = {
        0x000000, 0x7F7F7F, 0xC3C3C3, 0xFFFFFF, 0x880015,  //
        0xED1C24, 0xFF7F27, 0xFFC90E, 0xFFF200, 0xB5E61D,  //
        0x22B14C, 0x00A2E8, 0x3F48CC, 0x7092BE, 0xA349A4,  //
        0xFF00FF, 0x00FFFF, 0x00FF00, 0x0000FF, 0xFF0000,  //
        0xFFAEC9, 0x99D9EA, 0xC8BFE7, 0xEFE4B0, 0xFF8040,
    };
    QList<QColor> colours;
    for (unsigned v : kRgb) {
        colours.append(QColor::fromRgb(v));
    }
    return colours;
}

void CSkinColorBtn::SetColor(const QColor& colour) {
    m_colour = colour;
    update();
}

void CSkinColorBtn::SetAutomatic() {
    m_colour.reset();
    update();
}

void CSkinColorBtn::SetAutomaticColor(const QColor& colour) {
    m_automatic = colour;
    update();
}

void CSkinColorBtn::SetColumns(int columns) {
    m_columns = columns > 0 ? columns : 5;
}

void CSkinColorBtn::SetPaletteColours(const QList<QColor>& colours) {
    m_palette = colours;
}

void CSkinColorBtn::SetOtherButton(bool on, const QString& text) {
    m_other = on;
    if (!text.isEmpty()) {
        m_otherText = text;
    }
}

void CSkinColorBtn::showPalette() {
    if (m_popup) {
        m_popup->close();
    }
    auto* popup = qtOwned<QFrame>(this, Qt::Popup);
    popup->setAttribute(Qt::WA_DeleteOnClose);
    popup->setFrameShape(QFrame::Box);
    popup->setStyleSheet(QStringLiteral("QFrame{background:#1b1e24;border:1px solid #3a404a;}"));
    auto* grid = qtOwned<QGridLayout>(popup);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setSpacing(3);
    for (int i = 0; i < m_palette.size(); ++i) {
        auto* swatch = qtOwned<QToolButton>(popup);
        const QColor c = m_palette[i];
        swatch->setFixedSize(18, 18);
        swatch->setToolTip(c.name());
        swatch->setAccessibleName(c.name());
        swatch->setStyleSheet(QStringLiteral("QToolButton{background:%1;border:1px solid #555;}"
                                             "QToolButton:hover{border:2px solid #fff;}"
                                             "QToolButton:focus{border:2px solid #ffe060;}")
                                  .arg(c.name()));
        connect(swatch, &QToolButton::clicked, this, [this, c] { chooseColour(c); });
        grid->addWidget(swatch, i / m_columns, i % m_columns);
    }
    if (m_other) {
        auto* more = qtOwned<QPushButton>(m_otherText, popup);
        more->setStyleSheet(
            QStringLiteral("QPushButton{color:#ddd;background:#2a2f38;"
                           "border:1px solid #555;padding:2px;}"));
        connect(more, &QPushButton::clicked, this, [this] {
            if (m_popup) {
                m_popup->close();
            }
            if (const std::optional<QColor> c = askOtherColour(GetColor())) {
                chooseColour(*c);
            }
        });
        const int rows = (static_cast<int>(m_palette.size()) + m_columns - 1) / m_columns;
        grid->addWidget(more, rows, 0, 1, m_columns);
    }
    m_popup = popup;
    popup->adjustSize();
    popup->move(mapToGlobal(QPoint(0, height())));
    popup->show();
}

void CSkinColorBtn::chooseColour(const QColor& colour) {
    if (m_popup) {
        m_popup->close();
    }
    m_colour = colour;
    update();
    emit colourChosen(colour);
    emit clicked(false);
}

std::optional<QColor> CSkinColorBtn::askOtherColour(const QColor& initial) {
    const QColor c = QColorDialog::getColor(initial, this);
    if (!c.isValid()) {
        return std::nullopt;
    }
    return c;
}

void CSkinColorBtn::paintEvent(QPaintEvent* /*event*/) {
    QPainter p(this);
    const QRect r = rect();
    // The drop-down part wears the skin's dark fields, as the effect list does.
    p.setPen(kSkinFieldBorder);
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    const int split = std::min(r.width() - 2, r.width() / 2 + 5);
    const QRect swatch(1, 1, split - 1, r.height() - 2);
    p.fillRect(swatch, isEnabled() ? GetColor() : GetColor().darker(180));
    const QRect box(split, 1, r.width() - split - 1, r.height() - 2);
    p.fillRect(box, kSkinFieldFill);
    p.fillRect(QRect(split, 1, 1, r.height() - 2), kSkinFieldBorder);
    if (m_hover) {
        p.fillRect(box, QColor(255, 255, 255, 40));
    }
    // A 6-pixel wide arrow near the right edge.
    const int ax = r.width() - 6 - std::max(3, box.width() / 2 - 3);
    const int ay = r.height() / 2 - 1;
    QPainterPath arrow;
    arrow.moveTo(ax, ay);
    arrow.lineTo(ax + 6, ay);
    arrow.lineTo(ax + 3, ay + 3);
    arrow.closeSubpath();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillPath(arrow, isEnabled() ? kSkinFieldText : kSkinFieldBorder);
    if (hasFocus()) {
        QPen pen(Qt::white);
        pen.setStyle(Qt::DotLine);
        p.setPen(pen);
        p.drawRect(r.adjusted(3, 3, -4, -4));
    }
}

void CSkinColorBtn::mouseReleaseEvent(QMouseEvent* event) {
    const bool inside = rect().contains(event->position().toPoint());
    setDown(false);
    if (event->button() == Qt::LeftButton && inside && isEnabled()) {
        showPalette();
    }
    event->accept();
}

void CSkinColorBtn::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Down) {
        showPalette();
        event->accept();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void CSkinColorBtn::keyReleaseEvent(QKeyEvent* event) {
    // Only a colour choice notifies the parent, never the key that opened the popup.
    if (event->key() == Qt::Key_Space) {
        setDown(false);
        event->accept();
        return;
    }
    QAbstractButton::keyReleaseEvent(event);
}

void CSkinColorBtn::enterEvent(QEnterEvent* event) {
    m_hover = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CSkinColorBtn::leaveEvent(QEvent* event) {
    m_hover = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void CSkinColorBtn::hideEvent(QHideEvent* event) {
    // The window may hide under the pointer without a leave (Wayland).
    m_hover = false;
    QAbstractButton::hideEvent(event);
}

}  // namespace quorvane
