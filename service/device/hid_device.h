#pragma once
// The transport that reaches the mouse: opens its collections, reports them coming and going,
// delivers input reports and moves feature and output reports. Two backends implement it:
// "hidraw" (the real mouse) and "sim" (the virtual mouse, mousesim). KORVANTE_TRANSPORT=sim
// selects the virtual mouse; the default is hidraw.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// Which devices and collections the transport opens: vendor, product, then (usage, usage page)
// pairs. The two values between are passed through as given.
struct DeviceFilter {
    uint32_t vendorId = 0;
    uint32_t productId = 0;
    uint32_t collectionCount = 0;
    uint32_t value3 = 0;  // 0x06FF
    uint32_t value4 = 0;  // 0x0600
    uint32_t usage1 = 0, usagePage1 = 0;
    uint32_t usage2 = 0, usagePage2 = 0;
};

// Posted for every collection of a matching device that opens (event 1) or closes (event 0).
struct CollectionRecord {
    uint32_t event = 0;
    uint32_t deviceId = 0;   // only the low 16 bits are meaningful
    uint32_t reserved = 0;   // stored, never read
    uint32_t usagePage = 0;
};

class HidDevice {
public:
    // Called on a transport thread; the receiver hands the record to its own thread.
    using LinkCallback = std::function<void(const CollectionRecord&)>;
    // Called on a transport thread with the report bytes (first byte = report id).
    using InputCallback = std::function<void(int reportId, const uint8_t* data, int length)>;

    virtual ~HidDevice() = default;

    virtual void setFilter(const DeviceFilter& filter) = 0;
    virtual void setInputCallback(InputCallback callback) = 0;
    // Registers the link: from now on every collection that opens or closes is reported through
    // the callback (the collections already present are reported as opened right away).
    // Returns false when the transport cannot work at all.
    virtual bool registerLink(LinkCallback callback) = 0;
    virtual void close() = 0;

    // Transfers. Each returns false when the report did not reach the collection (device gone,
    // no answer); the caller decides whether that matters.
    virtual bool sendOutputReport(uint32_t deviceId, const uint8_t* data, int length) = 0;
    virtual bool sendFeatureReport(uint32_t deviceId, const uint8_t* data, int length) = 0;
    // The buffer holds the report id (and request byte) on entry and the answer on return.
    virtual bool getFeatureReport(uint32_t deviceId, uint8_t* data, int length) = 0;
};

// The transport chosen by KORVANTE_TRANSPORT ("sim" or, by default, "hidraw").
std::unique_ptr<HidDevice> createHidDevice();
