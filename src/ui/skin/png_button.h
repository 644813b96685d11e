// An image button that shows, in each state, the part of a full-window picture
// lying under its own rectangle.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QString>
#include <QTimer>

#include <functional>

#include "ui/skin/skin_role.h"

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
    // Trades each picture held for what `swap` makes of it (the window's
    // decoded pictures for stand-ins while it is hidden, and back).
    void SwapPictures(const std::function<QPixmap(const QPixmap&)>& swap);
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

    // What the button is to a screen reader; a focusable Push or Toggle button
    // also takes Space and Enter (unless told not to: OK and Cancel never
    // answer Enter).
    void setRole(SkinRole role);
    SkinRole role() const { return m_role; }
    void setEnterActivates(bool on) { m_enterActivates = on; }
    bool enterActivates() const { return m_enterActivates; }
    // Sees the arrow keys first while the button has the focus; true: handled.
    using ArrowKeys = std::function<bool(CPngButton*, int key)>;
    void setArrowKeys(ArrowKeys handler) { m_arrowKeys = std::move(handler); }

    bool isChecked() const { return m_checked; }
    bool isHovered() const { return m_hover; }
    bool colourMode() const { return m_colourMode; }
    bool outlineOn() const { return m_outlineOn; }
    QColor outlineColour() const { return m_outlineColour; }
    int outlineValue() const { return m_outlineValue; }
    QPoint offset() const { return {m_offsetX, m_offsetY}; }
    const QString& tooltipText() const { return m_tooltip; }
    bool tooltipActive() const { return m_tooltipActive; }
    Shown lastShown() const { return m_lastShown; }
    // The picture and text colour the next paint would use.
    Shown currentState() const;
    const QPixmap& picture(Shown state) const;
    QColor textColour(Shown state) const;
    // The font and the rectangle the caption is drawn with and in.
    QFont textFont() const;
    QRect textArea() const;
    bool hasText() const { return m_hasText; }
    int escapement() const { return m_escapement; }
    // How the caption is drawn: a turned caption keeps the skin's turn while
    // it fits the area; a longer one turns less, then shrinks, then ends in an
    // ellipsis, so a long profile name is never cut at the edges.
    struct Caption {
        int escapement = 0;  // tenths of a degree
        QFont font;
        QString text;
    };
    Caption caption() const;

    static constexpr int kTooltipDelayMs = 300;

  protected:
    void focusInEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

  private:
    bool m_markFocus = false;  // the focus came from the keyboard
    void drawText(class QPainter& painter, Shown state);
    void showTooltipNow();

    QPixmap m_normal, m_over, m_down, m_disabled, m_checkedPic;
    QPixmap m_colour0, m_colour1;
    bool m_colourMode = false;
    bool m_colourFlag = false;
    bool m_hover = false;
    bool m_checked = false;
    int m_offsetX = 0;
    int m_offsetY = 0;

    bool m_hasText = false;
    int m_pointSize = 8;
    QString m_face = QStringLiteral("Tahoma");
    QColor m_textNormal{Qt::black}, m_textHover{Qt::black}, m_textPressed{Qt::black},
        m_textDisabled{Qt::gray}, m_textFurther{Qt::black};
    unsigned m_format = text_format::kDefault;
    int m_marginLeft = 0, m_marginRight = 0, m_marginTop = 0, m_marginBottom = 0;
    int m_escapement = 0;
    bool m_rotated = false;

    AfterPaint m_afterPaint;
    SkinRole m_role = SkinRole::Push;
    bool m_enterActivates = true;
    ArrowKeys m_arrowKeys;
    bool m_outlineOn = false;
    QColor m_outlineColour;
    int m_outlineValue = 0;

    QString m_tooltip;
    bool m_tooltipActive = false;
    QTimer m_tooltipTimer;
    Shown m_lastShown = Shown::Normal;
};

}  // namespace quorvane
