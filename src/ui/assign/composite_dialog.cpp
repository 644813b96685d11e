// The assignment dialog's frame: its pictures, the page buttons, the banner,
// the commands (Osk, Close, OK, Cancel, Apply) and which page shows. The
// pages, the keys, the texts and the round trips to the core's thread each
// have a file of their own (see composite_dialog.h).
#include "ui/assign/composite_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFont>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>

#include "ui/assign/composite_dialog_look.h"
#include "ui/skin/qt_owned.h"
#include "ui/skin/skin_color.h"
#include "ui/skin/skin_picture.h"

namespace quorvane {

using namespace composite_ids;
using namespace composite_look;

namespace {

QPixmap picture(const std::string& folder, const std::string& name) {
    std::string path = folder;
    if (!path.empty() && path.back() != '/') {
        path += '/';
    }
    return loadSkinPixmap(QString::fromStdString(path + name));
}

}  // namespace

bool startOnScreenKeyboard() {
    for (const char* name : kOnScreenKeyboards) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!path.isEmpty()) {
            return QProcess::startDetached(path, {});
        }
    }
    return false;
}

// The core's view of the windows around the dialog. The keyboard is read in
// the steps on the core's thread (Setup::withActiveProfile), never from here.
class Quorvane_DlgComposite::Port final : public AssignPort {
  public:
    explicit Port(Setup& setup) : m_setup(setup) {}
    int readActiveProfile() override { return -1; }
    void enableMainApply() override {
        if (m_setup.enableMainApply) {
            m_setup.enableMainApply();
        }
    }
    void setKeyButton(int controlId, bool assigned, std::u16string_view tip) override {
        if (m_setup.setKeyButton) {
            m_setup.setKeyButton(controlId, assigned, qs(tip));
        }
    }
    void refreshKeyButtonTips() override {
        if (m_setup.refreshKeyButtonTips) {
            m_setup.refreshKeyButtonTips();
        }
    }

  private:
    Setup& m_setup;
};

class Quorvane_DlgComposite::BoxPrompter final : public Prompter {
  public:
    explicit BoxPrompter(QWidget* owner) : m_owner(owner) {}
    void showMessage(std::u16string_view text) override {
        QMessageBox box(QMessageBox::NoIcon, QString(), qs(text), QMessageBox::Ok, m_owner);
        box.exec();
    }
    bool askYesNo(std::u16string_view text) override {
        QMessageBox box(QMessageBox::Question, QString(), qs(text),
                        QMessageBox::Yes | QMessageBox::No, m_owner);
        box.setDefaultButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes;
    }

  private:
    QWidget* m_owner;
};

Quorvane_DlgComposite::Quorvane_DlgComposite(Setup setup, QWidget* parent)
    : CBaseDialog(134, parent, setup.layoutFile, setup.skinFolder),
      m_setup(std::move(setup)),
      m_port(std::make_unique<Port>(m_setup)),
      m_boxes(std::make_unique<BoxPrompter>(this)),
      m_core(*m_setup.config, *m_port, m_setup.prompter != nullptr ? *m_setup.prompter : *m_boxes,
             m_setup.loadText, m_setup.settings) {
    setObjectName(QStringLiteral("compositeDialog"));
    setWindowModality(Qt::ApplicationModal);
    setStyleSheet(
        dialogStyle(QString::fromStdString(m_setup.skinFolder + "/check.png").replace(u'"', u' ')));
    m_picturesOk = loadPictures();
    build();
}

Quorvane_DlgComposite::~Quorvane_DlgComposite() {
    if (m_filterInstalled && QApplication::instance() != nullptr) {
        QApplication::instance()->removeEventFilter(this);
    }
    if (m_grabbing) {
        releaseKeyboard();
    }
}

// ---- Building ---------------------------------------------------------------------

bool Quorvane_DlgComposite::loadPictures() {
    const std::string& f = m_setup.skinFolder;
    auto set = [&](const std::string& prefix, bool withDisabled) {
        const QPixmap normal = picture(f, prefix + "_normal.jpg");
        const QPixmap down = picture(f, prefix + "_down.jpg");
        return SkinPictureSet{normal, picture(f, prefix + "_over.jpg"), down,
                              withDisabled ? picture(f, prefix + "_disable.jpg") : normal, down};
    };
    m_keySet = set("key", false);
    m_macroSet = set("macro", true);
    m_lockedSet = set("macro2", true);
    m_mediaSet = set("media", false);
    m_functionSet = set("function", false);
    for (const SkinPictureSet* s :
         {&m_keySet, &m_macroSet, &m_lockedSet, &m_mediaSet, &m_functionSet}) {
        if (s->normal.isNull() || s->over.isNull() || s->down.isNull() || s->disabled.isNull()) {
            return false;
        }
    }
    return !background().isNull();
}

CPngButton* Quorvane_DlgComposite::makeButton(int controlId, const char16_t* skinKey,
                                              const SkinPictureSet& pictures) {
    auto* b = qtOwned<CPngButton>(this);
    b->setObjectName(QStringLiteral("ctl%1").arg(controlId));
    placeImageButton(b, layout(), u"BUTTONINFO", skinKey, pictures);
    b->SetTextStyle(true, kButtonPoints, QString::fromLatin1(kButtonFace), colorFromRef(0xDEDEDE),
                    colorFromRef(0x622245), colorFromRef(0x262A83), colorFromRef(kDisabledText),
                    colorFromRef(0xDEDEDE), text_format::kDefault);
    m_controls[controlId] = b;
    return b;
}

ColorStatic* Quorvane_DlgComposite::makeLabel(int controlId, const char16_t* skinKey) {
    auto* l = qtOwned<ColorStatic>(this);
    l->setObjectName(QStringLiteral("ctl%1").arg(controlId));
    loadSkinRect(l, layout(), u"BUTTONINFO", skinKey);
    l->SetTextColor(colorFromRef(kLabelColour));
    l->setAttribute(Qt::WA_TranslucentBackground);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_controls[controlId] = l;
    return l;
}

QComboBox* Quorvane_DlgComposite::makeCombo(int controlId, const char16_t* skinKey) {
    QFont list(QString::fromLatin1(kFieldFace));
    list.setPointSize(kListPoints);
    auto* c = qtOwned<QComboBox>(this);
    c->setObjectName(QStringLiteral("ctl%1").arg(controlId));
    loadSkinRect(c, layout(), u"BUTTONINFO", skinKey);
    c->setFont(list);
    m_controls[controlId] = c;
    return c;
}

void Quorvane_DlgComposite::build() {
    const std::pair<int, const char16_t*> pages[] = {{kSingleKey, u"CONTROL_KEY"},
                                                     {kMacro, u"CONTROL_MACRO"},
                                                     {kMedia, u"CONTROL_MEDIA"},
                                                     {kFunction, u"CONTROL_FUNCTION"},
                                                     {kClear, u"CONTROL_CLEAR"}};
    for (const auto& [id, key] : pages) {
        makeButton(id, key, m_keySet);
    }
    connect(button(kSingleKey), &QAbstractButton::clicked, this, [this] {
        m_core.onSingleKeyButton();
        sync();
    });
    connect(button(kMacro), &QAbstractButton::clicked, this, [this] {
        m_core.onMacroButton();
        sync();
    });
    connect(button(kMedia), &QAbstractButton::clicked, this, [this] {
        m_core.onMediaButton();
        sync();
    });
    connect(button(kFunction), &QAbstractButton::clicked, this, [this] {
        m_core.onFunctionButton();
        sync();
    });
    connect(button(kClear), &QAbstractButton::clicked, this, [this] {
        m_core.onClearButton();
        sync();
    });
    CPngButton* mask = makeButton(kMask, u"CONTROL_MASK", m_keySet);
    mask->SetTextStyle(true, kBannerPoints, QString::fromLatin1(kButtonFace), Qt::white, Qt::white,
                       Qt::white, colorFromRef(kLabelColour), Qt::white,
                       text_format::kVCenter | text_format::kSingleLine);
    mask->SetMargins(kBannerTextLeft, 0, 0, 0);
    connect(mask, &QAbstractButton::clicked, this, &Quorvane_DlgComposite::onMaskClicked);
    makeButton(kTitle, u"CONTROL_TITLE", m_keySet);
    CPngButton* osk = makeButton(kOsk, u"CONTROL_OSK", m_keySet);
    connect(osk, &QAbstractButton::clicked, this, [this] {
        if (m_setup.onScreenKeyboard) {
            m_setup.onScreenKeyboard();
        } else {
            startOnScreenKeyboard();
        }
    });
    connect(makeButton(kClose, u"CONTROL_CLOSE", m_keySet), &QAbstractButton::clicked, this,
            &Quorvane_DlgComposite::cancel);
    connect(makeButton(kOk, u"CONTROL_OK", m_keySet), &QAbstractButton::clicked, this,
            [this] { onApply(true); });
    connect(makeButton(kCancel, u"CONTROL_CANCEL", m_keySet), &QAbstractButton::clicked, this,
            &Quorvane_DlgComposite::cancel);
    connect(makeButton(kApply, u"CONTROL_APPLY", m_keySet), &QAbstractButton::clicked, this,
            [this] { onApply(false); });

    // Every page's labels come before the pages' fields: the children's order
    // is the order in which a screen reader lists them.
    QFont hint(QString::fromLatin1(kHintFace));
    hint.setPointSizeF(kHintPoints);
    const std::pair<int, const char16_t*> hints[] = {{kSettingTitle, u"KEY_SETTING"},
                                                     {kSingleHint, u"TISHI_SINGLE_STATIC"},
                                                     {kMediaHint, u"MEDIA_SETTING_TISHI"},
                                                     {kFunctionHint, u"FUNCTION_KEY_SETTING_TISHI"},
                                                     {kMacroNameLabel, u"MARCO_NAME_SETTING"}};
    for (const auto& [id, key] : hints) {
        makeLabel(id, key)->setFont(hint);
    }
    QFont small(QString::fromLatin1(kButtonFace));
    small.setPointSize(kButtonPoints - 1);
    makeLabel(kCyclesLabel, u"FUNC_MACRO_CYCLES_PROMPT")->setFont(small);
    makeLabel(kRecordDelaysLabel, u"FUNC_MACRO_RECORD_DELAY2")->setFont(small);

    buildFieldPages();
    buildMacroPage();
    presentControls();
    connect(qApp, &QApplication::focusChanged, this, [this] { updateGrab(); });
    m_built = true;
}

CPngButton* Quorvane_DlgComposite::button(int controlId) const {
    return qobject_cast<CPngButton*>(control(controlId));
}

QWidget* Quorvane_DlgComposite::control(int controlId) const {
    const auto it = m_controls.find(controlId);
    return it == m_controls.end() ? nullptr : it->second;
}

// ---- Showing the core's state -----------------------------------------------------

void Quorvane_DlgComposite::syncLockedLook() {
    const bool locked = m_core.macroOnly();
    for (const int id : {kSingleKey, kMedia, kFunction, kTitle, kClear}) {
        CPngButton* b = button(id);
        const SkinPictureSet& s = locked ? m_lockedSet : m_keySet;
        b->SetPictureSet(s.normal, s.over, s.down, s.disabled, s.checked, true);
        b->setEnabled(!locked);
    }
}

void Quorvane_DlgComposite::sync() {
    if (m_state == State::Closed) {
        return;
    }
    m_syncing = true;
    syncPage();
    if (m_core.page() == CompositePage::Macro) {
        syncMacroPage();
    }
    button(kApply)->setEnabled(m_core.dirty());
    m_syncing = false;
    updateGrab();
}

void Quorvane_DlgComposite::syncPage() {
    const CompositePage page = m_core.page();
    bool pageChanged = false;
    if (!m_pageShown || page != m_shownPage) {
        const SkinPictureSet& s = page == CompositePage::Macro      ? m_macroSet
                                  : page == CompositePage::Media    ? m_mediaSet
                                  : page == CompositePage::Function ? m_functionSet
                                                                    : m_keySet;
        button(kMask)->SetPictureSet(s.normal, s.over, s.down, s.disabled, s.checked, true);
        showBanner(page);
        m_shownPage = page;
        m_pageShown = true;
        pageChanged = true;
    }
    const bool single = page == CompositePage::SingleKey;
    const bool macro = page == CompositePage::Macro;
    const bool media = page == CompositePage::Media;
    const bool function = page == CompositePage::Function;
    const bool locked = m_core.macroOnly();
    button(kSingleKey)->SetChecked(single, true);
    button(kMacro)->SetChecked(macro, true);
    button(kMedia)->SetChecked(media, true);
    button(kFunction)->SetChecked(function, true);

    m_keyField->setVisible(single);
    control(kSingleHint)->setVisible(single && !locked);
    m_media->setVisible(media);
    control(kMediaHint)->setVisible(media && !locked);
    m_functions->setVisible(function);
    control(kFunctionHint)->setVisible(function && !locked);
    for (const int id : {kMacroNames, kMacroAdd, kMacroDelete, kSteps, kRecord, kStepDelete,
                         kStepClear, kStepTop, kStepUp, kStepDown, kStepBottom, kRecordDelays,
                         kRecordDelaysLabel, kCycles, kCyclesLabel, kMacroNameLabel}) {
        control(id)->setVisible(macro);
    }
    m_memory->setVisible(macro);
    syncFieldPages();
    if (pageChanged) {
        // A new page starts at its own field; the single key's captures the
        // key to send while it holds the focus.
        QWidget* field = single     ? static_cast<QWidget*>(m_keyField)
                         : media    ? static_cast<QWidget*>(m_media)
                         : function ? static_cast<QWidget*>(m_functions)
                                    : static_cast<QWidget*>(m_names);
        if (field->isEnabled()) {
            field->setFocus(Qt::OtherFocusReason);
        }
    }
}

// ---- The window's close button, the banner's click ------------------------------------

void Quorvane_DlgComposite::closeEvent(QCloseEvent* event) {
    // The window manager's close button cancels.
    event->ignore();
    cancel();
}

void Quorvane_DlgComposite::onMaskClicked() {
    switch (m_core.page()) {
        case CompositePage::SingleKey:
            m_keyField->setFocus(Qt::OtherFocusReason);
            break;
        case CompositePage::Media:
            m_media->setFocus(Qt::OtherFocusReason);
            break;
        case CompositePage::Function:
            m_functions->setFocus(Qt::OtherFocusReason);
            break;
        case CompositePage::Macro:
            update();
            break;
    }
}

}  // namespace quorvane
