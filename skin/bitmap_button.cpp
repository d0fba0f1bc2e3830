#include "skin/bitmap_button.h"

#include <QEnterEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>

#include "skin/skin_style.h"

namespace skin {
CBitmapBtn::CBitmapBtn(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover, false);
}

void CBitmapBtn::setImages(int x, int y, int width, int height, const SkinImage& normal, const SkinImage& hover,
                           const SkinImage& pressed, const SkinImage& disabled) {
    setStateImages(normal.cut(x, y, width, height), hover.cut(x, y, width, height), pressed.cut(x, y, width, height),
                   disabled.cut(x, y, width, height));
}

void CBitmapBtn::setStateImages(const SkinImage& normal, const SkinImage& hover, const SkinImage& pressed,
                                const SkinImage& disabled) {
    images_[0] = normal;
    images_[1] = hover;
    images_[2] = pressed;
    images_[3] = disabled;
    update();
}

void CBitmapBtn::setCaption(const QString& text, int xOffset, int orientation) {
    QString flat = caption_;
    flat.replace('\n', ' ');
    // The caption names the button for assistive tools unless the window named it otherwise.
    if (accessibleName().isEmpty() || accessibleName() == flat) setAccessibleName(QString(text).replace('\n', ' '));
    caption_ = text;
    xOffset_ = xOffset;
    orientation_ = orientation;
    update();
}

void CBitmapBtn::setFontHeight(int pixels) {
    fontHeight_ = pixels;
    update();
}

void CBitmapBtn::setTextLayout(int mode) {
    textLayout_ = mode;
    update();
}

void CBitmapBtn::setCaptionColors(uint32_t normal, uint32_t hover, uint32_t pressed, uint32_t disabled) {
    colors_[0] = normal;
    colors_[1] = hover;
    colors_[2] = pressed;
    colors_[3] = disabled;
    update();
}

void CBitmapBtn::setHighlighted(bool on) {
    if (on == highlighted_) return;
    highlighted_ = on;
    update();
}

CBitmapBtn::Visual CBitmapBtn::chooseVisual(bool toggleMode, bool checked, bool down, bool hover, bool enabled) {
    if (toggleMode) {
        if (checked) return enabled ? Visual::Pressed : Visual::Disabled;
        return enabled ? Visual::Normal : Visual::Disabled;
    }
    if (down) return Visual::Pressed;
    if (hover) return Visual::Hover;
    return enabled ? Visual::Normal : Visual::Disabled;
}

CBitmapBtn::Visual CBitmapBtn::visual() const {
    // A disabled button never shows the hover state: the pointer cannot act on it.
    return chooseVisual(isCheckable(), isChecked(), isDown(), (hover_ || highlighted_) && isEnabled(), isEnabled());
}

uint32_t CBitmapBtn::captionColor() const { return colors_[int(visual())]; }

QSize CBitmapBtn::sizeHint() const {
    const SkinImage& image = images_[0];
    if (!image.isNull()) return {image.width(), image.height()};
    return {80, 24};
}

void CBitmapBtn::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const SkinImage& image = images_[int(visual())];
    if (!image.isNull()) painter.drawImage(QRectF(rect()), image.image());
    if (!caption_.isEmpty()) drawCaption(painter);
    if (submenuMark_) {
        const QPointF tip(width() - 11.5, height() / 2.0);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(fromColorRef(captionColor()), 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPolyline(QPolygonF({tip + QPointF(-3.5, -4), tip, tip + QPointF(-3.5, 4)}));
    }
    if (keyboardFocus_ && hasFocus()) {
        painter.setPen(QPen(focusOutlineColour(), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void CBitmapBtn::setSubmenuMark(bool on) {
    if (submenuMark_ == on) return;
    submenuMark_ = on;
    update();
}

void CBitmapBtn::drawCaption(QPainter& painter) {
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(uiFont(fontHeight_));
    painter.setPen(fromColorRef(captionColor()));
    const QFontMetrics metrics(painter.font());
    if (textLayout_ != LayoutNone) {
        if (textLayout_ == LayoutSingleLineCentred) {
            QString line = caption_;
            line.replace('\n', ' ');
            painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine,
                             metrics.elidedText(line, Qt::ElideRight, width()));
        } else {
            // Word-wrapped layouts start at the top: vertical centring applies to single lines only.
            const int align = textLayout_ == LayoutWordBreakCentred ? Qt::AlignHCenter : Qt::AlignLeft;
            painter.drawText(rect(), align | Qt::AlignTop | Qt::TextWordWrap, caption_);
        }
        return;
    }
    const QRect extent = metrics.boundingRect(QRect(0, 0, 100000, 100000), Qt::AlignLeft | Qt::AlignTop, caption_);
    const int cx = extent.width(), cy = extent.height();
    const int w = width(), h = height();
    int x, y;
    qreal angle = 0;
    switch (orientation_) {
    case 2:
        x = w / 2 - cy / 2;
        y = h / 2 + cx / 2;
        angle = -90;
        break;
    case 3:
        x = w / 2 + cy / 2;
        y = h / 2 - cx / 2;
        angle = 90;
        break;
    default:
        x = w / 2 - cx / 2;
        y = h / 2 - cy / 2;
        break;
    }
    if (xOffset_ != 0) x = xOffset_;
    painter.save();
    painter.translate(x, y);
    painter.rotate(angle);
    painter.drawText(QRect(0, 0, cx, cy), Qt::AlignHCenter | Qt::AlignTop, caption_);  // lines centred on each other
    painter.restore();
}

void CBitmapBtn::enterEvent(QEnterEvent* event) {
    hover_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CBitmapBtn::leaveEvent(QEvent* event) {
    hover_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void CBitmapBtn::focusInEvent(QFocusEvent* event) {
    keyboardFocus_ = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason ||
                     event->reason() == Qt::ShortcutFocusReason;
    QAbstractButton::focusInEvent(event);
    update();
}

void CBitmapBtn::focusOutEvent(QFocusEvent* event) {
    keyboardFocus_ = false;
    QAbstractButton::focusOutEvent(event);
    update();
}

void CBitmapBtn::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !event->isAutoRepeat()) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void CBitmapBtn::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) update();
    QAbstractButton::changeEvent(event);
}

}  // namespace skin
