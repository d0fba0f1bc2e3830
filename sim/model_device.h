#pragma once
// A HidDevice that is the device model itself, in-process and synchronous: the mouse is plugged
// from registerLink on, with the consumer collection as id 1 and the configuration collection as
// id 2. Lets protocol code run against the model without mousesim (tests, the factory image).
#include "service/device/hid_device.h"
#include "sim/mouse_memory.h"

namespace sim {

class ModelHidDevice : public HidDevice {
public:
    static constexpr uint32_t kConsumerId = 1;
    static constexpr uint32_t kConfigId = 2;

    explicit ModelHidDevice(MouseMemory& memory) : memory_(memory) {}

    void setFilter(const DeviceFilter&) override {}
    void setInputCallback(InputCallback callback) override { input_ = std::move(callback); }
    bool registerLink(LinkCallback callback) override;
    void close() override {}

    bool sendOutputReport(uint32_t deviceId, const uint8_t* data, int length) override;
    bool sendFeatureReport(uint32_t deviceId, const uint8_t* data, int length) override;
    bool getFeatureReport(uint32_t deviceId, uint8_t* data, int length) override;

    // Delivers an input report to the registered callback, as the mouse would.
    void sendInput(const uint8_t* data, int length);

private:
    MouseMemory& memory_;
    InputCallback input_;
};

}  // namespace sim
