#pragma once
// Emulated key strokes: the keybd_event stand-in. A key is named by its Windows virtual-key code;
// the flags keep their keybd_event meaning (1 extended key, 2 key up), so a press is sent with 1
// and a release with 3. Backends: XTest on a reachable X display, a uinput virtual keyboard
// where /dev/uinput is writable and no display is, a recorder for tests, and a no-op.
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

inline constexpr uint32_t kKeyEventExtendedKey = 1;  // KEYEVENTF_EXTENDEDKEY
inline constexpr uint32_t kKeyEventKeyUp = 2;        // KEYEVENTF_KEYUP

class KeySynthesizer {
public:
    virtual ~KeySynthesizer() = default;
    // Sends one key press (no key-up flag) or release (key-up flag). False when the key is not
    // known to the backend or the event could not be delivered; the failure is logged.
    virtual bool keyEvent(uint8_t virtualKey, uint32_t flags) = 0;
    // "xtest", "uinput", "recording" or "none".
    virtual const char* backendName() const = 0;
};

enum class KeyBackendKind : uint8_t { XTest, Uinput, Nothing };

// The backend order: XTest when a display is reachable, else uinput when its device can be
// written, else none.
KeyBackendKind chooseKeyBackend(bool displayReachable, bool uinputWritable);

// The backend that writes one diagnostics line on first use and sends nothing.
std::unique_ptr<KeySynthesizer> makeNullKeySynthesizer();

// Picks and opens a backend now: XTest when $DISPLAY is set and the display opens with the XTEST
// extension, else a uinput keyboard on `uinputPath` when it is writable and the device can be
// created, else the no-op backend.
std::unique_ptr<KeySynthesizer> makeKeySynthesizer(const std::string& uinputPath = "/dev/uinput");

// The process-wide synthesizer: the backend makeKeySynthesizer() picks at the first event that
// finds one (until then every event looks again and is dropped). Safe to call from any thread;
// events are sent one at a time.
KeySynthesizer& defaultKeySynthesizer();

}  // namespace platform
