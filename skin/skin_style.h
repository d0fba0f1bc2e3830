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

}  // namespace skin
