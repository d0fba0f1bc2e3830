#include "platform/xtest_keys.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/diagnostics.h"
#include "platform/vk_keysym.h"

namespace platform {
namespace {

std::mutex gTrapMutex;
Display* gTrapDisplay = nullptr;
int gTrapErrors = 0;
XErrorHandler gTrapPrevious = nullptr;

int trapHandler(Display* display, XErrorEvent* event) {
    if (display == gTrapDisplay) {
        ++gTrapErrors;
        return 0;
    }
    return gTrapPrevious ? gTrapPrevious(display, event) : 0;
}

// The key that carries the virtual key on a US keyboard: its Linux input code + 8 (the X
// server's evdev keycodes), when the display has that keycode. A layout without Latin letters
// (Cyrillic or Greek alone) has no keysym for a shortcut's letter, and applications match
// shortcuts such as Ctrl+X by the key's position, so that key is the one to send.
KeyCode usPositionKeycode(Display* display, uint8_t virtualKey) {
    const int code = linuxKeyCodeForVirtualKey(virtualKey);
    int minKeycode = 0, maxKeycode = 0;
    XDisplayKeycodes(display, &minKeycode, &maxKeycode);
    if (code == 0 || code + 8 < minKeycode || code + 8 > maxKeycode) return 0;
    return static_cast<KeyCode>(code + 8);
}

void connectionLostHandler(Display*, void* flag) { *static_cast<bool*>(flag) = true; }

// The I/O error handler is process-wide and Xlib's default one ends the process before the
// per-connection exit handler is asked. Ours returns for watched connections (their exit handler
// then sets the flag) and passes every other connection to the handler it replaced.
std::mutex gWatchMutex;
std::vector<Display*> gWatched;
XIOErrorHandler gPreviousIoHandler = nullptr;

int ioErrorHandler(Display* display) {
    {
        std::lock_guard lock(gWatchMutex);
        if (std::find(gWatched.begin(), gWatched.end(), display) != gWatched.end()) {
            debugLine("X display connection broken");
            return 0;
        }
    }
    return gPreviousIoHandler ? gPreviousIoHandler(display) : 0;
}

}  // namespace

XErrorTrap::XErrorTrap(Display* display) : lock_(gTrapMutex) {
    gTrapDisplay = display;
    gTrapErrors = 0;
    gTrapPrevious = XSetErrorHandler(trapHandler);
}

XErrorTrap::~XErrorTrap() {
    XSetErrorHandler(gTrapPrevious);
    gTrapDisplay = nullptr;
}

bool XErrorTrap::sync() {
    XSync(gTrapDisplay, False);
    return gTrapErrors == 0;
}

void watchConnection(Display* display, bool* lost) {
    static std::once_flag installed;
    std::call_once(installed, [] { gPreviousIoHandler = XSetIOErrorHandler(ioErrorHandler); });
    *lost = false;
    XSetIOErrorExitHandler(display, connectionLostHandler, lost);
    std::lock_guard lock(gWatchMutex);
    gWatched.push_back(display);
}

void closeWatchedConnection(Display* display) {
    XCloseDisplay(display);
    std::lock_guard lock(gWatchMutex);
    gWatched.erase(std::remove(gWatched.begin(), gWatched.end(), display), gWatched.end());
}

std::unique_ptr<XTestKeySynthesizer> XTestKeySynthesizer::open() {
    std::unique_ptr<XTestKeySynthesizer> keys(new XTestKeySynthesizer);
    std::lock_guard lock(keys->mutex_);
    if (!keys->openLocked()) return nullptr;
    return keys;
}

XTestKeySynthesizer::~XTestKeySynthesizer() {
    std::lock_guard lock(mutex_);
    closeLocked();
}

bool XTestKeySynthesizer::openLocked() {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) return false;
    Display* display = XOpenDisplay(name);
    if (!display) return false;
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) {
        debugPrintf("key synthesis: display %s has no XTEST extension", name);
        XCloseDisplay(display);
        return false;
    }
    watchConnection(display, &connectionLost_);
    display_ = display;
    return true;
}

void XTestKeySynthesizer::closeLocked() {
    if (display_) closeWatchedConnection(display_);
    display_ = nullptr;
}

int XTestKeySynthesizer::sendLocked(uint8_t virtualKey, bool press) {
    KeySym keysym = keysymForVirtualKey(virtualKey);
    if (keysym == 0) {
        debugPrintf("key synthesis: no key for virtual key %u", virtualKey);
        return 0;
    }
    KeyCode keycode = XKeysymToKeycode(display_, keysym);
    if (connectionLost_) return -1;
    if (keycode == 0) keycode = usPositionKeycode(display_, virtualKey);
    if (keycode == 0) {
        debugPrintf("key synthesis: keysym 0x%lx (virtual key %u) is not on the keyboard",
                    static_cast<unsigned long>(keysym), virtualKey);
        return 0;
    }
    XErrorTrap trap(display_);
    XTestFakeKeyEvent(display_, keycode, press ? True : False, CurrentTime);
    bool ok = trap.sync();
    if (connectionLost_) return -1;
    if (!ok) {
        debugPrintf("key synthesis: the display refused the event for virtual key %u", virtualKey);
        return 0;
    }
    return 1;
}

bool XTestKeySynthesizer::keyEvent(uint8_t virtualKey, uint32_t flags) {
    const bool press = (flags & kKeyEventKeyUp) == 0;
    std::lock_guard lock(mutex_);
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!display_ && !openLocked()) {
            debugLine("key synthesis: the X display is not reachable");
            return false;
        }
        int result = sendLocked(virtualKey, press);
        if (result >= 0) return result == 1;
        debugLine("key synthesis: connection to the X display lost, reopening");
        closeLocked();
    }
    return false;
}

}  // namespace platform
