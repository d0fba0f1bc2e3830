#pragma once
// Titled windows and the per-user message bus: FindWindowW, PostMessageW, SendMessageW, SetTimer.
//
// A Window is an object with an exact title and a handler
//     int64_t handler(uint32_t message, int64_t wParam, int64_t lParam)
// that runs on the thread of the Reactor the window was made with, one message at a time, in
// arrival order (posts and sends from one sender keep their order). create(title) registers the
// title on the bus: a SOCK_SEQPACKET Unix socket in the runtime folder (runtime_folder.h) whose
// file name is derived from the title (fileNameForTitle). Other processes reach it with the free
// functions below; windows of the same process are reached directly through their reactor.
//
// Rules the programs rely on:
// - WM_CLOSE (kWmClose) and WM_QUIT (kWmQuit) are ordinary messages: they are handed to the
//   handler like any other, and the program decides what they do (typically destroy the window
//   and quit its loop). Nothing in the bus closes a window by itself.
// - Timers (setTimer) arrive as kWmTimer with wParam = timer id and repeat until killTimer().
// - A send to a window of the calling thread runs the handler directly; a send to another thread
//   or process waits for the handler's result up to the time-out. While it waits the calling
//   thread handles nothing else, so two windows must not send to each other from their handlers
//   (notifications go by post, as the service does).
// - Peers of another uid are refused; malformed or oversized frames drop that connection only.
//   Idle connections are closed after a time-out, and a full connection table (or a process out
//   of descriptors) makes room by closing the connection idle the longest (connection_table.h).
// - A Window is created, used and destroyed on its reactor's thread, and destroyed before the
//   reactor. A process that forks must exec or _exit in the child (the child must not destroy
//   windows it inherited, which would remove the parent's registration).
//
// Service example:
//   platform::Window window(loop, [&](uint32_t m, int64_t w, int64_t l) { return onMessage(m, w, l); });
//   window.create("KORVANTEHidAgent");
//   window.setTimer(10001, 15000);                         // -> handler(kWmTimer, 10001, 0)
//   if (platform::findWindow("KORVANTE")) platform::postMessage("KORVANTE", 1285, 9, profile);
#include "platform/event_loop.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace platform {

inline constexpr uint32_t kWmClose = 0x0010;
inline constexpr uint32_t kWmQuit = 0x0012;
inline constexpr uint32_t kWmTimer = 0x0113;

// Generous, because the service's handlers block for seconds while they write the mouse.
inline constexpr uint32_t kDefaultSendTimeoutMs = 60000;

class Window {
public:
    using Handler = std::function<int64_t(uint32_t message, int64_t wParam, int64_t lParam)>;

    Window(Reactor& reactor, Handler handler);
    ~Window();  // destroy()
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Registers the title on the bus. False when a live window (of any process of this user)
    // already owns the title, or when the runtime folder or socket cannot be set up. A socket file
    // left by a dead process is replaced. A created window must be destroyed before re-creating.
    bool create(const std::string& title);

    // Unregisters the title (closes and removes the socket), drops pending messages and cancels
    // the timers. Safe inside the window's own handler; the handler is not called again.
    void destroy();

    bool isCreated() const;

    // Connections that send nothing for this long are closed (60 s unless changed); their senders
    // connect again with their next message. 0 keeps idle connections until the table is full,
    // when the one idle the longest makes room for a newcomer.
    void setIdleTimeout(uint32_t ms);
    const std::string& title() const;
    Reactor& reactor() const;

    // SetTimer/KillTimer: kWmTimer with wParam = id every `ms` until killed. Setting an existing id
    // restarts it with the new period. Work also before create(). Window's thread only.
    bool setTimer(uint32_t id, uint32_t ms);
    bool killTimer(uint32_t id);

    struct Core;  // shared with queued deliveries and connections, so they never outlive it unsafely

private:
    std::shared_ptr<Core> core_;
};

// FindWindowW: true when a window with exactly this title is alive (in this process, or its socket
// answers).
bool findWindow(const std::string& title);

// Whether a window of this title holds its name on the bus, without connecting to it: a quick
// look for a closing window, also one that has stopped answering. (A program killed without its
// clean-up may leave the name behind: this may say true for a window gone.)
bool windowNameHeld(const std::string& title);

// PostMessageW: queues the message for the window and returns at once; false when there is no such
// window or it cannot take the message. Only when a receiver has stopped reading and its queue
// (about a thousand frames, bounded by the kernel's socket buffer) is full does a post wait, at
// most 5 s, before it fails. Thread-safe.
bool postMessage(const std::string& title, uint32_t message, int64_t wParam = 0, int64_t lParam = 0);

// A post that never waits, for notifications from a loop that must keep serving (the service).
// The message is queued for the window and written as its socket takes it; a background thread
// waits for a window that has stopped reading (or accepting), and one that takes nothing for 5 s
// loses what is queued for it (one diagnostics line). Messages to one window keep their order.
// False when there is no such window. Thread-safe.
bool postNotification(const std::string& title, uint32_t message, int64_t wParam = 0, int64_t lParam = 0);

// SendMessageW: waits until the window's handler has run and stores its result in *result
// (when not null). False when there is no such window, the connection broke or the time-out
// passed. Thread-safe.
bool sendMessage(const std::string& title, uint32_t message, int64_t wParam = 0, int64_t lParam = 0,
                 int64_t* result = nullptr, uint32_t timeoutMs = kDefaultSendTimeoutMs);

}  // namespace platform
