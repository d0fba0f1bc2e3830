#include "panel/pages/blank_page.h"

#include <QPainter>

namespace panel {

namespace {
// The start page's content below the title strip.
const QRect kBlankArea(1, 57, 958, 507);
}  // namespace

// The home tab is cut from the button page's pictures; the page shows the frame's picture.
BlankPage::BlankPage(PageHost& host) : Page(host, layout::kBlankPage, layout::buttonPage()) {}

bool BlankPage::wants(const layout::Control& control) const { return control.role == layout::Role::TabHome; }

void BlankPage::paintOver(QPainter& painter, const QImage& picture) const {
    const qreal ratio = picture.devicePixelRatio();
    const QColor ground = picture.pixelColor(QPoint(kBlankArea.left() + 2, kBlankArea.center().y()) * ratio);
    painter.fillRect(kBlankArea, ground);
}

}  // namespace panel
