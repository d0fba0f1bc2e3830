#pragma once
// Key synthesis through a virtual keyboard created with the kernel's uinput device, for sessions
// without an X display (a Wayland or text console session).
#include <memory>
#include <mutex>
#include <string>

#include "platform/key_synthesis.h"

namespace platform {

class UinputKeySynthesizer final : public KeySynthesizer {
public:
    // Creates the virtual keyboard on the uinput device at `path`, announcing every key of the
    // virtual-key table. nullptr (with a diagnostics line) when the device cannot be opened or
    // does not accept the set-up requests.
    static std::unique_ptr<UinputKeySynthesizer> create(const std::string& path);
    ~UinputKeySynthesizer() override;

    // One EV_KEY event (value 1 press, 0 release) followed by a SYN_REPORT.
    bool keyEvent(uint8_t virtualKey, uint32_t flags) override;
    const char* backendName() const override { return "uinput"; }

    UinputKeySynthesizer(const UinputKeySynthesizer&) = delete;
    UinputKeySynthesizer& operator=(const UinputKeySynthesizer&) = delete;

private:
    explicit UinputKeySynthesizer(int fd) : fd_(fd) {}

    std::mutex mutex_;
    int fd_;
};

}  // namespace platform
