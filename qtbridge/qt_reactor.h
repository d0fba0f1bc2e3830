#pragma once
// QtReactor: platform::Reactor over Qt's event loop, so the message bus (platform::Window) and any
// other Reactor client run inside a Qt program (the tray program, the configuration UI).
//
// - watchReadable: one QSocketNotifier (type Read) per fd. Qt's dispatchers poll level-triggered
//   and report hang-up and error as readable, which is what the Reactor contract asks for.
// - addTimer: one QTimer per timer (precise below one second, coarse above, so long timers may be
//   batched with other wake-ups); periodic timers of 0 ms run every 1 ms.
// - runOnLoop: a queued invocation onto the reactor's own QObject. Posting is thread-safe and
//   events posted to one object arrive in posting order, so closures keep their order.
//
// The reactor belongs to the thread that constructs it (normally the GUI thread, after the
// QCoreApplication/QApplication exists); that thread must run a Qt event loop (app.exec()).
// unwatch() and cancelTimer() are safe inside any callback, including the watched fd's or the
// timer's own. Destroying the reactor drops its notifiers, timers and still-queued closures; it
// must be destroyed on its own thread, after every Window built on it, and no other thread may
// call runOnLoop() while it is being destroyed.
//
// Example:
//   QApplication app(argc, argv);
//   QtReactor reactor;
//   platform::Window window(reactor, [&](uint32_t m, int64_t w, int64_t l) { ... });
//   window.create("KORVANTEMouseTraylet");
//   return app.exec();
#include "platform/event_loop.h"

#include <map>
#include <memory>

class QObject;
class QSocketNotifier;
class QTimer;

class QtReactor final : public platform::Reactor {
public:
    QtReactor();
    ~QtReactor() override;
    QtReactor(const QtReactor&) = delete;
    QtReactor& operator=(const QtReactor&) = delete;

    bool watchReadable(int fd, Callback onReadable) override;
    void unwatch(int fd) override;
    TimerId addTimer(uint32_t ms, bool periodic, Callback onTimer) override;
    void cancelTimer(TimerId id) override;
    void runOnLoop(Callback fn) override;
    bool isLoopThread() const override;

    // Number of live watches and timers (for tests and diagnostics).
    size_t watchCount() const { return watches_.size(); }
    size_t timerCount() const { return timers_.size(); }

private:
    struct Watch {
        QSocketNotifier* notifier = nullptr;  // child of context_
        std::shared_ptr<Callback> callback;
    };
    struct Timer {
        QTimer* timer = nullptr;  // child of context_
        bool periodic = false;
        std::shared_ptr<Callback> callback;
    };

    void onReadable(int fd, QSocketNotifier* source);
    void onTimer(TimerId id);
    static void retire(QObject* object);

    // Parent of every notifier and timer and target of the queued closures. Deleting it (in the
    // destructor) deletes them all and discards closures still queued for it.
    std::unique_ptr<QObject> context_;
    std::map<int, Watch> watches_;
    std::map<TimerId, Timer> timers_;
    TimerId nextTimerId_ = 1;
};
