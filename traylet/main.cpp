// traylet: the tray program of the mouse suite. Started by the service (possibly several times;
// only the first copy stays), closed by it through the bus window "KORVANTEMouseTraylet".
//
//   traylet                       run (hidden when there is no system tray)
//   traylet --status              print the tooltip text for the current settings and exit
//   traylet --render-icon FILE    write the icon for the current settings as PNG (64x64, or
//                                 --size N) and exit
//   traylet --render-menu FILE    write the tray menu as PNG and exit
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QPixmap>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/diagnostics.h"
#include "platform/known_folders.h"
#include "platform/single_instance.h"
#include "qtbridge/qt_reactor.h"
#include "shared/string_table.h"
#include "traylet/tray_app.h"
#include "traylet/tray_icon_art.h"
#include "traylet/tray_status.h"

namespace {

int g_signalPipe[2] = {-1, -1};

void onTerminationSignal(int) {
    const int saved = errno;
    const char byte = 1;
    (void)!::write(g_signalPipe[1], &byte, 1);
    errno = saved;
}

// SIGTERM and SIGINT become a readable pipe watched on the event loop (a self-pipe works no matter
// which threads Qt has started).
bool installTerminationPipe() {
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    struct sigaction sa {};
    sa.sa_handler = onTerminationSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    return ::sigaction(SIGTERM, &sa, nullptr) == 0 && ::sigaction(SIGINT, &sa, nullptr) == 0;
}

int usage() {
    std::fprintf(stderr,
                 "usage: traylet [--status | --render-icon FILE.png [--size N] | --render-menu FILE.png]\n");
    return 2;
}

// A session without any display (the service started before the desktop) still gets a running,
// hidden tray program that answers the bus.
void chooseHeadlessPlatformWhenNeeded() {
    const char* platformName = std::getenv("QT_QPA_PLATFORM");
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((platformName == nullptr || *platformName == 0) && (display == nullptr || *display == 0) &&
        (wayland == nullptr || *wayland == 0))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

}  // namespace

int main(int argc, char** argv) {
    enum class Mode { Run, Status, RenderIcon, RenderMenu } mode = Mode::Run;
    std::string outFile;
    int size = 64;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--status") {
            mode = Mode::Status;
        } else if ((arg == "--render-icon" || arg == "--render-menu") && i + 1 < argc) {
            mode = arg == "--render-icon" ? Mode::RenderIcon : Mode::RenderMenu;
            outFile = argv[++i];
        } else if (arg == "--size" && i + 1 < argc) {
            size = std::atoi(argv[++i]);
            if (size < 8 || size > 1024) return usage();
        } else {
            return usage();
        }
    }

    const std::string settingsPath = platform::settingsPath();
    const tray::Texts texts = tray::loadTexts(StringTable(platform::stringsPath()));
    if (mode == Mode::Status) {
        std::printf("%s\n", tray::tooltipText(tray::readStatus(settingsPath), texts).c_str());
        return 0;
    }

    // Only the first copy runs; the service may start the program several times.
    platform::SingleInstance guard("KORVANTEMouseTraylet_Mutex");
    if (mode == Mode::Run && !guard.acquire()) {
        if (guard.heldElsewhere()) return 0;
        platform::debugPrintf("traylet: not started: %s", guard.problem().c_str());
        return 1;
    }

    chooseHeadlessPlatformWhenNeeded();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("traylet"));
    QApplication::setQuitOnLastWindowClosed(false);

    QtReactor reactor;
    TrayApp tray(reactor, settingsPath, platform::pathJoin(platform::programFolder(), "cfgpanel"), texts);

    if (mode == Mode::RenderIcon) {
        tray.refresh();
        const bool ok = tray::renderIconImage(size, tray.status()).save(QString::fromStdString(outFile), "PNG");
        if (!ok) platform::debugPrintf("traylet: cannot write %s", outFile.c_str());
        return ok ? 0 : 1;
    }
    if (mode == Mode::RenderMenu) {
        tray.refresh();
        QMenu& menu = tray.menu();
        menu.ensurePolished();
        menu.adjustSize();
        const bool ok = menu.grab().save(QString::fromStdString(outFile), "PNG");
        if (!ok) platform::debugPrintf("traylet: cannot write %s", outFile.c_str());
        return ok ? 0 : 1;
    }

    if (!installTerminationPipe()) platform::debugLine("traylet: cannot handle termination signals");
    if (g_signalPipe[0] >= 0) {
        reactor.watchReadable(g_signalPipe[0], [&tray] {
            char buffer[16];
            while (::read(g_signalPipe[0], buffer, sizeof buffer) > 0) {
            }
            tray.quit("termination signal");
        });
    }
    // A tray host that appears after start is only used by a new process (tray_host.h): the same
    // program with the same arguments replaces this one. Its lock and bus socket close on exec.
    tray.setRestart([argv] { ::execv("/proc/self/exe", argv); });
    if (!tray.registerWindow()) {
        platform::debugLine("traylet: cannot register the window \"KORVANTEMouseTraylet\"");
        return 1;
    }
    tray.start();
    const int code = app.exec();
    if (g_signalPipe[0] >= 0) reactor.unwatch(g_signalPipe[0]);
    return code;
}
