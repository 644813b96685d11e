// A slider drawn as one picture per position; the parent supplies the pictures.
#pragma once

#include <QEvent>
#include <QPixmap>
#include <QWidget>

#include <optional>

#include "core/window/main_window_messages.h"  // UM_SLIDER_MOVED: control id and position

namespace quorvane {

// Posted to the slider's parent for every notification (besides the signal), so a
// parent that handles window messages by number sees it in its event queue.
class SliderMovedEvent : public QEvent {
  public:
    static constexpr QEvent::Type kType =
        static_cast<QEvent::Type>(QEvent::User + static_cast<int>(UM_SLIDER_MOVED));

    SliderMovedEvent(int controlId, int position)
        : QEvent(kType), m_controlId(controlId), m_position(position) {}

    int controlId() const { return m_controlId; }
    int position() const { return m_position; }

  private:
    int m_controlId;
    int m_position;
};

class CBitmapSlider : public QWidget {
    Q_OBJECT
  public:
    explicit CBitmapSlider(QWidget* parent = nullptr, int controlId = 0);

    int controlId() const { return m_controlId; }
    void setControlId(int id) { m_controlId = id; }

    void SetPicture(const QPixmap& picture);
    void SetPictureAndSize(const QPixmap& picture);
    void SetRange(int minimum, int maximum);
    void SetPageStep(int step);
    // Clamped to the range; repaints.
    void SetPos(int position);
    void SetVertical(bool vertical);
    // Moves as the user would, telling the owner (a screen reader sets the value so).
    void moveTo(int position);

    int GetPos() const { return m_pos; }
    int minimum() const { return m_min; }
    int maximum() const { return m_max; }
    int pageStep() const { return m_page; }
    bool isVertical() const { return m_vertical; }
    bool isHovered() const { return m_hover; }
    bool isDragging() const { return m_dragging; }
    const QPixmap& picture() const { return m_picture; }

    // The position under a mouse point (not clamped) and the pixel of a position.
    int positionAt(QPoint point) const;
    int pixelOf(int position) const;

    // A wheel notch is 120 eighths of a degree.
    static constexpr int kWheelNotch = 120;

  signals:
    void sliderMoved(int controlId, int position);

  protected:
    void focusInEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool event(QEvent* event) override;

  private:
    bool m_markFocus = false;  // the focus came from the keyboard
    int clamp(int position) const;
    // Where a key moves the slider (not clamped); nullopt for other keys.
    std::optional<int> keyTarget(int key) const;
    void notify();

    int m_controlId;
    int m_min = 0;
    int m_max = 100;
    int m_pos = 0;
    int m_page = 10;
    bool m_vertical = false;
    bool m_dragging = false;
    bool m_hover = false;
    int m_wheelRest = 0;
    QPixmap m_picture;
};

}  // namespace quorvane
