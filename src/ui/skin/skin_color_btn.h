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
    QColor GetColor() const { return colour_.value_or(automatic_); }
    bool isAutomatic() const { return !colour_.has_value(); }
    void SetColor(const QColor& colour);
    void SetAutomatic();
    void SetAutomaticColor(const QColor& colour);
    QColor automaticColor() const { return automatic_; }

    void SetColumns(int columns);
    int columns() const { return columns_; }
    void SetPaletteColours(const QList<QColor>& colours);
    const QList<QColor>& paletteColours() const { return palette_; }
    // The extra button under the palette that opens the full colour dialog.
    void SetOtherButton(bool on, const QString& text);
    bool hasOtherButton() const { return other_; }

    void showPalette();
    // The popup while it is open (for tests and for closing it from outside).
    QFrame* palettePopup() const { return popup_; }
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
    // Opens the full colour dialog; a test can answer instead.
    virtual std::optional<QColor> askOtherColour(const QColor& initial);

  private:
    std::optional<QColor> colour_;
    QColor automatic_{Qt::black};
    int columns_ = 5;
    QList<QColor> palette_;
    bool other_ = false;
    QString otherText_ = QStringLiteral("other");
    bool hover_ = false;
    QPointer<QFrame> popup_;
};

}  // namespace quorvane
