#include "platform/vk_keysym.h"

#include <X11/XF86keysym.h>
#include <X11/keysym.h>
#include <linux/input-event-codes.h>

#include <array>

namespace platform {
namespace {

// Sorted by virtual key. The generic modifiers (VK_SHIFT, VK_CONTROL, VK_MENU) map to the left
// key, as the system does when it synthesizes them. Punctuation follows the US layout.
constexpr VirtualKeyMapping kTable[] = {
    {0x03, XK_Cancel, KEY_CANCEL},
    {0x08, XK_BackSpace, KEY_BACKSPACE},
    {0x09, XK_Tab, KEY_TAB},
    {0x0C, XK_Clear, KEY_CLEAR},
    {0x0D, XK_Return, KEY_ENTER},
    {0x10, XK_Shift_L, KEY_LEFTSHIFT},
    {0x11, XK_Control_L, KEY_LEFTCTRL},
    {0x12, XK_Alt_L, KEY_LEFTALT},
    {0x13, XK_Pause, KEY_PAUSE},
    {0x14, XK_Caps_Lock, KEY_CAPSLOCK},
    {0x1B, XK_Escape, KEY_ESC},
    {0x20, XK_space, KEY_SPACE},
    {0x21, XK_Prior, KEY_PAGEUP},
    {0x22, XK_Next, KEY_PAGEDOWN},
    {0x23, XK_End, KEY_END},
    {0x24, XK_Home, KEY_HOME},
    {0x25, XK_Left, KEY_LEFT},
    {0x26, XK_Up, KEY_UP},
    {0x27, XK_Right, KEY_RIGHT},
    {0x28, XK_Down, KEY_DOWN},
    {0x29, XK_Select, KEY_SELECT},
    {0x2A, XK_Print, KEY_PRINT},
    {0x2B, XK_Execute, KEY_OPEN},
    {0x2C, XK_Print, KEY_SYSRQ},
    {0x2D, XK_Insert, KEY_INSERT},
    {0x2E, XK_Delete, KEY_DELETE},
    {0x2F, XK_Help, KEY_HELP},
    {'0', XK_0, KEY_0},
    {'1', XK_1, KEY_1},
    {'2', XK_2, KEY_2},
    {'3', XK_3, KEY_3},
    {'4', XK_4, KEY_4},
    {'5', XK_5, KEY_5},
    {'6', XK_6, KEY_6},
    {'7', XK_7, KEY_7},
    {'8', XK_8, KEY_8},
    {'9', XK_9, KEY_9},
    {'A', XK_a, KEY_A},
    {'B', XK_b, KEY_B},
    {'C', XK_c, KEY_C},
    {'D', XK_d, KEY_D},
    {'E', XK_e, KEY_E},
    {'F', XK_f, KEY_F},
    {'G', XK_g, KEY_G},
    {'H', XK_h, KEY_H},
    {'I', XK_i, KEY_I},
    {'J', XK_j, KEY_J},
    {'K', XK_k, KEY_K},
    {'L', XK_l, KEY_L},
    {'M', XK_m, KEY_M},
    {'N', XK_n, KEY_N},
    {'O', XK_o, KEY_O},
    {'P', XK_p, KEY_P},
    {'Q', XK_q, KEY_Q},
    {'R', XK_r, KEY_R},
    {'S', XK_s, KEY_S},
    {'T', XK_t, KEY_T},
    {'U', XK_u, KEY_U},
    {'V', XK_v, KEY_V},
    {'W', XK_w, KEY_W},
    {'X', XK_x, KEY_X},
    {'Y', XK_y, KEY_Y},
    {'Z', XK_z, KEY_Z},
    {0x5B, XK_Super_L, KEY_LEFTMETA},
    {0x5C, XK_Super_R, KEY_RIGHTMETA},
    {0x5D, XK_Menu, KEY_COMPOSE},
    {0x5F, XF86XK_Sleep, KEY_SLEEP},
    {0x60, XK_KP_0, KEY_KP0},
    {0x61, XK_KP_1, KEY_KP1},
    {0x62, XK_KP_2, KEY_KP2},
    {0x63, XK_KP_3, KEY_KP3},
    {0x64, XK_KP_4, KEY_KP4},
    {0x65, XK_KP_5, KEY_KP5},
    {0x66, XK_KP_6, KEY_KP6},
    {0x67, XK_KP_7, KEY_KP7},
    {0x68, XK_KP_8, KEY_KP8},
    {0x69, XK_KP_9, KEY_KP9},
    {0x6A, XK_KP_Multiply, KEY_KPASTERISK},
    {0x6B, XK_KP_Add, KEY_KPPLUS},
    {0x6C, XK_KP_Separator, KEY_KPCOMMA},
    {0x6D, XK_KP_Subtract, KEY_KPMINUS},
    {0x6E, XK_KP_Decimal, KEY_KPDOT},
    {0x6F, XK_KP_Divide, KEY_KPSLASH},
    {0x70, XK_F1, KEY_F1},
    {0x71, XK_F2, KEY_F2},
    {0x72, XK_F3, KEY_F3},
    {0x73, XK_F4, KEY_F4},
    {0x74, XK_F5, KEY_F5},
    {0x75, XK_F6, KEY_F6},
    {0x76, XK_F7, KEY_F7},
    {0x77, XK_F8, KEY_F8},
    {0x78, XK_F9, KEY_F9},
    {0x79, XK_F10, KEY_F10},
    {0x7A, XK_F11, KEY_F11},
    {0x7B, XK_F12, KEY_F12},
    {0x7C, XK_F13, KEY_F13},
    {0x7D, XK_F14, KEY_F14},
    {0x7E, XK_F15, KEY_F15},
    {0x7F, XK_F16, KEY_F16},
    {0x80, XK_F17, KEY_F17},
    {0x81, XK_F18, KEY_F18},
    {0x82, XK_F19, KEY_F19},
    {0x83, XK_F20, KEY_F20},
    {0x84, XK_F21, KEY_F21},
    {0x85, XK_F22, KEY_F22},
    {0x86, XK_F23, KEY_F23},
    {0x87, XK_F24, KEY_F24},
    {0x90, XK_Num_Lock, KEY_NUMLOCK},
    {0x91, XK_Scroll_Lock, KEY_SCROLLLOCK},
    {0xA0, XK_Shift_L, KEY_LEFTSHIFT},
    {0xA1, XK_Shift_R, KEY_RIGHTSHIFT},
    {0xA2, XK_Control_L, KEY_LEFTCTRL},
    {0xA3, XK_Control_R, KEY_RIGHTCTRL},
    {0xA4, XK_Alt_L, KEY_LEFTALT},
    {0xA5, XK_Alt_R, KEY_RIGHTALT},
    {0xA6, XF86XK_Back, KEY_BACK},
    {0xA7, XF86XK_Forward, KEY_FORWARD},
    {0xA8, XF86XK_Refresh, KEY_REFRESH},
    {0xA9, XF86XK_Stop, KEY_STOP},
    {0xAA, XF86XK_Search, KEY_SEARCH},
    {0xAB, XF86XK_Favorites, KEY_BOOKMARKS},
    {0xAC, XF86XK_HomePage, KEY_HOMEPAGE},
    {0xAD, XF86XK_AudioMute, KEY_MUTE},
    {0xAE, XF86XK_AudioLowerVolume, KEY_VOLUMEDOWN},
    {0xAF, XF86XK_AudioRaiseVolume, KEY_VOLUMEUP},
    {0xB0, XF86XK_AudioNext, KEY_NEXTSONG},
    {0xB1, XF86XK_AudioPrev, KEY_PREVIOUSSONG},
    {0xB2, XF86XK_AudioStop, KEY_STOPCD},
    {0xB3, XF86XK_AudioPlay, KEY_PLAYPAUSE},
    {0xB4, XF86XK_Mail, KEY_MAIL},
    {0xB5, XF86XK_AudioMedia, KEY_MEDIA},
    {0xB6, XF86XK_Launch0, KEY_PROG1},
    {0xB7, XF86XK_Launch1, KEY_PROG2},
    {0xBA, XK_semicolon, KEY_SEMICOLON},
    {0xBB, XK_equal, KEY_EQUAL},
    {0xBC, XK_comma, KEY_COMMA},
    {0xBD, XK_minus, KEY_MINUS},
    {0xBE, XK_period, KEY_DOT},
    {0xBF, XK_slash, KEY_SLASH},
    {0xC0, XK_grave, KEY_GRAVE},
    {0xDB, XK_bracketleft, KEY_LEFTBRACE},
    {0xDC, XK_backslash, KEY_BACKSLASH},
    {0xDD, XK_bracketright, KEY_RIGHTBRACE},
    {0xDE, XK_apostrophe, KEY_APOSTROPHE},
    {0xE2, XK_less, KEY_102ND},
};

// Direct index by virtual key, built once from the sorted table.
struct Index {
    std::array<int16_t, 256> slot{};
    constexpr Index() {
        for (auto& s : slot) s = -1;
        for (size_t i = 0; i < std::size(kTable); ++i) slot[kTable[i].virtualKey] = static_cast<int16_t>(i);
    }
};
constexpr Index kIndex;

const VirtualKeyMapping* find(uint8_t vk) {
    int16_t i = kIndex.slot[vk];
    return i < 0 ? nullptr : &kTable[i];
}

}  // namespace

std::span<const VirtualKeyMapping> virtualKeyTable() { return kTable; }

uint32_t keysymForVirtualKey(uint8_t virtualKey) {
    const VirtualKeyMapping* m = find(virtualKey);
    return m ? m->keysym : 0;
}

uint16_t linuxKeyCodeForVirtualKey(uint8_t virtualKey) {
    const VirtualKeyMapping* m = find(virtualKey);
    return m ? m->linuxCode : 0;
}

}  // namespace platform
