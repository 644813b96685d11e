// An image button that shows, in each state, the part of a full-window picture
// lying under its own rectangle.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QPixmap>
#include <QString>
#include <QTimer>

#include <functional>

namespace quorvane {

// Text format bits as the layout and language data give them.
namespace text_format {
inline constexpr unsigned kCenter = 0x01;
inline constexpr unsigned kRight = 0x02;
inline constexpr unsigned kVCenter = 0x04;
inline constexpr unsigned kBottom = 0x08;
inline constexpr unsigned kWordBreak = 0x10;
inline constexpr unsigned kSingleLine = 0x20;
inline constexpr unsigned kDefault = 37;  // centred both ways, one line
}  // namespace text_format

// Qt alignment and text flags for a text format word.
int qtTextFlags(unsigned format);

class CPngButton : public QAbstractButton {
    Q_OBJECT
  public:
    // Which picture the last paint used (also what tests look at).
    enum class Shown { Normal, Over, Down, Disabled, Checked, Colour0, Colour1, Outline };

    // Runs after every paint with the button and whether the normal picture was shown.
    using AfterPaint = std::function<void(CPngButton*, bool normalShown)>;

    explicit CPngButton(QWidget* parent = nullptr);

    void SetPictures(int x, int y, const QPixmap& normal, const QPixmap& over, const QPixmap& down,
                     const QPixmap& disabled, const QPixmap& checked, bool redraw);
    void SetPictureSet(const QPixmap& normal, const QPixmap& over, const QPixmap& down,
                       const QPixmap& disabled, const QPixmap& checked, bool redraw);
    void SetColourPictures(const QPixmap& colour0, const QPixmap& colour1, bool modeOn, bool flag,
                           bool redraw);
    void SetOffset(int x, int y, bool redraw);
    void SetChecked(bool on, bool redraw);
    // The value is capped at 100 while the outline is on. Always repaints.
    void SetOutline(const QColor& colour, int value, bool on);
    void SetTextStyle(bool hasText, int pointSize, const QString& face, const QColor& normal,
                      const QColor& hover, const QColor& pressed, const QColor& disabled,
                      const QColor& further, unsigned format);
    void SetMargins(int left, int right, int top, int bottom);
    void SetEscapement(int tenthsOfDegree, bool rotated);
    void SetTooltip(const QString& text, bool activate);
    void RemoveTooltip();
    void SetAfterPaint(AfterPaint callback);

    bool isChecked() const { return checked_; }
    bool isHovered() const { return hover_; }
    bool colourMode() const { return colourMode_; }
    bool outlineOn() const { return outlineOn_; }
    QColor outlineColour() const { return outlineColour_; }
    int outlineValue() const { return outlineValue_; }
    QPoint offset() const { return {offsetX_, offsetY_}; }
    const QString& tooltipText() const { return tooltip_; }
    bool tooltipActive() const { return tooltipActive_; }
    Shown lastShown() const { return lastShown_; }
    // The picture and text colour the next paint would use.
    Shown currentState() const;
    const QPixmap& picture(Shown state) const;
    QColor textColour(Shown state) const;

    static constexpr int kTooltipDelayMs = 300;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

  private:
    void drawText(class QPainter& painter, Shown state);
    void showTooltipNow();

    QPixmap normal_, over_, down_, disabled_, checkedPic_;
    QPixmap colour0_, colour1_;
    bool colourMode_ = false;
    bool colourFlag_ = false;
    bool hover_ = false;
    bool checked_ = false;
    int offsetX_ = 0;
    int offsetY_ = 0;

    bool hasText_ = false;
    int pointSize_ = 8;
    QString face_ = QStringLiteral("Tahoma");
    QColor textNormal_{Qt::black}, textHover_{Qt::black}, textPressed_{Qt::black},
        textDisabled_{Qt::gray}, textFurther_{Qt::black};
    unsigned format_ = text_format::kDefault;
    int marginLeft_ = 0, marginRight_ = 0, marginTop_ = 0, marginBottom_ = 0;
    int escapement_ = 0;
    bool rotated_ = false;

    AfterPaint afterPaint_;
    bool outlineOn_ = false;
    QColor outlineColour_;
    int outlineValue_ = 0;

    QString tooltip_;
    bool tooltipActive_ = false;
    QTimer tooltipTimer_;
    Shown lastShown_ = Shown::Normal;
};

}  // namespace quorvane
