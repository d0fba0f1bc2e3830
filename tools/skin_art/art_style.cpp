#include "tools/skin_art/art_style.h"

#include <QLinearGradient>
#include <QPolygonF>
#include <QRadialGradient>

#include <array>
#include <vector>

namespace art {

using namespace palette;

QColor withAlpha(QColor c, int alpha) {
    c.setAlpha(alpha);
    return c;
}

QRectF hairlineRect(const QRectF& r) { return r.adjusted(0.5, 0.5, -0.5, -0.5); }

void face(QPainter& p, const QRectF& r, qreal radius, const QColor& top, const QColor& bottom,
          const QColor& border) {
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0.0, top);
    fill.setColorAt(1.0, bottom);
    p.setPen(border.alpha() ? QPen(border, 1.0) : QPen(Qt::NoPen));
    p.setBrush(fill);
    p.drawRoundedRect(hairlineRect(r), radius, radius);
}

void groupPanel(QPainter& p, const QRectF& r, bool heading) {
    face(p, r, 8, kGroupTop, kGroupBottom, kGroupBorder);
    // A faint light along the top edge gives the panel its depth.
    p.setPen(QPen(QColor(255, 255, 255, 10), 1.0));
    p.drawLine(QPointF(r.left() + 8, r.top() + 1.5), QPointF(r.right() - 8, r.top() + 1.5));
    if (heading) {
        p.setPen(QPen(withAlpha(kGold, 200), 1.0));
        p.drawLine(QPointF(r.left() + 16, r.top() + 0.5), QPointF(r.left() + 48, r.top() + 0.5));
    }
}

void windowGround(QPainter& p, qreal width, qreal height, qreal titleStrip, qreal footerStrip, qreal accentLeft,
                  qreal accentRight) {
    QLinearGradient base(0, 0, 0, height);
    base.setColorAt(0.0, kBackgroundTop);
    base.setColorAt(1.0, kBackgroundBottom);
    p.fillRect(QRectF(0, 0, width, height), base);
    QRadialGradient glow(QPointF(width * 0.5, titleStrip), width * 0.7);
    glow.setColorAt(0.0, withAlpha(kGold, 9));
    glow.setColorAt(1.0, withAlpha(kGold, 0));
    p.fillRect(QRectF(0, 0, width, height), glow);

    QLinearGradient strip(0, 0, 0, titleStrip);
    strip.setColorAt(0.0, kStripTop);
    strip.setColorAt(1.0, kStripBottom);
    p.fillRect(QRectF(0, 0, width, titleStrip), strip);
    p.setPen(QPen(QColor(0, 0, 0, 160), 1.0));
    p.drawLine(QPointF(0, titleStrip - 0.5), QPointF(width, titleStrip - 0.5));
    p.setPen(QPen(kHairline, 1.0));
    p.drawLine(QPointF(0, titleStrip + 0.5), QPointF(width, titleStrip + 0.5));
    QLinearGradient accent(accentLeft, 0, accentRight, 0);
    accent.setColorAt(0.0, withAlpha(kGold, 230));
    accent.setColorAt(1.0, withAlpha(kGold, 0));
    p.setPen(QPen(QBrush(accent), 1.0));
    p.drawLine(QPointF(accentLeft, titleStrip - 0.5), QPointF(accentRight, titleStrip - 0.5));

    const qreal footer = height - footerStrip;
    QLinearGradient foot(0, footer, 0, height);
    foot.setColorAt(0.0, QColor(0x13, 0x15, 0x18));
    foot.setColorAt(1.0, QColor(0x0e, 0x0f, 0x12));
    p.fillRect(QRectF(0, footer, width, footerStrip), foot);
    p.setPen(QPen(kHairline, 1.0));
    p.drawLine(QPointF(0, footer + 0.5), QPointF(width, footer + 0.5));
}

void sliderGroove(QPainter& p, const QRectF& r, bool fill) {
    const qreal mid = r.top() + r.height() / 2.0;
    const QRectF g(r.left(), mid - 2, r.width(), 4);
    if (fill) {
        QLinearGradient glow(0, mid - 6, 0, mid + 6);
        glow.setColorAt(0.0, withAlpha(kGold, 0));
        glow.setColorAt(0.5, withAlpha(kGold, 60));
        glow.setColorAt(1.0, withAlpha(kGold, 0));
        p.fillRect(QRectF(r.left(), mid - 6, r.width(), 12), glow);
        QLinearGradient bar(0, g.top(), 0, g.bottom());
        bar.setColorAt(0.0, kGold);
        bar.setColorAt(1.0, kGoldPressed);
        p.fillRect(g, bar);
    } else {
        p.fillRect(QRectF(r.left(), g.top() - 1, r.width(), 1), QColor(0x05, 0x05, 0x06));
        p.fillRect(g, QColor(0x08, 0x09, 0x0b));
        p.fillRect(QRectF(r.left(), g.bottom(), r.width(), 1), QColor(0x2a, 0x2d, 0x33));
    }
}

namespace {

QPen roundPen(const QColor& c, qreal width) {
    QPen pen(c, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

}  // namespace

void glyph(QPainter& p, Glyph g, const QRectF& r, const QColor& colour) {
    const QPointF c = r.center();
    const qreal s = std::min(r.width(), r.height());
    const qreal h = s * 0.18;  // half extent of the small glyphs
    p.save();
    p.setBrush(Qt::NoBrush);
    p.setPen(roundPen(colour, 1.5));
    switch (g) {
    case Glyph::Close:
        p.drawLine(c + QPointF(-h, -h), c + QPointF(h, h));
        p.drawLine(c + QPointF(-h, h), c + QPointF(h, -h));
        break;
    case Glyph::Minimize:
        p.drawLine(c + QPointF(-h * 1.1, h * 0.6), c + QPointF(h * 1.1, h * 0.6));
        break;
    case Glyph::Help: {
        QPainterPath q;
        q.moveTo(c + QPointF(-h * 0.9, -h * 0.6));
        q.cubicTo(c + QPointF(-h * 0.9, -h * 1.6), c + QPointF(h * 0.9, -h * 1.6), c + QPointF(h * 0.9, -h * 0.6));
        q.cubicTo(c + QPointF(h * 0.9, 0), c + QPointF(0, 0), c + QPointF(0, h * 0.55));
        p.drawPath(q);
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawEllipse(c + QPointF(0, h * 1.3), 1.0, 1.0);
        break;
    }
    case Glyph::Plus:
        p.drawLine(c + QPointF(-h, 0), c + QPointF(h, 0));
        p.drawLine(c + QPointF(0, -h), c + QPointF(0, h));
        break;
    case Glyph::Minus:
        p.drawLine(c + QPointF(-h, 0), c + QPointF(h, 0));
        break;
    case Glyph::ChevronLeft:
        p.drawPolyline(QPolygonF({c + QPointF(h * 0.5, -h), c + QPointF(-h * 0.5, 0), c + QPointF(h * 0.5, h)}));
        break;
    case Glyph::ChevronRight:
        p.drawPolyline(QPolygonF({c + QPointF(-h * 0.5, -h), c + QPointF(h * 0.5, 0), c + QPointF(-h * 0.5, h)}));
        break;
    case Glyph::ChevronDown:
        p.drawPolyline(QPolygonF({c + QPointF(-h, -h * 0.5), c + QPointF(0, h * 0.5), c + QPointF(h, -h * 0.5)}));
        break;
    }
    p.restore();
}

void brandMark(QPainter& p, const QRectF& r, const QColor& colour) {
    // A chamfered shield in a unit box, with an upward chevron inside: the point of a cursor.
    const qreal s = std::min(r.width(), r.height());
    const QPointF o = r.center() - QPointF(s / 2, s / 2);
    auto at = [&](qreal x, qreal y) { return o + QPointF(x * s, y * s); };
    QPen pen(colour, std::max<qreal>(1.0, s * 0.09));
    pen.setJoinStyle(Qt::MiterJoin);
    pen.setCapStyle(Qt::SquareCap);
    p.save();
    p.setBrush(Qt::NoBrush);
    p.setPen(pen);
    p.drawPolygon(QPolygonF({at(0.5, 0.06), at(0.9, 0.26), at(0.9, 0.62), at(0.5, 0.94), at(0.1, 0.62),
                             at(0.1, 0.26)}));
    p.drawPolyline(QPolygonF({at(0.3, 0.62), at(0.5, 0.38), at(0.7, 0.62)}));
    p.restore();
}

namespace {

// The wordmark's letters as strokes in a 10 x 14 box: chamfered, geometric capitals.
using Stroke = std::vector<QPointF>;
std::vector<Stroke> letter(char ch) {
    switch (ch) {
    case 'K': return {{{0, 0}, {0, 14}}, {{9.5, 0}, {2.5, 7}, {9.5, 14}}};
    case 'O': return {{{2.5, 0}, {7.5, 0}, {10, 2.5}, {10, 11.5}, {7.5, 14}, {2.5, 14}, {0, 11.5}, {0, 2.5}, {2.5, 0}}};
    case 'R': return {{{0, 14}, {0, 0}, {7.5, 0}, {10, 2.5}, {10, 4.5}, {7.5, 7}, {0, 7}}, {{5.5, 7}, {10, 14}}};
    case 'V': return {{{0, 0}, {5, 14}, {10, 0}}};
    case 'A': return {{{0, 14}, {5, 0}, {10, 14}}, {{2.2, 9}, {7.8, 9}}};
    case 'N': return {{{0, 14}, {0, 0}, {10, 14}, {10, 0}}};
    case 'T': return {{{0, 0}, {10, 0}}, {{5, 0}, {5, 14}}};
    case 'E': return {{{10, 0}, {0, 0}, {0, 14}, {10, 14}}, {{0, 7}, {7, 7}}};
    default: return {};
    }
}

}  // namespace

void wordmark(QPainter& p, const QRectF& r) {
    const qreal markSize = r.height() * 0.8;
    brandMark(p, QRectF(r.left(), r.center().y() - markSize / 2, markSize, markSize), kGold);

    const qreal height = r.height() * 0.46;        // letter height
    const qreal unit = height / 14.0;
    const qreal advance = unit * 10 + unit * 6.5;  // letter width plus spacing
    const qreal top = r.center().y() - height / 2;
    qreal x = r.left() + markSize + r.height() * 0.42;
    QLinearGradient metal(0, top, 0, top + height);
    metal.setColorAt(0.0, QColor(0xff, 0xff, 0xff));
    metal.setColorAt(1.0, QColor(0xb8, 0xbd, 0xc4));
    QPen pen(QBrush(metal), unit * 1.9);
    pen.setCapStyle(Qt::SquareCap);
    pen.setJoinStyle(Qt::MiterJoin);
    pen.setMiterLimit(2.0);  // square corners stay sharp, the tips of V, A and N are cut flat
    p.save();
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    for (char ch : std::string_view("KORVANTE")) {
        for (const Stroke& stroke : letter(ch)) {
            QPolygonF line;
            for (const QPointF& pt : stroke) line << QPointF(x + pt.x() * unit, top + pt.y() * unit);
            p.drawPolyline(line);
        }
        x += advance;
    }
    p.restore();
}

QPainterPath mouseBody(const QRectF& r) {
    const qreal sx = r.width() / 224.0, sy = r.height() / 368.0;
    auto at = [&](qreal x, qreal y) { return QPointF(r.left() + x * sx, r.top() + y * sy); };
    QPainterPath path;
    path.moveTo(at(112, 10));
    path.cubicTo(at(160, 10), at(186, 30), at(190, 80));
    path.cubicTo(at(196, 140), at(206, 190), at(204, 240));
    path.cubicTo(at(204, 320), at(170, 358), at(112, 358));
    path.cubicTo(at(54, 358), at(20, 320), at(20, 240));
    path.cubicTo(at(18, 190), at(28, 140), at(34, 80));
    path.cubicTo(at(38, 30), at(64, 10), at(112, 10));
    path.closeSubpath();
    return path;
}

void emblem(QPainter& p, Emblem e, const QRectF& r, const QColor& line, const QColor& accent) {
    const QPointF c = r.center();
    const qreal s = std::min(r.width(), r.height());
    p.save();
    p.setBrush(Qt::NoBrush);
    p.setPen(roundPen(line, 1.6));
    switch (e) {
    case Emblem::Buttons: {
        const QRectF body(c.x() - s * 0.31, c.y() - s * 0.50, s * 0.62, s * 1.0);
        const QPainterPath shell = mouseBody(body);
        // The left button lit in the accent colour.
        QPainterPath left;
        left.addRect(QRectF(body.left() - 2, body.top() - 2, body.width() / 2 + 2, body.height() * 0.40 + 2));
        p.setPen(Qt::NoPen);
        p.setBrush(withAlpha(accent, 150));
        p.drawPath(shell.intersected(left));
        p.setBrush(Qt::NoBrush);
        p.setPen(roundPen(line, 1.6));
        p.drawPath(shell);
        p.drawLine(QPointF(c.x(), body.top() + 2), QPointF(c.x(), body.top() + body.height() * 0.40));
        p.drawLine(QPointF(body.left() + 3, body.top() + body.height() * 0.40),
                   QPointF(body.right() - 3, body.top() + body.height() * 0.40));
        p.setPen(roundPen(accent, 2.4));
        p.drawLine(QPointF(c.x(), body.top() + body.height() * 0.12), QPointF(c.x(), body.top() + body.height() * 0.24));
        break;
    }
    case Emblem::Macro: {
        // A record mark beside three event lines.
        const QPointF dot = c + QPointF(-s * 0.24, -s * 0.18);
        p.drawEllipse(dot, s * 0.12, s * 0.12);
        p.setPen(Qt::NoPen);
        p.setBrush(accent);
        p.drawEllipse(dot, s * 0.065, s * 0.065);
        p.setPen(roundPen(line, 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawLine(c + QPointF(-s * 0.02, -s * 0.18), c + QPointF(s * 0.38, -s * 0.18));
        p.drawLine(c + QPointF(-s * 0.38, s * 0.06), c + QPointF(s * 0.38, s * 0.06));
        p.drawLine(c + QPointF(-s * 0.38, s * 0.28), c + QPointF(s * 0.14, s * 0.28));
        p.setPen(roundPen(accent, 1.6));
        p.drawPolyline(QPolygonF({c + QPointF(s * 0.24, s * 0.20), c + QPointF(s * 0.34, s * 0.28),
                                  c + QPointF(s * 0.24, s * 0.36)}));
        break;
    }
    case Emblem::Lighting: {
        // A light with rays and a faint colour ring.
        QConicalGradient hue(c, 90);
        for (int i = 0; i <= 6; ++i) hue.setColorAt(i / 6.0, QColor::fromHsv((360 - i * 60) % 360, 200, 255, 150));
        p.setPen(QPen(QBrush(hue), 1.6));
        p.drawEllipse(c, s * 0.40, s * 0.40);
        p.setPen(Qt::NoPen);
        QRadialGradient glow(c, s * 0.16);
        glow.setColorAt(0.0, accent);
        glow.setColorAt(1.0, withAlpha(accent, 120));
        p.setBrush(glow);
        p.drawEllipse(c, s * 0.13, s * 0.13);
        p.setPen(roundPen(line, 1.6));
        for (int i = 0; i < 8; ++i) {
            const qreal a = i * M_PI / 4;
            const QPointF d(std::cos(a), std::sin(a));
            p.drawLine(c + d * s * 0.20, c + d * s * 0.29);
        }
        break;
    }
    case Emblem::Dpi: {
        p.drawEllipse(c, s * 0.30, s * 0.30);
        p.drawLine(c + QPointF(0, -s * 0.42), c + QPointF(0, -s * 0.16));
        p.drawLine(c + QPointF(0, s * 0.16), c + QPointF(0, s * 0.42));
        p.drawLine(c + QPointF(-s * 0.42, 0), c + QPointF(-s * 0.16, 0));
        p.drawLine(c + QPointF(s * 0.16, 0), c + QPointF(s * 0.42, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(accent);
        p.drawEllipse(c, s * 0.055, s * 0.055);
        break;
    }
    }
    p.restore();
}

}  // namespace art
