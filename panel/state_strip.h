#pragma once
// StateStrip: the line in the window's title strip that says whether the mouse and the service are
// there ("Mouse connected" in green, else what is missing in amber), and how far the service's
// shortcuts reach. It looks again when the settings file or the bus folder changes (once a burst of
// changes has settled), and asks a service it has not heard from how far its shortcuts reach (1310).
// Beside it, the notice of a write that did not reach the mouse (1286).
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>
#include <string>

class QFileSystemWatcher;
class QWidget;
class StringTable;

namespace skin {
class CStaticTrans;
}

namespace panel {

class PanelModel;
class ServiceMessenger;

class StateStrip : public QObject {
    Q_OBJECT
public:
    // hint: what the user can do about what is missing ("" when nothing is), for the start page.
    StateStrip(QWidget& window, PanelModel& model, ServiceMessenger& service, const StringTable& strings,
               std::function<void(const QString& hint)> hint);

    // Starts watching the settings' folder and the bus folder.
    void watch();
    // Looks at the service and the mouse again.
    void update();
    // The service's answer about its shortcuts (1311).
    void setShortcutReach(int reach);
    void setShown(bool shown);
    // A write that did not reach the mouse (the reason of 1286): a notice that does not block the
    // window, whose Retry calls retry (the settings saved, the service asked for the full write).
    void showWriteFailure(int64_t reason, std::function<void()> retry);
    QMessageBox* writeNotice() const { return writeNotice_; }

    // Empty when the mouse and the service are both there, else what is missing.
    QString stateText() const { return stateText_; }
    // Empty while the shortcuts reach every program (or before the service has said).
    QString shortcutText() const { return shortcutText_; }

private:
    QString text(const char* key) const;

    PanelModel& model_;
    ServiceMessenger& service_;
    const StringTable& strings_;
    std::function<void(const QString&)> hint_;
    skin::CStaticTrans* label_ = nullptr;
    QFileSystemWatcher* watcher_ = nullptr;
    QTimer settle_;
    QPointer<QMessageBox> writeNotice_;
    std::function<void()> retry_;
    int shortcutReach_ = -1;  // the service's last answer to the shortcut query; -1 none yet
    QString stateText_;
    QString shortcutText_;
};

}  // namespace panel
