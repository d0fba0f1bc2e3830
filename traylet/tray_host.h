#pragma once
// Which tray the desktop offers the tray icon, and a watch for one that comes later.
//
// Qt shows the icon through a status notifier host (the D-Bus tray of KDE Plasma, of GNOME with
// its AppIndicator extension, and of every Wayland desktop that shows tray icons at all) when the
// session bus has one as the program asks, else in an X11 system tray (XEmbed). Qt asks the bus
// once per process: a host that registers later (the desktop still loading at log-on) is never
// used by that process, so the tray program then starts itself anew (TrayApp).
#include <QObject>

#include <functional>
#include <string>

class QDBusServiceWatcher;

namespace tray {

enum class TrayKind { StatusNotifier, XEmbed, None };

inline constexpr const char* kWatcherService = "org.kde.StatusNotifierWatcher";
inline constexpr const char* kWatcherPath = "/StatusNotifierWatcher";

// True when the session bus has a status notifier watcher that reports a registered host.
bool statusNotifierHostRegistered();

// The diagnostics line for the tray found: which one, or that there is none and what would offer
// one (waylandSession: the session's own tray protocol is the only way).
std::string trayReport(TrayKind kind, bool waylandSession);

// Calls onHost (once) when a status notifier host registers on the session bus: the watcher
// service appears with a host, or a running watcher announces one. Events only, no polling.
class HostWatch : public QObject {
    Q_OBJECT
public:
    explicit HostWatch(std::function<void()> onHost);
    ~HostWatch() override;

private slots:
    void check();

private:
    std::function<void()> onHost_;
    QDBusServiceWatcher* services_ = nullptr;
    bool done_ = false;
};

}  // namespace tray
