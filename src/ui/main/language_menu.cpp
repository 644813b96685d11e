#include "ui/main/language_menu.h"

#include <QAction>

#include "core/app/language.h"
#include "ui/skin/qt_owned.h"

namespace quorvane {

LanguageMenu::LanguageMenu(QMenu& parent)
    : QObject(&parent), m_menu(parent.addMenu(QString())), m_group(qtOwned<QActionGroup>(this)) {
    m_menu->setObjectName(QStringLiteral("languageMenu"));
    m_group->setExclusive(true);
    for (int index = 0; index < kSupportedLanguages; ++index) {
        const std::u16string_view name = languageOwnName(index);
        QAction* action =
            m_menu->addAction(QString::fromUtf16(name.data(), static_cast<qsizetype>(name.size())));
        action->setCheckable(true);
        m_group->addAction(action);
        connect(action, &QAction::triggered, this, [this, index] { emit languageChosen(index); });
    }
}

void LanguageMenu::update(const QString& title, int currentIndex) {
    m_menu->setTitle(title);
    const QList<QAction*> actions = m_menu->actions();
    for (int index = 0; index < actions.size(); ++index) {
        actions[index]->setChecked(index == currentIndex);
    }
}

}  // namespace quorvane
