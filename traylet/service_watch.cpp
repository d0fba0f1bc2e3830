#include "traylet/service_watch.h"

#include <sys/stat.h>
#include <unistd.h>

#include "platform/diagnostics.h"
#include "platform/window_owner.h"

namespace {

constexpr int kRecheckMs = 100;
constexpr int kRechecks = 20;

}  // namespace

ServiceWatch::ServiceWatch(QtReactor& reactor, std::string serviceTitle, std::function<void(bool)> onChange)
    : reactor_(reactor), title_(std::move(serviceTitle)), onChange_(std::move(onChange)) {
    recheck_.setSingleShot(true);
    recheck_.setInterval(kRecheckMs);
    QObject::connect(&recheck_, &QTimer::timeout, [this] { check(); });
    QObject::connect(&folder_, &QFileSystemWatcher::directoryChanged, [this] {
        rechecksLeft_ = kRechecks;
        check();
    });
}

ServiceWatch::~ServiceWatch() {
    if (pidfd_ >= 0) {
        reactor_.unwatch(pidfd_);
        ::close(pidfd_);
    }
}

void ServiceWatch::start() {
    rechecksLeft_ = kRechecks;  // the service may be registering its window right now
    check();
}

void ServiceWatch::check() {
    if (pidfd_ >= 0) return;
    pidfd_ = platform::openWindowOwner(title_);
    if (pidfd_ >= 0) {
        watchFolder(false);
        recheck_.stop();
        refusedSocket_ = {};
        reactor_.watchReadable(pidfd_, [this] { onServiceEnded(); });
        known_ = true;
        onChange_(true);
        return;
    }
    watchFolder(true);
    // A socket file that refuses: a dead service's leftover stays so; a starting service's new
    // file answers within moments. A new file may reuse the leftover's inode number (ext4 hands
    // freed numbers out again at once), so its change time tells the two apart as well.
    struct stat st {};
    const std::string path = platform::windowSocketPath(title_);
    const SocketFile socket = !path.empty() && ::stat(path.c_str(), &st) == 0
                                  ? SocketFile{st.st_ino, st.st_ctim.tv_sec, st.st_ctim.tv_nsec}
                                  : SocketFile{};
    if (socket.inode != 0 && socket != refusedSocket_) {
        if (rechecksLeft_ > 0) {
            --rechecksLeft_;
            recheck_.start();
        } else {
            refusedSocket_ = socket;
        }
    }
    if (!known_) {
        known_ = true;
        onChange_(false);
    }
}

void ServiceWatch::onServiceEnded() {
    reactor_.unwatch(pidfd_);
    ::close(pidfd_);
    pidfd_ = -1;
    platform::debugLine("traylet: the service has ended");
    known_ = false;
    rechecksLeft_ = 0;
    check();  // a new service may be there already
}

void ServiceWatch::watchFolder(bool on) {
    const QStringList watched = folder_.directories();
    if (!on) {
        if (!watched.isEmpty()) folder_.removePaths(watched);
        return;
    }
    if (!watched.isEmpty()) return;
    const std::string path = platform::windowSocketPath(title_);
    const std::string folder = path.substr(0, path.rfind('/'));
    if (!folder.empty()) folder_.addPath(QString::fromStdString(folder));
}
