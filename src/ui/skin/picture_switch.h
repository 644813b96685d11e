// A picture that acts as a button or a switch (the lighting panel's lamp,
// directions, colours and tools): a click, Space or Enter runs `onClick`.
#pragma once

#include <QLabel>

#include <functional>

#include "ui/skin/skin_role.h"

namespace quorvane {

class CPictureSwitch : public QLabel {
    Q_OBJECT
  public:
    explicit CPictureSwitch(QWidget* parent = nullptr);

    std::function<void()> onClick;

    void setRole(SkinRole role) { m_role = role; }
    SkinRole role() const { return m_role; }
    // Only a Toggle has a checked state.
    void setChecked(bool on);
    bool isChecked() const { return m_checked; }
    // What a click does; nothing while disabled.
    void click();

  protected:
    void focusInEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    bool m_markFocus = false;  // the focus came from the keyboard
    SkinRole m_role = SkinRole::Push;
    bool m_checked = false;
};

}  // namespace quorvane
