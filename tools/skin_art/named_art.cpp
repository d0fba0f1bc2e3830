#include "tools/skin_art/named_art.h"

#include <QLinearGradient>
#include <QPolygonF>
#include <QRadialGradient>

#include <cmath>
#include <utility>

#include "tools/skin_art/art_style.h"

namespace art {
namespace {

using namespace palette;

// A slider thumb: a small rounded handle with three grip lines.
void thumb(QPainter& p, const QColor& top, const QColor& bottom, const QColor& grip) {
    p.setRenderHint(QPainter::Antialiasing, true);
    face(p, QRectF(2, 2, 12, 20), 4, top, bottom, QColor(0, 0, 0, 150));
    p.setPen(QPen(grip, 1.0));
    for (qreal x : {5.5, 8.0, 10.5}) p.drawLine(QPointF(x, 8), QPointF(x, 16));
}

// A popup menu item background. Hover and pressed items are gold-tinted with a gold bar at the
// left; every item ends with a dark hairline so stacked items read as a list.
enum class Item { Normal, Over, Down };
void menuItem(QPainter& p, const QSize& size, Item item, const QColor& base) {
    const QRectF r(0, 0, size.width(), size.height());
    switch (item) {
    case Item::Normal: {
        QLinearGradient fill(0, 0, 0, r.height());
        fill.setColorAt(0.0, base.lighter(108));
        fill.setColorAt(1.0, base);
        p.fillRect(r, fill);
        break;
    }
    case Item::Over:
    case Item::Down: {
        QLinearGradient fill(0, 0, r.width(), 0);
        fill.setColorAt(0.0, item == Item::Over ? QColor(0x3d, 0x35, 0x12) : QColor(0x4f, 0x44, 0x10));
        fill.setColorAt(1.0, item == Item::Over ? QColor(0x22, 0x20, 0x14) : QColor(0x2e, 0x29, 0x0e));
        p.fillRect(r, fill);
        p.fillRect(QRectF(0, 0, 2, r.height()), item == Item::Over ? kGold : kGoldPressed);
        break;
    }
    }
    p.fillRect(QRectF(0, r.height() - 1, r.width(), 1), QColor(0x0b, 0x0c, 0x0e));
    p.fillRect(QRectF(0, 0, r.width(), 1), QColor(255, 255, 255, item == Item::Normal ? 8 : 0));
}

// An arrow of the hue bar, 7 x 5, pointing right (towards the bar from its left) or left.
void hueArrow(QPainter& p, bool pointsRight) {
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(kSilver);
    if (pointsRight) p.drawPolygon(QPolygonF({QPointF(0, 0), QPointF(7, 2.5), QPointF(0, 5)}));
    else p.drawPolygon(QPolygonF({QPointF(7, 0), QPointF(0, 2.5), QPointF(7, 5)}));
}

// An event list mark, 16 x 16: a key cap with an arrow through it, pointing down (pressed, gold)
// or up (released, silver).
void eventMark(QPainter& p, bool pressed) {
    p.setRenderHint(QPainter::Antialiasing, true);
    const QColor colour = pressed ? kGold : kSilver;
    p.setPen(QPen(withAlpha(colour, 110), 1.0));
    p.setBrush(withAlpha(colour, pressed ? 40 : 24));
    p.drawRoundedRect(hairlineRect(QRectF(1, 1, 14, 14)), 3, 3);
    QPen pen(colour, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const qreal tip = pressed ? 11.5 : 4.5, tail = pressed ? 4.5 : 11.5, wing = pressed ? -3.0 : 3.0;
    p.drawLine(QPointF(8, tail), QPointF(8, tip));
    p.drawPolyline(QPolygonF({QPointF(5, tip + wing), QPointF(8, tip), QPointF(11, tip + wing)}));
}

const QColor kMenuBase(0x17, 0x19, 0x1d);
const QColor kSubmenuBase(0x1c, 0x1e, 0x23);

}  // namespace

std::vector<NamedPicture> namedPictures() {
    std::vector<NamedPicture> pictures = {
        {"logo.png", {200, 32}, [](QPainter& p) {
             p.setRenderHint(QPainter::Antialiasing, true);
             wordmark(p, QRectF(0, 0, 200, 32));
         }},
        {"ID.png", {48, 20}, [](QPainter& p) {
             p.setRenderHint(QPainter::Antialiasing, true);
             face(p, QRectF(0, 0, 48, 20), 4, QColor(0x1e, 0x20, 0x25), QColor(0x13, 0x15, 0x18), withAlpha(kGold, 200));
             brandMark(p, QRectF(6, 4, 12, 12), kGold);
             p.setPen(Qt::NoPen);
             for (int i = 0; i < 3; ++i) {
                 p.setBrush(withAlpha(kGold, 230 - 70 * i));
                 p.drawRoundedRect(QRectF(24 + 6 * i, 8, 4, 4), 1, 1);
             }
         }},
        {"arrow1.png", {16, 24}, [](QPainter& p) { thumb(p, QColor(0xf6, 0xd9, 0x3a), kGoldPressed, kGoldDeep); }},
        {"arrow2.png", {16, 24}, [](QPainter& p) { thumb(p, QColor(0x70, 0x72, 0x76), QColor(0x4c, 0x4e, 0x52), QColor(0x33, 0x35, 0x38)); }},
        {"arrow3.png", {16, 24}, [](QPainter& p) { thumb(p, QColor(0xf2, 0xf3, 0xf5), QColor(0xb4, 0xb9, 0xc0), QColor(0x6a, 0x6f, 0x77)); }},
        {"bar1.png", {12, 192}, [](QPainter& p) {
             // One turn of the colour circle from red at the top, through magenta, blue, cyan,
             // green and yellow back to red.
             QLinearGradient hue(0, 0, 0, 192);
             for (int i = 0; i <= 6; ++i) hue.setColorAt(i / 6.0, QColor::fromHsv((360 - 60 * i) % 360, 255, 255));
             p.fillRect(QRectF(0, 0, 12, 192), hue);
         }},
        {"bar2.png", {7, 5}, [](QPainter& p) { hueArrow(p, true); }},
        {"rgb_sel.png", {7, 5}, [](QPainter& p) { hueArrow(p, false); }},
        {"bar3.png", {16, 24}, [](QPainter& p) { sliderGroove(p, QRectF(0, 0, 16, 24), false); }},
        {"bar4.png", {16, 24}, [](QPainter& p) { sliderGroove(p, QRectF(0, 0, 16, 24), true); }},
        {"list_pressed.png", {16, 16}, [](QPainter& p) { eventMark(p, true); }},
        {"list_released.png", {16, 16}, [](QPainter& p) { eventMark(p, false); }},
        {"macro_menu_n.jpg", {288, 24}, [](QPainter& p) {
             menuItem(p, {288, 24}, Item::Normal, kMenuBase);
             p.fillRect(QRectF(0, 0, 1, 24), kInsetBorder);
             p.fillRect(QRectF(287, 0, 1, 24), kInsetBorder);
         }},
    };
    const struct {
        const char* prefix;
        QColor base;
        bool states;
    } menus[] = {
        {"menu", kSubmenuBase, true},
        {"button_menu1", kMenuBase, true},
        {"1menu", kMenuBase, true},
        {"3menu", kSubmenuBase, false},
    };
    for (const auto& menu : menus) {
        const QColor base = menu.base;
        pictures.push_back({QString("%1_normal.png").arg(menu.prefix), {180, 24},
                            [base](QPainter& p) { menuItem(p, {180, 24}, Item::Normal, base); }});
        if (!menu.states) continue;
        pictures.push_back({QString("%1_over.png").arg(menu.prefix), {180, 24},
                            [base](QPainter& p) { menuItem(p, {180, 24}, Item::Over, base); }});
        pictures.push_back({QString("%1_down.png").arg(menu.prefix), {180, 24},
                            [base](QPainter& p) { menuItem(p, {180, 24}, Item::Down, base); }});
    }
    // The program menu of a profile button: the function menu's look, wide enough for its sentences.
    for (const auto& [suffix, item] : {std::pair{"normal", Item::Normal}, {"over", Item::Over}, {"down", Item::Down}}) {
        const Item state = item;
        pictures.push_back({QString("wide_menu_%1.png").arg(suffix), {288, 24},
                            [state](QPainter& p) { menuItem(p, {288, 24}, state, kSubmenuBase); }});
    }
    return pictures;
}

QImage applicationIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    const qreal s = size;
    const QRectF tile(s * 0.03, s * 0.03, s * 0.94, s * 0.94);
    QLinearGradient fill(tile.topLeft(), tile.bottomLeft());
    fill.setColorAt(0.0, QColor(0x24, 0x26, 0x2c));
    fill.setColorAt(1.0, QColor(0x0b, 0x0c, 0x0f));
    p.setPen(QPen(withAlpha(kGold, size < 32 ? 255 : 200), std::max<qreal>(1.0, s / 48.0)));
    p.setBrush(fill);
    p.drawRoundedRect(tile, s * 0.22, s * 0.22);

    // A gold mouse: outline with the button split and the wheel; solid on the small sizes.
    const QRectF body(s * 0.30, s * 0.14, s * 0.40, s * 0.70);
    const QPainterPath shell = mouseBody(body);
    const qreal line = std::max<qreal>(1.2, s / 28.0);
    const qreal split = body.top() + body.height() * 0.40;
    if (size <= 24) {
        p.setPen(Qt::NoPen);
        p.setBrush(kGold);
        p.drawPath(shell);
        // The button split as one whole dark pixel column, so it stays sharp this small.
        p.fillRect(QRectF(std::floor(body.center().x()), body.top(), 1, split - body.top()), QColor(0x0b, 0x0c, 0x0f));
    } else {
        QRadialGradient glow(body.center(), s * 0.45);
        glow.setColorAt(0.0, withAlpha(kGold, 40));
        glow.setColorAt(1.0, withAlpha(kGold, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawEllipse(body.center(), s * 0.45, s * 0.45);
        QPen pen(kGold, line);
        pen.setJoinStyle(Qt::RoundJoin);
        pen.setCapStyle(Qt::RoundCap);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawPath(shell);
        p.setClipPath(shell);
        p.drawLine(QPointF(body.center().x(), body.top() + body.height() * 0.22), QPointF(body.center().x(), split));
        QPainterPath palm;
        palm.moveTo(body.left() + line, split);
        palm.quadTo(QPointF(body.center().x(), split + body.height() * 0.08), QPointF(body.right() - line, split));
        p.drawPath(palm);
        p.setPen(QPen(kSilver, line * 1.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(body.center().x(), body.top() + body.height() * 0.10),
                   QPointF(body.center().x(), body.top() + body.height() * 0.22));
    }
    return image;
}

}  // namespace art
