#include "platform/focus_watch.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/diagnostics.h"
#include "platform/key_synthesis.h"
#include "platform/running_programs.h"
#include "platform/xtest_keys.h"

namespace platform {
namespace {

bool set(const char* value) { return value != nullptr && *value != '\0'; }

class X11FocusWatcher final : public FocusWatcher {
public:
    X11FocusWatcher(Reactor& loop, Callback onChange) : loop_(loop), onChange_(std::move(onChange)) {}
    ~X11FocusWatcher() override { stop(); }

    bool start(const char* displayName, std::string* reason) {
        display_ = XOpenDisplay(displayName);
        if (display_ == nullptr) {
            *reason = std::string("the X display ") + displayName + " cannot be opened";
            return false;
        }
        watchConnection(display_, &lost_);
        activeAtom_ = XInternAtom(display_, "_NET_ACTIVE_WINDOW", False);
        pidAtom_ = XInternAtom(display_, "_NET_WM_PID", False);
        char host[HOST_NAME_MAX + 1] = {};
        if (::gethostname(host, sizeof host - 1) == 0) host_ = host;
        root_ = DefaultRootWindow(display_);
        XSelectInput(display_, root_, PropertyChangeMask);
        XSync(display_, False);
        fd_ = ConnectionNumber(display_);
        if (lost_ || !loop_.watchReadable(fd_, [this] { onReadable(); })) {
            *reason = "the X display connection cannot be watched";
            stop();
            return false;
        }
        check();
        return true;
    }

private:
    void stop() {
        if (display_ == nullptr) return;
        if (fd_ >= 0) loop_.unwatch(fd_);
        fd_ = -1;
        closeWatchedConnection(display_);
        display_ = nullptr;
    }

    void onReadable() {
        // Reading properties may pull further events into Xlib's queue without the socket staying
        // readable, so the queue is emptied again after each look.
        for (;;) {
            bool activeChanged = false;
            while (!lost_ && XPending(display_) > 0) {
                XEvent event;
                XNextEvent(display_, &event);
                if (event.type == PropertyNotify && event.xproperty.atom == activeAtom_) activeChanged = true;
            }
            if (lost_) {
                debugLine("focus watch: the X display connection was lost; programs no longer choose the profile");
                stop();
                return;
            }
            if (!activeChanged) return;
            check();
        }
    }

    // One property of `type` with 32-bit items: its first item.
    bool readFirstItem(Window window, Atom property, Atom type, unsigned long* value) {
        Atom actualType = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        XErrorTrap trap(display_);  // the window may be gone by now
        const int status = XGetWindowProperty(display_, window, property, 0, 1, False, type, &actualType, &format,
                                              &count, &after, &data);
        const bool ok = trap.sync() && status == Success && actualType == type && format == 32 && count >= 1;
        if (ok) *value = reinterpret_cast<unsigned long*>(data)[0];  // 32-bit items arrive as longs
        if (data != nullptr) XFree(data);
        return ok;
    }

    // A window of another machine carries that machine's process number, which says nothing here.
    bool fromThisMachine(Window window) {
        XTextProperty machine{};
        XErrorTrap trap(display_);
        const Status status = XGetWMClientMachine(display_, window, &machine);
        const bool sane = trap.sync();
        bool local = true;
        if (status != 0 && machine.value != nullptr) {
            if (machine.format == 8)
                local = std::string(reinterpret_cast<const char*>(machine.value), machine.nitems) == host_;
            XFree(machine.value);
        }
        return sane && local;
    }

    void check() {
        unsigned long active = None;
        if (!readFirstItem(root_, activeAtom_, XA_WINDOW, &active) || active == None) return;
        // The window manager may announce the same window again; only another one is news, so a
        // profile the user chose inside a program is not taken back by a click on it.
        if (active == lastActive_) return;
        lastActive_ = active;
        unsigned long pid = 0;
        std::string executable;
        if (readFirstItem(active, pidAtom_, XA_CARDINAL, &pid) && pid > 0 && pid <= static_cast<unsigned long>(INT_MAX) &&
            fromThisMachine(active))
            executable = processExecutable(static_cast<long>(pid));
        if (onChange_) onChange_(executable);
    }

    Reactor& loop_;
    Callback onChange_;
    Display* display_ = nullptr;
    bool lost_ = false;
    int fd_ = -1;
    Window root_ = None;
    Atom activeAtom_ = None;
    Atom pidAtom_ = None;
    unsigned long lastActive_ = None;
    std::string host_;
};

}  // namespace

bool waylandSession(const char* sessionType, const char* waylandDisplay) {
    return isWaylandSession(set(sessionType) ? sessionType : "", set(waylandDisplay));
}

bool waylandSession() { return inWaylandSession(); }

std::string focusWatchUnavailableReason(const char* sessionType, const char* waylandDisplay, const char* display) {
    if (waylandSession(sessionType, waylandDisplay))
        return "a Wayland session does not tell which program has the focus";
    if (!set(display)) return "there is no X display";
    return {};
}

std::string focusWatchUnavailableReason() {
    return focusWatchUnavailableReason(std::getenv("XDG_SESSION_TYPE"), std::getenv("WAYLAND_DISPLAY"),
                                       std::getenv("DISPLAY"));
}

std::unique_ptr<FocusWatcher> watchFocusedProgram(Reactor& loop, FocusWatcher::Callback onChange, std::string* reason) {
    std::string why = focusWatchUnavailableReason();
    if (why.empty()) {
        auto watcher = std::make_unique<X11FocusWatcher>(loop, std::move(onChange));
        if (watcher->start(std::getenv("DISPLAY"), &why)) return watcher;
    }
    if (reason != nullptr) *reason = why;
    return nullptr;
}

}  // namespace platform
