#include "traylet/tray_host.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

namespace tray {
namespace {

constexpr int kCallTimeoutMs = 2000;

QString service() { return QString::fromLatin1(kWatcherService); }

}  // namespace

bool statusNotifierHostRegistered() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || bus.interface() == nullptr || !bus.interface()->isServiceRegistered(service()))
        return false;
    QDBusMessage get = QDBusMessage::createMethodCall(service(), QString::fromLatin1(kWatcherPath),
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << service() << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage reply = bus.call(get, QDBus::Block, kCallTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
}

std::string trayReport(TrayKind kind, bool waylandSession) {
    switch (kind) {
    case TrayKind::StatusNotifier:
        return "traylet: tray icon shown through the desktop's status notifier host";
    case TrayKind::XEmbed:
        return "traylet: tray icon shown in the X11 system tray";
    case TrayKind::None:
        break;
    }
    if (waylandSession)
        return "traylet: no tray host: the session bus has no status notifier host, the only tray of a "
               "Wayland session (KDE Plasma has one; GNOME with the AppIndicator extension); running hidden "
               "until one appears";
    return "traylet: no tray host: neither an X11 system tray nor a status notifier host on the session bus; "
           "running hidden until one appears";
}

HostWatch::HostWatch(std::function<void()> onHost) : onHost_(std::move(onHost)) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    services_ = new QDBusServiceWatcher(service(), bus, QDBusServiceWatcher::WatchForRegistration, this);
    connect(services_, &QDBusServiceWatcher::serviceRegistered, this, &HostWatch::check);
    bus.connect(service(), QString::fromLatin1(kWatcherPath), service(), QStringLiteral("StatusNotifierHostRegistered"),
                this, SLOT(check()));
}

HostWatch::~HostWatch() = default;

void HostWatch::check() {
    if (done_ || !statusNotifierHostRegistered()) return;
    done_ = true;
    onHost_();
}

}  // namespace tray
