#include "traylet/tray_app.h"

#include "platform/diagnostics.h"
#include "platform/focus_watch.h"
#include "platform/known_folders.h"
#include "platform/process_launch.h"
#include "shared/window_messages.h"
#include "traylet/tray_icon_art.h"

#include <unistd.h>

#include <climits>
#include <cstdint>

#include <QAction>
#include <QApplication>
#include <QFont>
#include <QMenu>
#include <QSystemTrayIcon>

namespace {

// Events of one atomic replace (temporary file written, renamed over the old one) arrive in a
// burst; one re-read after it settles is enough.
constexpr int kSettleMs = 150;

// When the program starts before the desktop's tray (log-on), it looks again for a while.
constexpr int kTrayProbeMs = 3000;
constexpr int kTrayProbes = 40;

QString qs(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

TrayApp::TrayApp(QtReactor& reactor, std::string settingsPath, std::string panelPath, tray::Texts texts)
    : window_(reactor, [this](uint32_t m, int64_t w, int64_t l) { return onMessage(m, w, l); }),
      settingsPath_(std::move(settingsPath)),
      panelPath_(std::move(panelPath)),
      texts_(std::move(texts)),
      menu_(std::make_unique<QMenu>()),
      notices_(qs(texts_.name), QStringLiteral("korvante"), QStringLiteral("korvante-traylet")),
      service_(reactor, title::kService, [this](bool running) { setServiceRunning(running); }) {
    headerAction_ = menu_->addAction(qs(texts_.name));
    QFont bold = headerAction_->font();
    bold.setBold(true);
    headerAction_->setFont(bold);
    headerAction_->setEnabled(false);
    summaryAction_ = menu_->addAction(QString());
    summaryAction_->setEnabled(false);
    nameAction_ = menu_->addAction(QString());
    nameAction_->setEnabled(false);
    deviceAction_ = menu_->addAction(QString());
    deviceAction_->setEnabled(false);
    failureAction_ = menu_->addAction(QString());
    failureAction_->setEnabled(false);
    failureAction_->setVisible(false);
    menu_->addSeparator();
    panelAction_ = menu_->addAction(qs(texts_.openPanel));
    QObject::connect(panelAction_, &QAction::triggered, [this] { openPanel(); });
    noticesAction_ = menu_->addAction(qs(texts_.notices));
    noticesAction_->setCheckable(true);
    noticesAction_->setToolTip(qs(texts_.noticesTip));
    QObject::connect(noticesAction_, &QAction::triggered, [this](bool on) { setNoticesEnabled(on); });
    menu_->addSeparator();
    QAction* quitAction = menu_->addAction(qs(texts_.quit));
    QObject::connect(quitAction, &QAction::triggered, [this] { quit("quit chosen in the menu"); });
    menu_->setToolTipsVisible(true);
    // The configuration program may be installed while the tray runs, and "TrayNotices" edited.
    QObject::connect(menu_.get(), &QMenu::aboutToShow, [this] {
        updatePanelAction();
        noticesAction_->setChecked(tray::readNoticesEnabled(settingsPath_));
    });

    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    QObject::connect(&settle_, &QTimer::timeout, [this] {
        rewatch();
        refresh();
    });
    trayProbe_.setInterval(kTrayProbeMs);
    QObject::connect(&trayProbe_, &QTimer::timeout, [this] {
        if (QSystemTrayIcon::isSystemTrayAvailable()) {
            trayProbe_.stop();
            trayKind_ = tray::TrayKind::XEmbed;
            platform::debugLine(tray::trayReport(trayKind_, false).c_str());
            showIconWhenTrayAppears();
        } else if (--trayProbesLeft_ <= 0) {
            trayProbe_.stop();
        }
    });
    QObject::connect(&watcher_, &QFileSystemWatcher::fileChanged, [this] { settle_.start(); });
    QObject::connect(&watcher_, &QFileSystemWatcher::directoryChanged, [this] { settle_.start(); });
}

TrayApp::~TrayApp() {
    window_.destroy();
    if (icon_) icon_->hide();
}

bool TrayApp::registerWindow() { return window_.create(title::kTraylet); }

void TrayApp::start() {
    // Watch first, then read: a change between the two is then seen as an event.
    rewatch();
    refresh();
    service_.start();
    const bool statusNotifier = tray::statusNotifierHostRegistered();
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        trayKind_ = statusNotifier ? tray::TrayKind::StatusNotifier : tray::TrayKind::XEmbed;
        platform::debugLine(tray::trayReport(trayKind_, platform::waylandSession()).c_str());
        showIconWhenTrayAppears();
        return;
    }
    platform::debugLine(tray::trayReport(tray::TrayKind::None, platform::waylandSession()).c_str());
    // The offscreen platform never gets a tray; a real display may get one shortly: an X11 tray
    // is looked for again (Qt asks the X server each time), a status notifier host is watched for.
    if (QGuiApplication::platformName() == QStringLiteral("offscreen")) return;
    if (QGuiApplication::platformName() == QStringLiteral("xcb")) {
        trayProbesLeft_ = kTrayProbes;
        trayProbe_.start();
    }
    hostWatch_ = std::make_unique<tray::HostWatch>([this] { onHostAppeared(); });
}

void TrayApp::onHostAppeared() {
    if (icon_ || quitting_ || !restart_) return;
    platform::debugLine("traylet: a status notifier host appeared; starting anew to show the icon there");
    trayProbe_.stop();
    window_.destroy();  // the new program registers the title again
    restart_();
    platform::debugLine("traylet: cannot start anew; the icon stays hidden");
    window_.create(title::kTraylet);
}

void TrayApp::showIconWhenTrayAppears() {
    if (icon_ || quitting_) return;
    icon_ = std::make_unique<QSystemTrayIcon>();
    icon_->setIcon(tray::makeTrayIcon(status_));
    icon_->setToolTip(qs(tray::tooltipText(status_, texts_)));
    icon_->setContextMenu(menu_.get());
    QObject::connect(icon_.get(), &QSystemTrayIcon::activated, [this](QSystemTrayIcon::ActivationReason why) {
        const bool singleActivation = trayKind_ == tray::TrayKind::StatusNotifier && why == QSystemTrayIcon::Trigger;
        if (why == QSystemTrayIcon::DoubleClick || singleActivation) openPanel();
    });
    icon_->show();
}

void TrayApp::quit(const char* reason) {
    if (quitting_) return;
    quitting_ = true;
    platform::debugPrintf("traylet: closing (%s)", reason);
    window_.destroy();  // the title disappears before the process ends
    settle_.stop();
    trayProbe_.stop();
    if (icon_) icon_->hide();
    QCoreApplication::exit(0);
}

int64_t TrayApp::onMessage(uint32_t message, int64_t wParam, int64_t lParam) {
    if (message == msg::kClose) quit("WM_CLOSE");
    else if (message == msg::kQuit) quit("WM_QUIT");
    else if (message == msg::kMouseChanged) onMouseChanged(wParam, lParam);
    return 0;
}

void TrayApp::onMouseChanged(int64_t kind, int64_t value) {
    if (quitting_ || kind < INT32_MIN || kind > INT32_MAX || value < INT32_MIN || value > INT32_MAX) return;
    if (!tray::readNoticesEnabled(settingsPath_)) return;
    // The notice reads what it names (a stage's resolution, a profile's name) from the file as it
    // is now; the change itself comes with the message, before any program has saved it.
    std::unique_ptr<MouseSettings> settings = tray::loadValidated(settingsPath_);
    if (!settings) return;
    const std::optional<tray::Notice> notice =
        tray::noticeFor(static_cast<int32_t>(kind), static_cast<int32_t>(value), *settings, texts_);
    if (!notice) return;
    platform::debugPrintf("traylet: notice \"%s\"", notice->summary.c_str());
    notices_.show(qs(notice->summary), qs(notice->body));
}

void TrayApp::setNoticesEnabled(bool enabled) {
    if (!tray::writeNoticesEnabled(settingsPath_, enabled)) {
        platform::debugPrintf("traylet: cannot save %s=%d in %s", tray::kNoticesKey, enabled ? 1 : 0,
                              settingsPath_.c_str());
        noticesAction_->setChecked(tray::readNoticesEnabled(settingsPath_));
    }
}

void TrayApp::setServiceRunning(bool running) {
    if (haveStatus_ && status_.serviceRunning == running) return;
    status_.serviceRunning = running;
    platform::debugLine(running ? "traylet: the service runs" : "traylet: the service is not running");
    showStatus();
}

void TrayApp::refresh() {
    tray::Status fresh = tray::readStatus(settingsPath_);
    fresh.serviceRunning = status_.serviceRunning;
    if (haveStatus_ && fresh == status_) return;
    status_ = fresh;
    haveStatus_ = true;
    showStatus();
}

void TrayApp::showStatus() {
    platform::debugPrintf("traylet: %s", tray::tooltipText(status_, texts_).c_str());
    updateMenu();
    if (icon_) {
        icon_->setIcon(tray::makeTrayIcon(status_));
        icon_->setToolTip(qs(tray::tooltipText(status_, texts_)));
    }
}

void TrayApp::updateMenu() {
    headerAction_->setIcon(tray::makeTrayIcon(status_));
    if (!status_.settingsFound) {
        summaryAction_->setText(qs(texts_.noSettings));
        nameAction_->setVisible(false);
    } else {
        summaryAction_->setText(qs(tray::summaryText(status_, texts_)));
        nameAction_->setVisible(!status_.profileName.empty());
        // '&' would be taken for a mnemonic marker.
        nameAction_->setText(QStringLiteral("\u201c%1\u201d").arg(qs(status_.profileName).replace('&', "&&")));
    }
    // "Device" is the service's word: without a service it says nothing about the mouse.
    deviceAction_->setVisible(status_.settingsFound || !status_.serviceRunning);
    deviceAction_->setText(!status_.serviceRunning  ? qs(texts_.noService)
                           : status_.deviceConnected ? qs(texts_.connected)
                                                     : qs(texts_.noDevice));
    const std::string failure = tray::failureText(status_, texts_);
    failureAction_->setVisible(status_.settingsFound && !failure.empty());
    failureAction_->setText(qs(failure));
    noticesAction_->setChecked(tray::readNoticesEnabled(settingsPath_));
    noticesAction_->setEnabled(status_.settingsFound);
    updatePanelAction();
}

void TrayApp::updatePanelAction() {
    const bool present = ::access(panelPath_.c_str(), X_OK) == 0;
    panelAction_->setEnabled(present);
    panelAction_->setToolTip(present ? qs(texts_.openPanelTip) : qs(texts_.noPanel));
}

void TrayApp::openPanel() {
    updatePanelAction();
    if (!panelAction_->isEnabled()) return;
    if (!platform::launchDetached(panelPath_))
        platform::debugPrintf("traylet: cannot start %s", panelPath_.c_str());
}

// Watches the settings file and its folder: writers replace the file by rename, which ends a watch
// on the old file, and only the folder sees the new one arrive. While the folder does not exist
// yet (before the service's first start) the nearest existing parent is watched instead.
void TrayApp::rewatch() {
    const QStringList files = watcher_.files();
    const QStringList dirs = watcher_.directories();
    if (!files.isEmpty()) watcher_.removePaths(files);
    if (!dirs.isEmpty()) watcher_.removePaths(dirs);
    if (platform::fileExists(settingsPath_)) watcher_.addPath(qs(settingsPath_));
    std::string folder = platform::parentFolder(settingsPath_);
    for (int depth = 0; depth < 3 && !folder.empty() && folder != "/" && folder != "."; ++depth) {
        if (platform::folderExists(folder)) {
            watcher_.addPath(qs(folder));
            break;
        }
        folder = platform::parentFolder(folder);
    }
}
