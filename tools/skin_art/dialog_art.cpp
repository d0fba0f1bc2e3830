#include "tools/skin_art/dialog_art.h"

#include <QLinearGradient>
#include <QRadialGradient>

#include "panel/layout/dialog_layout.h"
#include "tools/skin_art/window_art.h"

namespace art {
namespace {

using namespace palette;

QRectF toQt(const layout::Rect& r) { return QRectF(r.left, r.top, r.width(), r.height()); }

void frame(QPainter& p, int width, int height) {
    QLinearGradient base(0, 0, 0, height);
    base.setColorAt(0.0, kBackgroundTop);
    base.setColorAt(1.0, kBackgroundBottom);
    p.fillRect(QRectF(0, 0, width, height), base);
    QRadialGradient glow(QPointF(width * 0.5, layout::kDialogTitleStrip), width * 0.8);
    glow.setColorAt(0.0, withAlpha(kGold, 10));
    glow.setColorAt(1.0, withAlpha(kGold, 0));
    p.fillRect(QRectF(0, 0, width, height), glow);

    // Title strip: brand mark, a gold accent fading to the right under it.
    const qreal strip = layout::kDialogTitleStrip;
    QLinearGradient top(0, 0, 0, strip);
    top.setColorAt(0.0, kStripTop);
    top.setColorAt(1.0, kStripBottom);
    p.fillRect(QRectF(0, 0, width, strip), top);
    p.setPen(QPen(QColor(0, 0, 0, 160), 1.0));
    p.drawLine(QPointF(0, strip - 0.5), QPointF(width, strip - 0.5));
    p.setPen(QPen(kHairline, 1.0));
    p.drawLine(QPointF(0, strip + 0.5), QPointF(width, strip + 0.5));
    QLinearGradient accent(16, 0, 176, 0);
    accent.setColorAt(0.0, withAlpha(kGold, 230));
    accent.setColorAt(1.0, withAlpha(kGold, 0));
    p.setPen(QPen(QBrush(accent), 1.0));
    p.drawLine(QPointF(16, strip - 0.5), QPointF(176, strip - 0.5));
    brandMark(p, toQt(layout::dialogMarkArea()), kGold);

    // Footer strip.
    const qreal footer = height - layout::kDialogFooter;
    QLinearGradient foot(0, footer, 0, height);
    foot.setColorAt(0.0, QColor(0x13, 0x15, 0x18));
    foot.setColorAt(1.0, QColor(0x0e, 0x0f, 0x12));
    p.fillRect(QRectF(0, footer, width, layout::kDialogFooter), foot);
    p.setPen(QPen(kHairline, 1.0));
    p.drawLine(QPointF(0, footer + 0.5), QPointF(width, footer + 0.5));

    // The window's edge, with a faint gold line along the top: the dialog stands above the window.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x3a, 0x3e, 0x46), 1.0));
    p.drawRect(hairlineRect(QRectF(0, 0, width, height)));
    p.setPen(QPen(withAlpha(kGold, 90), 1.0));
    p.drawLine(QPointF(1, 0.5), QPointF(width - 1, 0.5));
}

}  // namespace

void paintDialog(QPainter& p, const layout::Window& dialog, State state) {
    p.setRenderHint(QPainter::Antialiasing, true);
    frame(p, dialog.width, dialog.height);
    for (const layout::Rect& g : dialog.groups) groupPanel(p, toQt(g), false);
    for (const layout::Control& c : dialog.controls) paintControl(p, c, state);
}

}  // namespace art
