#pragma once
// What the capture plugin reports for an X key or button: the Windows-style message, wParam and
// lParam the configuration window expects. Pure functions of the key's keysym and keycode or the
// button number; the X connection that produces them lives in kbhook.cpp.
#include <cstdint>
#include <optional>

namespace kbhook {

// A key went down or up: wParam = virtual-key code, lParam = key flags.
inline constexpr uint32_t kKeyMessage = 2258;
// A mouse button went down or up: wParam = mouse message, lParam = a value that differs between
// reports (the window compares it only to drop repeats).
inline constexpr uint32_t kMouseMessage = 5121;

// Key flags: bit 0 marks the extended keys (right Ctrl and Alt, the navigation block, keypad
// Enter and /, ...), bit 7 a release.
inline constexpr int64_t kExtendedFlag = 0x01;
inline constexpr int64_t kReleaseFlag = 0x80;

// Mouse messages.
inline constexpr int64_t kLeftButtonDown = 513;
inline constexpr int64_t kLeftButtonUp = 514;
inline constexpr int64_t kRightButtonDown = 516;
inline constexpr int64_t kRightButtonUp = 517;
inline constexpr int64_t kMiddleButtonDown = 519;
inline constexpr int64_t kMiddleButtonUp = 520;

struct VirtualKey {
    uint8_t code = 0;  // 0: the key has no virtual key
    bool extended = false;
};

// The virtual key of an X key, from the keysym of its first level in group 0: the sided
// modifiers (Shift 160/161, Ctrl 162/163, Alt 164/165, AltGr as right Alt, Super 91/92), keypad
// Enter as Enter (13) with the extended flag, the keypad's digit keys as Num0..Num9 whatever the
// Num Lock state, everything else from the virtual-key table of the platform. A keysym the table
// does not know (a letter of another layout) falls back to the physical key: the evdev keycode
// minus 8 is the Linux key code. code 0 when neither names a key.
VirtualKey virtualKeyForKey(uint32_t keysym, uint32_t keycode);

struct Report {
    uint32_t message;
    int64_t wParam;
    int64_t lParam;
    friend bool operator==(const Report&, const Report&) = default;
};

// The report of a key press or release; nothing for a key without a virtual key.
std::optional<Report> keyReport(uint32_t keysym, uint32_t keycode, bool press);

// The mouse message of X button 1 (left), 2 (middle) or 3 (right); 0 for the wheel (4 to 7), the
// side buttons and anything else, which are not reported.
int64_t mouseMessageForButton(uint32_t button, bool press);

}  // namespace kbhook
