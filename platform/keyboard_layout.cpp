#include "platform/keyboard_layout.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <cstdlib>
#include <mutex>

#include "platform/diagnostics.h"

namespace platform {
namespace {

// Evdev key number of the physical key that carries the virtual key on a US keyboard; the X
// keycode is that number + 8. Only the keys whose character depends on the layout are listed.
uint32_t evdevKeyForVirtualKey(uint32_t vk) {
    static constexpr uint8_t kLetters[26] = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                                             49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};
    if (vk >= 'A' && vk <= 'Z') return kLetters[vk - 'A'];
    if (vk >= '1' && vk <= '9') return 2 + (vk - '1');
    switch (vk) {
        case '0': return 11;
        case 32: return 57;    // space
        case 186: return 39;   // ;
        case 187: return 13;   // =
        case 188: return 51;   // ,
        case 189: return 12;   // -
        case 190: return 52;   // .
        case 191: return 53;   // /
        case 192: return 41;   // `
        case 219: return 26;   // [
        case 220: return 43;   // backslash
        case 221: return 27;   // ]
        case 222: return 40;   // '
        case 226: return 86;   // the extra key of 102-key keyboards
        default: return 0;
    }
}

// Code point of a keysym: Latin-1 keysyms equal their code point, Unicode keysyms carry it
// with 0x01000000. Other legacy keysyms are not converted (0).
uint32_t codePointOfKeysym(KeySym sym) {
    if ((sym >= 0x20 && sym <= 0x7E) || (sym >= 0xA0 && sym <= 0xFF)) return static_cast<uint32_t>(sym);
    if ((sym & 0xFF000000UL) == 0x01000000UL) {
        uint32_t cp = static_cast<uint32_t>(sym & 0x00FFFFFFUL);
        return cp <= 0x10FFFF ? cp : 0;
    }
    return 0;
}

struct DisplayState {
    std::mutex mutex;
    Display* display = nullptr;
    bool decided = false;  // true once an open was attempted (successfully or not)
};

DisplayState& state() {
    static DisplayState s;
    return s;
}

// Caller holds the mutex.
Display* displayLocked(DisplayState& s) {
    if (s.decided) return s.display;
    s.decided = true;
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) return nullptr;
    s.display = XOpenDisplay(name);
    if (!s.display) {
        debugPrintf("keyboard layout: cannot open display %s, using the US layout", name);
        return nullptr;
    }
    int opcode = 0, event = 0, error = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
    if (!XkbQueryExtension(s.display, &opcode, &event, &error, &major, &minor)) {
        debugLine("keyboard layout: no XKEYBOARD extension, using the US layout");
        XCloseDisplay(s.display);
        s.display = nullptr;
        return nullptr;
    }
    // Layout changes arrive as events; draining them before each lookup refreshes Xlib's map.
    XkbSelectEvents(s.display, XkbUseCoreKbd, XkbMapNotifyMask | XkbNewKeyboardNotifyMask,
                    XkbMapNotifyMask | XkbNewKeyboardNotifyMask);
    return s.display;
}

uint32_t lookUpInX(Display* dpy, uint32_t evdevKey) {
    while (XPending(dpy) > 0) {
        XEvent ev;
        XNextEvent(dpy, &ev);
    }
    XkbStateRec xs{};
    int group = 0;
    if (XkbGetState(dpy, XkbUseCoreKbd, &xs) == Success) group = xs.group;
    const KeyCode keycode = static_cast<KeyCode>(evdevKey + 8);
    KeySym sym = XkbKeycodeToKeysym(dpy, keycode, group, 0);
    if (sym == NoSymbol && group != 0) sym = XkbKeycodeToKeysym(dpy, keycode, 0, 0);
    if (sym == NoSymbol) return 0;
    KeySym lower = NoSymbol, upper = NoSymbol;
    XConvertCase(sym, &lower, &upper);
    if (upper != NoSymbol) sym = upper;
    return codePointOfKeysym(sym);
}

}  // namespace

uint32_t usLayoutCharacter(uint32_t vk) {
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return vk;
    if (vk >= 96 && vk <= 105) return '0' + (vk - 96);  // keypad digits
    switch (vk) {
        case 8: return 8;      // backspace
        case 9: return 9;      // tab
        case 13: return 13;    // enter
        case 27: return 27;    // escape
        case 32: return ' ';
        case 106: return '*';
        case 107: return '+';
        case 109: return '-';
        case 110: return '.';
        case 111: return '/';
        case 186: return ';';
        case 187: return '=';
        case 188: return ',';
        case 189: return '-';
        case 190: return '.';
        case 191: return '/';
        case 192: return '`';
        case 219: return '[';
        case 220: return '\\';
        case 221: return ']';
        case 222: return '\'';
        case 226: return '\\';
        default: return 0;
    }
}

uint32_t characterForVirtualKey(uint32_t vk) {
    const uint32_t evdevKey = evdevKeyForVirtualKey(vk);
    if (evdevKey != 0) {
        DisplayState& s = state();
        std::lock_guard<std::mutex> lock(s.mutex);
        if (Display* dpy = displayLocked(s)) {
            if (uint32_t cp = lookUpInX(dpy, evdevKey)) return cp;
        }
    }
    return usLayoutCharacter(vk);
}

void closeKeyboardLayoutDisplay() {
    DisplayState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.display) XCloseDisplay(s.display);
    s.display = nullptr;
    s.decided = false;
}

}  // namespace platform
