#include "ui/skin/color_static.h"

#include <QPalette>

namespace quorvane {

ColorStatic::ColorStatic(QWidget* parent) : QLabel(parent) {
    setAutoFillBackground(false);
    setAttribute(Qt::WA_TranslucentBackground);
    applyPalette();
}

void ColorStatic::SetTextColor(const QColor& colour) {
    text_ = colour;
    applyPalette();
    repaint();
}

void ColorStatic::SetBkColor(const QColor& colour) {
    background_ = colour;
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
    p.setColor(QPalette::WindowText, text_);
    p.setColor(QPalette::Text, text_);
    setPalette(p);
}

}  // namespace quorvane
