#include "platform/connection_table.h"

#include "platform/diagnostics.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace platform {
namespace {

constexpr int kAcceptsPerWake = 64;        // fairness between the listener and the connections
constexpr uint32_t kAcceptRetryMs = 1000;  // after running out of descriptors with nothing to evict

// Nothing from the peer waits to be read (a hung-up peer counts as idle: it only waits to be closed).
bool isIdle(int fd) {
    char c;
    ssize_t n = ::recv(fd, &c, 1, MSG_PEEK | MSG_DONTWAIT);
    return n == 0 || (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK));
}

}  // namespace

bool peerIsSameUser(int fd) {
    struct ucred cred {};
    socklen_t len = sizeof cred;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0) return false;
    return cred.uid == ::getuid();
}

ConnectionTable::ConnectionTable(Reactor& reactor, std::string name, Options options, Adopt adopt, Drop drop)
    : reactor_(reactor), name_(std::move(name)), options_(options), adopt_(std::move(adopt)), drop_(std::move(drop)) {}

ConnectionTable::~ConnectionTable() { stop(); }

bool ConnectionTable::listen(int listenFd) {
    listenFd_ = listenFd;
    paused_ = false;
    return reactor_.watchReadable(listenFd_, [this] { acceptPending(); });
}

void ConnectionTable::stop() {
    if (listenFd_ >= 0 && !paused_) reactor_.unwatch(listenFd_);
    listenFd_ = -1;
    paused_ = false;
    for (Reactor::TimerId* timer : {&idleTimer_, &retryTimer_}) {
        if (*timer != 0) reactor_.cancelTimer(*timer);
        *timer = 0;
    }
}

void ConnectionTable::touch(int fd) {
    auto it = entries_.find(fd);
    if (it != entries_.end()) it->second.lastActive = tickCountMs();
}

void ConnectionTable::keep(int fd) {
    auto it = entries_.find(fd);
    if (it != entries_.end()) it->second.kept = true;
}

void ConnectionTable::remove(int fd) {
    entries_.erase(fd);
    if (paused_ && entries_.size() < options_.capacity) resume();
}

void ConnectionTable::setIdleTimeout(uint32_t ms) {
    options_.idleTimeoutMs = ms;
    if (idleTimer_ != 0) reactor_.cancelTimer(idleTimer_);
    idleTimer_ = 0;
    armIdleTimer();
}

void ConnectionTable::acceptPending() {
    for (int i = 0; i < kAcceptsPerWake && listenFd_ >= 0 && !paused_; ++i) {
        if (entries_.size() >= options_.capacity && !evictOldestIdle()) {
            pause(false);  // every connection has work waiting; the next to end makes room
            return;
        }
        int flags = SOCK_CLOEXEC | (options_.nonBlocking ? SOCK_NONBLOCK : 0);
        int fd = ::accept4(listenFd_, nullptr, nullptr, flags);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) return;
            // Out of descriptors or memory: the peer stays in the backlog. Make room, or stop
            // watching the listener for a while instead of being woken for it again and again.
            if (evictOldestIdle()) continue;
            debugPrintf("%s: cannot accept (%s), accepting paused", name_.c_str(), std::strerror(errno));
            pause(true);
            return;
        }
        if (!peerIsSameUser(fd)) {
            debugPrintf("%s: peer of another user refused", name_.c_str());
            ::close(fd);
            continue;
        }
        entries_[fd] = Entry{tickCountMs(), false};
        if (!adopt_(fd)) {
            entries_.erase(fd);
            ::close(fd);
            continue;
        }
        armIdleTimer();
    }
}

bool ConnectionTable::evictOldestIdle() {
    int oldest = -1;
    uint64_t oldestTime = 0;
    for (auto& [fd, entry] : entries_) {
        if (entry.kept || (oldest >= 0 && entry.lastActive >= oldestTime) || !isIdle(fd)) continue;
        oldest = fd;
        oldestTime = entry.lastActive;
    }
    if (oldest < 0) return false;
    // A crowd of idle peers would otherwise fill the journal: the first and every 1000th say so.
    if (evictions_++ % 1000 == 0)
        debugPrintf("%s: connection table full, the longest idle connection makes room (%llu so far)", name_.c_str(),
                    static_cast<unsigned long long>(evictions_));
    drop_(oldest);
    entries_.erase(oldest);  // in case the owner did not
    return true;
}

void ConnectionTable::pause(bool retryLater) {
    if (!paused_) {
        reactor_.unwatch(listenFd_);
        paused_ = true;
    }
    if (retryLater && retryTimer_ == 0)
        retryTimer_ = reactor_.addTimer(kAcceptRetryMs, false, [this] {
            retryTimer_ = 0;
            resume();
        });
}

void ConnectionTable::resume() {
    if (!paused_ || listenFd_ < 0) return;
    if (retryTimer_ != 0) reactor_.cancelTimer(retryTimer_);
    retryTimer_ = 0;
    paused_ = false;
    if (!reactor_.watchReadable(listenFd_, [this] { acceptPending(); })) pause(true);
}

void ConnectionTable::armIdleTimer() {
    if (idleTimer_ != 0 || options_.idleTimeoutMs == 0) return;
    bool any = false;
    uint64_t earliest = 0;
    for (auto& [fd, entry] : entries_) {
        if (entry.kept || (any && entry.lastActive >= earliest)) continue;
        any = true;
        earliest = entry.lastActive;
    }
    if (!any) return;
    uint64_t due = earliest + options_.idleTimeoutMs;
    uint64_t now = tickCountMs();
    idleTimer_ = reactor_.addTimer(due > now ? static_cast<uint32_t>(due - now) : 0, false, [this] { onIdleTimer(); });
}

void ConnectionTable::onIdleTimer() {
    idleTimer_ = 0;
    uint64_t now = tickCountMs();
    std::vector<int> expired;
    for (auto& [fd, entry] : entries_) {
        if (entry.kept || now - entry.lastActive < options_.idleTimeoutMs) continue;
        if (isIdle(fd))
            expired.push_back(fd);
        else
            entry.lastActive = now;  // its data waits for the loop: not idle
    }
    for (int fd : expired) {
        drop_(fd);
        entries_.erase(fd);
    }
    armIdleTimer();
}

}  // namespace platform
