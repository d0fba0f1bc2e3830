#pragma once
// The "hidraw" HidDevice backend: the real mouse through the kernel's hidraw nodes.
// hidapi (hidraw backend) enumerates the device and moves feature and output reports; a libudev
// monitor on subsystem "hidraw" reports collections coming and going; one reader thread per
// opened node reads input reports with poll() on the node and a stop eventfd, so nothing wakes
// up periodically and close() stops every thread at once.
#include "service/device/hid_device.h"

#include <cstdint>
#include <memory>

// True when the filter names the collection: vendor and product match and one of the filter's
// (usage, usage page) pairs — as many as its collection count says, at most two — has the
// collection's usage page and usage. A usage of 0 on either side (not known) matches any usage.
bool filterNamesCollection(const DeviceFilter& filter, uint32_t vendorId, uint32_t productId,
                           uint32_t usage, uint32_t usagePage);

class HidrawTransport : public HidDevice {
public:
    HidrawTransport();
    ~HidrawTransport() override;

    void setFilter(const DeviceFilter& filter) override;
    void setInputCallback(InputCallback callback) override;
    bool registerLink(LinkCallback callback) override;
    void close() override;

    bool sendOutputReport(uint32_t deviceId, const uint8_t* data, int length) override;
    bool sendFeatureReport(uint32_t deviceId, const uint8_t* data, int length) override;
    bool getFeatureReport(uint32_t deviceId, uint8_t* data, int length) override;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};
