#pragma once
// A Qt key event as the key message it stands for: the Windows virtual key and the flags the
// capture reads (scan code of Shift, extended flag of the right Ctrl and Alt and of the keypad's
// Enter, repeat flag). Under X11 and Wayland the physical key (the event's native scan code, the
// evdev code + 8) decides; elsewhere the Qt key, with the native keysym telling right from left.
#include <cstdint>

class QKeyEvent;

namespace dialogs {

struct KeyMessage {
    uint32_t virtualKey = 0;  // 0: a key without a virtual key
    uint32_t flags = 0;
};

KeyMessage keyMessageOf(const QKeyEvent& event);

// The virtual key of a Qt key (US positions for punctuation; keypad keys with keypad set); 0 for none.
uint32_t virtualKeyOfQtKey(int qtKey, bool keypad);

}  // namespace dialogs
