// The assignment dialog's texts in the current language: captions, labels,
// the page banner, the window title and what a screen reader names.
#include <QLabel>

#include "core/window/main_window_messages.h"
#include "ui/assign/composite_dialog.h"
#include "ui/assign/composite_dialog_look.h"

namespace quorvane {

using namespace composite_ids;
using namespace composite_look;

namespace {

constexpr std::uint32_t kLangMessageIgnored = 0x4D4E;

}  // namespace

QString Quorvane_DlgComposite::text(std::u16string_view key) const {
    return m_setup.loadText ? qs(m_setup.loadText(key)) : qs(key);
}

bool Quorvane_DlgComposite::onMessage(std::uint32_t msg, std::uintptr_t wParam,
                                      std::intptr_t /*lParam*/) {
    if (msg == UM_LANG) {
        if (wParam == kTagLang) {
            applyLanguage();
        }
        return true;
    }
    return msg == kLangMessageIgnored;
}

void Quorvane_DlgComposite::applyLanguage() {
    const bool locked = m_core.macroOnly();
    const std::pair<int, std::u16string_view> captions[] = {
        {kMacro, u"IDS_COMPOSITE_SELECT_MACRO"},
        {kOk, u"IDS_COMPOSITE_OK"},
        {kCancel, u"IDS_COMPOSITE_CANCEL"},
        {kStepTop, u"IDS_COMPOSITE_MACRO_ACTION_UPTOP"},
        {kStepUp, u"IDS_COMPOSITE_MACRO_ACTION_UP"},
        {kStepDown, u"IDS_COMPOSITE_MACRO_ACTION_DOWN"},
        {kStepBottom, u"IDS_COMPOSITE_MACRO_ACTION_DOWNBOTTOM"},
        {kRecord, m_core.editor().recordCaptionKey()},
        {kStepDelete, u"IDS_COMPOSITE_MACRO_ACTION_DELETE"},
        {kStepClear, u"IDS_COMPOSITE_MACRO_ACTION_CLEAR"}};
    for (const auto& [id, key] : captions) {
        if (CPngButton* b = button(id)) {
            b->setText(text(key));
            b->setAccessibleName(b->text());
            b->update();
        }
    }
    const std::pair<int, std::u16string_view> pageCaptions[] = {
        {kSingleKey, u"IDS_COMPOSITE_SELECT_KEY"},
        {kMedia, u"IDS_COMPOSITE_SELECT_MEDIA"},
        {kFunction, u"IDS_COMPOSITE_SELECT_FUNCTION"}};
    for (const auto& [id, key] : pageCaptions) {
        if (CPngButton* b = button(id)) {
            b->setText(locked ? QString() : text(key));
            b->setAccessibleName(text(key));
            b->update();
        }
    }
    const std::pair<int, std::u16string_view> ownCaptions[] = {{kClear, u"IDS_COMPOSITE_CLEAR"},
                                                               {kApply, u"IDS_COMPOSITE_APPLY"},
                                                               {kMacroAdd, u"IDS_MACRO_ADD"},
                                                               {kMacroDelete, u"IDS_MACRO_DELETE"}};
    for (const auto& [id, key] : ownCaptions) {
        CPngButton* b = button(id);
        b->setText(text(key));
        b->setAccessibleName(text(key));
        b->update();
    }
    showBanner(m_core.page());
    const std::pair<int, std::u16string_view> labels[] = {
        {kCyclesLabel, u"IDS_MACRO_CYCLES"},
        {kRecordDelaysLabel, u"IDS_MACRO_RECORD_DELAY"},
        {kSingleHint, u"IDS_KEYBOARD_KEY_SINGLE"},
        {kMacroNameLabel, u"IDS_MACRO_NAME"},
        {kMediaHint, u"IDS_MEDIA_EDIT"},
        {kFunctionHint, u"IDS_FUNCTION_EDIT"},
        {kSettingTitle, locked ? u"IDS_KEYBOARD_EDIT_TISHI" : u"IDS_KEYBOARD_KEY_SETTING"}};
    for (const auto& [id, key] : labels) {
        if (auto* l = qobject_cast<QLabel*>(control(id))) {
            l->setText(text(key));
        }
    }
    setWindowTitle(text(locked ? u"IDS_KEYBOARD_EDIT_TISHI" : u"IDS_KEYBOARD_KEY_SETTING"));
    nameControls();
    m_steps->SetColumnTitle(0, text(u"IDS_MACRO_MACRO_ACTION_COLUME_KEYS"));
    m_steps->SetColumnTitle(1, text(u"IDS_MACRO_MACRO_ACTION_COLUME_ACTION"));
    m_steps->SetColumnTitle(2, text(u"IDS_MACRO_MACRO_ACTION_COLUME_DELAY"));
    m_memory->applyLanguage();
}

// The page banner's name, after the glyph the skin draws.
void Quorvane_DlgComposite::showBanner(CompositePage page) {
    const char16_t* key = page == CompositePage::Macro      ? u"IDS_COMPOSITE_SELECT_MACRO"
                          : page == CompositePage::Media    ? u"IDS_COMPOSITE_SELECT_MEDIA"
                          : page == CompositePage::Function ? u"IDS_COMPOSITE_SELECT_FUNCTION"
                                                            : u"IDS_COMPOSITE_SELECT_KEY";
    CPngButton* mask = button(kMask);
    mask->setText(text(key).toUpper());
    mask->update();
}

}  // namespace quorvane
