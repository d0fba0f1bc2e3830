#pragma once
// The number fields of the function dialogs and what their menus show. How the values sit in a
// button record is shared/button_assignment's. Qt-free.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "shared/settings_rules.h"

namespace dialogs {

// ---- Number fields ----

// The text a number field is rewritten to while it is typed: the maximum for a value above the
// range, the minimum for one below it that more digits cannot bring into the range ("0", or "3"
// of 40..90; "2" of 10..250 may still become "20"); nothing when it is inside, or the field is
// empty (still being typed).
std::optional<std::string> limitedFieldText(std::string_view text, const settingsrules::Range& range);
// The value of a digits-only text, like the platform's integer parsing: digits up to the first
// non-digit, 0 without any; very long numbers stay very large instead of wrapping.
int fieldValue(std::string_view text);
// What a finished field stands for: its value snapped to the values the range holds.
inline int fieldValue(std::string_view text, const settingsrules::Range& range) { return range.snap(fieldValue(text)); }

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
