#include "skin/skinned_window.h"

#include <QCoreApplication>
#include <QPainter>

namespace skin {
namespace {

const QEvent::Type kMessageEvent = QEvent::Type(QEvent::registerEventType());

class MessageEvent : public QEvent {
public:
    MessageEvent(uint32_t message, int64_t wParam, int64_t lParam)
        : QEvent(kMessageEvent), message(message), wParam(wParam), lParam(lParam) {}
    const uint32_t message;
    const int64_t wParam, lParam;
};

}  // namespace

SkinnedWindow::SkinnedWindow(QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags) {}

void SkinnedWindow::postMessage(uint32_t message, int64_t wParam, int64_t lParam) {
    // Events posted to one receiver with one priority are delivered in posting order; events for
    // a receiver that is destroyed first are dropped with it.
    QCoreApplication::postEvent(this, new MessageEvent(message, wParam, lParam));
}

int64_t SkinnedWindow::sendMessage(uint32_t message, int64_t wParam, int64_t lParam) {
    return onMessage(message, wParam, lParam);
}

bool SkinnedWindow::event(QEvent* event) {
    if (event->type() == kMessageEvent) {
        auto* m = static_cast<MessageEvent*>(event);
        onMessage(m->message, m->wParam, m->lParam);
        return true;
    }
    return QWidget::event(event);
}

void SkinnedWindow::setBackgroundPicture(const SkinImage& picture) {
    background_ = picture;
    resize(picture.width(), picture.height());
    update();
}

void SkinnedWindow::paintEvent(QPaintEvent*) {
    if (background_.isNull()) return;
    QPainter painter(this);
    painter.drawImage(QPointF(0, 0), background_.image());
}

SkinnedWindow* SkinnedWindow::nearestSkinnedWindow(const QWidget* widget) {
    for (QWidget* w = widget ? widget->parentWidget() : nullptr; w; w = w->parentWidget()) {
        if (auto* window = qobject_cast<SkinnedWindow*>(w)) return window;
    }
    return nullptr;
}

void postTo(SkinnedWindow* window, uint32_t message, int64_t wParam, int64_t lParam) {
    if (window) window->postMessage(message, wParam, lParam);
}

void sendTo(SkinnedWindow* window, uint32_t message, int64_t wParam, int64_t lParam) {
    if (window) window->sendMessage(message, wParam, lParam);
}

}  // namespace skin
