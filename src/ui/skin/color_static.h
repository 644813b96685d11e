// A label drawn in its own colour straight onto the dialog's picture.
#pragma once

#include <QColor>
#include <QLabel>

namespace quorvane {

class ColorStatic : public QLabel {
    Q_OBJECT
  public:
    explicit ColorStatic(QWidget* parent = nullptr);

    void SetTextColor(const QColor& colour);
    // Kept for callers that read it back; the label never fills its background.
    void SetBkColor(const QColor& colour);
    void SetFontHeight(int pixels);
    // The face the label font is built from (the height stays as set).
    void SetFontFace(const QString& face, int weight);

    QColor textColor() const { return m_text; }
    QColor bkColor() const { return m_background; }

  private:
    void applyPalette();

    QColor m_text{Qt::black};
    QColor m_background{Qt::white};
};

}  // namespace quorvane
