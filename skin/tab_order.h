#pragma once
// Tab order in reading order: the window's shown controls that take Tab, row by row from top to
// bottom and from left to right within a row. Controls whose tops lie within a few pixels of the
// row's first one share its row (a text link beside taller buttons, a slider beside a button).
#include <QRect>
#include <vector>

class QWidget;

namespace skin {

// The indices of the rectangles in reading order.
std::vector<int> readingOrder(const std::vector<QRect>& places);

// Chains the Tab order of the window's shown controls (not of its popups or dialogs) in reading
// order.
void orderTabsByPlace(QWidget& window);

}  // namespace skin
