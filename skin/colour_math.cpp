#include "skin/colour_math.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>

namespace skin {
namespace {

struct Anchor {
    int entry;
    uint32_t colour;
};
// The fixed points of the hue table; the entries between them are straight ramps.
constexpr std::array<Anchor, 7> kAnchors{{
    {2, 0x0500FF}, {30, 0xFF00FE}, {64, 0xFF0001}, {95, 0xFFFF00}, {130, 0x00FF02}, {162, 0x00FFFE}, {190, 0x0010FF},
}};

// Rounded to the nearest step, halves away from zero.
int ramp(int from, int to, int pos, int length) {
    const int num = (to - from) * pos * 2;
    return from + (num >= 0 ? num + length : num - length) / (2 * length);
}

}  // namespace

uint32_t hueEntry(int entry) {
    if (entry < 2 || entry > kHueEntries) return 0;  // entry 1 and anything outside the table
    for (size_t i = 1; i < kAnchors.size(); ++i) {
        const Anchor& a = kAnchors[i - 1];
        const Anchor& b = kAnchors[i];
        if (entry > b.entry) continue;
        const int pos = entry - a.entry, length = b.entry - a.entry;
        return makeColorRef(ramp(redOf(a.colour), redOf(b.colour), pos, length),
                            ramp(greenOf(a.colour), greenOf(b.colour), pos, length),
                            ramp(blueOf(a.colour), blueOf(b.colour), pos, length));
    }
    return kAnchors.back().colour;
}

uint32_t fieldColour(uint32_t hue, int x, int line) {
    line = std::clamp(line, 0, kFieldLines - 1);
    x = std::clamp(x, 0, kFieldEnd);
    // Subtracted in floating point before truncating, so the bottom line reaches 0 exactly.
    const double dark = line * 1.3350785340314135;
    const int grey = int(255.0 - dark);
    auto channel = [&](int c) {
        const int end = int(std::max(c - dark, 0.0));
        const int diff = (end - grey) * x * 2;
        return grey + (diff >= 0 ? diff + kFieldEnd : diff - kFieldEnd) / (2 * kFieldEnd);
    };
    return makeColorRef(channel(redOf(hue)), channel(greenOf(hue)), channel(blueOf(hue)));
}

int stepChannel(int value, bool up) {
    if (up) return value >= 254 ? 255 : value + 1;
    return value <= 1 ? 0 : value - 1;
}

std::string hexText(uint32_t colour) {
    char text[16];
    std::snprintf(text, sizeof text, "%02x%02x%02x", unsigned(redOf(colour)), unsigned(greenOf(colour)),
                  unsigned(blueOf(colour)));
    return text;
}

bool parseHexText(const std::string& text, uint32_t* colour) {
    if (text.size() != 6) return false;
    uint32_t value = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else return false;
        value = value << 4 | uint32_t(digit);
    }
    *colour = makeColorRef(int(value >> 16), int(value >> 8), int(value));
    return true;
}

FieldPoint locateColour(uint32_t colour, int hue) {
    const int channels[3] = {redOf(colour), greenOf(colour), blueOf(colour)};
    const int high = *std::max_element(channels, channels + 3), low = *std::min_element(channels, channels + 3);
    // A line darkens every channel by the same amount: the brightest channel gives the line, the
    // faintest one how far right of the grey edge the colour lies.
    const int line = std::clamp(int((255 - high) / 1.3350785340314135 + 0.5), 0, kFieldLines - 1);
    const int x = high == 0 ? 0 : std::clamp((high - low) * kFieldEnd / high, 0, kFieldEnd);
    if (high == low) return {hue, x, line};
    // The hue: the table entry that draws the colour nearest to it at that point.
    int best = hue, bestDistance = INT_MAX;
    for (int entry = 2; entry <= kHueEntries; ++entry) {
        const uint32_t drawn = fieldColour(hueEntry(entry), x, line);
        const int d[3] = {redOf(drawn) - channels[0], greenOf(drawn) - channels[1], blueOf(drawn) - channels[2]};
        const int distance = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
        if (distance < bestDistance) bestDistance = distance, best = entry;
    }
    return {best, x, line};
}

int parseChannelText(const std::string& text, bool* overflowed) {
    int value = 0;
    bool over = false;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        value = value * 10 + (c - '0');
        if (value > 255) {
            over = true;
            value = 255;
            break;
        }
    }
    if (overflowed) *overflowed = over;
    return value;
}

}  // namespace skin
