// The notification-area icon: three states (no keyboard 128, keyboard 141,
// keyboard signal 142), the tooltip, the menu open / about / exit with the
// language's texts, double click (or a host's Activate) = open, a single
// click does nothing. When the notification host goes and comes back the
// icon is made again with its last state.
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

namespace quorvane {

inline constexpr int kMenuOpen = 32771;
inline constexpr int kMenuAbout = 32773;
inline constexpr int kMenuExit = 32774;
inline constexpr int kMenuImport = 32776;
inline constexpr int kMenuExport = 32777;

class CTrayIcon : public QObject {
    Q_OBJECT
  public:
    // Texts are asked each time the menu opens (the language may change).
    using Texts = std::function<QString(const char16_t* key)>;

    CTrayIcon(const std::string& skinFolder, Texts texts, QObject* parent = nullptr);
    ~CTrayIcon() override;

    // Adds the icon (128); false when there is no notification area now.
    bool create(const QString& tooltip);
    void setIconById(int iconId);
    void setTooltip(const QString& text);  // cut to 127 characters
    // Asked again every few seconds while the icon exists.
    void setTooltipSource(std::function<QString()> source);
    void remove();

    bool added() const { return m_added; }
    int iconId() const { return m_iconId; }
    QMenu* menu() const { return m_menu.get(); }
    QSystemTrayIcon* icon() const { return m_icon.get(); }
    // Rebuilds the menu texts; also run before each display.
    void updateMenuTexts();

    static QIcon iconOf(const std::string& skinFolder, int iconId);

  signals:
    void commandChosen(int command);

  private:
    void watchHost();
    void addIcon();

    std::string m_skinFolder;
    Texts m_texts;
    std::unique_ptr<QSystemTrayIcon> m_icon;
    std::unique_ptr<QMenu> m_menu;
    std::map<int, QAction*> m_actions;
    QString m_tooltip;
    std::function<QString()> m_tooltipSource;
    QTimer m_hostWatch;
    bool m_added = false;
    bool m_hostPresent = false;
    int m_iconId = 128;
};

}  // namespace quorvane
