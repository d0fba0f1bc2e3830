#pragma once
// The values of the rapid-fire, DPI shift and X-shoot dialogs and how they sit in a button record
// (byte 1 function code, bytes 2.. parameters). Qt-free.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "shared/settings_record.h"

namespace dialogs {

// ---- Number fields ----

// The text a number field is rewritten to when its value leaves [minimum, maximum] ("255" for 300,
// "1" for 0 with minimum 1); nothing when it is inside, or the field is empty (still being typed).
std::optional<std::string> limitedFieldText(std::string_view text, int minimum, int maximum);
// The value of a digits-only text, like the platform's integer parsing: digits up to the first
// non-digit, 0 without any; very long numbers stay very large instead of wrapping.
int fieldValue(std::string_view text);

// ---- Rapid fire (code 101): bytes 2, 3 and 5 ----

inline constexpr int kShotsMaximum = 255;
// The record byte holds 0..255, so the interval field stops there as well: a larger number would
// be stored as another value (its low 8 bits).
inline constexpr int kIntervalMaximum = 255;
inline constexpr int kSpeedMinimum = 10;
inline constexpr int kSpeedMaximum = 200;

struct RapidFire {
    int shots = 3;
    int interval = 10;
    int speed = 30;
};
// The record's values when it holds code 101, otherwise the defaults.
RapidFire readRapidFire(const ButtonRecord& record);
// Bytes 2, 3 and 5, each the low 8 bits of its value; nothing else.
void writeRapidFire(ButtonRecord& record, const RapidFire& values);

// ---- DPI shift (code 15): byte 2 = item 1..4 ----

inline constexpr int kDpiShiftItems = 4;
// "250", "500", "750", "1000" for items 1..4; "" otherwise.
const char* dpiShiftText(int item);
// The item a DPI shift button already holds (code 15, byte 2 in 1..4), else 1.
int currentDpiShift(const ButtonRecord& record);

// ---- X-shoot (code 9): bytes 2, 3 and 5 ----

enum XShootItem : int { kOutputLeft = 1, kOutputRight = 2, kOutputMiddle = 3, kOutputKeyboard = 4 };
inline constexpr uint8_t kOutputLeftButton = 0x81;
inline constexpr uint8_t kOutputRightButton = 0x82;
inline constexpr uint8_t kOutputMiddleButton = 0x84;

// Output byte of a mouse-button item (1..3), 0 for the keyboard.
uint8_t outputOfItem(int item);
// The item an output byte shows: 129, 130, 132 the buttons, anything else the keyboard.
int itemOfOutput(uint8_t output);

struct XShoot {
    int shots = 3;
    int interval = 10;
    int item = kOutputKeyboard;
    uint8_t output = 0;
    bool outputKnown = false;  // false: "Keyboard" without a key yet
};
// The record's values when it holds code 9, otherwise the defaults (keyboard, no key yet).
XShoot readXShoot(const ButtonRecord& record);
// Byte 1 = 9, bytes 2 and 3 (a value outside 1..255 stored as 1), bytes 4..123 cleared, byte 5.
void writeXShoot(ButtonRecord& record, int shots, int interval, uint8_t output);

}  // namespace dialogs
