#pragma once
// A focused X window that records the key events it receives, for the tests that check that
// synthesized keys arrive on a display.
#include <X11/Xlib.h>
#include <poll.h>

#include <vector>

namespace actions_test {

struct KeySeen {
    int type;       // KeyPress or KeyRelease
    KeySym sym;     // level-0 keysym
    unsigned state; // modifier state at the event
    unsigned keycode;
};

// Maps a window on the display's root, waits until it is shown and gives it the input focus.
inline ::Window focusedWindow(Display* display) {
    ::Window w = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 100, 100, 0, 0, 0);
    XSelectInput(display, w, KeyPressMask | KeyReleaseMask | StructureNotifyMask);
    XMapWindow(display, w);
    XEvent ev;
    do XNextEvent(display, &ev);
    while (ev.type != MapNotify);
    XSetInputFocus(display, w, RevertToParent, CurrentTime);
    XSync(display, False);
    return w;
}

// The next `count` key events, waiting at most timeoutMs for each; fewer when they do not come.
inline std::vector<KeySeen> keyEvents(Display* display, size_t count, int timeoutMs = 10000) {
    std::vector<KeySeen> keys;
    while (keys.size() < count) {
        if (!XPending(display)) {
            pollfd pfd{ConnectionNumber(display), POLLIN, 0};
            if (poll(&pfd, 1, timeoutMs) <= 0) break;
            continue;
        }
        XEvent ev;
        XNextEvent(display, &ev);
        if (ev.type == KeyPress || ev.type == KeyRelease)
            keys.push_back({ev.type, XLookupKeysym(&ev.xkey, 0), ev.xkey.state, ev.xkey.keycode});
    }
    return keys;
}

}  // namespace actions_test
