#pragma once
// One table from Windows virtual-key codes to the two key namings of this desktop: the X keysym
// (for XTest, looked up in the active layout) and the Linux input event code (for uinput, the
// physical key of a US keyboard). Shared by every module that synthesizes or names keys.
#include <cstdint>
#include <span>

namespace platform {

struct VirtualKeyMapping {
    uint8_t virtualKey;
    uint32_t keysym;     // X keysym; letters use their lower-case keysym (same physical key)
    uint16_t linuxCode;  // KEY_* of linux/input-event-codes.h
};

// Every mapped virtual key once, in ascending virtual-key order.
std::span<const VirtualKeyMapping> virtualKeyTable();

// X keysym of the virtual key, 0 when the key is not in the table.
uint32_t keysymForVirtualKey(uint8_t virtualKey);

// Linux input event code of the virtual key, 0 when the key is not in the table.
uint16_t linuxKeyCodeForVirtualKey(uint8_t virtualKey);

}  // namespace platform
