#include "panel/dialogs/dialog_values.h"

#include <algorithm>
#include <cstring>

#include "shared/function_codes.h"

namespace dialogs {

int fieldValue(std::string_view text) {
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        value = std::min<long long>(value * 10 + (c - '0'), 1'000'000'000);
    }
    return static_cast<int>(value);
}

std::optional<std::string> limitedFieldText(std::string_view text, int minimum, int maximum) {
    if (text.empty()) return std::nullopt;
    const int value = fieldValue(text);
    if (value < minimum) return std::to_string(minimum);
    if (value > maximum) return std::to_string(maximum);
    return std::nullopt;
}

RapidFire readRapidFire(const ButtonRecord& record) {
    if (record.code != kCodeRapidFire) return {};
    return {record.byte(2), record.byte(3), record.byte(5)};
}

void writeRapidFire(ButtonRecord& record, const RapidFire& values) {
    record.byte(2) = static_cast<uint8_t>(values.shots & 0xFF);
    record.byte(3) = static_cast<uint8_t>(values.interval & 0xFF);
    record.byte(5) = static_cast<uint8_t>(values.speed & 0xFF);
}

const char* dpiShiftText(int item) {
    static const char* const kTexts[kDpiShiftItems] = {"250", "500", "750", "1000"};
    return item >= 1 && item <= kDpiShiftItems ? kTexts[item - 1] : "";
}

int currentDpiShift(const ButtonRecord& record) {
    const int item = record.byte(2);
    return record.code == kCodeDpiShift && item >= 1 && item <= kDpiShiftItems ? item : 1;
}

uint8_t outputOfItem(int item) {
    switch (item) {
    case kOutputLeft: return kOutputLeftButton;
    case kOutputRight: return kOutputRightButton;
    case kOutputMiddle: return kOutputMiddleButton;
    default: return 0;
    }
}

int itemOfOutput(uint8_t output) {
    switch (output) {
    case kOutputLeftButton: return kOutputLeft;
    case kOutputRightButton: return kOutputRight;
    case kOutputMiddleButton: return kOutputMiddle;
    default: return kOutputKeyboard;
    }
}

XShoot readXShoot(const ButtonRecord& record) {
    if (record.code != kCodeXShoot) return {};
    const uint8_t output = record.byte(5);
    return {record.byte(2), record.byte(3), itemOfOutput(output), output, true};
}

void writeXShoot(ButtonRecord& record, int shots, int interval, uint8_t output) {
    auto stored = [](int v) { return static_cast<uint8_t>(v <= 0 || v >= 256 ? 1 : v); };
    record.code = kCodeXShoot;
    record.byte(2) = stored(shots);
    record.byte(3) = stored(interval);
    std::memset(&record.byte(4), 0, 120);
    record.byte(5) = output;
}

}  // namespace dialogs
