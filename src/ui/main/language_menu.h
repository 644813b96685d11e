// The Language submenu of the button menu and the tray menu: the seven
// languages, each named in its own language, the one in use checked. A choice
// is only reported; storing it and changing the texts is the program's.
#pragma once

#include <QActionGroup>
#include <QMenu>
#include <QObject>
#include <QString>

namespace quorvane {

class LanguageMenu : public QObject {
    Q_OBJECT
  public:
    // Adds the submenu at the end of `parent`.
    explicit LanguageMenu(QMenu& parent);

    // The title in the language in use, and which entry is checked.
    void update(const QString& title, int currentIndex);
    QMenu* menu() const { return m_menu; }

  signals:
    void languageChosen(int index);

  private:
    QMenu* m_menu;  // owned by the parent menu
    QActionGroup* m_group;
};

}  // namespace quorvane
