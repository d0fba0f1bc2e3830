#pragma once
// Whether the service runs, followed by events alone: while it runs, its process descriptor
// (readable when the process ends, also when it is killed and leaves its bus socket behind);
// while it does not, the bus folder, where its window's socket appears when it starts again.
#include <QFileSystemWatcher>
#include <QTimer>

#include <sys/types.h>

#include <functional>
#include <string>

#include "qtbridge/qt_reactor.h"

class ServiceWatch {
public:
    // onChange(running) is called by start() and on every change afterwards.
    ServiceWatch(QtReactor& reactor, std::string serviceTitle, std::function<void(bool running)> onChange);
    ~ServiceWatch();
    ServiceWatch(const ServiceWatch&) = delete;
    ServiceWatch& operator=(const ServiceWatch&) = delete;

    void start();
    bool running() const { return pidfd_ >= 0; }

private:
    void check();
    void onServiceEnded();
    void watchFolder(bool on);

    QtReactor& reactor_;
    std::string title_;
    std::function<void(bool)> onChange_;
    int pidfd_ = -1;
    bool known_ = false;  // onChange_ has been told a state
    QFileSystemWatcher folder_;
    // A socket file that was just made may not take connections yet (bound, not yet listening):
    // a few checks follow a new one, then the folder's next change.
    QTimer recheck_;
    int rechecksLeft_ = 0;
    struct SocketFile {
        ino_t inode = 0;
        time_t changedSec = 0;
        long changedNsec = 0;
        bool operator==(const SocketFile&) const = default;
    };
    SocketFile refusedSocket_;  // the socket file that last refused (a dead service's leftover)
};
