#include "ui/skin/color_static.h"

#include <QPalette>

namespace quorvane {

ColorStatic::ColorStatic(QWidget* parent) : QLabel(parent) {
    setAutoFillBackground(false);
    setAttribute(Qt::WA_TranslucentBackground);
    applyPalette();
}

void ColorStatic::SetTextColor(const QColor& colour) {
    m_text = colour;
    applyPalette();
    repaint();
}

void ColorStatic::SetBkColor(const QColor& colour) {
    m_background = colour;
    repaint();
}

void ColorStatic::SetFontHeight(int pixels) {
    QFont f = font();
    f.setPixelSize(pixels > 0 ? pixels : 1);
    setFont(f);
}

void ColorStatic::SetFontFace(const QString& face, int weight) {
    QFont f = font();
    f.setFamily(face);
    f.setWeight(static_cast<QFont::Weight>(weight));
    setFont(f);
}

void ColorStatic::applyPalette() {
    QPalette p = palette();
    p.setColor(QPalette::WindowText, m_text);
    p.setColor(QPalette::Text, m_text);
    setPalette(p);
}

}  // namespace quorvane
