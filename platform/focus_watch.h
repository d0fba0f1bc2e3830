#pragma once
// The focused program of an X11 session: the root window's _NET_ACTIVE_WINDOW, that window's
// _NET_WM_PID and the process's executable (/proc/PID/exe).
//
// The watcher has an X connection of its own, registered as a file descriptor with the event
// loop, and asks for property-change events of the root window only: it runs when the window
// manager announces another active window (or changes another root property) and never
// otherwise, so an unchanging desktop costs no wake-up.
//
// Not started in a Wayland session (XDG_SESSION_TYPE "wayland", or WAYLAND_DISPLAY set): there
// XWayland's active window says nothing about native programs. Nor without an X display.
#include <functional>
#include <memory>
#include <string>

#include "platform/event_loop.h"

namespace platform {

// True in a Wayland session (XDG_SESSION_TYPE "wayland", or WAYLAND_DISPLAY set): isWaylandSession
// (key_synthesis.h) for these variables, or for this process's.
bool waylandSession(const char* sessionType, const char* waylandDisplay);
bool waylandSession();

// Why the focused program cannot be watched in a session with these variables ("" when it can).
std::string focusWatchUnavailableReason(const char* sessionType, const char* waylandDisplay, const char* display);
// The same for this process's environment.
std::string focusWatchUnavailableReason();

class FocusWatcher {
public:
    // Runs on the loop's thread each time another window becomes active, with its program's
    // executable: "" when it is unknown (no _NET_WM_PID, a process of another machine or user).
    // No active window at all (a moment between two windows) reports nothing.
    using Callback = std::function<void(const std::string& executable)>;

    virtual ~FocusWatcher() = default;
};

// Opens the display of $DISPLAY and starts watching; reports the window active now before it
// returns. nullptr with *reason set when this session has no focus to watch or the display cannot
// be opened. A connection lost later (the X server ended) stops the watcher with one diagnostics
// line.
std::unique_ptr<FocusWatcher> watchFocusedProgram(Reactor& loop, FocusWatcher::Callback onChange, std::string* reason);

}  // namespace platform
