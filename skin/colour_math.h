#pragma once
// The colour arithmetic of the colour selector. Qt-free. Colours are COLORREF values 0x00BBGGRR
// (red in the low byte).
#include <cstdint>
#include <string>

namespace skin {

constexpr uint32_t makeColorRef(int red, int green, int blue) {
    return uint32_t(red & 0xFF) | uint32_t(green & 0xFF) << 8 | uint32_t(blue & 0xFF) << 16;
}
constexpr int redOf(uint32_t c) { return int(c & 0xFF); }
constexpr int greenOf(uint32_t c) { return int(c >> 8 & 0xFF); }
constexpr int blueOf(uint32_t c) { return int(c >> 16 & 0xFF); }

inline constexpr int kHueEntries = 190;
// Entry 1..190 of the hue table: one turn of the colour circle from red through magenta, blue,
// cyan, green and yellow back to red (entry 1 is black). 0 outside 1..190.
uint32_t hueEntry(int entry);

inline constexpr int kFieldLines = 192;  // lines 0..191 of the colour field
inline constexpr int kFieldEnd = 192;    // x of the gradient's right end
// The colour at (x, line) of the field for that hue: a horizontal gradient from a grey (light at
// the top, dark at the bottom) at x = 0 to the hue darkened by the line at x = 192; darkening
// subtracts line * 255/191 from each channel, stopping at 0.
uint32_t fieldColour(uint32_t hue, int x, int line);

// A channel step of the up and down buttons: +1 up to 255, -1 down to 0.
int stepChannel(int value, bool up);

// The colour as "rrggbb", red first as colour fields write it (pure red reads "ff0000").
std::string hexText(uint32_t colour);
// "rrggbb" (six hexadecimal digits, red first) as a COLORREF; false for any other text.
bool parseHexText(const std::string& text, uint32_t* colour);

// Where a colour lies in the selector: the hue table entry whose hue it has, and the point of the
// field (x 0..kFieldEnd, line 0..kFieldLines - 1) that draws it for that hue. A grey keeps `hue`.
struct FieldPoint {
    int hueEntry;
    int x;
    int line;
};
FieldPoint locateColour(uint32_t colour, int hue);
// A channel field: its leading decimal digits, above 255 taken as 255; overflowed tells whether the
// number was above 255 (the field is then written back as "255").
int parseChannelText(const std::string& text, bool* overflowed = nullptr);

}  // namespace skin
