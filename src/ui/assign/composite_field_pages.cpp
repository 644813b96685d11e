// The assignment dialog's three pages of one field each: the single key's
// capture field, the media list and the function list, shown from the core.
// The capture itself is the keyboard grab's (composite_key_grab.cpp).
#include <QComboBox>
#include <QFont>
#include <QLineEdit>

#include "ui/assign/composite_dialog.h"
#include "ui/assign/composite_dialog_look.h"
#include "ui/skin/qt_owned.h"
#include "ui/skin/skin_placement.h"

namespace quorvane {

using namespace composite_ids;
using namespace composite_look;

void Quorvane_DlgComposite::buildFieldPages() {
    QFont field(QString::fromLatin1(kFieldFace));
    field.setPointSize(kKeyFieldPoints);
    m_keyField = qtOwned<QLineEdit>(this);
    m_keyField->setObjectName(QStringLiteral("ctl%1").arg(kKeyField));
    loadSkinRect(m_keyField, layout(), u"BUTTONINFO", u"FUNC_KEY_INPUT");
    m_keyField->setReadOnly(true);
    m_keyField->setFont(field);
    m_controls[kKeyField] = m_keyField;

    m_media = makeCombo(kMediaList, u"FUNC_MEDIA_SELECT");
    connect(m_media, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!m_syncing) {
            m_core.selectMedia(index);
            sync();
        }
    });
    m_functions = makeCombo(kFunctionList, u"FUNC_FUNCTION_SELECT");
    connect(m_functions, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!m_syncing) {
            m_core.selectFunction(index);
            sync();
        }
    });
}

// The lists in the current language, each time the dialog opens. The caller
// sets m_syncing: filling a list moves its current index, which is no choice
// of the user's.
void Quorvane_DlgComposite::fillFieldLists() {
    m_media->clear();
    for (const std::u16string& name : mediaListNames(m_setup.loadText)) {
        m_media->addItem(qs(name));
    }
    m_functions->clear();
    for (const std::u16string& name : functionListNames(m_setup.loadText)) {
        m_functions->addItem(qs(name));
    }
}

void Quorvane_DlgComposite::syncFieldPages() {
    const QString keyText = qs(m_core.keyFieldText());
    if (m_keyField->text() != keyText) {
        m_keyField->setText(keyText);
    }
    if (m_media->currentIndex() != m_core.mediaSelection()) {
        m_media->setCurrentIndex(m_core.mediaSelection());
    }
    if (m_functions->currentIndex() != m_core.functionSelection()) {
        m_functions->setCurrentIndex(m_core.functionSelection());
    }
}

}  // namespace quorvane
