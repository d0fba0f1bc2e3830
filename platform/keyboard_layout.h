#pragma once
// The character a Windows virtual key produces with no modifier held (the MapVirtualKeyW +
// ToAscii pair with an all-zero keyboard state), letters upper-cased.
//
// Where an X display is reachable ($DISPLAY set, connection opened lazily on first use and kept
// for the process's life) the key is looked up in the active X keyboard layout: the virtual key
// names a physical key at its US position, and the layout's level-0 symbol of the current group
// gives the character. Without a display a built-in US layout table answers. Never blocks on a
// missing display and never fails hard.
#include <cstdint>

namespace platform {

// Unicode code point produced by the key, 0 when the key produces no character.
uint32_t characterForVirtualKey(uint32_t virtualKey);

// The built-in US layout alone (also the fallback for symbols the X lookup cannot convert).
uint32_t usLayoutCharacter(uint32_t virtualKey);

// Closes the display connection; the next lookup decides afresh from $DISPLAY.
void closeKeyboardLayoutDisplay();

}  // namespace platform
