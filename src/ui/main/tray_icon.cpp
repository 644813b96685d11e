#include "ui/main/tray_icon.h"

#include <QDir>
#include <QFile>
#include <QPixmap>

#include "ui/main/tray_host.h"
#include "ui/skin/qt_owned.h"

namespace quorvane {

namespace {
constexpr int kTooltipLimit = 127;
// Qt makes the icon for the host present when it is shown; a host that
// appears later (or restarts) is noticed by looking again.
constexpr int kHostWatchMs = 2000;
}  // namespace

void CTrayIcon::addThemeFolder(const std::string& folder) {
    const QString path = QString::fromStdString(folder);
    QStringList paths = QIcon::themeSearchPaths();
    if (QDir(path).exists() && !paths.contains(path)) {
        paths << path;
        QIcon::setThemeSearchPaths(paths);
    }
}

QIcon CTrayIcon::iconOf(const std::string& skinFolder, int iconId) {
    // A themed icon carries its name (a StatusNotifier host's IconName) and
    // sizes well; the skin's own picture is the fallback.
    const QString themed = iconId == 128   ? QStringLiteral("quorvane")
                           : iconId == 141 ? QStringLiteral("quorvane-connected")
                                           : QStringLiteral("quorvane-signal");
    const QString file =
        QString::fromStdString(skinFolder) + QStringLiteral("icon_%1.png").arg(iconId);
    QIcon fallback(file);
    return QIcon::hasThemeIcon(themed) ? QIcon::fromTheme(themed, fallback) : fallback;
}

CTrayIcon::CTrayIcon(const std::string& skinFolder, Texts texts, std::function<int()> languageIndex,
                     QObject* parent)
    : QObject(parent),
      m_skinFolder(skinFolder),
      m_texts(std::move(texts)),
      m_languageIndex(std::move(languageIndex)) {
    m_menu = std::make_unique<QMenu>();
    auto addCommand = [this](int command) {
        QAction* action = m_menu->addAction(QString());
        m_actions[command] = action;
        connect(action, &QAction::triggered, this,
                [this, command] { emit commandChosen(command); });
    };
    addCommand(kMenuOpen);
    addCommand(kMenuAbout);
    m_languageMenu = qtOwned<LanguageMenu>(*m_menu);
    connect(m_languageMenu, &LanguageMenu::languageChosen, this, &CTrayIcon::languageChosen);
    addCommand(kMenuExit);
    m_menu->setDefaultAction(m_actions[kMenuOpen]);
    connect(m_menu.get(), &QMenu::aboutToShow, this, &CTrayIcon::updateMenuTexts);
    m_hostWatch.setInterval(kHostWatchMs);
    connect(&m_hostWatch, &QTimer::timeout, this, &CTrayIcon::watchHost);
}

CTrayIcon::~CTrayIcon() {
    remove();
}

void CTrayIcon::updateMenuTexts() {
    if (!m_texts) {
        return;
    }
    m_actions[kMenuOpen]->setText(m_texts(u"IDS_POP_UP_MENU_OPEN"));
    m_actions[kMenuAbout]->setText(m_texts(u"IDS_POP_UP_MENU_ABOUT"));
    m_actions[kMenuExit]->setText(m_texts(u"IDS_POP_UP_MENU_EXIT"));
    m_languageMenu->update(m_texts(u"IDS_POP_UP_MENU_LANGUAGE"),
                           m_languageIndex ? m_languageIndex() : -1);
}

void CTrayIcon::onActivated(QSystemTrayIcon::ActivationReason reason) {
    // A StatusNotifier host reports its click (Activate) as Trigger and never
    // a double click; an XEmbed host reports a single click as Trigger too,
    // and there only the double click opens. Which host it is can only be
    // asked once the item got to the watcher, and Qt keeps its choice.
    if (reason == QSystemTrayIcon::Trigger && !m_statusNotifier) {
        m_statusNotifier = servesStatusNotifierItem();
    }
    const bool open = reason == QSystemTrayIcon::DoubleClick ||
                      (reason == QSystemTrayIcon::Trigger && m_statusNotifier);
    if (open) {
        emit commandChosen(kMenuOpen);
    }
}

void CTrayIcon::refreshTooltip() {
    if (m_tooltipSource) {
        setTooltip(m_tooltipSource());
    }
}

void CTrayIcon::addIcon() {
    m_icon = std::make_unique<QSystemTrayIcon>(iconOf(m_skinFolder, m_iconId));
    m_icon->setToolTip(m_tooltip);
    m_icon->setContextMenu(m_menu.get());
    connect(m_icon.get(), &QSystemTrayIcon::activated, this, &CTrayIcon::onActivated);
    m_icon->show();
}

bool CTrayIcon::create(const QString& tooltip) {
    m_tooltip = tooltip.left(kTooltipLimit);
    updateMenuTexts();
    m_hostPresent = QSystemTrayIcon::isSystemTrayAvailable();
    m_hostWatch.start();
    m_added = true;
    m_iconId = 128;
    if (m_hostPresent) {
        addIcon();
    }
    return m_hostPresent;
}

void CTrayIcon::setTooltipSource(std::function<QString()> source) {
    m_tooltipSource = std::move(source);
    if (m_tooltipSource) {
        setTooltip(m_tooltipSource());
    }
}

void CTrayIcon::watchHost() {
    if (m_tooltipSource) {
        const QString tooltip = m_tooltipSource().left(kTooltipLimit);
        if (tooltip != m_tooltip) {
            setTooltip(tooltip);
        }
    }
    const bool present = QSystemTrayIcon::isSystemTrayAvailable();
    if (present && !m_hostPresent && m_added) {
        // The host came (back): the icon again, with the state it had.
        m_icon.reset();
        addIcon();
    }
    m_hostPresent = present;
}

void CTrayIcon::setIconById(int iconId) {
    m_iconId = iconId;
    if (m_icon) {
        m_icon->setIcon(iconOf(m_skinFolder, iconId));
    }
}

void CTrayIcon::setTooltip(const QString& text) {
    m_tooltip = text.left(kTooltipLimit);
    if (m_icon) {
        m_icon->setToolTip(m_tooltip);
    }
}

void CTrayIcon::remove() {
    m_hostWatch.stop();
    m_added = false;
    if (m_icon) {
        m_icon->hide();
        m_icon.reset();
    }
}

}  // namespace quorvane
