#pragma once
// The key list of the key dialog (CBaseKeyPressDlg's capture and CKeyExDlg's value), Qt-free:
// which keyboard messages are captured, how the virtual key is normalised and the text the display
// shows. The list goes into a button record as assignment::KeyList (shared/button_assignment).
#include <cstdint>
#include <string>
#include <vector>

#include "shared/button_assignment.h"
#include "shared/settings_record.h"

namespace dialogs {

// The high word of a key message's lParam, as far as the capture reads it.
inline constexpr uint32_t kKeyScanCodeMask = 0xFF;
inline constexpr uint32_t kKeyExtended = 0x100;
inline constexpr uint32_t kKeyRepeat = 0x4000;

inline constexpr int kMaxKeyEntries = assignment::kMaxKeyStrokes;

struct KeyEntry {
    int32_t key = 0;       // normalised virtual key
    int32_t released = 0;  // 0 press, 1 release
    int32_t delay = 0;     // 2 ms units
    bool operator==(const KeyEntry&) const = default;
};

// Ctrl and Alt become their left (right with the extended flag) keys, Shift its left or right key
// by scan code (0x2A, 0x36), Enter with the extended flag the keypad's Enter (108).
uint32_t normaliseVirtualKey(uint32_t virtualKey, uint32_t flags);

// The HID usage the mouse sends for a virtual key; 0 when it has none.
uint32_t usageOfKey(uint32_t virtualKey);

// What the dialog's message filter does with a key message.
enum class KeyRoute {
    Pass,             // not captured; normal handling
    CaptureAndPass,   // captured, then normal handling (Tab moves the focus, Enter presses OK, ...)
    CaptureAndEat,    // captured and consumed (Space: it would press the focused button)
    Eat,              // consumed, not captured (a held Space)
};
KeyRoute routeKeyDown(uint32_t virtualKey, uint32_t flags);
KeyRoute routeKeyUp(uint32_t virtualKey);

// The key of a physical key (Linux evdev code) as a key message gives it: the generic Shift, Ctrl
// and Alt with their scan code or extended flag, Enter and keypad Enter; false for unknown keys.
bool virtualKeyOfEvdev(uint32_t evdevCode, uint32_t* virtualKey, uint32_t* flags);

// The virtual key that types a character in the keyboard layout (VkKeyScan's low byte); the US
// layout's shifted symbols name their key. 0 when no key types it.
uint32_t virtualKeyForCharacter(char32_t character);

class KeyCapture {
public:
    explicit KeyCapture(bool singleKey = true) : singleKey_(singleKey) {}

    // Opening: the started flag cleared, the list filled from a key record (code 5; entries whose
    // usage has no key are left out; a count above 60, or above 1 in single-key mode, reads as none).
    void open(const ButtonRecord& record);
    // Opening without a stored key.
    void openEmpty();
    // The capture step with a raw virtual key and its message flags; true when an entry was added.
    // The list changes only then: a refused key (a release without its press, a key without a
    // usage, one past the limit) leaves it as it was.
    bool capture(uint32_t virtualKey, uint32_t flags, bool released);

    const std::vector<KeyEntry>& entries() const { return entries_; }
    bool singleKey() const { return singleKey_; }
    // Each press's name and a space ("Numl" for Num Lock), a delay as "(%dms)".
    std::string displayText() const;
    // The list as the button record keeps it: each entry's HID usage, release flag and delay.
    assignment::KeyList keyList() const;

private:
    bool singleKey_;
    bool started_ = false;
    std::vector<KeyEntry> entries_;
};

}  // namespace dialogs
