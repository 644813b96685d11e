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
        : QEvent(kType), controlId_(controlId), position_(position) {}

    int controlId() const { return controlId_; }
    int position() const { return position_; }

  private:
    int controlId_;
    int position_;
};

class CBitmapSlider : public QWidget {
    Q_OBJECT
  public:
    explicit CBitmapSlider(QWidget* parent = nullptr, int controlId = 0);

    int controlId() const { return controlId_; }
    void setControlId(int id) { controlId_ = id; }

    void SetPicture(const QPixmap& picture);
    void SetPictureAndSize(const QPixmap& picture);
    void SetRange(int minimum, int maximum);
    void SetPageStep(int step);
    // Clamped to the range; repaints.
    void SetPos(int position);
    void SetVertical(bool vertical);

    int GetPos() const { return pos_; }
    int minimum() const { return min_; }
    int maximum() const { return max_; }
    int pageStep() const { return page_; }
    bool isVertical() const { return vertical_; }
    bool isHovered() const { return hover_; }
    bool isDragging() const { return dragging_; }
    const QPixmap& picture() const { return picture_; }

    // The position under a mouse point (not clamped) and the pixel of a position.
    int positionAt(QPoint point) const;
    int pixelOf(int position) const;

    // A wheel notch is 120 eighths of a degree.
    static constexpr int kWheelNotch = 120;

  signals:
    void sliderMoved(int controlId, int position);

  protected:
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
    int clamp(int position) const;
    // Where a key moves the slider (not clamped); nullopt for other keys.
    std::optional<int> keyTarget(int key) const;
    void notify();

    int controlId_;
    int min_ = 0;
    int max_ = 100;
    int pos_ = 0;
    int page_ = 10;
    bool vertical_ = false;
    bool dragging_ = false;
    bool hover_ = false;
    int wheelRest_ = 0;
    QPixmap picture_;
};

}  // namespace quorvane
