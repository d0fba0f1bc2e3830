#include "traylet/desktop_notices.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

#include "platform/diagnostics.h"

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
// A notification service that does not answer within this time counts as absent for the notice.
constexpr int kCallTimeoutMs = 5000;

}  // namespace

DesktopNotices::DesktopNotices(QString appName, QString iconName, QString desktopEntry)
    : appName_(std::move(appName)), iconName_(std::move(iconName)), desktopEntry_(std::move(desktopEntry)) {}

DesktopNotices::~DesktopNotices() = default;

void DesktopNotices::show(const QString& summary, const QString& body) {
    if (waiting_) {
        next_ = Pending{summary, body};
        return;
    }
    send(Pending{summary, body});
}

void DesktopNotices::send(const Pending& notice) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        if (!failureSaid_) platform::debugLine("traylet: no session bus, notices are not shown");
        failureSaid_ = true;
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue<uchar>(0));  // low: no sound, no banner queue
    hints.insert(QStringLiteral("transient"), true);                         // not kept in the history
    hints.insert(QStringLiteral("category"), QStringLiteral("device"));
    hints.insert(QStringLiteral("desktop-entry"), desktopEntry_);
    call << appName_ << id_ << iconName_ << notice.summary << notice.body << QStringList() << hints << kExpireMs;
    waiting_ = true;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kCallTimeoutMs), &context_);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &context_,
                     [this](QDBusPendingCallWatcher* w) { onAnswer(w); });
}

void DesktopNotices::onAnswer(QDBusPendingCallWatcher* call) {
    call->deleteLater();
    waiting_ = false;
    const QDBusPendingReply<uint32_t> reply = *call;
    if (reply.isError()) {
        if (!failureSaid_)
            platform::debugPrintf("traylet: notice not shown (%s)", reply.error().name().toStdString().c_str());
        failureSaid_ = true;
    } else {
        id_ = reply.value();
        failureSaid_ = false;
    }
    if (next_) {
        Pending notice = std::move(*next_);
        next_.reset();
        send(notice);
    }
}
