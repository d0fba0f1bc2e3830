#include "skin/slider_math.h"

#include <algorithm>
#include <cstdint>

namespace skin {

int sliderValueFromPosition(int x, int left, int right, int thumbWidth, int minimum, int maximum) {
    const int64_t span = int64_t(right) - thumbWidth - left;
    const int64_t range = int64_t(maximum) - minimum;
    if (span <= 0 || range <= 0) return minimum;
    const int64_t offset = int64_t(x) - left;
    int64_t value = minimum + offset * range / span;
    const int64_t step = (int64_t(right) - left) / range;
    if (offset - step * (value - 1) > step / 2) ++value;
    return int(std::clamp<int64_t>(value, minimum, maximum));
}

int sliderPositionFromValue(int value, int left, int right, int thumbWidth, int minimum, int maximum) {
    const int64_t span = int64_t(right) - left - thumbWidth;
    const int64_t range = int64_t(maximum) - minimum;
    if (span <= 0 || range <= 0) return left;
    if (value < minimum || value > maximum) value = minimum;
    return int(left + span * (int64_t(value) - minimum) / range);
}

}  // namespace skin
