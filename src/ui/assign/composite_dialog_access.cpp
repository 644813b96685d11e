// The assignment dialog from the keyboard and through a screen reader: which
// controls take the focus and in what order, what each is, which label names
// which field, and the names of the controls without a caption.
#include <QLabel>

#include <iterator>
#include <utility>

#include "ui/assign/composite_dialog.h"

namespace quorvane {

using namespace composite_ids;

void Quorvane_DlgComposite::presentControls() {
    for (const auto& [id, w] : m_controls) {
        if (auto* b = qobject_cast<CPngButton*>(w)) {
            b->setFocusPolicy(Qt::TabFocus);
        }
    }
    for (const int id : {kSingleKey, kMacro, kMedia, kFunction, kRecord}) {
        button(id)->setRole(SkinRole::Toggle);
    }
    // The banner and the title only show; the banner's click is the mouse's
    // way into the page's field.
    for (const int id : {kMask, kTitle}) {
        button(id)->setFocusPolicy(Qt::NoFocus);
    }
    button(kTitle)->setRole(SkinRole::Graphic);
    for (const int id : {kOk, kCancel}) {
        button(id)->setEnterActivates(false);
    }
    const std::pair<int, QWidget*> labelled[] = {
        {kSingleHint, m_keyField},  {kMediaHint, m_media},    {kFunctionHint, m_functions},
        {kMacroNameLabel, m_names}, {kCyclesLabel, m_cycles}, {kRecordDelaysLabel, m_delays}};
    for (const auto& [label, buddy] : labelled) {
        if (auto* l = qobject_cast<QLabel*>(control(label))) {
            l->setBuddy(buddy);
        }
    }
    // Reading order: the pages, the page's own controls, then the commands.
    const int order[] = {
        kClose,    kOsk,          kSingleKey,    kMacro,      kMedia,    kFunction,    kClear,
        kKeyField, kMediaList,    kFunctionList, kMacroNames, kMacroAdd, kMacroDelete, kSteps,
        kRecord,   kStepDelete,   kStepClear,    kStepTop,    kStepUp,   kStepDown,    kStepBottom,
        kCycles,   kRecordDelays, kOk,           kCancel,     kApply};
    for (std::size_t i = 1; i < std::size(order); ++i) {
        setTabOrder(control(order[i - 1]), control(order[i]));
    }
}

void Quorvane_DlgComposite::nameControls() {
    const std::pair<int, std::u16string_view> names[] = {
        {kClose, u"IDS_A11Y_CLOSE"}, {kOsk, u"IDS_A11Y_OSK"}, {kSteps, u"IDS_A11Y_MACRO_STEPS"}};
    for (const auto& [id, key] : names) {
        control(id)->setAccessibleName(text(key));
    }
    button(kOsk)->SetTooltip(text(u"IDS_A11Y_OSK"), true);
    button(kTitle)->setAccessibleName(windowTitle());
    // The fields say what their labels say (where a screen reader reads no relation).
    const std::pair<int, QWidget*> labelled[] = {
        {kSingleHint, m_keyField}, {kCyclesLabel, m_cycles}, {kRecordDelaysLabel, m_delays}};
    for (const auto& [label, field] : labelled) {
        if (auto* l = qobject_cast<QLabel*>(control(label))) {
            field->setAccessibleName(l->text());
        }
    }
}

}  // namespace quorvane
