#include "hook/raw_event_mapping.h"

#include <X11/X.h>
#include <X11/keysym.h>

#include "platform/vk_keysym.h"

namespace kbhook {
namespace {

struct KeyOverride {
    uint32_t keysym;
    uint8_t code;
    bool extended;
};

// Keys whose virtual key or flag the plain table does not give: the table maps the left modifier
// keysyms to the generic VK_SHIFT/VK_CONTROL/VK_MENU and knows nothing of the extended flag, and
// the keypad's digit keys report their navigation keysyms on the first level.
constexpr KeyOverride kOverrides[] = {
    {XK_Shift_L, 160, false},
    {XK_Shift_R, 161, false},
    {XK_Control_L, 162, false},
    {XK_Control_R, 163, true},
    {XK_Alt_L, 164, false},
    {XK_Meta_L, 164, false},
    {XK_Alt_R, 165, true},
    {XK_Meta_R, 165, true},
    {XK_ISO_Level3_Shift, 165, true},  // AltGr
    {XK_Super_L, 91, true},
    {XK_Super_R, 92, true},
    {XK_Menu, 93, true},
    {XK_KP_Enter, 13, true},
    {XK_KP_Divide, 111, true},
    {XK_Num_Lock, 144, true},
    // Print Screen: the table's VK_PRINT, which the key tables pair with the Print Screen usage.
    {XK_Print, 42, true},
    {XK_Insert, 45, true},
    {XK_Delete, 46, true},
    {XK_Home, 36, true},
    {XK_End, 35, true},
    {XK_Prior, 33, true},
    {XK_Next, 34, true},
    {XK_Left, 37, true},
    {XK_Up, 38, true},
    {XK_Right, 39, true},
    {XK_Down, 40, true},
    {XK_KP_Insert, 96, false},
    {XK_KP_End, 97, false},
    {XK_KP_Down, 98, false},
    {XK_KP_Next, 99, false},
    {XK_KP_Left, 100, false},
    {XK_KP_Begin, 101, false},
    {XK_KP_Right, 102, false},
    {XK_KP_Home, 103, false},
    {XK_KP_Up, 104, false},
    {XK_KP_Prior, 105, false},
    {XK_KP_Delete, 110, false},
};

// evdev keycodes are the Linux key codes plus 8.
constexpr uint32_t kEvdevKeycodeOffset = 8;

}  // namespace

VirtualKey virtualKeyForKey(uint32_t keysym, uint32_t keycode) {
    for (const KeyOverride& o : kOverrides)
        if (o.keysym == keysym) return {o.code, o.extended};
    // The table names letters by their lower-case keysym.
    if (keysym >= XK_A && keysym <= XK_Z) keysym += XK_a - XK_A;
    const auto table = platform::virtualKeyTable();
    if (keysym != NoSymbol)
        for (const platform::VirtualKeyMapping& m : table)
            if (m.keysym == keysym) return {m.virtualKey, false};
    if (keycode <= kEvdevKeycodeOffset) return {};
    // The physical key; the last match prefers the sided modifiers over the generic ones.
    const uint32_t linuxCode = keycode - kEvdevKeycodeOffset;
    VirtualKey found;
    for (const platform::VirtualKeyMapping& m : table)
        if (m.linuxCode == linuxCode) found.code = m.virtualKey;
    return found;
}

std::optional<Report> keyReport(uint32_t keysym, uint32_t keycode, bool press) {
    const VirtualKey vk = virtualKeyForKey(keysym, keycode);
    if (vk.code == 0) return std::nullopt;
    const int64_t flags = (vk.extended ? kExtendedFlag : 0) | (press ? 0 : kReleaseFlag);
    return Report{kKeyMessage, vk.code, flags};
}

int64_t mouseMessageForButton(uint32_t button, bool press) {
    switch (button) {
    case 1: return press ? kLeftButtonDown : kLeftButtonUp;
    case 2: return press ? kMiddleButtonDown : kMiddleButtonUp;
    case 3: return press ? kRightButtonDown : kRightButtonUp;
    default: return 0;
    }
}

}  // namespace kbhook
