#include "service/device/device_link.h"

#include <cstdio>

#include "platform/diagnostics.h"

DeviceFilter mouseDeviceFilter() {
    DeviceFilter f;
    f.vendorId = 0x04D9;
    f.productId = 0xF307;
    f.collectionCount = 2;
    f.value3 = 0x06FF;
    f.value4 = 0x0600;
    f.usage1 = 1;
    f.usagePage1 = kUsagePageConsumer;
    f.usage2 = 1;
    f.usagePage2 = kUsagePageConfig;
    return f;
}

bool DeviceLink::open(HidDevice& device, HidDevice::InputCallback onInput,
                      HidDevice::LinkCallback onLink) {
    if (linked_.load()) device.close();
    device.setFilter(mouseDeviceFilter());
    device.setInputCallback(std::move(onInput));
    bool ok = device.registerLink(std::move(onLink));
    linked_.store(ok);
    return ok;
}

uint32_t DeviceLink::lookup(uint32_t selector) {
    uint32_t page = 0;
    if (selector == kSelectorConfig)
        page = kUsagePageConfig;
    else if (selector == kSelectorConsumer)
        page = kUsagePageConsumer;
    uint32_t id = 0;
    if (page != 0) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto it = collections_.rbegin(); it != collections_.rend(); ++it) {
            if (it->usagePage == page) {
                id = it->deviceId & 0xFFFF;
                break;
            }
        }
    }
    currentId_.store(id);
    return id;
}

size_t DeviceLink::collectionCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return collections_.size();
}

LinkAction DeviceLink::handleLinkMessage(uintptr_t wParam, const CollectionRecord& record) {
    LinkAction action;
    if (wParam != 1) return action;
    char line[64];
    unsigned id = record.deviceId & 0xFFFF;
    if (record.event == 1) {
        std::snprintf(line, sizeof line, "MONITOROPEN:dwDeviceID=%x\n", id);
        action.debugText = line;
        platform::debugLine(line);
        size_t count;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            collections_.push_back(record);
            count = collections_.size();
        }
        if (count != 0 && count % 2 == 0) {
            linked_.store(true);
            action.writeDevice = true;
            action.deviceValue = 1;
            action.linkUp = true;
        }
    } else if (record.event == 0) {
        action.writeDevice = true;
        action.deviceValue = 0;
        std::snprintf(line, sizeof line, "MONITORCLOSE:dwDeviceID=%x\n", id);
        action.debugText = line;
        platform::debugLine(line);
    }
    return action;
}
