#pragma once
// Key synthesis through a virtual keyboard created with the kernel's uinput device: the backend of
// Wayland sessions (and of sessions without any display). The device is created once, named
// after the suite, announces only the key positions it is going to send, follows every key event
// with a SYN_REPORT, and is destroyed with the synthesizer.
#include <linux/uinput.h>

#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "platform/key_synthesis.h"

namespace platform {

class KeyPositions;

// The device node, reached through this interface so that a test double can record the set-up
// requests and the event records. Each call is true when the node accepted it.
class UinputNode {
public:
    virtual ~UinputNode() = default;
    virtual bool setBit(unsigned long request, int bit) = 0;  // UI_SET_EVBIT, UI_SET_KEYBIT
    virtual bool setUp(const uinput_setup& setup) = 0;        // UI_DEV_SETUP
    virtual bool create() = 0;                                // UI_DEV_CREATE
    virtual void destroy() = 0;                               // UI_DEV_DESTROY
    virtual bool write(std::span<const input_event> events) = 0;
};

// The node at `path` (normally /dev/uinput), opened for writing; nullptr with a diagnostics line
// when it cannot be opened.
std::unique_ptr<UinputNode> openUinputNode(const std::string& path);

inline constexpr const char* kUinputDeviceName = "KORVANTE virtual keyboard";

class UinputKeySynthesizer final : public KeySynthesizer {
public:
    // Creates the virtual keyboard on `node`, announcing the positions of `virtualKeys` (every key
    // of the virtual-key table when empty) in `positions` (their US positions when null). nullptr
    // (with a diagnostics line) when the node refuses a set-up request.
    static std::unique_ptr<UinputKeySynthesizer> create(std::unique_ptr<UinputNode> node,
                                                        std::unique_ptr<KeyPositions> positions,
                                                        std::span<const uint8_t> virtualKeys = {});
    // The same on the device node at `path`, with the US positions.
    static std::unique_ptr<UinputKeySynthesizer> create(const std::string& path);
    ~UinputKeySynthesizer() override;

    // One EV_KEY event (value 1 press, 0 release) at the key's position, then a SYN_REPORT.
    // False for a key that was not announced.
    bool keyEvent(uint8_t virtualKey, uint32_t flags) override;
    const char* backendName() const override { return "uinput"; }

    UinputKeySynthesizer(const UinputKeySynthesizer&) = delete;
    UinputKeySynthesizer& operator=(const UinputKeySynthesizer&) = delete;

private:
    UinputKeySynthesizer(std::unique_ptr<UinputNode> node, std::vector<uint16_t> positions)
        : node_(std::move(node)), positions_(std::move(positions)) {}

    std::mutex mutex_;
    std::unique_ptr<UinputNode> node_;
    std::vector<uint16_t> positions_;  // by virtual key; 0 = not announced
};

}  // namespace platform
