// The notification-area icon: three states (no keyboard 128, keyboard 141,
// keyboard signal 142), each by its theme name and with the skin's pixels;
// the tooltip; the menu open / about / Language / exit with the language's
// texts. What opens the window depends on the host: a StatusNotifier host's
// Activate (its click), an XEmbed host's double click, where a single click
// does nothing. When the notification host goes and comes back the icon is
// made again with its last state.
#pragma once

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QString>
#include <QSystemTrayIcon>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "ui/main/language_menu.h"

namespace quorvane {

inline constexpr int kMenuOpen = 32771;
inline constexpr int kMenuAbout = 32773;
inline constexpr int kMenuExit = 32774;
inline constexpr int kMenuImport = 32776;
inline constexpr int kMenuExport = 32777;
inline constexpr int kMenuHistory = 32790;  // the button menu's "History..."

class CTrayIcon : public QObject {
    Q_OBJECT
  public:
    // Texts are asked each time the menu opens (the language may change).
    using Texts = std::function<QString(const char16_t* key)>;

    // `languageIndex` tells which language the Language submenu checks.
    CTrayIcon(const std::string& skinFolder, Texts texts, std::function<int()> languageIndex = {},
              QObject* parent = nullptr);
    ~CTrayIcon() override;

    // Adds the icon (128); false when there is no notification area now.
    bool create(const QString& tooltip);
    void setIconById(int iconId);
    void setTooltip(const QString& text);  // cut to 127 characters
    // Asked again every few seconds while the icon exists.
    void setTooltipSource(std::function<QString()> source);
    void remove();

    bool added() const { return m_added; }
    const QString& tooltip() const { return m_tooltip; }
    int iconId() const { return m_iconId; }
    QMenu* menu() const { return m_menu.get(); }
    QSystemTrayIcon* icon() const { return m_icon.get(); }
    // Rebuilds the menu texts; also run before each display.
    void updateMenuTexts();
    // Asks the tooltip source again (the language changed).
    void refreshTooltip();

    static QIcon iconOf(const std::string& skinFolder, int iconId);
    // A folder of icon themes searched too (the build tree's own hicolor
    // icons, as the package installs them); ignored when missing.
    static void addThemeFolder(const std::string& folder);

  signals:
    void commandChosen(int command);
    void languageChosen(int index);

  private:
    void onActivated(QSystemTrayIcon::ActivationReason reason);
    void watchHost();
    void addIcon();

    std::string m_skinFolder;
    Texts m_texts;
    std::function<int()> m_languageIndex;
    LanguageMenu* m_languageMenu = nullptr;  // owned by m_menu
    std::unique_ptr<QSystemTrayIcon> m_icon;
    std::unique_ptr<QMenu> m_menu;
    std::map<int, QAction*> m_actions;
    QString m_tooltip;
    std::function<QString()> m_tooltipSource;
    QTimer m_hostWatch;
    bool m_added = false;
    bool m_hostPresent = false;
    bool m_statusNotifier = false;
    int m_iconId = 128;
};

}  // namespace quorvane
