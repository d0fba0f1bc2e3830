#pragma once
// The look shared by every picture of the skin: palette, shapes and glyphs. The window pictures,
// the named pictures and the application icon all draw through these helpers, so one change of a
// colour or a corner radius shows everywhere alike.
//
// All coordinates are logical pixels; pictures are painted at 1x and 2x through a scaled painter.
// One-pixel lines are drawn on half-pixel centres, so they stay crisp at both scales.
#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>

namespace art {

namespace palette {
inline const QColor kBackgroundTop(0x16, 0x18, 0x1c);
inline const QColor kBackgroundBottom(0x0b, 0x0c, 0x0f);
inline const QColor kStripTop(0x1c, 0x1e, 0x23);
inline const QColor kStripBottom(0x12, 0x14, 0x17);
inline const QColor kHairline(0x26, 0x29, 0x2f);
inline const QColor kGroupTop(0x18, 0x1a, 0x1f);
inline const QColor kGroupBottom(0x12, 0x14, 0x18);
inline const QColor kGroupBorder(0x2a, 0x2e, 0x35);
inline const QColor kControlTop(0x25, 0x28, 0x2e);
inline const QColor kControlBottom(0x1b, 0x1d, 0x22);
inline const QColor kControlBorder(0x37, 0x3b, 0x43);
inline const QColor kInset(0x0d, 0x0f, 0x12);
inline const QColor kInsetBorder(0x2b, 0x2f, 0x36);
inline const QColor kGold(0xef, 0xcc, 0x00);       // hover caption colour
inline const QColor kGoldPressed(0xc8, 0xa4, 0x00);  // pressed caption colour
inline const QColor kGoldDeep(0x6e, 0x5a, 0x00);
inline const QColor kGlyph(0xc4, 0xc9, 0xd0);
inline const QColor kGlyphDim(0x8a, 0x90, 0x99);
inline const QColor kDisabled(0x64, 0x64, 0x64);     // disabled caption colour
inline const QColor kSilver(0xe9, 0xeb, 0xee);
}  // namespace palette

// The four pictures of a window.
enum class State { Normal, Over, Down, Disabled };

QColor withAlpha(QColor c, int alpha);

// A rectangle inset by half a pixel, for one-pixel outlines.
QRectF hairlineRect(const QRectF& r);

// A rounded control face: vertical gradient fill and a one-pixel border.
void face(QPainter& p, const QRectF& r, qreal radius, const QColor& top, const QColor& bottom,
          const QColor& border);

// A group panel: an inset area with a thin border; with a heading band, a short gold accent
// marks the heading's place on the top edge.
void groupPanel(QPainter& p, const QRectF& r, bool heading);

// A window's ground: the dark gradient with a faint gold glow centred on the title strip's edge,
// the title strip with a gold accent along its bottom from accentLeft to accentRight, and the
// footer strip.
void windowGround(QPainter& p, qreal width, qreal height, qreal titleStrip, qreal footerStrip, qreal accentLeft,
                  qreal accentRight);

// A slider groove across r, centred vertically: the track, or its gold fill. Every pixel of the
// groove is opaque, so painting the track over a picture that has it already changes nothing.
void sliderGroove(QPainter& p, const QRectF& r, bool fill);

// Glyphs, drawn centred in r with the pen colour given.
enum class Glyph { Close, Minimize, Help, Plus, Minus, ChevronLeft, ChevronRight, ChevronDown };
void glyph(QPainter& p, Glyph g, const QRectF& r, const QColor& colour);

// The brand: the emblem mark (a chamfered shield with an upward chevron) and the wordmark.
void brandMark(QPainter& p, const QRectF& r, const QColor& colour);
void wordmark(QPainter& p, const QRectF& r);   // mark + "KORVANTE", left-aligned in r

// The top view of the mouse outline in a box; the box's aspect should be about 224 by 368.
QPainterPath mouseBody(const QRectF& r);

// Start-page tile emblems, centred in r (about 64 x 64).
enum class Emblem { Buttons, Macro, Lighting, Dpi };
void emblem(QPainter& p, Emblem e, const QRectF& r, const QColor& line, const QColor& accent);

}  // namespace art
