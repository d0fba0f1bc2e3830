#include "service/device/hidraw_transport.h"

#include "platform/diagnostics.h"

#include <hidapi/hidapi.h>
#include <libudev.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

bool filterNamesCollection(const DeviceFilter& filter, uint32_t vendorId, uint32_t productId,
                           uint32_t usage, uint32_t usagePage) {
    if (filter.vendorId != vendorId || filter.productId != productId) return false;
    const uint32_t pairs[2][2] = {{filter.usage1, filter.usagePage1}, {filter.usage2, filter.usagePage2}};
    uint32_t count = std::min<uint32_t>(filter.collectionCount, 2);
    for (uint32_t i = 0; i < count; ++i) {
        if (pairs[i][1] != usagePage) continue;
        if (pairs[i][0] == 0 || usage == 0 || pairs[i][0] == usage) return true;
    }
    return false;
}

namespace {

void signalStop(int fd) {
    uint64_t one = 1;
    ssize_t ignored = ::write(fd, &one, sizeof one);
    (void)ignored;
}

// One opened hidraw node: the hidapi handle for transfers, an own descriptor for input reports
// and the reader thread. A node can carry several collections (one id each).
struct Node {
    std::string path;
    hid_device* handle = nullptr;
    int readFd = -1;
    int stopFd = -1;
    std::thread reader;
    std::mutex transferMutex;  // hidapi keeps per-handle error state: one transfer at a time
    std::mutex stateMutex;
    bool gone = false;
    bool closedReported = false;
    std::vector<std::pair<uint32_t, uint32_t>> collections;  // (device id, usage page)

    void stopReader() {
        if (!reader.joinable()) return;
        signalStop(stopFd);
        if (reader.get_id() == std::this_thread::get_id()) {
            platform::debugLine("hidraw: link closed from a transport callback");
            reader.detach();
        } else {
            reader.join();
        }
    }

    ~Node() {
        stopReader();
        if (readFd >= 0) ::close(readFd);
        if (stopFd >= 0) ::close(stopFd);
        if (handle) hid_close(handle);
    }
};

std::string narrow(const char* text) { return text ? std::string(text) : std::string(); }

// hidapi is started by the first registered transport and finished (hid_exit frees its static
// data, such as the text of the last error) when the last one closes.
std::mutex hidapiMutex;
int hidapiUsers = 0;

bool acquireHidapi() {
    std::lock_guard<std::mutex> lock(hidapiMutex);
    if (hidapiUsers == 0 && hid_init() != 0) return false;
    ++hidapiUsers;
    return true;
}

void releaseHidapi() {
    std::lock_guard<std::mutex> lock(hidapiMutex);
    if (--hidapiUsers == 0) hid_exit();
}

}  // namespace

struct HidrawTransport::Impl {
    std::mutex mutex;
    std::mutex scanMutex;
    DeviceFilter filter;
    InputCallback inputCallback;
    LinkCallback linkCallback;
    std::map<std::string, std::shared_ptr<Node>> nodes;  // by path
    std::map<uint32_t, std::shared_ptr<Node>> byId;
    uint32_t nextId = 1;
    bool registered = false;
    bool hidapiHeld = false;

    udev* udevContext = nullptr;
    udev_monitor* monitor = nullptr;
    int monitorStopFd = -1;
    std::thread monitorThread;

    ~Impl() { shutdown(); }

    void post(uint32_t event, uint32_t id, uint32_t usagePage) {
        LinkCallback callback;
        {
            std::lock_guard<std::mutex> lock(mutex);
            callback = linkCallback;
        }
        CollectionRecord record;
        record.event = event;
        record.deviceId = id & 0xFFFF;
        record.usagePage = usagePage;
        if (callback) callback(record);
    }

    // The node's collections are reported closed once, whoever notices first (the reader on an
    // error, the udev monitor on removal).
    void markGone(Node& node) {
        std::vector<std::pair<uint32_t, uint32_t>> collections;
        {
            std::lock_guard<std::mutex> lock(node.stateMutex);
            node.gone = true;
            if (node.closedReported) return;
            node.closedReported = true;
            collections = node.collections;
        }
        platform::debugPrintf("hidraw: %s removed", node.path.c_str());
        for (auto& [id, page] : collections) post(0, id, page);
    }

    void readLoop(Node* node) {
        uint8_t buffer[1025];
        for (;;) {
            pollfd p[2] = {{node->stopFd, POLLIN, 0}, {node->readFd, POLLIN, 0}};
            int r = ::poll(p, 2, -1);
            if (r < 0 && errno == EINTR) continue;
            if (r < 0 || (p[0].revents & POLLIN)) return;
            if (p[1].revents & (POLLERR | POLLHUP | POLLNVAL)) {
                markGone(*node);
                return;
            }
            if (!(p[1].revents & POLLIN)) continue;
            ssize_t n = ::read(node->readFd, buffer, sizeof buffer);
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            if (n <= 0) {
                markGone(*node);
                return;
            }
            InputCallback callback;
            {
                std::lock_guard<std::mutex> lock(mutex);
                callback = inputCallback;
            }
            if (callback) callback(buffer[0], buffer, static_cast<int>(n));
        }
    }

    // Opens every matching collection that is not open yet and reports it. One scan at a time
    // (registerLink's and the monitor's may meet): two would open a node twice, and hidapi's
    // enumeration and open keep process-wide state.
    void scan() {
        std::lock_guard<std::mutex> scanning(scanMutex);
        DeviceFilter f;
        {
            std::lock_guard<std::mutex> lock(mutex);
            f = filter;
        }
        std::map<std::string, std::set<uint32_t>> wanted;  // path → usage pages
        hid_device_info* list = hid_enumerate(static_cast<unsigned short>(f.vendorId),
                                              static_cast<unsigned short>(f.productId));
        for (hid_device_info* d = list; d; d = d->next)
            if (d->path && filterNamesCollection(f, d->vendor_id, d->product_id, d->usage, d->usage_page))
                wanted[d->path].insert(d->usage_page);
        hid_free_enumeration(list);

        std::vector<std::pair<uint32_t, uint32_t>> opened;
        for (auto& [path, pages] : wanted) {
            std::shared_ptr<Node> stale;
            {
                std::lock_guard<std::mutex> lock(mutex);
                auto it = nodes.find(path);
                if (it != nodes.end()) {
                    std::lock_guard<std::mutex> nodeLock(it->second->stateMutex);
                    if (!it->second->gone) continue;
                    stale = it->second;
                }
            }
            if (stale) retire(stale);
            auto node = std::make_shared<Node>();
            node->path = path;
            // The plain open comes first, asking for what hidapi asks for (reading and writing):
            // its errno tells why a node cannot be used (hidapi's own error handling may change
            // errno before it returns).
            node->readFd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
            int openError = errno;
            if (node->readFd >= 0) node->handle = hid_open_path(path.c_str());
            if (node->readFd < 0 || !node->handle) {
                if (node->readFd < 0 && (openError == EACCES || openError == EPERM))
                    platform::debugPrintf("hidraw: cannot open %s: %s; install the udev rule 70-korvante.rules "
                                          "so that the mouse's nodes can be opened, then plug the mouse in again",
                                          path.c_str(), std::strerror(openError));
                else if (node->readFd < 0)
                    platform::debugPrintf("hidraw: cannot open %s: %s", path.c_str(), std::strerror(openError));
                else  // opened, but it does not answer as a hidraw node (gone meanwhile)
                    platform::debugPrintf("hidraw: cannot open %s: it does not answer as a hidraw node",
                                          path.c_str());
                continue;
            }
            node->stopFd = ::eventfd(0, EFD_CLOEXEC);
            if (node->stopFd < 0) {
                platform::debugPrintf("hidraw: cannot watch %s: %s", path.c_str(), std::strerror(errno));
                continue;
            }
            {
                std::lock_guard<std::mutex> lock(mutex);
                for (uint32_t page : pages) {
                    uint32_t id = nextId++;
                    if ((nextId & 0xFFFF) == 0) nextId = 1;  // ids stay non-zero in their low 16 bits
                    node->collections.emplace_back(id, page);
                    byId[id] = node;
                    opened.emplace_back(id, page);
                }
                nodes[path] = node;
            }
            Node* raw = node.get();
            node->reader = std::thread([this, raw] { readLoop(raw); });
        }
        for (auto& [id, page] : opened) post(1, id, page);
    }

    // Stops a node's reader and forgets it; its ids are never handed out again.
    void retire(const std::shared_ptr<Node>& node) {
        markGone(*node);
        node->stopReader();
        std::lock_guard<std::mutex> lock(mutex);
        for (auto& [id, page] : node->collections) byId.erase(id);
        auto it = nodes.find(node->path);
        if (it != nodes.end() && it->second == node) nodes.erase(it);
    }

    void monitorLoop() {
        int monitorFd = udev_monitor_get_fd(monitor);
        for (;;) {
            pollfd p[2] = {{monitorStopFd, POLLIN, 0}, {monitorFd, POLLIN, 0}};
            int r = ::poll(p, 2, -1);
            if (r < 0 && errno == EINTR) continue;
            if (r < 0 || (p[0].revents & POLLIN)) return;
            if (!(p[1].revents & POLLIN)) continue;
            udev_device* dev = udev_monitor_receive_device(monitor);
            if (!dev) continue;
            std::string action = narrow(udev_device_get_action(dev));
            std::string node = narrow(udev_device_get_devnode(dev));
            udev_device_unref(dev);
            if (action == "add") {
                scan();
            } else if (action == "remove" && !node.empty()) {
                std::shared_ptr<Node> found;
                {
                    std::lock_guard<std::mutex> lock(mutex);
                    auto it = nodes.find(node);
                    if (it != nodes.end()) found = it->second;
                }
                if (found) retire(found);
            }
        }
    }

    bool startMonitor() {
        udevContext = udev_new();
        if (udevContext) monitor = udev_monitor_new_from_netlink(udevContext, "udev");
        if (!monitor || udev_monitor_filter_add_match_subsystem_devtype(monitor, "hidraw", nullptr) < 0 ||
            udev_monitor_enable_receiving(monitor) < 0) {
            platform::debugLine("hidraw: no udev monitor; collections that come later are not seen");
            if (monitor) udev_monitor_unref(monitor);
            if (udevContext) udev_unref(udevContext);
            monitor = nullptr;
            udevContext = nullptr;
            return false;
        }
        monitorStopFd = ::eventfd(0, EFD_CLOEXEC);
        if (monitorStopFd < 0) return false;
        monitorThread = std::thread([this] { monitorLoop(); });
        return true;
    }

    void shutdown() {
        if (monitorThread.joinable()) {
            signalStop(monitorStopFd);
            monitorThread.join();
        }
        if (monitorStopFd >= 0) ::close(monitorStopFd);
        monitorStopFd = -1;
        if (monitor) udev_monitor_unref(monitor);
        if (udevContext) udev_unref(udevContext);
        monitor = nullptr;
        udevContext = nullptr;
        std::map<std::string, std::shared_ptr<Node>> all;
        bool held = false;
        {
            std::lock_guard<std::mutex> lock(mutex);
            all.swap(nodes);
            byId.clear();
            registered = false;
            std::swap(held, hidapiHeld);
        }
        for (auto& [path, node] : all) node->stopReader();
        all.clear();
        if (held) releaseHidapi();
    }

    std::shared_ptr<Node> find(uint32_t deviceId) {
        std::lock_guard<std::mutex> lock(mutex);
        auto it = byId.find(deviceId & 0xFFFF);
        if (it == byId.end()) return nullptr;
        std::lock_guard<std::mutex> nodeLock(it->second->stateMutex);
        if (it->second->gone) return nullptr;
        return it->second;
    }
};

HidrawTransport::HidrawTransport() : impl_(std::make_unique<Impl>()) {}
HidrawTransport::~HidrawTransport() = default;

void HidrawTransport::setFilter(const DeviceFilter& filter) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->filter = filter;
}

void HidrawTransport::setInputCallback(InputCallback callback) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->inputCallback = std::move(callback);
}

bool HidrawTransport::registerLink(LinkCallback callback) {
    {
        std::lock_guard<std::mutex> lock(impl_->mutex);
        impl_->linkCallback = std::move(callback);
        if (impl_->registered) return true;
    }
    if (!acquireHidapi()) {
        platform::debugLine("hidraw: hidapi cannot start");
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(impl_->mutex);
        impl_->hidapiHeld = true;
    }
    // The monitor starts first, so a collection that appears during the scan is not missed
    // (scan() skips what is open already).
    impl_->startMonitor();
    {
        std::lock_guard<std::mutex> lock(impl_->mutex);
        impl_->registered = true;
    }
    impl_->scan();
    return true;
}

void HidrawTransport::close() { impl_->shutdown(); }

bool HidrawTransport::sendOutputReport(uint32_t deviceId, const uint8_t* data, int length) {
    auto node = impl_->find(deviceId);
    if (!node || !data || length <= 0) return false;
    std::lock_guard<std::mutex> lock(node->transferMutex);
    return hid_write(node->handle, data, static_cast<size_t>(length)) >= 0;
}

bool HidrawTransport::sendFeatureReport(uint32_t deviceId, const uint8_t* data, int length) {
    auto node = impl_->find(deviceId);
    if (!node || !data || length <= 0) return false;
    std::lock_guard<std::mutex> lock(node->transferMutex);
    return hid_send_feature_report(node->handle, data, static_cast<size_t>(length)) >= 0;
}

bool HidrawTransport::getFeatureReport(uint32_t deviceId, uint8_t* data, int length) {
    auto node = impl_->find(deviceId);
    if (!node || !data || length <= 0) return false;
    std::lock_guard<std::mutex> lock(node->transferMutex);
    int n = hid_get_feature_report(node->handle, data, static_cast<size_t>(length));
    if (n < 0) return false;
    if (n < length) std::memset(data + n, 0, static_cast<size_t>(length - n));
    return true;
}
