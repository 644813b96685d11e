// A colour picker button: a swatch and a drop arrow that open a palette popup.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QList>
#include <QPointer>

#include <optional>

class QFrame;

namespace quorvane {

class CSkinColorBtn : public QAbstractButton {
    Q_OBJECT
  public:
    explicit CSkinColorBtn(QWidget* parent = nullptr);
    ~CSkinColorBtn() override;

    // The chosen colour, or the automatic colour when none is chosen.
    QColor GetColor() const { return m_colour.value_or(m_automatic); }
    bool isAutomatic() const { return !m_colour.has_value(); }
    void SetColor(const QColor& colour);
    void SetAutomatic();
    void SetAutomaticColor(const QColor& colour);
    QColor automaticColor() const { return m_automatic; }

    void SetColumns(int columns);
    int columns() const { return m_columns; }
    void SetPaletteColours(const QList<QColor>& colours);
    const QList<QColor>& paletteColours() const { return m_palette; }
    // The extra button under the palette that opens the full colour dialog.
    void SetOtherButton(bool on, const QString& text);
    bool hasOtherButton() const { return m_other; }

    void showPalette();
    // The popup while it is open (for tests and for closing it from outside).
    QFrame* palettePopup() const { return m_popup; }
    // What a choice in the popup does: keep the colour, close the popup, notify
    // the parent with an ordinary click.
    void chooseColour(const QColor& colour);

    static QList<QColor> defaultPalette();

  signals:
    void colourChosen(const QColor& colour);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // Opens the full colour dialog; a test can answer instead.
    virtual std::optional<QColor> askOtherColour(const QColor& initial);

  private:
    std::optional<QColor> m_colour;
    QColor m_automatic{Qt::black};
    int m_columns = 5;
    QList<QColor> m_palette;
    bool m_other = false;
    QString m_otherText = QStringLiteral("other");
    bool m_hover = false;
    QPointer<QFrame> m_popup;
};

}  // namespace quorvane
