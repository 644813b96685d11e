// How the hand-drawn controls present themselves to a screen reader: Qt's
// own interfaces know neither the skin's checked state (a CPngButton keeps its
// own) nor a picture that acts as a switch nor a slider drawn as pictures.
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

#include "ui/skin/bitmap_slider.h"
#include "ui/skin/picture_switch.h"
#include "ui/skin/png_button.h"
#include "ui/skin/skin_role.h"

namespace quorvane {

namespace {

QAccessible::Role accessibleRole(SkinRole role) {
    switch (role) {
        case SkinRole::Push:
            return QAccessible::PushButton;
        case SkinRole::Toggle:
            return QAccessible::CheckBox;
        case SkinRole::Indicator:
            return QAccessible::StaticText;
        case SkinRole::Graphic:
            break;
    }
    return QAccessible::Graphic;
}

// A button or switch of the skin: its role, its checked state, its name (the
// accessible name the window set, else its caption) and its one action.
template <class Control>
class SkinControlAccessible : public QAccessibleWidget {
  public:
    explicit SkinControlAccessible(Control* control)
        : QAccessibleWidget(control, accessibleRole(control->role())) {}

    Control* control() const { return static_cast<Control*>(widget()); }

    QAccessible::Role role() const override { return accessibleRole(control()->role()); }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        if (control()->role() == SkinRole::Toggle) {
            s.checkable = true;
            s.checked = control()->isChecked();
        }
        return s;
    }

    QString text(QAccessible::Text t) const override {
        QString value = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && value.isEmpty()) {
            value = captionOf(control());
        }
        return value;
    }

    QStringList actionNames() const override {
        switch (control()->role()) {
            case SkinRole::Push:
                return {pressAction()};
            case SkinRole::Toggle:
                return {toggleAction()};
            default:
                return {};
        }
    }

    void doAction(const QString& name) override {
        if (!widget()->isEnabled()) {
            return;
        }
        if (name == pressAction() || name == toggleAction()) {
            control()->click();
        }
    }

  private:
    static QString captionOf(CPngButton* button) { return button->text(); }
    static QString captionOf(CPictureSwitch*) { return {}; }
};

class SliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
  public:
    explicit SliderAccessible(CBitmapSlider* slider)
        : QAccessibleWidget(slider, QAccessible::Slider) {}

    CBitmapSlider* slider() const { return static_cast<CBitmapSlider*>(widget()); }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface) {
            return static_cast<QAccessibleValueInterface*>(this);
        }
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) {
            return QString::number(slider()->GetPos());
        }
        return QAccessibleWidget::text(t);
    }

    QVariant currentValue() const override { return slider()->GetPos(); }
    void setCurrentValue(const QVariant& value) override { slider()->moveTo(value.toInt()); }
    QVariant maximumValue() const override { return slider()->maximum(); }
    QVariant minimumValue() const override { return slider()->minimum(); }
    QVariant minimumStepSize() const override { return 1; }
};

QAccessibleInterface* skinFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("quorvane::CPngButton")) {
        return new SkinControlAccessible<CPngButton>(static_cast<CPngButton*>(object));
    }
    if (className == QLatin1String("quorvane::CPictureSwitch")) {
        return new SkinControlAccessible<CPictureSwitch>(static_cast<CPictureSwitch*>(object));
    }
    if (className == QLatin1String("quorvane::CBitmapSlider")) {
        return new SliderAccessible(static_cast<CBitmapSlider*>(object));
    }
    return nullptr;
}

}  // namespace

void installSkinAccessibility() {
    static const bool kInstalled = [] {
        QAccessible::installFactory(skinFactory);
        return true;
    }();
    (void)kInstalled;
}

void announceCheckedChange(QObject* control) {
    if (!QAccessible::isActive()) {
        return;
    }
    QAccessible::State state;
    state.checked = true;
    QAccessibleStateChangeEvent event(control, state);
    QAccessible::updateAccessibility(&event);
}

}  // namespace quorvane
