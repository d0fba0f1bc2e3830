#pragma once
// The event loop of the background programs and the Reactor interface every loop offers.
//
// Reactor is what the message bus and the device code register with: file descriptors watched for
// readability, one-shot and periodic timers, and a thread-safe queue of closures that run on the
// loop's thread. EventLoop implements it with epoll, one timerfd, a signalfd and an eventfd; the UI
// programs implement it over Qt (QSocketNotifier, QTimer, a queued invocation), so the same bus
// code serves both. A loop never wakes while idle: no polling interval, timers armed only while a
// timer exists.
//
// Typical service use:
//   platform::EventLoop loop;
//   loop.handleTerminationSignals([&] { /* last words */ });   // before starting any thread
//   platform::Window window(loop, handler);                    // message_bus.h
//   window.create("KORVANTEHidAgent");
//   // reader thread:  loop.runOnLoop([report] { ... runs on the window's thread ... });
//   return loop.run();
#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <utility>

namespace platform {

// Monotonic milliseconds (GetTickCount's stand-in; never jumps with the wall clock).
uint64_t tickCountMs();

// Blocks the calling thread for the given milliseconds (restarts after signals).
void sleepMs(uint32_t ms);

// A Qt implementation maps one to one: watchReadable -> QSocketNotifier(fd, Read) (deleteLater on
// unwatch), addTimer -> QTimer (single-shot or repeating), runOnLoop -> QMetaObject::invokeMethod
// with Qt::QueuedConnection on an object of the GUI thread (queued events keep their order),
// isLoopThread -> QThread::currentThread() == that object's thread. Callbacks may re-enter through
// nested loops (modal dialogs); the bus tolerates that.
class Reactor {
public:
    using Callback = std::function<void()>;
    using TimerId = uint64_t;  // 0 is never a valid id

    virtual ~Reactor() = default;

    // Calls onReadable on the loop's thread while fd is readable, has hung up or has an error
    // (level-triggered: the callback must read or unwatch). One callback per fd; watching an fd
    // again replaces its callback. The fd stays owned by the caller. Loop thread only.
    virtual bool watchReadable(int fd, Callback onReadable) = 0;

    // Stops watching fd; safe inside any callback, including fd's own. Loop thread only.
    virtual void unwatch(int fd) = 0;

    // Calls onTimer on the loop's thread after `ms` milliseconds, once or every `ms` (periodic
    // timers of 0 ms are treated as 1 ms). Returns 0 on failure. Loop thread only.
    virtual TimerId addTimer(uint32_t ms, bool periodic, Callback onTimer) = 0;

    // Cancels a timer; unknown or finished ids are ignored; safe inside the timer's own callback.
    virtual void cancelTimer(TimerId id) = 0;

    // Thread-safe: queues fn to run on the loop's thread, after everything queued before it.
    virtual void runOnLoop(Callback fn) = 0;

    // True when called on the thread that runs this loop.
    virtual bool isLoopThread() const = 0;
};

// epoll-based loop of the background programs (hidagent, mousesim, korvante-msg).
class EventLoop final : public Reactor {
public:
    EventLoop();
    ~EventLoop() override;
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;

    // False when the kernel objects could not be created (a diagnostics line says which).
    bool valid() const { return epollFd_ >= 0 && wakeFd_ >= 0 && timerFd_ >= 0; }

    // Runs until quit(); returns the code given to quit(). The calling thread becomes the loop's
    // thread.
    int run();

    // Thread-safe: makes run() return with `code` after the current callback.
    void quit(int code = 0);

    // Blocks SIGTERM and SIGINT in the calling thread (threads created later inherit that) and
    // turns them into an event: the handler (if any) runs on the loop's thread, then the loop
    // quits with code 0. Call before starting other threads.
    bool handleTerminationSignals(Callback handler = nullptr);

    // True when a termination signal has arrived and waits for the loop (a long callback on the
    // loop's thread can ask this before starting anything that would outlive the shutdown).
    bool terminationPending() const;

    bool watchReadable(int fd, Callback onReadable) override;
    void unwatch(int fd) override;
    TimerId addTimer(uint32_t ms, bool periodic, Callback onTimer) override;
    void cancelTimer(TimerId id) override;
    void runOnLoop(Callback fn) override;
    bool isLoopThread() const override;

private:
    struct Watch {
        int fd;
        uint64_t token;
        Callback callback;
    };
    struct Timer {
        uint64_t deadline;  // monotonic ms
        uint32_t period;    // 0 for one-shot
        Callback callback;
    };

    void rearmTimerFd();
    void fireDueTimers();
    void drainQueue();
    void onSignal();
    bool addFd(int fd, uint64_t token);

    int epollFd_ = -1;
    int wakeFd_ = -1;    // eventfd: runOnLoop() and quit()
    int timerFd_ = -1;   // one timerfd armed for the earliest timer
    int signalFd_ = -1;
    Callback signalHandler_;

    std::map<int, std::shared_ptr<Watch>> watchesByFd_;
    std::map<uint64_t, std::shared_ptr<Watch>> watchesByToken_;
    uint64_t nextToken_ = 16;  // tokens below 16 name the loop's own descriptors

    std::map<TimerId, Timer> timers_;
    std::set<std::pair<uint64_t, TimerId>> timerOrder_;
    TimerId nextTimerId_ = 1;
    uint64_t armedDeadline_ = 0;

    std::mutex queueMutex_;
    std::deque<Callback> queue_;

    std::atomic<bool> quitRequested_{false};
    std::atomic<int> exitCode_{0};
    std::atomic<std::thread::id> loopThread_;
};

}  // namespace platform
