#include "panel/dialogs/key_events.h"

#include <QGuiApplication>
#include <QKeyEvent>

#include "panel/dialogs/key_capture.h"

namespace dialogs {
namespace {

// X keysyms of the right-hand modifiers and the keypad's Enter.
constexpr quint32 kKeysymShiftRight = 0xFFE2;
constexpr quint32 kKeysymControlRight = 0xFFE4;
constexpr quint32 kKeysymAltRight = 0xFFEA;
constexpr quint32 kKeysymLevel3Shift = 0xFE03;  // AltGr
constexpr uint32_t kScanLeftShift = 0x2A, kScanRightShift = 0x36;

bool nativeScanCodesAreEvdev() {
    const QString name = QGuiApplication::platformName();
    return name == QLatin1String("xcb") || name.startsWith(QLatin1String("wayland"));
}

}  // namespace

uint32_t virtualKeyOfQtKey(int key, bool keypad) {
    if (keypad) {
        if (key >= Qt::Key_0 && key <= Qt::Key_9) return 0x60 + (key - Qt::Key_0);
        switch (key) {
        case Qt::Key_Asterisk: return 0x6A;
        case Qt::Key_Plus: return 0x6B;
        case Qt::Key_Minus: return 0x6D;
        case Qt::Key_Period:
        case Qt::Key_Comma: return 0x6E;
        case Qt::Key_Slash: return 0x6F;
        default: break;
        }
    }
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z)) return static_cast<uint32_t>(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 0x70 + (key - Qt::Key_F1);
    struct Pair {
        int qt;
        uint32_t vk;
    };
    static constexpr Pair kKeys[] = {
        {Qt::Key_Backspace, 0x08}, {Qt::Key_Tab, 0x09}, {Qt::Key_Backtab, 0x09}, {Qt::Key_Clear, 0x0C},
        {Qt::Key_Return, 0x0D}, {Qt::Key_Enter, 0x0D}, {Qt::Key_Shift, 0x10}, {Qt::Key_Control, 0x11},
        {Qt::Key_Alt, 0x12}, {Qt::Key_AltGr, 0x12}, {Qt::Key_Pause, 0x13}, {Qt::Key_CapsLock, 0x14},
        {Qt::Key_Escape, 0x1B}, {Qt::Key_Space, 0x20}, {Qt::Key_PageUp, 0x21}, {Qt::Key_PageDown, 0x22},
        {Qt::Key_End, 0x23}, {Qt::Key_Home, 0x24}, {Qt::Key_Left, 0x25}, {Qt::Key_Up, 0x26},
        {Qt::Key_Right, 0x27}, {Qt::Key_Down, 0x28}, {Qt::Key_Select, 0x29}, {Qt::Key_Execute, 0x2B},
        {Qt::Key_Print, 0x2C}, {Qt::Key_Insert, 0x2D}, {Qt::Key_Delete, 0x2E}, {Qt::Key_Help, 0x2F},
        {Qt::Key_Meta, 0x5B}, {Qt::Key_Super_L, 0x5B}, {Qt::Key_Super_R, 0x5C}, {Qt::Key_Menu, 0x5D},
        {Qt::Key_NumLock, 0x90}, {Qt::Key_ScrollLock, 0x91}, {Qt::Key_VolumeMute, 0xAD},
        {Qt::Key_VolumeDown, 0xAE}, {Qt::Key_VolumeUp, 0xAF}, {Qt::Key_MediaNext, 0xB0},
        {Qt::Key_MediaPrevious, 0xB1}, {Qt::Key_MediaStop, 0xB2}, {Qt::Key_MediaTogglePlayPause, 0xB3},
        {Qt::Key_MediaPlay, 0xB3},
        // Punctuation at its US position, also as the shifted symbol of that key.
        {Qt::Key_Semicolon, 0xBA}, {Qt::Key_Colon, 0xBA}, {Qt::Key_Equal, 0xBB}, {Qt::Key_Plus, 0xBB},
        {Qt::Key_Comma, 0xBC}, {Qt::Key_Less, 0xBC}, {Qt::Key_Minus, 0xBD}, {Qt::Key_Underscore, 0xBD},
        {Qt::Key_Period, 0xBE}, {Qt::Key_Greater, 0xBE}, {Qt::Key_Slash, 0xBF}, {Qt::Key_Question, 0xBF},
        {Qt::Key_QuoteLeft, 0xC0}, {Qt::Key_AsciiTilde, 0xC0}, {Qt::Key_BracketLeft, 0xDB},
        {Qt::Key_BraceLeft, 0xDB}, {Qt::Key_Backslash, 0xDC}, {Qt::Key_Bar, 0xDC},
        {Qt::Key_BracketRight, 0xDD}, {Qt::Key_BraceRight, 0xDD}, {Qt::Key_Apostrophe, 0xDE},
        {Qt::Key_QuoteDbl, 0xDE}, {Qt::Key_Exclam, '1'}, {Qt::Key_At, '2'}, {Qt::Key_NumberSign, '3'},
        {Qt::Key_Dollar, '4'}, {Qt::Key_Percent, '5'}, {Qt::Key_AsciiCircum, '6'}, {Qt::Key_Ampersand, '7'},
        {Qt::Key_Asterisk, '8'}, {Qt::Key_ParenLeft, '9'}, {Qt::Key_ParenRight, '0'},
    };
    for (const Pair& p : kKeys)
        if (p.qt == key) return p.vk;
    return 0;
}

KeyMessage keyMessageOf(const QKeyEvent& event) {
    KeyMessage m;
    const quint32 scan = event.nativeScanCode();
    if (!(scan > 8 && nativeScanCodesAreEvdev() && virtualKeyOfEvdev(scan - 8, &m.virtualKey, &m.flags))) {
        m.virtualKey = virtualKeyOfQtKey(event.key(), event.modifiers() & Qt::KeypadModifier);
        const quint32 keysym = event.nativeVirtualKey();
        switch (event.key()) {
        case Qt::Key_Shift: m.flags = keysym == kKeysymShiftRight ? kScanRightShift : kScanLeftShift; break;
        case Qt::Key_Control: m.flags = keysym == kKeysymControlRight ? kKeyExtended : 0; break;
        case Qt::Key_Alt: m.flags = keysym == kKeysymAltRight || keysym == kKeysymLevel3Shift ? kKeyExtended : 0; break;
        case Qt::Key_AltGr: m.flags = kKeyExtended; break;
        case Qt::Key_Enter: m.flags = kKeyExtended; break;
        default: break;
        }
    }
    if (event.isAutoRepeat()) m.flags |= kKeyRepeat;
    return m;
}

}  // namespace dialogs
