#pragma once
// What every skinned control shares: the UI's font face (the "MAIN"/"FONT" text of the strings
// file, set once at start-up; a comma-separated list names faces in order of preference) and
// COLORREF colours (0x00BBGGRR, red in the low byte).
#include <QColor>
#include <QFont>
#include <QString>
#include <cstdint>

namespace skin {

void setFontFace(const QString& face);
QString fontFace();

// A font of the UI face with that pixel height, weight (100..900, 400 normal) and slant.
QFont uiFont(int pixelHeight, int weight = 400, bool italic = false);

QColor fromColorRef(uint32_t colorRef);
// The thin outline of a control that has the keyboard focus.
inline QColor focusOutlineColour() { return QColor(0xD4, 0xAF, 0x37); }
uint32_t toColorRef(const QColor& colour);

// The colours the windows draw beside their pictures (COLORREF).
namespace colour {
inline constexpr uint32_t kText = 0xFFFFFF;           // captions and values
inline constexpr uint32_t kAccent = 0x00CCEF;         // gold: titles, captions under the pointer, typed text
inline constexpr uint32_t kAccentPressed = 0x00A4C8;  // captions of pressed and chosen buttons
inline constexpr uint32_t kDimmed = 0x646464;         // captions of disabled buttons
inline constexpr uint32_t kHeading = 0xD2D2D2;        // group headings, field captions, counts
inline constexpr uint32_t kLetter = 0xA0A0A0;         // the colour selector's channel letters
inline constexpr uint32_t kConnected = 0x8CD97C;      // green: the mouse and the service are there
inline constexpr uint32_t kNotice = 0x40B0FF;         // amber: something is missing or limited
inline constexpr uint32_t kWindowGround = 0x191615;   // behind a page whose picture is missing
inline constexpr uint32_t kFieldGround = 0x120F0D;    // edit fields, as the pictures' inset panels
inline constexpr uint32_t kListGround = 0x1E1E1E;     // lists and the macro name menu
inline constexpr uint32_t kListSelection = 0x3C3C3C;
inline constexpr uint32_t kListText = 0xE6E6E6;
}  // namespace colour

}  // namespace skin
