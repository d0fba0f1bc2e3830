#include "skin/colour_math.h"

#include <algorithm>
#include <array>
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
    std::snprintf(text, sizeof text, "%.6x", unsigned(colour & 0xFFFFFF));
    return text;
}

uint32_t parseHexText(const std::string& text) {
    uint32_t value = 0;
    for (size_t i = 0; i < text.size() && i < 6; ++i) {
        const char c = text[i];
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else break;
        value = value << 4 | uint32_t(digit);
    }
    return value;
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
