#include "service/device/sim_transport.h"

#include "platform/diagnostics.h"
#include "platform/runtime_folder.h"
#include "platform/unix_socket.h"
#include "service/device/hidraw_transport.h"
#include "service/device/sim_link_protocol.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

namespace {

constexpr uint32_t kSimVendorId = 0x04D9;
constexpr uint32_t kSimProductId = 0xF307;
constexpr uint32_t kConsumerPage = 0x000C;
constexpr uint32_t kConfigPage = 0xFFA0;

}  // namespace

std::string simSocketPath() {
    std::string folder = platform::runtimeFolder();
    if (folder.empty()) return {};
    return folder + "/" + kSimSocketName;
}

struct SimTransport::Impl {
    std::mutex mutex;  // guards everything below up to the reader-thread-only part
    std::condition_variable replyArrived;
    DeviceFilter filter;
    bool filterSet = false;
    InputCallback inputCallback;
    LinkCallback linkCallback;
    int fd = -1;
    uint64_t generation = 0;  // increases with every connection lost
    uint32_t nextSeq = 1;
    struct Slot {
        bool done = false;
        simlink::Reply reply;
    };
    std::map<uint32_t, Slot> pending;
    bool running = false;

    std::mutex writeMutex;  // one frame at a time on the socket
    int stopFd = -1;
    int inotifyFd = -1;
    std::string socketPath;
    std::thread reader;
    std::atomic<std::thread::id> readerId{};

    // Reader thread only.
    simlink::FrameReader frames;
    std::deque<simlink::Frame> backlog;
    simlink::LinkState state;
    bool lost = false;

    ~Impl() { stop(); }

    bool accepts(uint32_t usagePage) {
        std::lock_guard<std::mutex> lock(mutex);
        if (!filterSet) return true;
        return filterNamesCollection(filter, kSimVendorId, kSimProductId, 1, usagePage);
    }

    void postRecord(uint32_t event, uint16_t id, uint32_t usagePage) {
        if (!accepts(usagePage)) return;
        LinkCallback callback;
        {
            std::lock_guard<std::mutex> lock(mutex);
            callback = linkCallback;
        }
        CollectionRecord record;
        record.event = event;
        record.deviceId = id;
        record.usagePage = usagePage;
        if (callback) callback(record);
    }

    void applyState(const simlink::LinkState& next) {
        bool changed = next.plugged != state.plugged || next.consumerId != state.consumerId ||
                       next.configId != state.configId;
        if (!changed) return;
        simlink::LinkState old = state;
        state = next;
        if (old.plugged) {
            postRecord(0, old.consumerId, kConsumerPage);
            postRecord(0, old.configId, kConfigPage);
        }
        if (next.plugged) {
            postRecord(1, next.consumerId, kConsumerPage);
            postRecord(1, next.configId, kConfigPage);
        }
    }

    void deliverReply(const simlink::Frame& frame) {
        simlink::Reply reply;
        if (!simlink::decodeReply(frame.payload, reply)) return;
        std::lock_guard<std::mutex> lock(mutex);
        auto it = pending.find(reply.seq);
        if (it == pending.end()) return;  // the waiter timed out already
        it->second.done = true;
        it->second.reply = std::move(reply);
        replyArrived.notify_all();
    }

    void handle(const simlink::Frame& frame) {
        switch (frame.type) {
            case simlink::FrameType::LinkState: {
                simlink::LinkState next;
                if (simlink::decodeLinkState(frame.payload, next)) applyState(next);
                break;
            }
            case simlink::FrameType::Input: {
                if (!simlink::validInputReport(frame.payload)) break;
                InputCallback callback;
                {
                    std::lock_guard<std::mutex> lock(mutex);
                    callback = inputCallback;
                }
                if (callback)
                    callback(frame.payload[0], frame.payload.data(), static_cast<int>(frame.payload.size()));
                break;
            }
            case simlink::FrameType::Reply:
                deliverReply(frame);
                break;
            default:
                break;
        }
    }

    // Reads what the socket holds into the backlog (replies are delivered at once, so a waiter
    // never depends on the backlog being worked off). Returns false when the connection is lost.
    bool readSome(int socketFd) {
        uint8_t buffer[4096];
        ssize_t n = ::recv(socketFd, buffer, sizeof buffer, 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) return true;
        if (n <= 0) return false;
        frames.feed(buffer, static_cast<size_t>(n));
        simlink::Frame frame;
        while (frames.next(frame)) {
            if (frame.type == simlink::FrameType::Reply)
                deliverReply(frame);
            else
                backlog.push_back(std::move(frame));
        }
        if (frames.broken()) {
            platform::debugLine("sim transport: malformed data from mousesim, connection dropped");
            return false;
        }
        return true;
    }

    // Waits for one reply on the reader thread itself (a callback that makes a transfer).
    bool pumpUntil(uint32_t seq, std::chrono::steady_clock::time_point deadline, int socketFd) {
        for (;;) {
            {
                std::lock_guard<std::mutex> lock(mutex);
                auto it = pending.find(seq);
                if (it != pending.end() && it->second.done) return true;
            }
            if (lost) return false;
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            pollfd p{socketFd, POLLIN, 0};
            int r = ::poll(&p, 1, static_cast<int>(left.count()));
            if (r < 0 && errno == EINTR) continue;
            if (r < 0) return false;
            if (r == 0) continue;
            if (!readSome(socketFd)) {
                lost = true;
                return false;
            }
        }
    }

    bool transfer(simlink::FrameType type, uint32_t deviceId, const uint8_t* data, int length,
                  std::vector<uint8_t>* answer) {
        if (data == nullptr || length <= 0 || static_cast<size_t>(length) > simlink::kMaxReport) {
            platform::debugPrintf("sim transport: report of %d bytes not sent", length);
            return false;
        }
        simlink::Transfer t;
        int socketFd;
        uint64_t gen;
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (fd < 0) return false;
            socketFd = fd;
            gen = generation;
            t.seq = nextSeq++;
            pending[t.seq] = Slot{};
        }
        t.deviceId = deviceId;
        t.report.assign(data, data + length);
        bool sent;
        {
            std::lock_guard<std::mutex> lock(writeMutex);
            sent = platform::sendAll(socketFd, simlink::encodeFrame(type, simlink::encodeTransfer(t)));
        }
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kTransferTimeoutMs);
        if (sent && std::this_thread::get_id() == readerId.load()) pumpUntil(t.seq, deadline, socketFd);
        std::unique_lock<std::mutex> lock(mutex);
        if (sent)
            replyArrived.wait_until(lock, deadline, [&] {
                return pending[t.seq].done || generation != gen || !running;
            });
        Slot slot = std::move(pending[t.seq]);
        pending.erase(t.seq);
        if (!slot.done) {
            if (sent && generation == gen && running)
                platform::debugPrintf("sim transport: no answer from mousesim within %d ms", kTransferTimeoutMs);
            return false;
        }
        if (answer) *answer = std::move(slot.reply.report);
        return slot.reply.ok;
    }

    // Waits until the socket's name appears in the runtime folder (or the stop request).
    // Returns false on stop.
    bool waitForSocket() {
        for (;;) {
            pollfd p[2] = {{stopFd, POLLIN, 0}, {inotifyFd, POLLIN, 0}};
            int r = ::poll(p, inotifyFd >= 0 ? 2 : 1, -1);
            if (r < 0 && errno == EINTR) continue;
            if (r < 0 || (p[0].revents & POLLIN)) return false;
            if (!(p[1].revents & POLLIN)) continue;
            alignas(inotify_event) char buffer[4096];
            ssize_t n = ::read(inotifyFd, buffer, sizeof buffer);
            bool ours = false;
            for (ssize_t at = 0; n > 0 && at < n;) {
                auto* ev = reinterpret_cast<inotify_event*>(buffer + at);
                if (ev->len > 0 && std::strcmp(ev->name, kSimSocketName) == 0) ours = true;
                if (ev->mask & IN_IGNORED)
                    platform::debugLine("sim transport: runtime folder vanished; no longer watching for mousesim");
                at += static_cast<ssize_t>(sizeof(inotify_event) + ev->len);
            }
            if (ours) return true;
        }
    }

    void run() {
        bool announcedWait = false;
        for (;;) {
            {
                std::lock_guard<std::mutex> lock(mutex);
                if (!running) return;
            }
            int socketFd = platform::connectUnix(socketPath, SOCK_STREAM);
            if (socketFd < 0) {
                if (!announcedWait) platform::debugLine("sim transport: waiting for mousesim");
                announcedWait = true;
                if (!waitForSocket()) return;
                continue;
            }
            announcedWait = false;
            auto hello = simlink::encodeFrame(simlink::FrameType::Hello, {simlink::kRoleLink});
            if (!platform::sendAll(socketFd, hello)) {
                ::close(socketFd);
                continue;
            }
            frames = simlink::FrameReader();
            backlog.clear();
            lost = false;
            {
                std::lock_guard<std::mutex> lock(mutex);
                fd = socketFd;
            }
            bool stopped = serve(socketFd);
            {
                std::lock_guard<std::mutex> lock(mutex);
                fd = -1;
                ++generation;
                replyArrived.notify_all();
            }
            {
                std::lock_guard<std::mutex> lock(writeMutex);  // no writer still uses the fd
                ::close(socketFd);
            }
            if (stopped) return;
            platform::debugLine("sim transport: mousesim went away");
            applyState(simlink::LinkState{});  // the mouse is gone with it
        }
    }

    // Works one connection; returns true on the stop request, false when the connection is lost.
    bool serve(int socketFd) {
        for (;;) {
            while (!backlog.empty() && !lost) {
                simlink::Frame frame = std::move(backlog.front());
                backlog.pop_front();
                handle(frame);
            }
            if (lost) return false;
            pollfd p[2] = {{stopFd, POLLIN, 0}, {socketFd, POLLIN, 0}};
            int r = ::poll(p, 2, -1);
            if (r < 0 && errno == EINTR) continue;
            if (r < 0 || (p[0].revents & POLLIN)) return true;
            if (p[1].revents & (POLLIN | POLLHUP | POLLERR)) {
                if (!readSome(socketFd)) lost = true;
            }
        }
    }

    bool start() {
        socketPath = simSocketPath();
        if (socketPath.empty()) return false;
        std::string folder = socketPath.substr(0, socketPath.rfind('/'));
        stopFd = ::eventfd(0, EFD_CLOEXEC);
        if (stopFd < 0) return false;
        inotifyFd = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        if (inotifyFd < 0 ||
            ::inotify_add_watch(inotifyFd, folder.c_str(), IN_CREATE | IN_MOVED_TO | IN_ATTRIB) < 0) {
            platform::debugPrintf("sim transport: cannot watch %s (%s)", folder.c_str(), std::strerror(errno));
            if (inotifyFd >= 0) ::close(inotifyFd);
            inotifyFd = -1;  // connects only if mousesim is already there
        }
        running = true;
        reader = std::thread([this] {
            readerId = std::this_thread::get_id();
            run();
        });
        return true;
    }

    void stop() {
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (!running && !reader.joinable()) return;
            running = false;
            replyArrived.notify_all();
        }
        if (stopFd >= 0) {
            uint64_t one = 1;
            ssize_t ignored = ::write(stopFd, &one, sizeof one);
            (void)ignored;
        }
        if (reader.joinable()) {
            if (std::this_thread::get_id() == reader.get_id()) {
                platform::debugLine("sim transport: close() from a transport callback; reader left running");
                reader.detach();
                return;
            }
            reader.join();
        }
        if (stopFd >= 0) ::close(stopFd);
        if (inotifyFd >= 0) ::close(inotifyFd);
        stopFd = inotifyFd = -1;
        state = simlink::LinkState{};
    }
};

SimTransport::SimTransport() : impl_(std::make_unique<Impl>()) {}
SimTransport::~SimTransport() { close(); }

void SimTransport::setFilter(const DeviceFilter& filter) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->filter = filter;
    impl_->filterSet = filter.vendorId != 0 || filter.productId != 0;
}

void SimTransport::setInputCallback(InputCallback callback) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->inputCallback = std::move(callback);
}

bool SimTransport::registerLink(LinkCallback callback) {
    {
        std::lock_guard<std::mutex> lock(impl_->mutex);
        impl_->linkCallback = std::move(callback);
        if (impl_->running) return true;
    }
    if (impl_->reader.joinable()) impl_->stop();  // a link closed earlier
    return impl_->start();
}

void SimTransport::close() { impl_->stop(); }

bool SimTransport::sendOutputReport(uint32_t deviceId, const uint8_t* data, int length) {
    return impl_->transfer(simlink::FrameType::Output, deviceId, data, length, nullptr);
}

bool SimTransport::sendFeatureReport(uint32_t deviceId, const uint8_t* data, int length) {
    return impl_->transfer(simlink::FrameType::SetFeature, deviceId, data, length, nullptr);
}

bool SimTransport::getFeatureReport(uint32_t deviceId, uint8_t* data, int length) {
    std::vector<uint8_t> answer;
    if (!impl_->transfer(simlink::FrameType::GetFeature, deviceId, data, length, &answer)) return false;
    size_t n = std::min(answer.size(), static_cast<size_t>(length));
    std::memcpy(data, answer.data(), n);
    std::memset(data + n, 0, static_cast<size_t>(length) - n);
    return true;
}
