#include "ui/main/tray_icon.h"

#include <QFile>
#include <QPixmap>

namespace quorvane {

namespace {
constexpr int kTooltipLimit = 127;
// Qt makes the icon for the host present when it is shown; a host that
// appears later (or restarts) is noticed by looking again.
constexpr int kHostWatchMs = 2000;
}  // namespace

QIcon CTrayIcon::iconOf(const std::string& skinFolder, int iconId) {
    // The installed theme's icon sizes well on StatusNotifier hosts; the
    // skin's own picture is the fallback (and what the build tree has).
    const QString themed = iconId == 128   ? QStringLiteral("quorvane")
                           : iconId == 141 ? QStringLiteral("quorvane-connected")
                                           : QStringLiteral("quorvane-signal");
    const QString file =
        QString::fromStdString(skinFolder) + QStringLiteral("icon_%1.png").arg(iconId);
    QIcon fallback(file);
    return QIcon::hasThemeIcon(themed) ? QIcon::fromTheme(themed, fallback) : fallback;
}

CTrayIcon::CTrayIcon(const std::string& skinFolder, Texts texts, QObject* parent)
    : QObject(parent), m_skinFolder(skinFolder), m_texts(std::move(texts)) {
    m_menu = std::make_unique<QMenu>();
    for (const int command : {kMenuOpen, kMenuAbout, kMenuExit}) {
        QAction* action = m_menu->addAction(QString());
        m_actions[command] = action;
        connect(action, &QAction::triggered, this,
                [this, command] { emit commandChosen(command); });
    }
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
}

void CTrayIcon::addIcon() {
    m_icon = std::make_unique<QSystemTrayIcon>(iconOf(m_skinFolder, m_iconId));
    m_icon->setToolTip(m_tooltip);
    m_icon->setContextMenu(m_menu.get());
    connect(m_icon.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                // A StatusNotifier host's Activate arrives as Trigger; XEmbed
                // hosts send a single click as Trigger too, so only the
                // double click opens there.
                if (reason == QSystemTrayIcon::DoubleClick) {
                    emit commandChosen(kMenuOpen);
                }
            });
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
