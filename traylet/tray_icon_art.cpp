#include "traylet/tray_icon_art.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRadialGradient>

namespace tray {
namespace {

const QColor kAccent(0x22, 0xd3, 0xee);      // cyan light of the wheel and the badge
const QColor kAccentDeep(0x06, 0x8f, 0xb4);
const QColor kBodyTop(0x4b, 0x55, 0x63);
const QColor kBodyBottom(0x11, 0x18, 0x27);
const QColor kOutline(0x03, 0x07, 0x12);
const QColor kOffline(0x9c, 0xa3, 0xaf);     // grey light: no settings known, or no service
const QColor kWarning(0xf5, 0x9e, 0x0b);     // amber badge of a write that did not reach the mouse

// The mouse body in a unit box (0..1 by 0..1): a rounded shell, wider at the palm.
QPainterPath bodyPath(const QRectF& r) {
    const qreal l = r.left(), t = r.top(), w = r.width(), h = r.height();
    QPainterPath p;
    p.moveTo(l + w * 0.50, t);
    p.cubicTo(l + w * 0.86, t, l + w, t + h * 0.16, l + w, t + h * 0.42);
    p.lineTo(l + w, t + h * 0.64);
    p.cubicTo(l + w, t + h * 0.88, l + w * 0.80, t + h, l + w * 0.50, t + h);
    p.cubicTo(l + w * 0.20, t + h, l, t + h * 0.88, l, t + h * 0.64);
    p.lineTo(l, t + h * 0.42);
    p.cubicTo(l, t + h * 0.16, l + w * 0.14, t, l + w * 0.50, t);
    p.closeSubpath();
    return p;
}

}  // namespace

QImage renderIconImage(int size, const Status& status) {
    if (size < 8) size = 8;
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);

    const qreal s = size;
    const bool small = size < 24;
    const bool lit = status.settingsFound && status.serviceRunning;
    const QColor light = lit ? kAccent : kOffline;
    const QColor lightDeep = lit ? kAccentDeep : kOffline.darker(140);

    // Body: slightly left of centre, leaving the lower right corner to the badge.
    const QRectF body(s * 0.16, s * 0.04, s * 0.56, s * 0.86);
    const QPainterPath shell = bodyPath(body);
    QLinearGradient fill(body.topLeft(), body.bottomRight());
    fill.setColorAt(0.0, kBodyTop);
    fill.setColorAt(1.0, kBodyBottom);
    p.setPen(QPen(kOutline, qMax<qreal>(1.0, s / 40.0)));
    p.setBrush(fill);
    p.drawPath(shell);

    // Soft highlight along the upper left of the shell.
    if (!small) {
        QRadialGradient shine(body.left() + body.width() * 0.32, body.top() + body.height() * 0.22, body.width() * 0.7);
        shine.setColorAt(0.0, QColor(255, 255, 255, 70));
        shine.setColorAt(1.0, QColor(255, 255, 255, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(shine);
        p.drawPath(shell);
    }

    // Button split and the palm seam.
    const qreal cx = body.center().x();
    const qreal splitEnd = body.top() + body.height() * 0.40;
    QPen seam(QColor(0, 0, 0, 160), qMax<qreal>(1.0, s / 48.0));
    seam.setCapStyle(Qt::RoundCap);
    p.setPen(seam);
    p.drawLine(QPointF(cx, body.top() + s * 0.02), QPointF(cx, splitEnd));
    QPainterPath palm;
    palm.moveTo(body.left() + s * 0.01, splitEnd);
    palm.quadTo(QPointF(cx, splitEnd + body.height() * 0.07), QPointF(body.right() - s * 0.01, splitEnd));
    p.setBrush(Qt::NoBrush);
    p.drawPath(palm);

    // Scroll wheel: a lit pill with a glow.
    const QRectF wheel(cx - s * 0.055, body.top() + body.height() * 0.10, s * 0.11, body.height() * 0.2);
    if (!small) {
        QRadialGradient glow(wheel.center(), s * 0.16);
        glow.setColorAt(0.0, QColor(light.red(), light.green(), light.blue(), 120));
        glow.setColorAt(1.0, QColor(light.red(), light.green(), light.blue(), 0));
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawEllipse(wheel.center(), s * 0.16, s * 0.16);
    }
    QLinearGradient wheelFill(wheel.topLeft(), wheel.bottomLeft());
    wheelFill.setColorAt(0.0, light.lighter(130));
    wheelFill.setColorAt(1.0, lightDeep);
    p.setPen(QPen(kOutline, qMax<qreal>(0.8, s / 64.0)));
    p.setBrush(wheelFill);
    p.drawRoundedRect(wheel, wheel.width() / 2, wheel.width() / 2);

    // DPI stage pips on the palm: seven small lights, the current stage and those below it lit.
    if (!small && status.settingsFound) {
        const int lit = status.stage + 1;
        const qreal pip = s * 0.035;
        const qreal gap = s * 0.022;
        const qreal total = kDpiStageCount * pip + (kDpiStageCount - 1) * gap;
        qreal x = cx - total / 2;
        const qreal y = body.top() + body.height() * 0.50;
        p.setPen(Qt::NoPen);
        for (int i = 0; i < kDpiStageCount; ++i, x += pip + gap) {
            p.setBrush(i < lit ? light : QColor(255, 255, 255, 45));
            p.drawRoundedRect(QRectF(x, y, pip, pip * 2.2), pip / 2, pip / 2);
        }
    }

    // Profile badge: a ring-edged disc in the lower right with the profile number 1..5.
    if (status.settingsFound) {
        const qreal d = s * 0.46;
        const QRectF badge(s - d - s * 0.02, s - d - s * 0.02, d, d);
        QLinearGradient badgeFill(badge.topLeft(), badge.bottomLeft());
        badgeFill.setColorAt(0.0, light.lighter(115));
        badgeFill.setColorAt(1.0, lightDeep);
        p.setPen(QPen(kOutline, qMax<qreal>(1.0, s / 32.0)));
        p.setBrush(badgeFill);
        p.drawEllipse(badge);
        QFont font;
        font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")});
        font.setBold(true);
        font.setPixelSize(qMax(6, static_cast<int>(d * 0.66)));
        p.setFont(font);
        p.setPen(kBodyBottom);
        p.drawText(badge.adjusted(0, -s * 0.005, 0, 0), Qt::AlignCenter, QString::number(status.profile + 1));
    }

    // Failed write: a warning badge in the upper right, large enough to read at 16 pixels.
    if (status.writeFailed != 0) {
        const qreal d = s * (small ? 0.56 : 0.44);
        const QRectF badge(s - d - s * 0.01, s * 0.01, d, d);
        p.setPen(QPen(kOutline, qMax<qreal>(1.0, s / 32.0)));
        p.setBrush(kWarning);
        p.drawEllipse(badge);
        const qreal bar = qMax<qreal>(1.5, d * 0.16);
        const QPointF c = badge.center();
        p.setPen(Qt::NoPen);
        p.setBrush(kBodyBottom);
        p.drawRoundedRect(QRectF(c.x() - bar / 2, badge.top() + d * 0.18, bar, d * 0.42), bar / 2, bar / 2);
        p.drawEllipse(QPointF(c.x(), badge.top() + d * 0.76), bar * 0.62, bar * 0.62);
    }
    p.end();
    return image;
}

QIcon makeTrayIcon(const Status& status) {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128}) icon.addPixmap(QPixmap::fromImage(renderIconImage(size, status)));
    return icon;
}

}  // namespace tray
