// The capture plugin "KBHook.so": global key and button capture on X11 for macro recording.
//
// The first install opens a connection of its own to the display of $DISPLAY and selects the
// XInput2 raw key and button events of all master devices on the root window; those arrive
// whatever window has the focus or a grab. One reader thread waits on the connection (and on an
// eventfd that wakes it for removal) and hands each event, while its hook is installed and
// enabled, to the target's post(). The reader is the only user of the connection while it runs;
// the entry points touch the connection only before it starts and after it has been joined.
//
// Without a display (a Wayland-only session) the install entry points return 0 and everything
// else does nothing.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "hook/kbhook_api.h"
#include "hook/raw_event_mapping.h"
#include "platform/diagnostics.h"

namespace {

// One hook: its target and its two switches. The lock is held while post() runs, so once
// remove or disable returns, no report of that hook is delivered any more.
class Hook {
public:
    void install(const KBHookTarget& target) {
        std::lock_guard lock(mutex_);
        target_ = target;
        installed_ = true;
        enabled_ = false;
    }
    bool enable(bool on) {
        std::lock_guard lock(mutex_);
        if (!installed_) return false;
        enabled_ = on;
        return true;
    }
    void remove() {
        std::lock_guard lock(mutex_);
        installed_ = false;
        enabled_ = false;
    }
    bool installed() {
        std::lock_guard lock(mutex_);
        return installed_;
    }
    bool enabled() {
        std::lock_guard lock(mutex_);
        return installed_ && enabled_;
    }
    void deliver(const kbhook::Report& report) {
        std::lock_guard lock(mutex_);
        if (installed_ && enabled_ && target_.post != nullptr)
            target_.post(target_.context, report.message, report.wParam, report.lParam);
    }

private:
    std::mutex mutex_;
    KBHookTarget target_{};
    bool installed_ = false;
    bool enabled_ = false;
};

class Capture {
public:
    ~Capture() {
        // The plugin is unloaded or the program ends with hooks still installed.
        keys_.remove();
        mouse_.remove();
        std::lock_guard lock(apiMutex_);
        stopIfUnused();
    }

    int install(Hook& hook, const KBHookTarget* target) {
        if (target == nullptr) return 0;
        std::lock_guard lock(apiMutex_);
        // A reader that lost its connection has ended; a new connection takes its place.
        if (running() && connectionLost_) stop();
        if (!running() && !start()) return 0;
        hook.install(*target);
        return 1;
    }

    void remove(Hook& hook) {
        std::lock_guard lock(apiMutex_);
        hook.remove();
        stopIfUnused();
    }

    // Turning a hook on starts capture at that moment: what the server generated before (keys
    // still on their way to the reader) is not reported.
    bool enable(Hook& hook, bool on) {
        std::lock_guard lock(apiMutex_);
        if (on && running() && !connectionLost_) drainEarlierEvents();
        return hook.enable(on);
    }

    Hook& keys() { return keys_; }
    Hook& mouse() { return mouse_; }

private:
    bool running() const { return display_ != nullptr; }

    // Opens the connection, selects the raw events and starts the reader.
    bool start() {
        Display* display = XOpenDisplay(nullptr);
        if (display == nullptr) {
            platform::debugLine("KBHook: no X display; key and button capture is off");
            return false;
        }
        int opcode = 0, event = 0, error = 0;
        int major = 2, minor = 2;
        if (!XQueryExtension(display, "XInputExtension", &opcode, &event, &error) ||
            XIQueryVersion(display, &major, &minor) != Success) {
            platform::debugLine("KBHook: the X server has no XInput2; key and button capture is off");
            XCloseDisplay(display);
            return false;
        }
        const int wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        const int drain = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (wake < 0 || drain < 0) {
            platform::debugPrintf("KBHook: eventfd failed: %s", std::strerror(errno));
            if (wake >= 0) close(wake);
            if (drain >= 0) close(drain);
            XCloseDisplay(display);
            return false;
        }
        // A lost connection ends the reader instead of the program.
        connectionLost_ = false;
        watchConnection(display);
        XSetIOErrorExitHandler(display, &Capture::onConnectionLost, this);

        unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
        XISetMask(bits, XI_RawKeyPress);
        XISetMask(bits, XI_RawKeyRelease);
        XISetMask(bits, XI_RawButtonPress);
        XISetMask(bits, XI_RawButtonRelease);
        XIEventMask mask{XIAllMasterDevices, static_cast<int>(sizeof bits), bits};
        XISelectEvents(display, DefaultRootWindow(display), &mask, 1);
        XSync(display, False);  // capture is on when install returns
        if (connectionLost_) {  // the server went away meanwhile
            XCloseDisplay(display);
            watchedDisplay.store(nullptr);
            close(wake);
            close(drain);
            return false;
        }

        display_ = display;
        xiOpcode_ = opcode;
        wakeFd_ = wake;
        drainFd_ = drain;
        drainsAsked_ = drainsDone_ = 0;
        mouseCounter_ = 0;
        reader_ = std::thread(&Capture::read, this);
        return true;
    }

    // Joins the reader and closes the connection once neither hook is installed.
    void stopIfUnused() {
        if (running() && !keys_.installed() && !mouse_.installed()) stop();
    }

    void stop() {
        const uint64_t one = 1;
        if (write(wakeFd_, &one, sizeof one) < 0)
            platform::debugPrintf("KBHook: cannot wake the reader: %s", std::strerror(errno));
        reader_.join();
        XCloseDisplay(display_);
        watchedDisplay.store(nullptr);
        close(wakeFd_);
        close(drainFd_);
        display_ = nullptr;
        wakeFd_ = drainFd_ = -1;
    }

    // Asks the reader for a round trip on its connection and waits until it has taken every event
    // that came before it (with the hooks as they are). Bounded: a reader stuck on a dead server
    // has lost its connection, which ends the wait too.
    void drainEarlierEvents() {
        uint64_t ticket = 0;
        {
            std::lock_guard lock(drainMutex_);
            ticket = ++drainsAsked_;
        }
        const uint64_t one = 1;
        if (write(drainFd_, &one, sizeof one) < 0) return;
        std::unique_lock lock(drainMutex_);
        drained_.wait_for(lock, std::chrono::seconds(2), [&] { return drainsDone_ >= ticket || connectionLost_; });
    }

    // Xlib ends the program on a lost connection twice over: the process-wide handler (Xlib's
    // own, or the one of the toolkit that hosts the plugin) exits, and so does the connection's
    // exit handler. For this connection both return, so Xlib's call returns with the connection
    // marked dead and the reader stops; other connections keep the handler they had.
    static void watchConnection(Display* display) {
        watchedDisplay.store(display);
        static std::once_flag chained;
        std::call_once(chained, [] { previousIOErrorHandler = XSetIOErrorHandler(&onIOError); });
    }
    static int onIOError(Display* display) {
        if (display == watchedDisplay.load()) return 0;
        return previousIOErrorHandler != nullptr ? previousIOErrorHandler(display) : 0;
    }
    // Before it calls this, Xlib takes the display's user lock for the exit that normally follows
    // and never gives it back; the reader releases the locks it got so that the connection can be
    // closed from another thread.
    static void onConnectionLost(Display*, void* self) {
        auto* capture = static_cast<Capture*>(self);
        capture->connectionLost_ = true;
        if (std::this_thread::get_id() == capture->readerId_) ++capture->readerLocks_;
    }
    static inline std::atomic<Display*> watchedDisplay = nullptr;
    static inline XIOErrorHandler previousIOErrorHandler = nullptr;

    void read() {
        readerId_ = std::this_thread::get_id();
        readerLocks_ = 0;
        pollfd fds[3] = {{ConnectionNumber(display_), POLLIN, 0}, {wakeFd_, POLLIN, 0}, {drainFd_, POLLIN, 0}};
        while (!connectionLost_) {
            takePendingEvents();
            if (connectionLost_) break;
            if (poll(fds, 3, -1) < 0) {
                if (errno == EINTR) continue;
                platform::debugPrintf("KBHook: poll failed: %s; key and button capture stopped",
                                      std::strerror(errno));
                connectionLost_ = true;
                return;
            }
            if (fds[1].revents != 0) return;  // removal
            if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) break;
            if (fds[2].revents != 0) drain();
        }
        connectionLost_ = true;  // also when the hang-up came before Xlib noticed
        drained_.notify_all();
        for (; readerLocks_ > 0; --readerLocks_) XUnlockDisplay(display_);
        platform::debugLine("KBHook: the X connection is gone; key and button capture stopped");
    }

    void takePendingEvents() {
        while (!connectionLost_ && XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            if (event.type == MappingNotify) {
                XRefreshKeyboardMapping(&event.xmapping);
                continue;
            }
            if (event.type != GenericEvent || event.xcookie.extension != xiOpcode_) continue;
            if (!XGetEventData(display_, &event.xcookie)) continue;
            handle(event.xcookie.evtype, *static_cast<const XIRawEvent*>(event.xcookie.data));
            XFreeEventData(display_, &event.xcookie);
        }
    }

    // The round trip puts every event the server sent before it into the queue; they are taken
    // before the waiting enable() turns its hook on.
    void drain() {
        uint64_t count = 0;
        if (::read(drainFd_, &count, sizeof count) < 0) return;
        uint64_t ticket = 0;
        {
            std::lock_guard lock(drainMutex_);
            ticket = drainsAsked_;
        }
        XSync(display_, False);
        takePendingEvents();
        {
            std::lock_guard lock(drainMutex_);
            drainsDone_ = ticket;
        }
        drained_.notify_all();
    }

    void handle(int type, const XIRawEvent& raw) {
        const bool press = type == XI_RawKeyPress || type == XI_RawButtonPress;
        if (type == XI_RawKeyPress || type == XI_RawKeyRelease) {
            if (!keys_.enabled()) return;
            const auto keycode = static_cast<KeyCode>(raw.detail);
            const KeySym keysym = XkbKeycodeToKeysym(display_, keycode, 0, 0);
            if (auto report = kbhook::keyReport(static_cast<uint32_t>(keysym), keycode, press))
                keys_.deliver(*report);
        } else if (type == XI_RawButtonPress || type == XI_RawButtonRelease) {
            const int64_t message = kbhook::mouseMessageForButton(static_cast<uint32_t>(raw.detail), press);
            if (message == 0 || !mouse_.enabled()) return;
            // Raw events carry no pointer position; a running count tells reports apart.
            mouse_.deliver({kbhook::kMouseMessage, message, ++mouseCounter_});
        }
    }

    std::mutex apiMutex_;  // serializes the entry points
    Hook keys_;
    Hook mouse_;
    Display* display_ = nullptr;
    int xiOpcode_ = 0;
    int wakeFd_ = -1;
    int drainFd_ = -1;  // enable() asks the reader to take the events before it
    std::mutex drainMutex_;
    std::condition_variable drained_;
    uint64_t drainsAsked_ = 0, drainsDone_ = 0;
    std::thread reader_;
    std::atomic<bool> connectionLost_ = false;  // also set when the reader ends on its own
    std::thread::id readerId_;  // written by the reader before its first Xlib call
    int readerLocks_ = 0;       // reader thread only
    int64_t mouseCounter_ = 0;  // reader thread only
};

Capture capture;

}  // namespace

#define KBHOOK_EXPORT extern "C" __attribute__((visibility("default")))

KBHOOK_EXPORT int installhook(const KBHookTarget* target) { return capture.install(capture.keys(), target); }

KBHOOK_EXPORT int installmousehook(const KBHookTarget* target) {
    return capture.install(capture.mouse(), target);
}

KBHOOK_EXPORT int enablehook(int enable) { return capture.enable(capture.keys(), enable != 0) ? 1 : 0; }

KBHOOK_EXPORT int enablemousehook(int enable) { return capture.enable(capture.mouse(), enable != 0) ? 1 : 0; }

KBHOOK_EXPORT void removehook() { capture.remove(capture.keys()); }

KBHOOK_EXPORT void removemousehook() { capture.remove(capture.mouse()); }
