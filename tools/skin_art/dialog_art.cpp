#include "tools/skin_art/dialog_art.h"

#include "panel/layout/dialog_layout.h"
#include "tools/skin_art/window_art.h"

namespace art {
namespace {

using namespace palette;

QRectF toQt(const layout::Rect& r) { return QRectF(r.left, r.top, r.width(), r.height()); }

void frame(QPainter& p, int width, int height) {
    // Title strip with the brand mark, footer strip.
    windowGround(p, width, height, layout::kDialogTitleStrip, layout::kDialogFooter, 16, 176);
    brandMark(p, toQt(layout::dialogMarkArea()), kGold);

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
    for (const layout::Group& g : dialog.groups) groupPanel(p, toQt(g.rect), false);
    for (const layout::Control& c : dialog.controls) paintControl(p, c, state);
}

}  // namespace art
