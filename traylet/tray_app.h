#pragma once
// The tray program's one object: its bus window "KORVANTEMouseTraylet", the tray icon with its
// menu, and the watch on the settings file that keeps the shown status current.
//
// Bus: WM_CLOSE and WM_QUIT both end the program with exit code 0 (the service posts WM_CLOSE then
// WM_QUIT when it closes the tray, WM_CLOSE alone when it ends). The window is unregistered first,
// so the title is gone by the time the process exits. Message 1285 (a change made with the mouse's
// own buttons, which the service reports to the tray as to the window) shows a desktop notice
// unless "TrayNotices" in "Mouse.ini" is 0 (the menu's "Show notices").
// A service that ends without closing the tray (killed, crashed) leaves it running: the icon turns
// grey and the tooltip and menu say "Service not running" until a service runs again.
// Without a system tray (offscreen, a desktop without a tray) the program runs hidden and still
// answers the bus; the diagnostics say which tray it found, or that there is none. A status notifier
// host that registers later makes the program start itself anew (tray_host.h says why).
// The icon opens the configuration window on a double click, and on the single activation a
// status notifier host sends for a left click (it knows no double click).
#include <QFileSystemWatcher>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>

#include "platform/message_bus.h"
#include "qtbridge/qt_reactor.h"
#include "traylet/desktop_notices.h"
#include "qtbridge/service_watch.h"
#include "traylet/tray_host.h"
#include "traylet/tray_status.h"
#include "traylet/tray_texts.h"

class QAction;
class QMenu;
class QSystemTrayIcon;

class TrayApp {
public:
    // settingsPath: "Mouse.ini" (read, and its key "TrayNotices" written); panelPath: the
    // configuration program to start; texts: in the user's language.
    TrayApp(QtReactor& reactor, std::string settingsPath, std::string panelPath, tray::Texts texts = {});
    ~TrayApp();
    TrayApp(const TrayApp&) = delete;
    TrayApp& operator=(const TrayApp&) = delete;

    // Registers the bus window; false when the title cannot be registered.
    bool registerWindow();

    // Reads the status, fills the menu, watches the settings file and the service, and shows the
    // tray icon when a system tray exists.
    void start();

    // Ends the program: unregisters the window, hides the icon and makes the event loop return 0.
    void quit(const char* reason);

    // How the program starts itself anew when a tray host appears after start (it does not return
    // when it succeeds). Without one the icon stays hidden.
    void setRestart(std::function<void()> restart) { restart_ = std::move(restart); }

    // Re-reads the settings file and updates the icon, tooltip and menu when something changed.
    void refresh();

    QMenu& menu() { return *menu_; }
    const tray::Status& status() const { return status_; }
    bool trayShown() const { return icon_ != nullptr; }

private:
    int64_t onMessage(uint32_t message, int64_t wParam, int64_t lParam);
    void onMouseChanged(int64_t kind, int64_t value);
    void setServiceRunning(bool running);
    void setNoticesEnabled(bool enabled);
    void showStatus();
    void updateMenu();
    void updatePanelAction();
    void rewatch();
    void openPanel();
    void showIconWhenTrayAppears();
    void onHostAppeared();

    platform::Window window_;
    std::string settingsPath_;
    std::string panelPath_;
    tray::Texts texts_;
    std::unique_ptr<QMenu> menu_;
    QAction* headerAction_ = nullptr;
    QAction* summaryAction_ = nullptr;
    QAction* nameAction_ = nullptr;
    QAction* deviceAction_ = nullptr;
    QAction* failureAction_ = nullptr;  // shown while the last write did not reach the mouse
    QAction* panelAction_ = nullptr;
    QAction* noticesAction_ = nullptr;
    std::unique_ptr<QSystemTrayIcon> icon_;
    QFileSystemWatcher watcher_;
    QTimer settle_;  // coalesces the bursts of change events of one atomic replace
    QTimer trayProbe_;  // looks for a system tray that appears after start (desktop still loading)
    int trayProbesLeft_ = 0;
    tray::TrayKind trayKind_ = tray::TrayKind::None;
    std::unique_ptr<tray::HostWatch> hostWatch_;
    std::function<void()> restart_;
    DesktopNotices notices_;
    ServiceWatch service_;
    tray::Status status_;
    bool haveStatus_ = false;
    bool quitting_ = false;
};
