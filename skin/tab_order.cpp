#include "skin/tab_order.h"

#include <QWidget>

#include <algorithm>
#include <numeric>

namespace skin {

namespace {
// Controls whose tops lie this close share a row (a text link beside taller buttons).
constexpr int kRowSlack = 8;
}  // namespace

std::vector<int> readingOrder(const std::vector<QRect>& places) {
    std::vector<int> order(places.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return places[a].top() < places[b].top(); });
    // Cut into rows, then each row from left to right.
    auto rowStart = order.begin();
    while (rowStart != order.end()) {
        const int rowTop = places[*rowStart].top();
        auto rowEnd = std::find_if(rowStart, order.end(), [&](int i) { return places[i].top() > rowTop + kRowSlack; });
        std::stable_sort(rowStart, rowEnd, [&](int a, int b) { return places[a].left() < places[b].left(); });
        rowStart = rowEnd;
    }
    return order;
}

void orderTabsByPlace(QWidget& window) {
    std::vector<QWidget*> controls;
    std::vector<QRect> places;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (w->window() != &window || !w->isVisibleTo(&window) || !(w->focusPolicy() & Qt::TabFocus)) continue;
        controls.push_back(w);
        places.emplace_back(w->mapTo(&window, QPoint(0, 0)), w->size());
    }
    const std::vector<int> order = readingOrder(places);
    for (size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(controls[order[i - 1]], controls[order[i]]);
}

}  // namespace skin
