#include "qtbridge/qt_reactor.h"

#include "platform/diagnostics.h"

#include <QMetaObject>
#include <QObject>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <utility>

QtReactor::QtReactor() : context_(std::make_unique<QObject>()) {}

QtReactor::~QtReactor() {
    // Children (notifiers and timers, including retired ones not yet deleted) go with the context.
    watches_.clear();
    timers_.clear();
    context_.reset();
}

// A notifier or timer may be the sender of the signal that is running right now, so it is only
// silenced here and deleted when control is back in the event loop (or with the context).
void QtReactor::retire(QObject* object) {
    if (!object) return;
    QObject::disconnect(object, nullptr, nullptr, nullptr);
    if (auto* notifier = qobject_cast<QSocketNotifier*>(object)) notifier->setEnabled(false);
    if (auto* timer = qobject_cast<QTimer*>(object)) timer->stop();
    object->deleteLater();
}

bool QtReactor::watchReadable(int fd, Callback onReadable) {
    if (fd < 0 || !onReadable) return false;
    auto callback = std::make_shared<Callback>(std::move(onReadable));
    auto it = watches_.find(fd);
    if (it != watches_.end()) {
        // Same fd again: keep the notifier, swap the callback (a running callback holds its own copy).
        it->second.callback = std::move(callback);
        return true;
    }
    auto* notifier = new QSocketNotifier(static_cast<qintptr>(fd), QSocketNotifier::Read, context_.get());
    if (!notifier->isValid()) {
        platform::debugPrintf("QtReactor: cannot watch fd %d", fd);
        delete notifier;
        return false;
    }
    QObject::connect(notifier, &QSocketNotifier::activated, context_.get(),
                     [this, fd, notifier] { this->onReadable(fd, notifier); });
    watches_[fd] = Watch{notifier, std::move(callback)};
    notifier->setEnabled(true);
    return true;
}

void QtReactor::unwatch(int fd) {
    auto it = watches_.find(fd);
    if (it == watches_.end()) return;
    retire(it->second.notifier);
    watches_.erase(it);
}

void QtReactor::onReadable(int fd, QSocketNotifier* source) {
    auto it = watches_.find(fd);
    // A retired notifier of a closed and reused fd number must not run the new owner's callback.
    if (it == watches_.end() || it->second.notifier != source) return;
    std::shared_ptr<Callback> callback = it->second.callback;  // survives unwatch() inside the call
    (*callback)();
}

platform::Reactor::TimerId QtReactor::addTimer(uint32_t ms, bool periodic, Callback onTimer) {
    if (!onTimer) return 0;
    if (periodic && ms == 0) ms = 1;
    TimerId id = nextTimerId_++;
    auto* timer = new QTimer(context_.get());
    timer->setSingleShot(!periodic);
    timer->setTimerType(ms < 1000 ? Qt::PreciseTimer : Qt::CoarseTimer);
    QObject::connect(timer, &QTimer::timeout, context_.get(), [this, id] { this->onTimer(id); });
    timers_[id] = Timer{timer, periodic, std::make_shared<Callback>(std::move(onTimer))};
    // QTimer takes an int; longer intervals than ~24 days are clamped.
    timer->start(ms > static_cast<uint32_t>(INT32_MAX) ? INT32_MAX : static_cast<int>(ms));
    return id;
}

void QtReactor::cancelTimer(TimerId id) {
    auto it = timers_.find(id);
    if (it == timers_.end()) return;
    retire(it->second.timer);
    timers_.erase(it);
}

void QtReactor::onTimer(TimerId id) {
    auto it = timers_.find(id);
    if (it == timers_.end()) return;
    std::shared_ptr<Callback> callback = it->second.callback;
    if (!it->second.periodic) {  // a one-shot timer is finished before its callback runs
        retire(it->second.timer);
        timers_.erase(it);
    }
    (*callback)();
}

void QtReactor::runOnLoop(Callback fn) {
    if (!fn) return;
    QMetaObject::invokeMethod(context_.get(), [fn = std::move(fn)] { fn(); }, Qt::QueuedConnection);
}

bool QtReactor::isLoopThread() const { return QThread::currentThread() == context_->thread(); }
