#include "tests/hidraw/mock_mouse.h"

#include <umockdev.h>

#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace hidrawtest {
namespace {

constexpr uint16_t kVendor = 0x04D9;
constexpr uint16_t kProduct = 0xF307;

// Report descriptors: the boot mouse, the consumer collection (input report 8, 8-byte output
// reports) and the configuration collection (feature reports 2, 3 and 4 of 16, 64 and 1024 bytes).
const std::vector<uint8_t> kMouseDescriptor = {
    0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x05, 0x09, 0x19, 0x01, 0x29, 0x03,
    0x15, 0x00, 0x25, 0x01, 0x95, 0x03, 0x75, 0x01, 0x81, 0x02, 0x95, 0x01, 0x75, 0x05, 0x81, 0x01,
    0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x15, 0x81, 0x25, 0x7F, 0x75, 0x08, 0x95, 0x02, 0x81, 0x06,
    0xC0, 0xC0};
const std::vector<uint8_t> kConsumerDescriptor = {
    0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x08, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08,
    0x95, 0x07, 0x09, 0x01, 0x81, 0x02, 0x85, 0x07, 0x09, 0x01, 0x91, 0x02, 0xC0};
const std::vector<uint8_t> kConfigDescriptor = {
    0x06, 0xA0, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08,
    0x85, 0x02, 0x95, 0x0F, 0x09, 0x01, 0xB1, 0x02, 0x85, 0x03, 0x95, 0x3F, 0x09, 0x01, 0xB1, 0x02,
    0x85, 0x04, 0x96, 0xFF, 0x03, 0x09, 0x01, 0xB1, 0x02, 0xC0};

}  // namespace

// One emulated hidraw node: its ioctl handler and the FIFO that makes poll() tell queued input.
struct MockMouse::Node {
    MockMouse* owner = nullptr;
    std::string devnode;
    std::vector<uint8_t> descriptor;
    uint16_t product = kProduct;
    bool configuration = false;
    bool consumer = false;
    bool gone = false;
    int tokenFd = -1;  // the FIFO, read and write: one byte per queued input report
    std::deque<std::vector<uint8_t>> inputs;
    UMockdevIoctlBase* handler = nullptr;

    ~Node() {
        if (handler) g_object_unref(handler);
        if (tokenFd >= 0) ::close(tokenFd);
    }
};

namespace {

using Node = MockMouse::Node;

// Answers one hidraw ioctl from the node's descriptor or the device model.
gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer data) {
    auto* node = static_cast<Node*>(data);
    MockMouse& mouse = *node->owner;
    unsigned long request = umockdev_ioctl_client_get_request(client);
    size_t size = _IOC_SIZE(request);
    if (_IOC_TYPE(request) != 'H') {
        std::lock_guard<std::mutex> lock(mouse.mutex);
        mouse.unknown.push_back(request);
        umockdev_ioctl_client_complete(client, -1, ENOTTY);
        return TRUE;
    }
    GError* error = nullptr;
    UMockdevIoctlData* arg = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, size, &error);
    if (!arg) {
        g_clear_error(&error);
        umockdev_ioctl_client_complete(client, -1, EFAULT);
        return TRUE;
    }
    long result = -1;
    int err = 0;
    std::lock_guard<std::mutex> lock(mouse.mutex);
    if (node->gone) {
        err = ENODEV;
    } else if (request == HIDIOCGRDESCSIZE) {
        int n = static_cast<int>(node->descriptor.size());
        std::memcpy(arg->data, &n, sizeof n);
        result = 0;
    } else if (request == HIDIOCGRDESC) {
        auto* desc = reinterpret_cast<hidraw_report_descriptor*>(arg->data);
        size_t n = std::min<size_t>(desc->size, node->descriptor.size());
        std::memcpy(desc->value, node->descriptor.data(), n);
        desc->size = static_cast<uint32_t>(n);
        result = 0;
    } else if (request == HIDIOCGRAWINFO) {
        hidraw_devinfo info{3 /* BUS_USB */, static_cast<int16_t>(kVendor), static_cast<int16_t>(node->product)};
        std::memcpy(arg->data, &info, sizeof info);
        result = 0;
    } else if (_IOC_NR(request) == _IOC_NR(HIDIOCGRAWNAME(0)) || _IOC_NR(request) == _IOC_NR(HIDIOCGRAWPHYS(0))) {
        const char* text = _IOC_NR(request) == _IOC_NR(HIDIOCGRAWNAME(0)) ? "Brakmor KORVANTE" : "usb-0000:00:14.0-2";
        size_t n = std::min(size, std::strlen(text) + 1);
        std::memcpy(arg->data, text, n);
        if (n) arg->data[n - 1] = 0;
        result = static_cast<long>(n);
    } else if (_IOC_NR(request) == _IOC_NR(HIDIOCSFEATURE(0)) || _IOC_NR(request) == _IOC_NR(HIDIOCGFEATURE(0))) {
        // Only the configuration collection has feature reports. The log holds what was sent, or
        // the answer.
        bool set = _IOC_NR(request) == _IOC_NR(HIDIOCSFEATURE(0));
        bool ok = node->configuration && size > 0 &&
                  (set ? mouse.memory.setFeature(arg->data, size) : mouse.memory.getFeature(arg->data, size));
        mouse.log.push_back(Transfer{node->devnode, set ? 'S' : 'G', std::vector<uint8_t>(arg->data, arg->data + size)});
        if (ok) {
            result = static_cast<long>(size);
        } else {
            err = EPIPE;  // the device stalls the request
        }
    } else {
        mouse.unknown.push_back(request);
        err = ENOTTY;
    }
    umockdev_ioctl_client_complete(client, result, err);
    g_object_unref(arg);
    return TRUE;
}

// One queued input report per read, as hidraw delivers them; EAGAIN when none is queued (the
// backend reads with O_NONBLOCK after poll()), EIO once the device is gone.
gboolean onRead(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer data) {
    auto* node = static_cast<Node*>(data);
    MockMouse& mouse = *node->owner;
    UMockdevIoctlData* buffer = umockdev_ioctl_client_get_arg(client);
    std::lock_guard<std::mutex> lock(mouse.mutex);
    if (node->gone) {
        umockdev_ioctl_client_complete(client, -1, EIO);
        return TRUE;
    }
    if (node->inputs.empty()) {
        umockdev_ioctl_client_complete(client, -1, EAGAIN);
        return TRUE;
    }
    std::vector<uint8_t> report = std::move(node->inputs.front());
    node->inputs.pop_front();
    uint8_t token;
    ssize_t ignored = ::read(node->tokenFd, &token, 1);
    (void)ignored;
    size_t n = std::min<size_t>(report.size(), static_cast<size_t>(buffer->data_len));
    std::memcpy(buffer->data, report.data(), n);
    umockdev_ioctl_client_complete(client, static_cast<long>(n), 0);
    return TRUE;
}

// Output reports: the consumer collection takes them, the other collections stall.
gboolean onWrite(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer data) {
    auto* node = static_cast<Node*>(data);
    MockMouse& mouse = *node->owner;
    UMockdevIoctlData* buffer = umockdev_ioctl_client_get_arg(client);
    std::lock_guard<std::mutex> lock(mouse.mutex);
    if (node->gone) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return TRUE;
    }
    size_t n = static_cast<size_t>(buffer->data_len);
    mouse.log.push_back(Transfer{node->devnode, 'W', std::vector<uint8_t>(buffer->data, buffer->data + n)});
    if (node->consumer && n > 0 && mouse.memory.output(buffer->data, n)) {
        umockdev_ioctl_client_complete(client, static_cast<long>(n), 0);
    } else {
        umockdev_ioctl_client_complete(client, -1, EPIPE);
    }
    return TRUE;
}

void signalToken(int fd) {
    uint8_t token = 1;
    ssize_t ignored = ::write(fd, &token, 1);
    (void)ignored;
}

}  // namespace

bool preloadActive() {
    const char* preload = std::getenv("LD_PRELOAD");
    return preload && std::strstr(preload, "libumockdev-preload") != nullptr;
}

MockMouse::MockMouse() {
    testbed_ = umockdev_testbed_new();
    if (!testbed_) return;
    gchar* root = umockdev_testbed_get_root_dir(testbed_);
    root_ = root;
    g_free(root);
    // A look-alike with another product id and the same vendor collection: never opened.
    gchar* other = umockdev_testbed_add_device(testbed_, "usb", "usb1/1-1", nullptr,
                                               "idVendor", "04d9", "idProduct", "f308", "bcdDevice", "0100",
                                               "manufacturer", "Holtek", "product", "Other", nullptr,
                                               "DEVTYPE", "usb_device", "PRODUCT", "4d9/f308/100", nullptr);
    if (!other) {
        g_object_unref(testbed_);
        testbed_ = nullptr;
        return;
    }
    addHidInterface(other, 1, "0003:04D9:F308.", kConfigDescriptor, false, false);
    g_free(other);
}

MockMouse::~MockMouse() {
    if (testbed_) g_object_unref(testbed_);  // stops the handlers and removes the test bed
}

std::string MockMouse::addHidInterface(const std::string& usbDevice, int interface, const std::string& hidPrefix,
                                       const std::vector<uint8_t>& descriptor, bool configuration, bool attach) {
    std::string name = usbDevice.substr(usbDevice.rfind('/') + 1) + ":1." + std::to_string(interface);
    char number[8];
    std::snprintf(number, sizeof number, "%02x", interface);
    gchar* intf = umockdev_testbed_add_device(testbed_, "usb", name.c_str(), usbDevice.c_str(),
                                              "bInterfaceNumber", number, "bInterfaceClass", "03", nullptr,
                                              "DEVTYPE", "usb_interface", "INTERFACE", "3/0/0", nullptr);
    char hidName[32];
    std::snprintf(hidName, sizeof hidName, "%s%04X", hidPrefix.c_str(), nextHid_++);
    uint16_t product = hidPrefix.find("F308") != std::string::npos ? 0xF308 : kProduct;
    char hidId[32];
    std::snprintf(hidId, sizeof hidId, "0003:%08X:%08X", kVendor, product);
    gchar* hid = umockdev_testbed_add_device(testbed_, "hid", hidName, intf, nullptr,
                                             "HID_ID", hidId, "HID_NAME", "Brakmor KORVANTE", "HID_UNIQ", "",
                                             "HID_PHYS", "usb-0000:00:14.0-2/input0", nullptr);
    umockdev_testbed_set_attribute_binary(testbed_, hid, "report_descriptor", const_cast<uint8_t*>(descriptor.data()),
                                          static_cast<int>(descriptor.size()));
    int minor = nextHidraw_++;
    std::string devnode = "/dev/hidraw" + std::to_string(minor);
    std::string rawName = "hidraw/hidraw" + std::to_string(minor);
    std::string dev = "247:" + std::to_string(minor);
    gchar* raw = umockdev_testbed_add_device(testbed_, "hidraw", rawName.c_str(), hid, "dev", dev.c_str(), nullptr,
                                             "DEVNAME", devnode.c_str(), "MAJOR", "247", "MINOR",
                                             std::to_string(minor).c_str(), nullptr);
    umockdev_testbed_set_attribute_link(testbed_, raw, "device", "../..");
    std::string rawPath = raw;
    g_free(raw);
    g_free(hid);
    g_free(intf);

    auto node = std::make_shared<Node>();
    node->owner = this;
    node->devnode = devnode;
    node->descriptor = descriptor;
    node->product = product;
    node->configuration = configuration;
    node->consumer = descriptor == kConsumerDescriptor;
    // The node file becomes a FIFO (see the header); the test bed made a plain file.
    std::string file = root_ + devnode;
    ::unlink(file.c_str());
    if (::mkfifo(file.c_str(), 0666) == 0) node->tokenFd = ::open(file.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (attach) {
        node->handler = umockdev_ioctl_base_new();
        g_signal_connect(node->handler, "handle-ioctl", G_CALLBACK(onIoctl), node.get());
        g_signal_connect(node->handler, "handle-read", G_CALLBACK(onRead), node.get());
        g_signal_connect(node->handler, "handle-write", G_CALLBACK(onWrite), node.get());
        GError* error = nullptr;
        if (!umockdev_testbed_attach_ioctl(testbed_, devnode.c_str(), node->handler, &error)) {
            std::fprintf(stderr, "mock mouse: no ioctl handler for %s: %s\n", devnode.c_str(),
                         error ? error->message : "?");
            g_clear_error(&error);
        }
    }
    if (node->consumer) consumer_ = node;
    if (configuration) config_ = node;
    nodes_.push_back(node);
    return rawPath;
}

bool MockMouse::plug() {
    if (!testbed_ || !usbDevice_.empty()) return false;
    ++plugs_;
    gchar* usb = umockdev_testbed_add_device(testbed_, "usb", ("usb1/1-" + std::to_string(1 + plugs_)).c_str(), nullptr,
                                             "idVendor", "04d9", "idProduct", "f307", "bcdDevice", "0100",
                                             "manufacturer", "Brakmor", "product", "KORVANTE", "serial", "",
                                             nullptr, "DEVTYPE", "usb_device", "PRODUCT", "4d9/f307/100", nullptr);
    if (!usb) return false;
    usbDevice_ = usb;
    g_free(usb);
    hidrawPaths_.clear();
    hidrawPaths_.push_back(addHidInterface(usbDevice_, 0, "0003:04D9:F307.", kMouseDescriptor, false, true));
    hidrawPaths_.push_back(addHidInterface(usbDevice_, 1, "0003:04D9:F307.", kConsumerDescriptor, false, true));
    hidrawPaths_.push_back(addHidInterface(usbDevice_, 2, "0003:04D9:F307.", kConfigDescriptor, true, true));
    for (auto& path : hidrawPaths_) umockdev_testbed_uevent(testbed_, path.c_str(), "add");
    return true;
}

void MockMouse::unplug() {
    if (usbDevice_.empty()) return;
    {
        std::lock_guard<std::mutex> lock(mutex);
        for (auto& node : nodes_) {
            if (node->gone || !node->handler) continue;
            node->gone = true;
            // The kernel refuses to open a node whose device is gone: the file goes at once.
            ::unlink((root_ + node->devnode).c_str());
            signalToken(node->tokenFd);  // a reader waiting on the node wakes and fails, as on the kernel's node
        }
    }
    for (auto& path : hidrawPaths_) {
        umockdev_testbed_uevent(testbed_, path.c_str(), "remove");
        umockdev_testbed_remove_device(testbed_, path.c_str());
    }
    umockdev_testbed_remove_device(testbed_, usbDevice_.c_str());
    usbDevice_.clear();
    hidrawPaths_.clear();
}

std::string MockMouse::consumerNode() const { return consumer_ ? consumer_->devnode : std::string(); }
std::string MockMouse::configNode() const { return config_ ? config_->devnode : std::string(); }

bool MockMouse::setMode(const std::string& node, unsigned mode) {
    return ::chmod((root_ + node).c_str(), static_cast<mode_t>(mode)) == 0;
}

void MockMouse::input(const std::vector<uint8_t>& report) {
    std::lock_guard<std::mutex> lock(mutex);
    if (!consumer_ || consumer_->gone) return;
    consumer_->inputs.push_back(report);
    signalToken(consumer_->tokenFd);
}

std::vector<Transfer> MockMouse::transfers() {
    std::lock_guard<std::mutex> lock(mutex);
    return log;
}

void MockMouse::clearTransfers() {
    std::lock_guard<std::mutex> lock(mutex);
    log.clear();
}

std::vector<uint8_t> MockMouse::peek(uint32_t address, size_t length) {
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<uint8_t> out;
    memory.peek(address, length, out);
    return out;
}

void MockMouse::poke(uint32_t address, const std::vector<uint8_t>& bytes) {
    std::lock_guard<std::mutex> lock(mutex);
    memory.poke(address, bytes.data(), bytes.size());
}

std::vector<unsigned long> MockMouse::unknownRequests() {
    std::lock_guard<std::mutex> lock(mutex);
    return unknown;
}

}  // namespace hidrawtest
