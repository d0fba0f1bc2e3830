#pragma once
// Short desktop notifications through the freedesktop Notifications interface on the session bus
// (org.freedesktop.Notifications, Notify). Each notice replaces the previous one (its replaces_id)
// instead of stacking, and expires after about 2 s. Calls are asynchronous: the tray never waits
// for the notification service. A notice asked for while the previous call is still unanswered
// waits for its id and is then sent alone (only the newest one), so notices never stack.
// Without a session bus or a notification service a notice is dropped: one diagnostics line says
// so, nothing is retried; the next notice tries again.
#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>

class QDBusPendingCallWatcher;

class DesktopNotices {
public:
    // appName: the sender's name the desktop shows; desktopEntry: the desktop file's name without
    // ".desktop", which lets the desktop find the icon and the program's notification settings.
    DesktopNotices(QString appName, QString iconName, QString desktopEntry);
    ~DesktopNotices();
    DesktopNotices(const DesktopNotices&) = delete;
    DesktopNotices& operator=(const DesktopNotices&) = delete;

    void show(const QString& summary, const QString& body);

    // The id the notification service gave the last notice (0 before the first answer).
    uint32_t lastId() const { return id_; }

    static constexpr int kExpireMs = 2000;

private:
    struct Pending {
        QString summary;
        QString body;
    };
    void send(const Pending& notice);
    void onAnswer(QDBusPendingCallWatcher* call);

    QString appName_;
    QString iconName_;
    QString desktopEntry_;
    uint32_t id_ = 0;
    bool waiting_ = false;          // a Notify call is not answered yet
    std::optional<Pending> next_;   // the newest notice asked for meanwhile
    bool failureSaid_ = false;
    QObject context_;  // owns the pending calls; its end drops their answers
};
