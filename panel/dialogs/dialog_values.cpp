#include "panel/dialogs/dialog_values.h"

#include <algorithm>

#include "shared/button_assignment.h"
#include "shared/settings_rules.h"

namespace dialogs {

int fieldValue(std::string_view text) {
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        value = std::min<long long>(value * 10 + (c - '0'), 1'000'000'000);
    }
    return static_cast<int>(value);
}

std::optional<std::string> limitedFieldText(std::string_view text, const settingsrules::Range& range) {
    if (text.empty()) return std::nullopt;
    const long long value = fieldValue(text);
    if (value > range.maximum) return std::to_string(range.maximum);
    if (value >= range.minimum) return std::nullopt;
    // Below the range: kept while appending digits can still reach it (a leading 0 adds nothing).
    for (long long low = value * 10, high = value * 10 + 9; value > 0 && low <= range.maximum; low *= 10, high = high * 10 + 9)
        if (high >= range.minimum) return std::nullopt;
    return std::to_string(range.minimum);
}

std::string dpiShiftText(int item) {
    const int dpi = settingsrules::dpiShiftDpi(item);
    return dpi != 0 ? std::to_string(dpi) : std::string();
}

uint8_t outputOfItem(int item) {
    switch (item) {
    case kOutputLeft: return assignment::kOutputLeftButton;
    case kOutputRight: return assignment::kOutputRightButton;
    case kOutputMiddle: return assignment::kOutputMiddleButton;
    default: return 0;
    }
}

int itemOfOutput(uint8_t output) {
    switch (output) {
    case assignment::kOutputLeftButton: return kOutputLeft;
    case assignment::kOutputRightButton: return kOutputRight;
    case assignment::kOutputMiddleButton: return kOutputMiddle;
    default: return kOutputKeyboard;
    }
}

}  // namespace dialogs
