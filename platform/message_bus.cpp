#include "platform/message_bus.h"

#include "platform/bus_frame.h"
#include "platform/connection_table.h"
#include "platform/diagnostics.h"
#include "platform/runtime_folder.h"
#include "platform/unix_socket.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {
namespace {

// Senders that connect while the window is busy (a full write of the mouse takes seconds) wait
// in the backlog, already holding their message, until the window accepts them: the backlog is
// the kernel's maximum (net.core.somaxconn, 4096 by default), and a connect waits for a free place
// in it up to kConnectTimeoutMs, longer than any single request of the service takes.
constexpr int kListenBacklog = SOMAXCONN > 4096 ? SOMAXCONN : 4096;
constexpr size_t kMaxConnectionsPerWindow = 128;
constexpr uint32_t kIdleConnectionTimeoutMs = 60000;
constexpr int kFramesPerWake = 64;          // fairness between connections and other events
constexpr uint32_t kConnectTimeoutMs = 30000;
constexpr uint32_t kPostTimeoutMs = 5000;   // only reached when a receiver stopped reading
constexpr size_t kMaxCachedConnections = 32;

// ---------------------------------------------------------------------------------------------
// Socket helpers

bool socketPathFor(const std::string& title, std::string& path) {
    std::string folder = runtimeFolder();
    if (folder.empty()) return false;
    path = folder + "/" + fileNameForTitle(title);
    sockaddr_un addr;
    if (!unixAddress(path, addr)) {
        debugPrintf("message bus: socket path too long: %s", path.c_str());
        return false;
    }
    return true;
}

void setNonBlocking(int fd) {
    int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

// Connects to a window's socket; -1 with errno set when nobody listens there.
int connectTo(const std::string& path) {
    // The send time-out bounds the wait when the receiver's backlog is full.
    int fd = connectUnix(path, SOCK_SEQPACKET, kConnectTimeoutMs);
    if (fd < 0) return -1;
    // Room for about a thousand queued frames while the receiver is busy (best effort: the kernel
    // caps it at net.core.wmem_max; the default holds about 270).
    int sendBuffer = 1 << 20;
    ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof sendBuffer);
    if (!peerIsSameUser(fd)) {
        debugPrintf("message bus: %s belongs to another user, refused", path.c_str());
        ::close(fd);
        errno = EACCES;
        return -1;
    }
    setNonBlocking(fd);
    return fd;
}

// Waits for `events` on fd until the deadline; false on time-out.
bool waitFor(int fd, short events, uint64_t deadline) {
    for (;;) {
        uint64_t now = tickCountMs();
        if (now >= deadline) return false;
        struct pollfd p {fd, events, 0};
        int rc = ::poll(&p, 1, static_cast<int>(std::min<uint64_t>(deadline - now, 1u << 30)));
        if (rc > 0) return true;
        if (rc < 0 && errno != EINTR) return false;
    }
}

// Sends one frame; 0 on success, otherwise the errno (ETIMEDOUT when the receiver stopped reading).
int sendFrame(int fd, const Frame& frame, uint32_t timeoutMs) {
    FrameBytes bytes = encodeFrame(frame);
    uint64_t deadline = tickCountMs() + timeoutMs;
    for (;;) {
        ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n == static_cast<ssize_t>(bytes.size())) return 0;
        if (n >= 0) return EPROTO;  // a seqpacket send is all or nothing
        if (errno == EINTR) continue;
        if (errno != EAGAIN) return errno;
        if (!waitFor(fd, POLLOUT, deadline)) return ETIMEDOUT;
    }
}

// A connection we keep from an earlier call is stale when the receiver closed it (or sent
// something unasked, which a client connection never expects).
bool connectionLooksAlive(int fd) {
    struct pollfd p {fd, POLLIN, 0};
    return ::poll(&p, 1, 0) == 0;
}

// ---------------------------------------------------------------------------------------------
// Process-wide state: windows of this process by socket path, and kept client connections.

struct ClientConnection {
    std::mutex mutex;  // one request (and its reply) at a time on this connection
    std::string path;
    int fd = -1;
    ~ClientConnection() {
        if (fd >= 0) ::close(fd);
    }
};

struct Bus {
    std::mutex mutex;
    pid_t pid = ::getpid();
    std::map<std::string, std::weak_ptr<Window::Core>> local;
    std::map<std::string, std::shared_ptr<ClientConnection>> clients;
    std::atomic<uint32_t> nextSequence{1};

    // After fork() the child starts with no windows and no connections of its own.
    void forgetParentLocked() {
        if (pid == ::getpid()) return;
        pid = ::getpid();
        local.clear();
        clients.clear();
    }
};

Bus& bus() {
    static Bus* instance = new Bus;  // never destroyed: used until the very end of the process
    return *instance;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Window

struct Window::Core {
    Reactor* reactor = nullptr;
    Handler handler;
    bool alive = true;         // false once destroyed; read and written on the window's thread
    bool registered = false;
    uint64_t generation = 0;   // bumped by destroy(): messages queued earlier never reach a re-created window
    std::string title;
    std::string path;
    int listenFd = -1;
    dev_t socketDev = 0;
    ino_t socketIno = 0;
    std::map<int, bool> connections;  // accepted fds
    std::unique_ptr<ConnectionTable> table;  // accepting, idle time-outs, room when full
    uint32_t idleTimeoutMs = kIdleConnectionTimeoutMs;
    std::map<uint32_t, Reactor::TimerId> timers;
};

namespace {

int64_t deliver(const std::shared_ptr<Window::Core>& core, uint32_t message, int64_t wParam,
                int64_t lParam) {
    if (!core || !core->alive || !core->handler) return 0;
    std::shared_ptr<Window::Core> keep = core;  // the handler may delete its Window
    return keep->handler(message, wParam, lParam);
}

void closeConnection(Window::Core& core, int fd) {
    auto it = core.connections.find(fd);
    if (it == core.connections.end()) return;
    core.reactor->unwatch(fd);
    ::close(fd);
    core.connections.erase(it);
    if (core.table) core.table->remove(fd);
}

void serveConnection(const std::weak_ptr<Window::Core>& weak, int fd) {
    std::shared_ptr<Window::Core> core = weak.lock();
    if (!core) return;
    for (int i = 0; i < kFramesPerWake; ++i) {
        if (!core->alive || core->connections.count(fd) == 0) return;
        uint8_t buffer[kFrameSize * 2];
        struct iovec iov {buffer, sizeof buffer};
        struct msghdr msg {};
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        // MSG_TRUNC makes the result the datagram's real length, so an oversized one is recognised.
        ssize_t n = ::recvmsg(fd, &msg, MSG_DONTWAIT | MSG_TRUNC);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN) return;
            closeConnection(*core, fd);
            return;
        }
        if (n == 0) {  // the sender closed its end
            closeConnection(*core, fd);
            return;
        }
        core->table->touch(fd);
        Frame frame;
        if ((msg.msg_flags & MSG_TRUNC) != 0 || static_cast<size_t>(n) > sizeof buffer ||
            !decodeFrame(buffer, static_cast<size_t>(n), frame) || frame.kind == FrameKind::Reply) {
            debugPrintf("message bus: malformed frame (%zd bytes) for \"%s\", connection dropped", n,
                        core->title.c_str());
            closeConnection(*core, fd);
            return;
        }
        // A handler may destroy its window (WM_CLOSE sent by another program); the sender still
        // gets the result, so the reply goes out on a duplicate that outlives the connection.
        int replyFd = frame.kind == FrameKind::Send ? ::fcntl(fd, F_DUPFD_CLOEXEC, 0) : -1;
        int64_t result = deliver(core, frame.message, frame.wParam, frame.lParam);
        if (replyFd >= 0) {
            Frame reply{FrameKind::Reply, frame.sequence, frame.message, result, 0};
            // The sender waits for this reply, so its buffer has room; a sender that does not read
            // its replies loses the connection instead of making us buffer for it.
            if (sendFrame(replyFd, reply, 0) != 0) closeConnection(*core, fd);
            ::close(replyFd);
        }
    }
}

std::unique_ptr<ConnectionTable> makeConnectionTable(const std::shared_ptr<Window::Core>& core) {
    std::weak_ptr<Window::Core> weak = core;
    auto adopt = [weak](int fd) {
        auto c = weak.lock();
        if (!c || !c->alive) return false;
        c->connections[fd] = true;
        if (c->reactor->watchReadable(fd, [weak, fd] { serveConnection(weak, fd); })) return true;
        c->connections.erase(fd);
        return false;
    };
    auto drop = [weak](int fd) {
        if (auto c = weak.lock()) closeConnection(*c, fd);
    };
    ConnectionTable::Options options;
    options.capacity = kMaxConnectionsPerWindow;
    options.idleTimeoutMs = core->idleTimeoutMs;
    return std::make_unique<ConnectionTable>(*core->reactor, "message bus: \"" + core->title + "\"", options,
                                             adopt, drop);
}

// Serialises registrations in one runtime folder, so two processes that find the same stale
// socket file do not both replace it.
class RegistrationLock {
public:
    explicit RegistrationLock(const std::string& socketPath) {
        std::string folder = socketPath.substr(0, socketPath.find_last_of('/'));
        fd_ = ::open((folder + "/.bus.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ >= 0)
            while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
            }
    }
    ~RegistrationLock() {
        if (fd_ >= 0) ::close(fd_);
    }

private:
    int fd_ = -1;
};

// Binds and listens on path; replaces a socket file whose owner is gone. -1 when a live window
// owns the path or the socket cannot be made.
int bindListener(const std::string& path, bool& ownedByLiveWindow) {
    ownedByLiveWindow = false;
    sockaddr_un addr;
    if (!unixAddress(path, addr)) return -1;
    for (int attempt = 0; attempt < 2; ++attempt) {
        int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0) return -1;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
            ::chmod(path.c_str(), 0600);
            if (::listen(fd, kListenBacklog) == 0) return fd;
            ::close(fd);
            ::unlink(path.c_str());
            return -1;
        }
        int err = errno;
        ::close(fd);
        if (err != EADDRINUSE || attempt > 0) return -1;
        int probe = connectTo(path);
        if (probe >= 0 || (errno != ECONNREFUSED && errno != ENOENT && errno != ENOTSOCK)) {
            // Someone answers (or is too busy to answer): the title is taken.
            if (probe >= 0) ::close(probe);
            ownedByLiveWindow = true;
            return -1;
        }
        debugPrintf("message bus: replacing stale socket %s", path.c_str());
        ::unlink(path.c_str());
    }
    return -1;
}

}  // namespace

Window::Window(Reactor& reactor, Handler handler) : core_(std::make_shared<Core>()) {
    core_->reactor = &reactor;
    core_->handler = std::move(handler);
}

Window::~Window() { destroy(); }

bool Window::create(const std::string& title) {
    Core& core = *core_;
    if (core.registered) return false;
    std::string path;
    if (!socketPathFor(title, path)) return false;

    Bus& b = bus();
    {
        std::lock_guard<std::mutex> lock(b.mutex);
        b.forgetParentLocked();
        auto it = b.local.find(path);
        if (it != b.local.end() && it->second.lock()) return false;  // taken in this process
    }

    int fd;
    bool live = false;
    {
        RegistrationLock lock(path);
        fd = bindListener(path, live);
    }
    if (fd < 0) {
        if (!live) debugPrintf("message bus: cannot register \"%s\" (%s)", title.c_str(), std::strerror(errno));
        return false;
    }
    struct stat st {};
    ::stat(path.c_str(), &st);

    core.title = title;
    core.alive = true;
    core.table = makeConnectionTable(core_);
    if (!core.table->listen(fd)) {
        core.table.reset();
        ::close(fd);
        ::unlink(path.c_str());
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(b.mutex);
        auto it = b.local.find(path);
        if (it != b.local.end() && it->second.lock()) {  // lost a race with another thread
            core.table->stop();
            ::close(fd);
            return false;
        }
        b.local[path] = core_;
    }
    core.registered = true;
    core.path = path;
    core.listenFd = fd;
    core.socketDev = st.st_dev;
    core.socketIno = st.st_ino;
    return true;
}

void Window::destroy() {
    Core& core = *core_;
    for (auto& [id, timer] : core.timers) core.reactor->cancelTimer(timer);
    core.timers.clear();
    if (!core.registered) return;
    core.registered = false;
    ++core.generation;
    core.alive = false;  // queued deliveries and a running read loop see this and stop
    {
        Bus& b = bus();
        std::lock_guard<std::mutex> lock(b.mutex);
        auto it = b.local.find(core.path);
        if (it != b.local.end() && it->second.lock() == core_) b.local.erase(it);
    }
    core.table->stop();
    ::close(core.listenFd);
    core.listenFd = -1;
    // Remove the socket file only while it is still ours (a successor may have replaced it).
    struct stat st {};
    if (::stat(core.path.c_str(), &st) == 0 && st.st_dev == core.socketDev && st.st_ino == core.socketIno)
        ::unlink(core.path.c_str());
    while (!core.connections.empty()) closeConnection(core, core.connections.begin()->first);
}

bool Window::isCreated() const { return core_->registered; }

void Window::setIdleTimeout(uint32_t ms) {
    core_->idleTimeoutMs = ms;
    if (core_->table) core_->table->setIdleTimeout(ms);
}
const std::string& Window::title() const { return core_->title; }
Reactor& Window::reactor() const { return *core_->reactor; }

bool Window::setTimer(uint32_t id, uint32_t ms) {
    killTimer(id);
    std::weak_ptr<Core> weak = core_;
    Reactor::TimerId timer = core_->reactor->addTimer(ms, true, [weak, id] {
        if (auto core = weak.lock()) deliver(core, kWmTimer, id, 0);
    });
    if (timer == 0) return false;
    core_->timers[id] = timer;
    return true;
}

bool Window::killTimer(uint32_t id) {
    auto it = core_->timers.find(id);
    if (it == core_->timers.end()) return false;
    core_->reactor->cancelTimer(it->second);
    core_->timers.erase(it);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Senders

namespace {

// A window of this process with the socket path, or null.
std::shared_ptr<Window::Core> localWindow(Bus& b, const std::string& path) {
    b.forgetParentLocked();
    auto it = b.local.find(path);
    if (it == b.local.end()) return nullptr;
    auto core = it->second.lock();
    if (!core || !core->registered) return nullptr;
    return core;
}

std::shared_ptr<ClientConnection> clientFor(Bus& b, const std::string& path) {
    auto it = b.clients.find(path);
    if (it != b.clients.end()) return it->second;
    if (b.clients.size() >= kMaxCachedConnections) {
        for (auto i = b.clients.begin(); i != b.clients.end(); ++i) {
            if (i->second.use_count() == 1) {  // nobody is using it right now
                b.clients.erase(i);
                break;
            }
        }
    }
    auto client = std::make_shared<ClientConnection>();
    client->path = path;
    b.clients[path] = client;
    return client;
}

// Makes sure the connection is open and answering. Caller holds client.mutex.
bool ensureConnected(ClientConnection& client, bool& reused) {
    reused = false;
    if (client.fd >= 0) {
        if (connectionLooksAlive(client.fd)) {
            reused = true;
            return true;
        }
        ::close(client.fd);
        client.fd = -1;
    }
    client.fd = connectTo(client.path);
    return client.fd >= 0;
}

void dropConnection(ClientConnection& client) {
    if (client.fd >= 0) ::close(client.fd);
    client.fd = -1;
}

// Writes a frame on the kept connection, reconnecting once when the kept one turned out dead.
bool writeToRemote(ClientConnection& client, const Frame& frame) {
    bool reused = false;
    if (!ensureConnected(client, reused)) return false;
    int err = sendFrame(client.fd, frame, kPostTimeoutMs);
    if (err == 0) return true;
    dropConnection(client);
    if (reused && (err == EPIPE || err == ECONNRESET || err == ENOTCONN)) {
        if (!ensureConnected(client, reused)) return false;
        err = sendFrame(client.fd, frame, kPostTimeoutMs);
        if (err == 0) return true;
        dropConnection(client);
    }
    debugPrintf("message bus: cannot deliver message %u to %s (%s)", frame.message, client.path.c_str(),
                std::strerror(err));
    return false;
}

struct PendingSend {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    bool delivered = false;
    int64_t result = 0;
};

}  // namespace

bool findWindow(const std::string& title) {
    std::string path;
    if (!socketPathFor(title, path)) return false;
    Bus& b = bus();
    std::shared_ptr<ClientConnection> client;
    {
        std::lock_guard<std::mutex> lock(b.mutex);
        if (localWindow(b, path)) return true;
        client = clientFor(b, path);
    }
    // The connection is kept for the post or send that usually follows.
    std::lock_guard<std::mutex> lock(client->mutex);
    bool reused = false;
    return ensureConnected(*client, reused);
}

bool windowNameHeld(const std::string& title) {
    std::string path;
    if (!socketPathFor(title, path)) return false;
    {
        Bus& b = bus();
        std::lock_guard<std::mutex> lock(b.mutex);
        if (localWindow(b, path)) return true;
    }
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
}

bool postMessage(const std::string& title, uint32_t message, int64_t wParam, int64_t lParam) {
    std::string path;
    if (!socketPathFor(title, path)) return false;
    Bus& b = bus();
    std::shared_ptr<ClientConnection> client;
    {
        std::lock_guard<std::mutex> lock(b.mutex);
        if (auto core = localWindow(b, path)) {
            // Queued under the bus lock, so the window (and its reactor) cannot go away meanwhile.
            std::weak_ptr<Window::Core> weak = core;
            uint64_t generation = core->generation;
            core->reactor->runOnLoop([weak, generation, message, wParam, lParam] {
                auto c = weak.lock();
                if (c && c->generation == generation) deliver(c, message, wParam, lParam);
            });
            return true;
        }
        client = clientFor(b, path);
    }
    std::lock_guard<std::mutex> lock(client->mutex);
    return writeToRemote(*client, Frame{FrameKind::Post, 0, message, wParam, lParam});
}

bool sendMessage(const std::string& title, uint32_t message, int64_t wParam, int64_t lParam,
                 int64_t* result, uint32_t timeoutMs) {
    std::string path;
    if (!socketPathFor(title, path)) return false;
    Bus& b = bus();
    std::shared_ptr<ClientConnection> client;
    std::shared_ptr<PendingSend> pending;
    {
        std::unique_lock<std::mutex> lock(b.mutex);
        if (auto core = localWindow(b, path)) {
            if (core->reactor->isLoopThread()) {
                lock.unlock();
                int64_t r = deliver(core, message, wParam, lParam);
                if (result) *result = r;
                return true;
            }
            pending = std::make_shared<PendingSend>();
            std::weak_ptr<Window::Core> weak = core;
            uint64_t generation = core->generation;
            core->reactor->runOnLoop([weak, generation, pending, message, wParam, lParam] {
                auto c = weak.lock();
                bool alive = c && c->alive && c->generation == generation;
                int64_t r = alive ? deliver(c, message, wParam, lParam) : 0;
                std::lock_guard<std::mutex> g(pending->mutex);
                pending->finished = true;
                pending->delivered = alive;
                pending->result = r;
                pending->done.notify_all();
            });
        } else {
            client = clientFor(b, path);
        }
    }
    if (pending) {
        std::unique_lock<std::mutex> lock(pending->mutex);
        if (!pending->done.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                    [&] { return pending->finished; }))
            return false;
        if (pending->delivered && result) *result = pending->result;
        return pending->delivered;
    }

    std::lock_guard<std::mutex> lock(client->mutex);
    uint32_t sequence = b.nextSequence.fetch_add(1);
    if (!writeToRemote(*client, Frame{FrameKind::Send, sequence, message, wParam, lParam})) return false;
    uint64_t deadline = tickCountMs() + timeoutMs;
    for (;;) {
        if (!waitFor(client->fd, POLLIN, deadline)) {
            // A late reply must not be taken for the answer to a later send.
            debugPrintf("message bus: no reply to message %u from \"%s\"", message, title.c_str());
            dropConnection(*client);
            return false;
        }
        uint8_t buffer[kFrameSize * 2];
        ssize_t n = ::recv(client->fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        Frame reply;
        if (n <= 0 || !decodeFrame(buffer, static_cast<size_t>(n), reply) || reply.kind != FrameKind::Reply) {
            dropConnection(*client);  // the window went away (or answered nonsense) before replying
            return false;
        }
        if (reply.sequence != sequence) continue;
        if (result) *result = reply.wParam;
        return true;
    }
}

// ---------------------------------------------------------------------------------------------
// Notifications: posts that never wait. Frames are queued per receiver and written while its
// socket takes them; a background thread (started at the first receiver that falls behind) waits
// for the rest with poll(). It sleeps in poll() without a time-out when nothing is queued.

namespace {

constexpr uint32_t kNotifyGiveUpMs = 5000;     // a receiver that takes nothing for this long loses its queue
constexpr uint32_t kNotifyConnectRetryMs = 50; // its backlog was full: try connecting again
constexpr size_t kNotifyQueueLimit = 1024;

struct Outbox {
    int fd = -1;
    std::deque<Frame> frames;
    uint64_t stalledSince = 0;  // last progress while frames wait
    uint64_t retryAt = 0;       // when not connected: next connect attempt
};

struct Notifier {
    std::mutex mutex;
    pid_t pid = ::getpid();
    std::map<std::string, Outbox> boxes;  // by socket path
    int wakeFd = -1;
    bool workerRunning = false;
};

Notifier& notifier() {
    static Notifier* instance = new Notifier;  // never destroyed, like the bus
    return *instance;
}

enum class ConnectResult { Connected, Busy, Absent };

// Non-blocking connect: Busy when the receiver's backlog is full (it exists but does not accept).
ConnectResult connectNow(const std::string& path, int& fd) {
    fd = -1;
    int s = connectUnix(path, SOCK_SEQPACKET | SOCK_NONBLOCK);
    if (s < 0) {
        bool busy = errno == EAGAIN || errno == EINPROGRESS || errno == EMFILE || errno == ENFILE;
        return busy ? ConnectResult::Busy : ConnectResult::Absent;
    }
    if (!peerIsSameUser(s)) {
        debugPrintf("message bus: %s belongs to another user, refused", path.c_str());
        ::close(s);
        return ConnectResult::Absent;
    }
    int sendBuffer = 1 << 20;
    ::setsockopt(s, SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof sendBuffer);
    fd = s;
    return ConnectResult::Connected;
}

void closeOutbox(Outbox& box) {
    if (box.fd >= 0) ::close(box.fd);
    box.fd = -1;
}

// Moves the box forward as far as it goes without waiting. Caller holds the notifier's mutex.
void pump(const std::string& path, Outbox& box, uint64_t now) {
    int reconnects = 0;
    while (!box.frames.empty()) {
        if (box.fd < 0) {
            if (now < box.retryAt) return;
            ConnectResult r = connectNow(path, box.fd);
            if (r == ConnectResult::Busy) {
                box.retryAt = now + kNotifyConnectRetryMs;
                return;
            }
            if (r == ConnectResult::Absent) {
                debugPrintf("message bus: %s went away, %zu notifications dropped", path.c_str(), box.frames.size());
                box.frames.clear();
                return;
            }
        }
        FrameBytes bytes = encodeFrame(box.frames.front());
        ssize_t n = ::send(box.fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n == static_cast<ssize_t>(bytes.size())) {
            box.frames.pop_front();
            box.stalledSince = now;
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
        int err = n < 0 ? errno : EPROTO;
        closeOutbox(box);  // the receiver closed the connection (idle time-out, restart): connect again
        box.retryAt = now;
        if ((err != EPIPE && err != ECONNRESET && err != ENOTCONN) || ++reconnects > 1) {
            debugPrintf("message bus: notification to %s failed (%s)", path.c_str(), std::strerror(err));
            box.frames.pop_front();
        }
    }
}

void giveUpStalled(const std::string& path, Outbox& box, uint64_t now) {
    if (box.frames.empty() || now - box.stalledSince < kNotifyGiveUpMs) return;
    debugPrintf("message bus: %s took no notification for %u ms, %zu dropped", path.c_str(), kNotifyGiveUpMs,
                box.frames.size());
    box.frames.clear();
    closeOutbox(box);
}

void notifierThread() {
    Notifier& n = notifier();
    std::unique_lock<std::mutex> lock(n.mutex);
    for (;;) {
        uint64_t now = tickCountMs();
        std::vector<struct pollfd> fds{{n.wakeFd, POLLIN, 0}};
        int64_t timeout = -1;
        for (auto& [path, box] : n.boxes) {
            pump(path, box, now);
            giveUpStalled(path, box, now);
            if (box.frames.empty()) continue;
            uint64_t due = box.stalledSince + kNotifyGiveUpMs;
            if (box.fd >= 0)
                fds.push_back({box.fd, POLLOUT, 0});
            else
                due = std::min(due, box.retryAt);
            int64_t wait = due > now ? static_cast<int64_t>(due - now) : 0;
            timeout = timeout < 0 ? wait : std::min(timeout, wait);
        }
        lock.unlock();
        ::poll(fds.data(), fds.size(), static_cast<int>(timeout));
        uint64_t drained;
        if (::read(n.wakeFd, &drained, sizeof drained) < 0) {
        }
        lock.lock();
    }
}

}  // namespace

bool postNotification(const std::string& title, uint32_t message, int64_t wParam, int64_t lParam) {
    std::string path;
    if (!socketPathFor(title, path)) return false;
    {
        Bus& b = bus();
        std::lock_guard<std::mutex> lock(b.mutex);
        if (localWindow(b, path)) return postMessage(title, message, wParam, lParam);  // queued, never waits
    }
    Notifier& n = notifier();
    std::lock_guard<std::mutex> lock(n.mutex);
    if (n.pid != ::getpid()) {  // a forked child starts without the parent's queues and thread
        n.pid = ::getpid();
        n.boxes.clear();
        n.wakeFd = -1;
        n.workerRunning = false;
    }
    uint64_t now = tickCountMs();
    Outbox& box = n.boxes[path];
    if (box.frames.empty()) {
        box.stalledSince = now;
        if (box.fd >= 0 && !connectionLooksAlive(box.fd)) closeOutbox(box);
        if (box.fd < 0) {
            ConnectResult r = connectNow(path, box.fd);
            if (r == ConnectResult::Absent) return false;  // no such window
            if (r == ConnectResult::Busy) box.retryAt = now + kNotifyConnectRetryMs;
        }
    }
    if (box.frames.size() >= kNotifyQueueLimit) {
        debugPrintf("message bus: %zu notifications wait for \"%s\", message %u dropped", box.frames.size(),
                    title.c_str(), message);
        return true;
    }
    box.frames.push_back(Frame{FrameKind::Post, 0, message, wParam, lParam});
    pump(path, box, now);
    if (box.frames.empty()) return true;
    if (!n.workerRunning) {
        n.wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (n.wakeFd < 0) {
            debugPrintf("message bus: cannot queue notifications (%s)", std::strerror(errno));
            return true;
        }
        std::thread(notifierThread).detach();
        n.workerRunning = true;
    }
    uint64_t one = 1;
    if (::write(n.wakeFd, &one, sizeof one) < 0) {
    }
    return true;
}

}  // namespace platform
