#pragma once
// Emulated key strokes: the keybd_event stand-in. A key is named by its Windows virtual-key code;
// the flags keep their keybd_event meaning (1 extended key, 2 key up), so a press is sent with 1
// and a release with 3. Backends: XTest into an X11 session, a uinput virtual keyboard in a
// Wayland session (XTest would reach only the X programs running under XWayland), a recorder for
// tests, and a no-op. The session decides (chooseKeyBackend); $KORVANTE_KEY_BACKEND=xtest|uinput
// overrides it.
#include <cstdint>
#include <memory>
#include <span>
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

// What the session offers for emulated keys, read from the environment and the system.
struct KeySessionFacts {
    std::string sessionType;        // $XDG_SESSION_TYPE ("x11", "wayland", "tty", or empty)
    bool waylandDisplay = false;    // $WAYLAND_DISPLAY is set
    bool xDisplayReachable = false; // $DISPLAY opens and has the XTEST extension
    bool uinputWritable = false;    // the uinput device node may be written
    std::string override;           // $KORVANTE_KEY_BACKEND ("xtest", "uinput", or empty)
};

// How far emulated shortcuts reach, as the service tells the configuration window.
enum class ShortcutReach : uint8_t {
    Everywhere = 0,  // the session's own backend acts
    Off = 1,         // no backend: the shortcuts do nothing
    XProgramsOnly = 2,  // a Wayland session without uinput access: XTest reaches XWayland only
};

struct KeyBackendDecision {
    KeyBackendKind kind = KeyBackendKind::Nothing;
    ShortcutReach reach = ShortcutReach::Off;
    std::string reason;  // one line for the diagnostics, naming the backend and why
};

// True for a Wayland session: $XDG_SESSION_TYPE is "wayland", or $WAYLAND_DISPLAY is set.
bool isWaylandSession(const std::string& sessionType, bool waylandDisplay);
// The same for this process's environment.
bool inWaylandSession();

// The backend for the session: uinput in a Wayland session, XTest in an X11 one; where the
// session's own backend is not available the other one (or none) acts. The override forces
// either backend (none when it is not available); an unknown override value is ignored.
KeyBackendDecision chooseKeyBackend(const KeySessionFacts& facts);
// The choice without session facts: XTest when a display is reachable, else uinput when its
// device can be written, else none.
KeyBackendKind chooseKeyBackend(bool displayReachable, bool uinputWritable);

// The backend that writes one diagnostics line on first use and sends nothing.
std::unique_ptr<KeySynthesizer> makeNullKeySynthesizer();

// Picks and opens a backend now from this process's session (chooseKeyBackend); a uinput keyboard
// is created on `uinputPath` announcing the positions of `virtualKeys` (every key of the
// virtual-key table when empty) in the session's keymap. The decision is stored in *decision
// when given; a backend that fails to open gives the no-op backend.
std::unique_ptr<KeySynthesizer> makeKeySynthesizer(const std::string& uinputPath = "/dev/uinput",
                                                   std::span<const uint8_t> virtualKeys = {},
                                                   KeyBackendDecision* decision = nullptr);

// The process-wide synthesizer: the backend makeKeySynthesizer() picks at the first event that
// finds one (until then every event looks again and is dropped). Safe to call from any thread;
// events are sent one at a time.
KeySynthesizer& defaultKeySynthesizer();

// Start-up of the process-wide synthesizer: the keys it will be asked for, and a pick now unless a
// backend was found before, with one diagnostics line naming the backend and why (when it differs
// from the last one). Returns how far shortcuts reach.
ShortcutReach prepareDefaultKeySynthesizer(std::span<const uint8_t> virtualKeys);
// How far shortcuts reach with the process-wide synthesizer as it stands.
ShortcutReach defaultShortcutReach();

}  // namespace platform
