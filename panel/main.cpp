// cfgpanel: the configuration window of the mouse suite. One copy runs per user; a second start
// ends at once without showing anything, a start that cannot use the runtime folder says why. The
// window's title on the bus is "KORVANTE": the service notifies it there and closes it when the
// service itself closes.
#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>

#include <cstdlib>
#include <string>

#include "panel/hook_library.h"
#include "panel/main_dialog.h"
#include "panel/panel_model.h"
#include "platform/diagnostics.h"
#include "platform/focus_watch.h"
#include "platform/known_folders.h"
#include "platform/single_instance.h"
#include "qtbridge/qt_reactor.h"
#include "shared/string_table.h"
#include "shared/window_messages.h"

namespace {

// The capture plugin reports from its own thread; the message joins the window's queue.
void postFromHook(void* context, uint32_t message, int64_t wParam, int64_t lParam) {
    static_cast<panel::CMocfgDlg*>(context)->postMessage(message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
    platform::SingleInstance guard(std::string(title::kPanel) + "_Mutex");
    const bool alone = guard.acquire();
    if (!alone && guard.heldElsewhere()) return 0;  // another copy runs: end silently

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("cfgpanel"));
    QApplication::setApplicationDisplayName(QStringLiteral("KORVANTE"));
    QApplication::setDesktopFileName(QStringLiteral("korvante-cfgpanel"));

    const std::string programFolder = platform::programFolder();
    if (!alone) {
        // Without the runtime folder there is neither the single-instance lock nor the bus.
        platform::debugPrintf("cfgpanel: not started: %s", guard.problem().c_str());
        const QString text = QString::fromStdString(lookupString(platform::stringsPath(), "MAIN", "NOSTART"));
        QMessageBox::warning(nullptr, QString::fromStdString(lookupString(platform::stringsPath(), "MAIN", "WARNING")),
                             text.arg(QString::fromStdString(guard.problem())));
        return 1;
    }
    panel::ServiceMessenger service;
    panel::PanelModel model(panel::userPaths(programFolder), service);
    panel::CMocfgDlg dialog(model, service);
    dialog.initialise();

    panel::HookLibrary hooks;
    if (hooks.load(programFolder)) hooks.install(KBHookTarget{&dialog, &postFromHook});
    // The plugin captures through the X server; where none carries the session's input (Wayland)
    // recording takes what reaches the window.
    const char* display = std::getenv("DISPLAY");
    const bool x11 = display != nullptr && *display != 0 && !platform::waylandSession() &&
                     QGuiApplication::platformName() == QLatin1String("xcb");
    dialog.setHooks(
        [&hooks](bool on) {
            hooks.enableKeys(on);
            hooks.enableMouse(on);
        },
        !(x11 && hooks.loaded()));

    QtReactor reactor;
    panel::PanelBus busWindow(reactor, dialog);
    busWindow.create();
    QObject::connect(&dialog, &panel::CMocfgDlg::closing, [&] {
        hooks.remove();
        busWindow.destroy();
        QApplication::quit();
    });

    dialog.show();
    return QApplication::exec();
}
