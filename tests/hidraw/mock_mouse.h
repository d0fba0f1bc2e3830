#pragma once
// The virtual mouse's device model as a kernel device, for the "hidraw" backend: a umockdev test
// bed holds the sysfs tree and udev records of the mouse (USB device 04D9:F307, its boot-mouse
// interface and its consumer and configuration collections with their hidraw nodes) and of a
// look-alike that must not be opened, and answers the hidraw ioctls (report descriptor, raw
// info, feature reports set and get) and reads and writes on the nodes from sim::MouseMemory.
//
// umockdev works through libumockdev-preload.so: the process must run with it preloaded
// (see main.cpp). umockdev passes read() to the handler but not poll(), so each node file is a
// FIFO that holds one byte per queued input report: poll() on the node then wakes exactly when
// the kernel's node would.
#include "sim/mouse_memory.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

typedef struct _UMockdevTestbed UMockdevTestbed;

namespace hidrawtest {

// One transfer as the device saw it.
struct Transfer {
    std::string node;  // "/dev/hidraw1"
    char kind;         // 'S' set feature, 'G' get feature, 'W' output report (write)
    std::vector<uint8_t> bytes;
};

// True when umockdev's preload library is in the process, so that the test bed is what the
// process sees as /sys, /dev and the udev netlink socket.
bool preloadActive();
inline constexpr const char* kNoPreload =
    "umockdev's preload library is not in this process (main() adds it), so there is no test bed";

class MockMouse {
public:
    MockMouse();
    ~MockMouse();
    MockMouse(const MockMouse&) = delete;
    MockMouse& operator=(const MockMouse&) = delete;

    bool ready() const { return testbed_ != nullptr; }

    // Adds the mouse (new hidraw node numbers each time, as for a device re-plugged while its old
    // nodes are still open) and sends the "add" uevents. False when the test bed refused it.
    bool plug();
    // Sends the "remove" uevents and takes the mouse out of sysfs; open nodes fail from then on.
    void unplug();

    std::string consumerNode() const;  // "/dev/hidrawN" of the plugged mouse
    std::string configNode() const;
    // Changes the mode of a node of the plugged mouse (0000: nobody may open it).
    bool setMode(const std::string& node, unsigned mode);

    // Queues an input report on the consumer node, as the mouse sends it.
    void input(const std::vector<uint8_t>& report);

    std::vector<Transfer> transfers();
    void clearTransfers();
    std::vector<uint8_t> peek(uint32_t address, size_t length);
    void poke(uint32_t address, const std::vector<uint8_t>& bytes);
    // The ioctl requests the handlers saw that they do not emulate (they fail with ENOTTY).
    std::vector<unsigned long> unknownRequests();

    struct Node;

private:
    // Adds interface `interface` of the USB device with its HID device ("<hidPrefix>NNNN") and
    // hidraw node; returns the node's syspath. `attach`: the node answers through the handlers.
    std::string addHidInterface(const std::string& usbDevice, int interface, const std::string& hidPrefix,
                                const std::vector<uint8_t>& descriptor, bool configuration, bool attach);

    UMockdevTestbed* testbed_ = nullptr;
    std::string root_;
    int nextHidraw_ = 0;
    int nextHid_ = 1;
    int plugs_ = 0;
    std::string usbDevice_;  // syspath of the plugged mouse, empty when unplugged
    std::vector<std::shared_ptr<Node>> nodes_;  // every node ever made; the plugged ones last
    std::shared_ptr<Node> consumer_, config_;
    std::vector<std::string> hidrawPaths_;      // syspaths of the plugged mouse's hidraw nodes

public:
    // Shared with the handlers, which run on the test bed's worker thread.
    std::mutex mutex;
    sim::MouseMemory memory;
    std::vector<Transfer> log;
    std::vector<unsigned long> unknown;
};

}  // namespace hidrawtest
