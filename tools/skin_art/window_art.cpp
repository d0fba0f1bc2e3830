#include "tools/skin_art/window_art.h"

#include <QLinearGradient>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>

namespace art {
namespace {

using namespace palette;
using layout::Control;
using layout::Look;
using layout::Role;

constexpr int kTitleStrip = 56;
constexpr int kFooterStrip = 56;
constexpr int kHeadingBand = 40;  // a group's first control lies this far below a heading

QRectF toQt(const layout::Rect& r) { return QRectF(r.left, r.top, r.width(), r.height()); }

// ---- Control looks ----

void pill(QPainter& p, const Control& c, State s) {
    const QRectF r = toQt(c.rect);
    const qreal radius = r.height() > 40 ? 8 : 6;
    const bool primary = c.role == Role::Apply || c.role == Role::DialogOk;
    switch (s) {
    case State::Normal:
        face(p, r, radius, kControlTop, kControlBottom, primary ? withAlpha(kGoldPressed, 150) : kControlBorder);
        p.setPen(QPen(QColor(255, 255, 255, 14), 1.0));
        p.drawLine(QPointF(r.left() + radius, r.top() + 1.5), QPointF(r.right() - radius, r.top() + 1.5));
        break;
    case State::Over:
        face(p, r, radius, QColor(0x2c, 0x2d, 0x2c), QColor(0x20, 0x21, 0x22), kGold);
        p.setPen(QPen(withAlpha(kGold, 40), 1.0));
        p.drawLine(QPointF(r.left() + radius, r.top() + 1.5), QPointF(r.right() - radius, r.top() + 1.5));
        break;
    case State::Down: {
        // Also the checked look of toggles, stages and option buttons: gold-tinted with a gold
        // bar along the bottom.
        face(p, r, radius, QColor(0x3a, 0x33, 0x12), QColor(0x26, 0x22, 0x0e), kGoldPressed);
        p.setPen(Qt::NoPen);
        p.setBrush(kGold);
        p.drawRoundedRect(QRectF(r.left() + radius + 4, r.bottom() - 3, r.width() - 2 * radius - 8, 2), 1, 1);
        break;
    }
    case State::Disabled:
        face(p, r, radius, QColor(0x17, 0x19, 0x1c), QColor(0x14, 0x15, 0x18), QColor(0x25, 0x28, 0x2d));
        break;
    }
}

Glyph glyphOf(Role role) {
    switch (role) {
    case Role::Close: return Glyph::Close;
    case Role::Minimize: return Glyph::Minimize;
    case Role::Help: return Glyph::Help;
    case Role::DoubleClickUp:
    case Role::WheelUp: return Glyph::Plus;
    case Role::DoubleClickDown:
    case Role::WheelDown: return Glyph::Minus;
    case Role::TabHome: return Glyph::ChevronLeft;
    case Role::DialogClose: return Glyph::Close;
    default: return Glyph::ChevronRight;
    }
}

QColor glyphColour(State s) {
    switch (s) {
    case State::Normal: return kGlyph;
    case State::Over: return kGold;
    case State::Down: return kGoldPressed;
    case State::Disabled: return kDisabled;
    }
    return kGlyph;
}

void iconButton(QPainter& p, const Control& c, State s) {
    const QRectF r = toQt(c.rect);
    if (r.height() >= 32) {
        pill(p, c, s);  // stepping buttons beside a value: a small face with the glyph
    } else if (s == State::Over || s == State::Down) {
        p.setPen(Qt::NoPen);
        p.setBrush(withAlpha(s == State::Over ? kGold : kGoldPressed, s == State::Over ? 18 : 34));
        p.drawRoundedRect(r, 5, 5);
    }
    glyph(p, glyphOf(c.role), r, glyphColour(s));
}

void tab(QPainter& p, const Control& c, State s) {
    const QRectF r = toQt(c.rect);
    switch (s) {
    case State::Normal: face(p, r, 6, QColor(0x1d, 0x1f, 0x24), QColor(0x17, 0x19, 0x1d), kControlBorder); break;
    case State::Over: face(p, r, 6, QColor(0x24, 0x25, 0x25), QColor(0x1b, 0x1c, 0x1e), kGold); break;
    case State::Down: face(p, r, 6, QColor(0x3a, 0x33, 0x12), QColor(0x26, 0x22, 0x0e), kGoldPressed); break;
    case State::Disabled: face(p, r, 6, QColor(0x17, 0x19, 0x1c), QColor(0x14, 0x15, 0x18), QColor(0x25, 0x28, 0x2d)); break;
    }
    // Back tabs point left at their left end, other tabs right at their right end.
    const bool back = c.role == Role::TabHome;
    const QRectF mark = back ? QRectF(r.left() + 6, r.top(), 16, r.height()) : QRectF(r.right() - 22, r.top(), 16, r.height());
    glyph(p, back ? Glyph::ChevronLeft : Glyph::ChevronRight, mark, s == State::Normal ? kGlyphDim : glyphColour(s));
}

void labelField(QPainter& p, const Control& c, State s) {
    const QRectF r = toQt(c.rect);
    QColor border = kInsetBorder, top = QColor(0x12, 0x14, 0x17), bottom = kInset, accent = withAlpha(kGold, 170);
    switch (s) {
    case State::Normal: break;
    case State::Over: border = kGold; top = QColor(0x17, 0x18, 0x18); break;
    case State::Down: border = kGoldPressed; top = QColor(0x2e, 0x29, 0x10); bottom = QColor(0x1e, 0x1b, 0x0c); break;
    case State::Disabled: border = QColor(0x22, 0x25, 0x2a); accent = kDisabled; break;
    }
    face(p, r, 6, top, bottom, border);
    // A short gold mark at the left end: the field opens a menu.
    p.setPen(Qt::NoPen);
    p.setBrush(accent);
    p.drawRoundedRect(QRectF(r.left() + 4, r.top() + 9, 2, r.height() - 18), 1, 1);
    glyph(p, Glyph::ChevronDown, QRectF(r.right() - 28, r.top(), 20, r.height()),
          s == State::Normal ? kGlyphDim : glyphColour(s));
}

void insetPanel(QPainter& p, const QRectF& r, State s) {
    face(p, r, 5, kInset, QColor(0x10, 0x12, 0x15), s == State::Disabled ? QColor(0x20, 0x23, 0x27) : kInsetBorder);
    // Inner shadow along the top edge: the field lies below the surface.
    p.setPen(QPen(QColor(0, 0, 0, 90), 1.0));
    p.drawLine(QPointF(r.left() + 5, r.top() + 1.5), QPointF(r.right() - 5, r.top() + 1.5));
}

void link(QPainter& p, const Control& c, State s) {
    if (s != State::Over && s != State::Down) return;
    const QRectF r = toQt(c.rect);
    p.setPen(QPen(withAlpha(s == State::Over ? kGold : kGoldPressed, 160), 1.0));
    p.drawLine(QPointF(r.left() + 12, r.bottom() - 1.5), QPointF(r.right() - 12, r.bottom() - 1.5));
}

// A slider's track: the groove and small ticks below it at the thumb's stops where it has ten or
// fewer (the level's four, the speed's eight), else at tenths of the range. The thumb is 16 px
// wide (arrow1.png).
void sliderTrack(QPainter& p, const Control& c) {
    const QRectF r = toQt(c.rect);
    sliderGroove(p, r, false);
    constexpr qreal kThumb = 16;
    const int stops = c.slider.maximum - c.slider.minimum;
    const int intervals = stops > 0 && stops <= 10 ? stops : 10;
    const qreal mid = r.top() + r.height() / 2.0;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3a, 0x3e, 0x46));
    for (int i = 0; i <= intervals; ++i) {
        const qreal x = std::round(r.left() + kThumb / 2 + i * (r.width() - kThumb) / intervals);
        const bool major = i == 0 || i == intervals || (intervals == 10 && i == 5);
        p.drawRect(QRectF(x, mid + 6, 1, major ? 4 : 2));
    }
}

layout::Rect emblemBox(const Control& c) {
    const int cy = c.rect.top + c.rect.height() / 2;
    return {c.rect.left + 40, cy - 56, c.rect.left + 152, cy + 56};
}

Emblem emblemOf(Role role) {
    switch (role) {
    case Role::TabButtons: return Emblem::Buttons;
    case Role::TabMacro: return Emblem::Macro;
    case Role::TabLighting: return Emblem::Lighting;
    default: return Emblem::Dpi;
    }
}

void tile(QPainter& p, const Control& c, State s) {
    const QRectF r = toQt(c.rect);
    const QRectF box = toQt(emblemBox(c));
    QColor border = kGroupBorder, ring = QColor(0x3a, 0x3e, 0x46), line = kSilver, accent = kGold;
    QColor top = QColor(0x1d, 0x1f, 0x24), bottom = QColor(0x13, 0x15, 0x18);
    switch (s) {
    case State::Normal: break;
    case State::Over: border = kGold; ring = withAlpha(kGold, 200); top = QColor(0x22, 0x23, 0x24); break;
    case State::Down:
        border = kGoldPressed; ring = kGoldPressed; accent = kGoldPressed;
        top = QColor(0x1f, 0x1c, 0x10); bottom = QColor(0x14, 0x13, 0x0e);
        break;
    case State::Disabled:
        ring = QColor(0x2a, 0x2d, 0x32); line = kDisabled; accent = kDisabled;
        top = QColor(0x17, 0x19, 0x1c); bottom = QColor(0x13, 0x14, 0x17);
        break;
    }
    face(p, r, 10, top, bottom, border);
    if (s == State::Over) {
        QRadialGradient glow(box.center(), r.height() * 0.9);
        glow.setColorAt(0.0, withAlpha(kGold, 34));
        glow.setColorAt(1.0, withAlpha(kGold, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawRoundedRect(hairlineRect(r).adjusted(1, 1, -1, -1), 9, 9);
    }
    // The emblem sits in a round well at the left; the caption starts right of it.
    QRadialGradient well(box.center() - QPointF(0, 14), box.width() * 0.6);
    well.setColorAt(0.0, QColor(0x26, 0x29, 0x2f));
    well.setColorAt(1.0, QColor(0x12, 0x13, 0x16));
    p.setBrush(well);
    p.setPen(QPen(ring, 1.0));
    p.drawEllipse(box.center(), 52.5, 52.5);
    emblem(p, emblemOf(c.role), QRectF(box.center() - QPointF(32, 32), QSizeF(64, 64)), line, accent);
    // A short accent line under the caption's place and a chevron at the right end.
    const qreal cy = r.center().y();
    p.setPen(QPen(s == State::Disabled ? kDisabled : withAlpha(accent, s == State::Normal ? 150 : 255), 1.0));
    p.drawLine(QPointF(r.left() + c.captionOffset, cy + 16.5), QPointF(r.left() + c.captionOffset + 32, cy + 16.5));
    glyph(p, Glyph::ChevronRight, QRectF(r.right() - 48, cy - 16, 32, 32), s == State::Normal ? kGlyphDim : glyphColour(s));
}

// ---- Background ----

void background(QPainter& p, int width, int height) {
    // Title strip with the logo and a gold accent under it, footer strip.
    const layout::Rect logo = layout::logoArea();
    windowGround(p, width, height, kTitleStrip, kFooterStrip, logo.left, logo.right + 120);
    wordmark(p, toQt(logo));

    // The window's edge.
    p.setPen(QPen(QColor(0x2c, 0x2f, 0x35), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(hairlineRect(QRectF(0, 0, width, height)));
}

// Thin separators between the footer's command groups (import/export, reset/reload, apply).
void footerSeparators(QPainter& p) {
    const layout::Window& frame = layout::mainFrame();
    const Control* exportButton = layout::find(frame, Role::Export);
    const Control* reset = layout::find(frame, Role::Reset);
    if (!exportButton || !reset) return;
    const qreal x = (exportButton->rect.right + reset->rect.left) / 2 + 0.5;
    p.setPen(QPen(kHairline, 1.0));
    p.drawLine(QPointF(x, reset->rect.top + 4), QPointF(x, reset->rect.bottom - 4));
}

void groups(QPainter& p, const layout::Window& window) {
    for (const layout::Group& group : window.groups) {
        const layout::Rect& g = group.rect;
        int firstTop = g.bottom;
        for (const Control& c : window.controls)
            if (c.rect.left >= g.left && c.rect.right <= g.right && c.rect.top >= g.top && c.rect.bottom <= g.bottom)
                firstTop = std::min(firstTop, c.rect.top);
        groupPanel(p, toQt(g), firstTop - g.top >= kHeadingBand && firstTop - g.top <= kHeadingBand + 4);
    }
}

// ---- Button page: the mouse with its leader lines ----

void mouse(QPainter& p) {
    const QRectF m = toQt(layout::mousePicture());
    const qreal sx = m.width() / 224.0, sy = m.height() / 368.0;
    auto at = [&](qreal x, qreal y) { return QPointF(m.left() + x * sx, m.top() + y * sy); };
    auto box = [&](qreal l, qreal t, qreal r, qreal b) { return QRectF(at(l, t), at(r, b)); };

    // A soft pedestal light under the mouse.
    QRadialGradient pedestal(at(112, 200), m.width() * 0.95);
    pedestal.setColorAt(0.0, withAlpha(kGold, 22));
    pedestal.setColorAt(1.0, withAlpha(kGold, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(pedestal);
    p.drawEllipse(at(112, 200), m.width() * 0.95, m.height() * 0.62);

    // Side buttons stand out of the left flank.
    for (const QRectF& side : {box(9, 178, 28, 210), box(9, 216, 28, 248)}) {
        face(p, side, 5, QColor(0x2c, 0x2f, 0x35), QColor(0x1c, 0x1e, 0x22), QColor(0x47, 0x4b, 0x53));
    }

    const QPainterPath body = mouseBody(m);
    p.setPen(QPen(withAlpha(kGold, 40), 4.0));
    p.setBrush(Qt::NoBrush);
    p.drawPath(body);
    QLinearGradient shell(m.topLeft(), m.bottomLeft());
    shell.setColorAt(0.0, QColor(0x2d, 0x30, 0x36));
    shell.setColorAt(0.45, QColor(0x20, 0x22, 0x27));
    shell.setColorAt(1.0, QColor(0x15, 0x16, 0x1a));
    p.setPen(QPen(QColor(0x4a, 0x4e, 0x56), 1.2));
    p.setBrush(shell);
    p.drawPath(body);
    QRadialGradient shine(at(80, 90), m.width() * 0.55);
    shine.setColorAt(0.0, QColor(255, 255, 255, 26));
    shine.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(shine);
    p.drawPath(body);

    // Seams: the split between the two main buttons and the edge of the palm rest.
    p.save();
    p.setClipPath(body);
    p.setPen(QPen(QColor(0, 0, 0, 200), 1.6));
    p.drawLine(at(112, 0), at(112, 150));
    QPainterPath palm;
    palm.moveTo(at(0, 146));
    palm.quadTo(at(112, 186), at(224, 146));
    p.setBrush(Qt::NoBrush);
    p.drawPath(palm);
    p.setPen(QPen(QColor(255, 255, 255, 22), 1.0));
    p.drawLine(at(113.5, 4), at(113.5, 150));
    // Thin gold light strips along both flanks of the palm rest.
    QPainterPath strips;
    strips.moveTo(at(34, 200));
    strips.cubicTo(at(32, 260), at(46, 318), at(92, 340));
    strips.moveTo(at(190, 200));
    strips.cubicTo(at(192, 260), at(178, 318), at(132, 340));
    p.setPen(QPen(withAlpha(kGold, 150), 1.4));
    p.drawPath(strips);
    p.restore();

    // Wheel, DPI buttons, the small button beside the left button, and the back button.
    face(p, box(102, 40, 122, 100), 8, QColor(0x0c, 0x0d, 0x10), QColor(0x0c, 0x0d, 0x10), QColor(0x3a, 0x3e, 0x45));
    QLinearGradient wheel(at(106, 44), at(106, 96));
    wheel.setColorAt(0.0, QColor(0x2f, 0x32, 0x38));
    wheel.setColorAt(0.5, QColor(0x4a, 0x4e, 0x55));
    wheel.setColorAt(1.0, QColor(0x2f, 0x32, 0x38));
    p.setPen(Qt::NoPen);
    p.setBrush(wheel);
    p.drawRoundedRect(box(106, 45, 118, 95), 5, 5);
    p.setPen(QPen(QColor(0x17, 0x18, 0x1b), 1.0));
    for (int y = 50; y < 92; y += 5) p.drawLine(at(107.5, y + 0.5), at(116.5, y + 0.5));
    p.setPen(QPen(withAlpha(kGold, 170), 1.0));
    p.drawLine(at(112, 47), at(112, 93));
    for (const QRectF& dpi : {box(104, 108, 120, 122), box(104, 128, 120, 142)})
        face(p, dpi, 4, QColor(0x30, 0x33, 0x39), QColor(0x22, 0x24, 0x29), QColor(0x4a, 0x4e, 0x56));
    face(p, box(44, 80, 58, 116), 6, QColor(0x30, 0x33, 0x39), QColor(0x22, 0x24, 0x29), QColor(0x4a, 0x4e, 0x56));
    p.setPen(QPen(kGold, 1.4));
    p.setBrush(QColor(0x10, 0x11, 0x14));
    p.drawEllipse(at(112, 190), 9 * sx, 9 * sx);
}

void leaderLines(QPainter& p, const layout::Window& page) {
    const layout::Rect m = layout::mousePicture();
    for (const Control& c : page.controls) {
        if (c.role != Role::ButtonLabel) continue;
        const layout::Point a = layout::buttonAnchor(c.index);
        const bool left = c.rect.right <= m.left;
        const qreal y = c.rect.top + c.rect.height() / 2.0 + 0.5;
        const qreal edge = left ? c.rect.right : c.rect.left;
        const qreal elbow = left ? edge + 24 : edge - 24;
        QPen pen(withAlpha(kGold, 150), 1.0);
        pen.setCapStyle(Qt::FlatCap);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF({QPointF(edge, y), QPointF(elbow, y), QPointF(a.x + 0.5, a.y + 0.5)}));
        p.setPen(QPen(QColor(0x0c, 0x0d, 0x10), 1.5));
        p.setBrush(kGold);
        p.drawEllipse(QPointF(a.x + 0.5, a.y + 0.5), 3.2, 3.2);
    }
}

}  // namespace

void paintControl(QPainter& p, const Control& c, State s) {
    p.save();
    switch (c.look) {
    case Look::Plain:
        // The list and the colour selector sit in a well; the sliders' tracks are cut from the
        // picture, so their grooves are painted here.
        if (c.role == Role::MacroList) insetPanel(p, toQt(c.rect), s);
        else if (c.role == Role::ColorSelector) insetPanel(p, toQt(c.rect).adjusted(-8, -8, 8, 8), s);
        else if (c.slider.identifier != 0) sliderTrack(p, c);
        break;
    case Look::IconButton: iconButton(p, c, s); break;
    case Look::Tile: tile(p, c, s); break;
    case Look::Tab: tab(p, c, s); break;
    case Look::Pill: pill(p, c, s); break;
    case Look::Label: labelField(p, c, s); break;
    case Look::Link: link(p, c, s); break;
    case Look::Panel: insetPanel(p, toQt(c.rect), s); break;
    }
    p.restore();
}

void paintWindow(QPainter& p, const layout::Window& window, State state) {
    p.setRenderHint(QPainter::Antialiasing, true);
    background(p, window.width, window.height);
    footerSeparators(p);
    groups(p, window);
    const bool frame = &window == &layout::mainFrame();
    if (&window == &layout::buttonPage()) {
        mouse(p);
        leaderLines(p, window);
    }
    if (&window == &layout::macroPage()) insetPanel(p, toQt(layout::macroInfoArea()), State::Normal);
    // Every page repeats the frame's controls; the frame's picture is the start page's, with its
    // tiles.
    for (const Control& c : layout::mainFrame().controls) paintControl(p, c, state);
    for (const Control& c : frame ? layout::startPage().controls : window.controls) paintControl(p, c, state);
}

}  // namespace art
