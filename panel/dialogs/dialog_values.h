#pragma once
// The number fields of the function dialogs and what their menus show. How the values sit in a
// button record is shared/button_assignment's. Qt-free.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dialogs {

// ---- Number fields ----

// The text a number field is rewritten to when its value leaves [minimum, maximum] ("255" for 300,
// "1" for 0 with minimum 1); nothing when it is inside, or the field is empty (still being typed).
std::optional<std::string> limitedFieldText(std::string_view text, int minimum, int maximum);
// The value of a digits-only text, like the platform's integer parsing: digits up to the first
// non-digit, 0 without any; very long numbers stay very large instead of wrapping.
int fieldValue(std::string_view text);

// ---- Rapid fire ----

inline constexpr int kShotsMaximum = 255;
// The record byte holds 0..255, so the interval field stops there as well: a larger number would
// be stored as another value (its low 8 bits).
inline constexpr int kIntervalMaximum = 255;
inline constexpr int kSpeedMinimum = 10;
inline constexpr int kSpeedMaximum = 200;

// ---- DPI shift ----

// "250", "500", "750", "1000" for items 1..4; "" otherwise.
std::string dpiShiftText(int item);

// ---- X-shoot: the output menu ----

enum XShootItem : int { kOutputLeft = 1, kOutputRight = 2, kOutputMiddle = 3, kOutputKeyboard = 4 };

// Output byte of a mouse-button item (1..3), 0 for the keyboard.
uint8_t outputOfItem(int item);
// The item an output byte shows: 129, 130, 132 the buttons, anything else the keyboard.
int itemOfOutput(uint8_t output);

}  // namespace dialogs
