#pragma once
// The link to the mouse: the device filter, the list of collections the transport reported,
// the lookup of the collection a transfer goes to, and the link-message logic.
//
// The collection list only grows (a closed collection keeps its opened record); lookups walk it
// newest first, so a re-plugged mouse's new collections win. The list is appended on the service
// thread and read by transfers that may run elsewhere, so it is guarded by a mutex.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "service/device/hid_device.h"

inline constexpr uint32_t kSelectorConfig = 0x10001;    // vendor configuration collection
inline constexpr uint32_t kSelectorConsumer = 0x10002;  // consumer collection
inline constexpr uint32_t kUsagePageConfig = 0xFFA0;
inline constexpr uint32_t kUsagePageConsumer = 0x000C;

// The filter handed to the transport before it opens anything.
DeviceFilter mouseDeviceFilter();

// What the service does after a link message, in this order.
struct LinkAction {
    bool writeDevice = false;  // write "Setting"/"Device" = deviceValue
    int deviceValue = 0;
    // Both collections of a device are open: read the configuration back (QueryAllFrMouse),
    // then start the tray program when TrayEnabled is 1.
    bool linkUp = false;
    std::string debugText;     // the diagnostics line already written
};

class DeviceLink {
public:
    // Opens the link: closes a link that is up, sets the filter and the input callback, then
    // registers for collection notices. The result becomes the link flag.
    bool open(HidDevice& device, HidDevice::InputCallback onInput, HidDevice::LinkCallback onLink);

    // Device id of the newest collection with the selector's usage page (0 when none); the result
    // is also kept as the current device id.
    uint32_t lookup(uint32_t selector);
    uint32_t currentDeviceId() const { return currentId_.load(); }

    bool linked() const { return linked_.load(); }
    void setLinked(bool on) { linked_.store(on); }

    // Message 1282: wParam must be 1 (otherwise nothing happens). Event 1 appends the record and
    // reports link-up when the list count becomes even; event 0 only records "Device" = 0.
    LinkAction handleLinkMessage(uintptr_t wParam, const CollectionRecord& record);

    size_t collectionCount() const;

private:
    mutable std::mutex mutex_;
    std::vector<CollectionRecord> collections_;
    std::atomic<uint32_t> currentId_{0};
    std::atomic<bool> linked_{false};
};
