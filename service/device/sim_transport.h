#pragma once
// The "sim" HidDevice backend: reaches the virtual mouse (mousesim) over its Unix socket in the
// runtime folder. When mousesim is not running, it waits for the socket to appear (inotify on the
// runtime folder, no polling) and connects then; when mousesim goes away, the open collections are
// reported closed and it waits again. One reader thread per link; transfers are request/response
// with a time-out.
#include "service/device/hid_device.h"

#include <memory>
#include <string>

// Name of mousesim's socket inside the runtime folder.
inline constexpr const char* kSimSocketName = "mousesim.sock";

// Full path of mousesim's socket, or an empty string when the runtime folder cannot be used.
std::string simSocketPath();

class SimTransport : public HidDevice {
public:
    // Time a transfer waits for the mouse's answer.
    static constexpr int kTransferTimeoutMs = 2000;

    SimTransport();
    ~SimTransport() override;

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
