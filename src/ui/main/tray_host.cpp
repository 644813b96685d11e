#include "ui/main/tray_host.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QStringList>

namespace quorvane {

namespace {

constexpr int kCallTimeoutMs = 500;

// The watcher's list: "<bus name>/<object path>" or a bare bus name.
QStringList registeredItems(const QDBusConnection& bus) {
    QDBusMessage get = QDBusMessage::createMethodCall(
        QStringLiteral("org.kde.StatusNotifierWatcher"), QStringLiteral("/StatusNotifierWatcher"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QStringLiteral("org.kde.StatusNotifierWatcher")
        << QStringLiteral("RegisteredStatusNotifierItems");
    const QDBusReply<QDBusVariant> reply = bus.call(get, QDBus::Block, kCallTimeoutMs);
    return reply.isValid() ? reply.value().variant().toStringList() : QStringList();
}

}  // namespace

bool servesStatusNotifierItem() {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusConnectionInterface* daemon = bus.isConnected() ? bus.interface() : nullptr;
    if (daemon == nullptr) {
        return false;
    }
    const auto ours = static_cast<uint>(QCoreApplication::applicationPid());
    for (const QString& item : registeredItems(bus)) {
        const QString name = item.section(QLatin1Char('/'), 0, 0);
        if (name.isEmpty()) {
            continue;
        }
        const QDBusReply<uint> pid = daemon->servicePid(name);
        if (pid.isValid() && pid.value() == ours) {
            return true;
        }
    }
    return false;
}

}  // namespace quorvane
