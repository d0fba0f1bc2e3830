#include "skin/slider.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "skin/accessibility.h"
#include "skin/skin_style.h"
#include "skin/skinned_window.h"
#include "skin/slider_math.h"

namespace skin {

CPngHSlider::CPngHSlider(CPngHSliderBar* track, SkinImage picture, SkinImage disabledPicture)
    : QWidget(track), track_(track), picture_(std::move(picture)), disabledPicture_(std::move(disabledPicture)) {
    resize(picture_.width(), picture_.height());
}

void CPngHSlider::paintEvent(QPaintEvent*) {
    const SkinImage& shown = !track_->isEnabled() && !disabledPicture_.isNull() ? disabledPicture_ : picture_;
    if (shown.isNull()) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(rect()), shown.image());
}

void CPngHSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    track_->setFocus(Qt::MouseFocusReason);  // the keys then move it on
    // The widget receives every move until the release (Qt's implicit grab).
    dragging_ = true;
    grabX_ = int(event->position().x());
}

void CPngHSlider::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) return;
    track_->thumbDragged(x() + int(event->position().x()) - grabX_);
}

void CPngHSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !dragging_) return;
    dragging_ = false;
    track_->thumbReleased();
}

CPngHSliderBar::CPngHSliderBar(QWidget* parent) : QWidget(parent) {
    installAccessibility();
    setFocusPolicy(Qt::TabFocus);
}

bool CPngHSliderBar::create(const SkinImage& track, const QString& thumbPath, const QString& disabledThumbPath,
                            const QRect& trackRect, SkinnedWindow* parent, int identifier, const SkinImage& fill) {
    return create(track, SkinImage::load(thumbPath),
                  disabledThumbPath.isEmpty() ? SkinImage() : SkinImage::load(disabledThumbPath), trackRect, parent,
                  identifier, fill);
}

bool CPngHSliderBar::create(const QString& trackPath, const QString& thumbPath, const QString& disabledThumbPath,
                            const QRect& trackRect, SkinnedWindow* parent, int identifier, const QString& fillPath) {
    return create(SkinImage::load(trackPath), thumbPath, disabledThumbPath, trackRect, parent, identifier,
                  fillPath.isEmpty() ? SkinImage() : SkinImage::load(fillPath));
}

bool CPngHSliderBar::create(const SkinImage& track, const SkinImage& thumb, const SkinImage& disabledThumb,
                            const QRect& trackRect, SkinnedWindow* parent, int identifier, const SkinImage& fill) {
    if (parent && parentWidget() != parent) setParent(parent);
    target_ = parent;
    identifier_ = identifier;
    track_ = track;
    fill_ = fill;
    setGeometry(trackRect);
    delete thumb_;
    thumb_ = new CPngHSlider(this, thumb, disabledThumb);
    value_ = 0;
    placeThumb();
    show();
    return !thumb.isNull();
}

void CPngHSliderBar::setRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = maximum;
    placeThumb();
    update();
}

void CPngHSliderBar::setValue(int value) {
    value_ = value < minimum_ || value > maximum_ ? minimum_ : value;
    placeThumb();
    update();
}

int CPngHSliderBar::thumbWidth() const { return thumb_ ? thumb_->width() : 0; }

int CPngHSliderBar::valueAt(int x) const {
    return sliderValueFromPosition(x, 0, width(), thumbWidth(), minimum_, maximum_);
}

void CPngHSliderBar::placeThumb() {
    valueShown();
    if (!thumb_) return;
    const int x = sliderPositionFromValue(value_, 0, width(), thumbWidth(), minimum_, maximum_);
    thumb_->move(x, (height() - thumb_->height()) / 2);
    thumb_->update();
}

void CPngHSliderBar::valueShown() {
    if (value_ == announced_) return;
    announced_ = value_;
    accessible::valueChanged(this, value_);
}

void CPngHSliderBar::post(uint32_t message, int identifier) {
    postTo(target_ ? target_ : SkinnedWindow::nearestSkinnedWindow(this), message, value_, identifier);
}

void CPngHSliderBar::thumbDragged(int x) {
    // Only horizontally, and never out of the track.
    x = std::clamp(x, 0, std::max(width() - thumbWidth(), 0));
    thumb_->move(x, thumb_->y());
    value_ = valueAt(x);
    valueShown();
    update();
    post(kSliderDragged, identifier_);
}

void CPngHSliderBar::thumbReleased() {
    value_ = valueAt(thumb_->x());
    valueShown();
    post(kSliderReleased, identifier_);
    post(kSliderReleased, identifier_ + kSliderFinalOffset);
}

void CPngHSliderBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    setFocus(Qt::MouseFocusReason);
    setValue(valueAt(int(event->position().x())));
    post(kSliderReleased, identifier_);
}

void CPngHSliderBar::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    setValue(valueAt(std::clamp(int(event->position().x()), 0, width())));
    post(kSliderReleased, identifier_);
    post(kSliderReleased, identifier_ + kSliderFinalOffset);
}

void CPngHSliderBar::keyPressEvent(QKeyEvent* event) {
    // Arrows one value, Page Up and Down ten, Home and End to the ends; each key is a release.
    int next = value_;
    switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Down: next = value_ - 1; break;
        case Qt::Key_Right:
        case Qt::Key_Up: next = value_ + 1; break;
        case Qt::Key_PageDown: next = value_ - kPageStep; break;
        case Qt::Key_PageUp: next = value_ + kPageStep; break;
        case Qt::Key_Home: next = minimum_; break;
        case Qt::Key_End: next = maximum_; break;
        default: QWidget::keyPressEvent(event); return;
    }
    choose(next);
}

void CPngHSliderBar::choose(int value) {
    const int next = std::clamp(value, minimum_, std::max(minimum_, maximum_));
    if (next == value_) return;
    setValue(next);
    post(kSliderReleased, identifier_);
    post(kSliderReleased, identifier_ + kSliderFinalOffset);
}

void CPngHSliderBar::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange && thumb_) thumb_->update();
    QWidget::changeEvent(event);
}

void CPngHSliderBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (!track_.isNull()) painter.drawImage(QRectF(rect()), track_.image());
    if (!fill_.isNull() && thumb_) {
        painter.setClipRect(QRect(0, 0, thumb_->x() + 1, height()));
        painter.drawImage(QRectF(rect()), fill_.image());
    }
    if (hasFocus()) {
        painter.setClipping(false);
        painter.setPen(QPen(focusOutlineColour(), 1));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

}  // namespace skin
