#pragma once
// Key synthesis through the XTEST extension of the X display named by $DISPLAY.
#include <memory>
#include <mutex>

#include "platform/key_synthesis.h"

typedef struct _XDisplay Display;

namespace platform {

// Xlib's default error handler ends the process, so the platform's X clients wrap their requests
// in a trap: while it lives, errors on `display` are counted instead, and errors of any other
// connection go to the handler that was installed before. One trap at a time per process.
class XErrorTrap {
public:
    explicit XErrorTrap(Display* display);
    ~XErrorTrap();
    // Waits until the server has handled every request so far; true when none of them failed.
    bool sync();

    XErrorTrap(const XErrorTrap&) = delete;
    XErrorTrap& operator=(const XErrorTrap&) = delete;

private:
    std::unique_lock<std::mutex> lock_;
};

// Makes a broken connection of `display` set `*lost` instead of ending the process (Xlib's
// default); the display must then only be closed, with closeWatchedConnection. Connections not
// watched here keep Xlib's behaviour.
void watchConnection(Display* display, bool* lost);
void closeWatchedConnection(Display* display);

class XTestKeySynthesizer final : public KeySynthesizer {
public:
    // Opens $DISPLAY and checks for XTEST; nullptr when either is missing.
    static std::unique_ptr<XTestKeySynthesizer> open();
    ~XTestKeySynthesizer() override;

    // Virtual key -> keysym (shared table) -> keycode of the active layout, or the key at the
    // virtual key's US position when the layout lacks the keysym (a layout without Latin
    // letters), then one fake key event, synced so that errors are seen. A connection lost since the last event (the X
    // server restarted) is reopened and the event sent once more.
    bool keyEvent(uint8_t virtualKey, uint32_t flags) override;
    const char* backendName() const override { return "xtest"; }

    XTestKeySynthesizer(const XTestKeySynthesizer&) = delete;
    XTestKeySynthesizer& operator=(const XTestKeySynthesizer&) = delete;

private:
    XTestKeySynthesizer() = default;
    bool openLocked();
    void closeLocked();
    // 1 sent, 0 refused (unknown key, protocol error), -1 connection lost.
    int sendLocked(uint8_t virtualKey, bool press);

    std::mutex mutex_;
    Display* display_ = nullptr;
    bool connectionLost_ = false;  // set by the display's I/O error exit handler
};

}  // namespace platform
