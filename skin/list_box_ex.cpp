#include "skin/list_box_ex.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>

#include "skin/skin_description.h"
#include "skin/skin_style.h"
#include "skin/skinned_window.h"

namespace skin {
namespace {

constexpr int kPictureSize = 16;
constexpr int kMargin = 6;
constexpr int kTextLeft = kMargin + kPictureSize + 8;
constexpr int kScrollMark = 3;   // width of the scroll position mark at the right edge
constexpr int kWheelLines = 3;   // items per wheel notch

}  // namespace

CListBoxEx::CListBoxEx(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CListBoxEx::setColors(uint32_t background, uint32_t selection, uint32_t text, uint32_t selectedText) {
    colors_[0] = background;
    colors_[1] = selection;
    colors_[2] = text;
    colors_[3] = selectedText;
    update();
}

void CListBoxEx::loadPictures(const std::string& programFolder) {
    pressed_ = SkinImage::load(QString::fromStdString(skinImagePath(programFolder, kPressedPicture)));
    released_ = SkinImage::load(QString::fromStdString(skinImagePath(programFolder, kReleasedPicture)));
    update();
}

void CListBoxEx::setItemHeight(int pixels) {
    itemHeight_ = std::max(pixels, 8);
    scrollTo(top_);
}

void CListBoxEx::setFontHeight(int pixels) {
    fontHeight_ = pixels;
    update();
}

int CListBoxEx::addString(const QString& text, int value) { return insertString(count(), text, value); }

int CListBoxEx::insertString(int index, const QString& text, int value) {
    if (index < 0 || index > count()) index = count();
    items_.insert(items_.begin() + index, Item{text, value});
    if (selection_ >= index) ++selection_;
    update();
    return index;
}

bool CListBoxEx::setItem(int index, const QString& text, int value) {
    if (index < 0 || index >= count()) return false;
    items_[index] = Item{text, value};
    update();
    return true;
}

bool CListBoxEx::deleteString(int index) {
    if (index < 0 || index >= count()) return false;
    items_.erase(items_.begin() + index);
    if (selection_ == index) selection_ = -1;
    else if (selection_ > index) --selection_;
    scrollTo(top_);
    update();
    return true;
}

void CListBoxEx::resetContent() {
    items_.clear();
    selection_ = -1;
    top_ = 0;
    update();
}

QString CListBoxEx::text(int index) const { return index >= 0 && index < count() ? items_[index].text : QString(); }

int CListBoxEx::itemData(int index) const { return index >= 0 && index < count() ? items_[index].value : -1; }

void CListBoxEx::setCurSel(int index) { select(index, false); }

void CListBoxEx::select(int index, bool notify) {
    if (index < 0 || index >= count()) index = -1;
    selection_ = index;
    if (index >= 0) ensureVisible(index);
    update();
    if (notify && index >= 0) sendTo(target(), kListSelected, index, 0);
}

SkinnedWindow* CListBoxEx::target() const {
    return target_ != nullptr ? target_ : SkinnedWindow::nearestSkinnedWindow(this);
}

int CListBoxEx::visibleRows() const { return std::max(1, height() / itemHeight_); }

int CListBoxEx::maxTop() const { return std::max(0, count() - visibleRows()); }

void CListBoxEx::scrollTo(int top) {
    top_ = std::clamp(top, 0, maxTop());
    update();
}

void CListBoxEx::ensureVisible(int index) {
    if (index < top_) scrollTo(index);
    else if (index >= top_ + visibleRows()) scrollTo(index - visibleRows() + 1);
}

int CListBoxEx::itemAt(const QPoint& point) const {
    if (point.y() < 0 || point.x() < 0 || point.x() >= width()) return -1;
    const int index = top_ + point.y() / itemHeight_;
    return index < count() ? index : -1;
}

QSize CListBoxEx::sizeHint() const { return {200, itemHeight_ * std::max(1, std::min(count(), 10))}; }

void CListBoxEx::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), fromColorRef(colors_[0]));
    p.setFont(uiFont(fontHeight_));
    const bool overflow = count() > visibleRows();
    const int textRight = width() - kMargin - (overflow ? kScrollMark + 2 : 0);
    for (int i = top_, row = 0; i < count() && row * itemHeight_ < height(); ++i, ++row) {
        const QRect line(0, row * itemHeight_, width(), itemHeight_);
        const bool selected = i == selection_;
        if (selected) p.fillRect(line, fromColorRef(colors_[1]));
        const Item& item = items_[i];
        const SkinImage* picture = item.value == kItemPressed ? &pressed_ : item.value == kItemReleased ? &released_ : nullptr;
        if (picture != nullptr && !picture->isNull()) {
            const int y = line.top() + (itemHeight_ - kPictureSize) / 2;
            p.drawImage(QRect(kMargin, y, kPictureSize, kPictureSize), picture->image());
        }
        p.setPen(fromColorRef(colors_[selected ? 3 : 2]));
        const QRect textArea(kTextLeft, line.top(), textRight - kTextLeft, itemHeight_);
        p.drawText(textArea, Qt::AlignVCenter | Qt::AlignLeft,
                   p.fontMetrics().elidedText(item.text, Qt::ElideRight, textArea.width()));
    }
    if (overflow) {
        // Where the shown rows lie in the whole list.
        const int track = height() - 4;
        const int length = std::max(12, track * visibleRows() / count());
        const int y = 2 + (track - length) * top_ / std::max(1, maxTop());
        QColor mark = fromColorRef(colors_[2]);
        mark.setAlpha(90);
        p.fillRect(QRect(width() - kScrollMark - 2, y, kScrollMark, length), mark);
    }
    if (hasFocus()) {
        p.setPen(focusOutlineColour());
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void CListBoxEx::mousePressEvent(QMouseEvent* event) {
    const int index = itemAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton) {
        if (index >= 0) select(index, true);
        if (event->button() == Qt::RightButton) {
            const QPoint at = event->globalPosition().toPoint();
            sendTo(target(), kListMenuRequested, at.x(), at.y());
        }
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void CListBoxEx::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const int index = itemAt(event->position().toPoint());
    if (index < 0) return;
    select(index, false);
    const int value = items_[index].value;
    if (value == kItemDelay) postTo(target(), kListEditDelay, index, 0);
    else if (value == kItemMove) postTo(target(), kListEditMove, index, 0);
    event->accept();
}

void CListBoxEx::wheelEvent(QWheelEvent* event) {
    wheelRemainder_ += event->angleDelta().y();
    const int notches = wheelRemainder_ / 120;
    wheelRemainder_ -= notches * 120;
    if (notches != 0) scrollTo(top_ - notches * kWheelLines);
    event->accept();
}

void CListBoxEx::keyPressEvent(QKeyEvent* event) {
    if (count() == 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    int index = selection_;
    switch (event->key()) {
        case Qt::Key_Up: index = selection_ < 0 ? count() - 1 : std::max(0, selection_ - 1); break;
        case Qt::Key_Down: index = selection_ < 0 ? 0 : std::min(count() - 1, selection_ + 1); break;
        case Qt::Key_Home: index = 0; break;
        case Qt::Key_End: index = count() - 1; break;
        case Qt::Key_PageUp: index = std::max(0, (selection_ < 0 ? 0 : selection_) - visibleRows()); break;
        case Qt::Key_PageDown: index = std::min(count() - 1, (selection_ < 0 ? 0 : selection_) + visibleRows()); break;
        default: QWidget::keyPressEvent(event); return;
    }
    if (index != selection_) select(index, true);
    event->accept();
}

void CListBoxEx::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    scrollTo(top_);
}

}  // namespace skin
