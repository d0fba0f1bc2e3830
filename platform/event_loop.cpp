#include "platform/event_loop.h"

#include "platform/diagnostics.h"

#include <poll.h>
#include <signal.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace platform {
namespace {

constexpr uint64_t kWakeToken = 1;
constexpr uint64_t kTimerToken = 2;
constexpr uint64_t kSignalToken = 3;

}  // namespace

uint64_t tickCountMs() {
    struct timespec ts {};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
}

void sleepMs(uint32_t ms) {
    struct timespec left {static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

EventLoop::EventLoop() : loopThread_(std::this_thread::get_id()) {
    epollFd_ = ::epoll_create1(EPOLL_CLOEXEC);
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    timerFd_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
    if (!valid() || !addFd(wakeFd_, kWakeToken) || !addFd(timerFd_, kTimerToken)) {
        debugPrintf("event loop: cannot create its kernel objects (%s)", std::strerror(errno));
    }
}

EventLoop::~EventLoop() {
    for (int fd : {signalFd_, timerFd_, wakeFd_, epollFd_})
        if (fd >= 0) ::close(fd);
}

bool EventLoop::addFd(int fd, uint64_t token) {
    struct epoll_event ev {};
    ev.events = EPOLLIN;
    ev.data.u64 = token;
    return ::epoll_ctl(epollFd_, EPOLL_CTL_ADD, fd, &ev) == 0;
}

int EventLoop::run() {
    loopThread_ = std::this_thread::get_id();
    if (!valid()) return -1;
    constexpr int kMaxEvents = 32;
    struct epoll_event events[kMaxEvents];
    while (!quitRequested_.load()) {
        int n = ::epoll_wait(epollFd_, events, kMaxEvents, -1);
        if (n < 0) {
            if (errno == EINTR) continue;
            debugPrintf("event loop: epoll_wait failed (%s)", std::strerror(errno));
            return -1;
        }
        for (int i = 0; i < n && !quitRequested_.load(); ++i) {
            uint64_t token = events[i].data.u64;
            if (token == kWakeToken) {
                drainQueue();
            } else if (token == kTimerToken) {
                fireDueTimers();
            } else if (token == kSignalToken) {
                onSignal();
            } else {
                // The watch may have been removed by an earlier callback of this batch.
                auto it = watchesByToken_.find(token);
                if (it == watchesByToken_.end()) continue;
                std::shared_ptr<Watch> watch = it->second;  // keeps the callback alive while it runs
                watch->callback();
            }
        }
    }
    quitRequested_ = false;  // the loop may be run again
    return exitCode_.load();
}

void EventLoop::quit(int code) {
    exitCode_ = code;
    quitRequested_ = true;
    uint64_t one = 1;
    if (::write(wakeFd_, &one, sizeof one) < 0 && errno != EAGAIN) {
        debugPrintf("event loop: wake-up failed (%s)", std::strerror(errno));
    }
}

bool EventLoop::handleTerminationSignals(Callback handler) {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    if (::pthread_sigmask(SIG_BLOCK, &set, nullptr) != 0) return false;
    if (signalFd_ < 0) {
        signalFd_ = ::signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
        if (signalFd_ < 0 || !addFd(signalFd_, kSignalToken)) {
            debugPrintf("event loop: cannot watch termination signals (%s)", std::strerror(errno));
            return false;
        }
    }
    signalHandler_ = std::move(handler);
    return true;
}

bool EventLoop::terminationPending() const {
    if (signalFd_ < 0) return false;
    pollfd p{signalFd_, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
}

void EventLoop::onSignal() {
    struct signalfd_siginfo info {};
    bool terminate = false;
    while (::read(signalFd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) terminate = true;
    if (!terminate) return;
    if (signalHandler_) signalHandler_();
    quit(0);
}

bool EventLoop::watchReadable(int fd, Callback onReadable) {
    auto existing = watchesByFd_.find(fd);
    if (existing != watchesByFd_.end()) {
        existing->second->callback = std::move(onReadable);
        return true;
    }
    auto watch = std::make_shared<Watch>(Watch{fd, nextToken_++, std::move(onReadable)});
    if (!addFd(fd, watch->token)) {
        debugPrintf("event loop: cannot watch fd %d (%s)", fd, std::strerror(errno));
        return false;
    }
    watchesByFd_[fd] = watch;
    watchesByToken_[watch->token] = watch;
    return true;
}

void EventLoop::unwatch(int fd) {
    auto it = watchesByFd_.find(fd);
    if (it == watchesByFd_.end()) return;
    ::epoll_ctl(epollFd_, EPOLL_CTL_DEL, fd, nullptr);
    watchesByToken_.erase(it->second->token);
    watchesByFd_.erase(it);
}

Reactor::TimerId EventLoop::addTimer(uint32_t ms, bool periodic, Callback onTimer) {
    if (periodic && ms == 0) ms = 1;
    TimerId id = nextTimerId_++;
    uint64_t deadline = tickCountMs() + ms;
    timers_[id] = Timer{deadline, periodic ? ms : 0u, std::move(onTimer)};
    timerOrder_.insert({deadline, id});
    rearmTimerFd();
    return id;
}

void EventLoop::cancelTimer(TimerId id) {
    auto it = timers_.find(id);
    if (it == timers_.end()) return;
    timerOrder_.erase({it->second.deadline, id});
    timers_.erase(it);
    rearmTimerFd();
}

void EventLoop::rearmTimerFd() {
    uint64_t next = timerOrder_.empty() ? 0 : timerOrder_.begin()->first;
    if (next == armedDeadline_) return;
    armedDeadline_ = next;
    struct itimerspec due {};
    if (next != 0) {
        // Absolute deadline on the same clock as tickCountMs(); a deadline in the past fires at once.
        due.it_value.tv_sec = static_cast<time_t>(next / 1000);
        due.it_value.tv_nsec = static_cast<long>(next % 1000) * 1000000L;
    }
    if (::timerfd_settime(timerFd_, next != 0 ? TFD_TIMER_ABSTIME : 0, &due, nullptr) != 0) {
        debugPrintf("event loop: cannot arm timer (%s)", std::strerror(errno));
    }
}

void EventLoop::fireDueTimers() {
    uint64_t expirations = 0;
    if (::read(timerFd_, &expirations, sizeof expirations) < 0 && errno != EAGAIN) {
        debugPrintf("event loop: timer read failed (%s)", std::strerror(errno));
    }
    armedDeadline_ = 0;  // the timerfd is spent; rearm below
    uint64_t now = tickCountMs();
    // Collect first: callbacks may add or cancel timers.
    std::vector<TimerId> due;
    for (auto& [deadline, id] : timerOrder_) {
        if (deadline > now) break;
        due.push_back(id);
    }
    for (TimerId id : due) {
        auto it = timers_.find(id);
        if (it == timers_.end()) continue;  // cancelled by an earlier callback
        timerOrder_.erase({it->second.deadline, id});
        Callback callback;
        if (it->second.period != 0) {
            // Next period counted from now, so a loop that was busy does not fire a burst.
            it->second.deadline = now + it->second.period;
            timerOrder_.insert({it->second.deadline, id});
            callback = it->second.callback;
        } else {
            callback = std::move(it->second.callback);
            timers_.erase(it);
        }
        callback();
        if (quitRequested_.load()) break;
    }
    rearmTimerFd();
}

void EventLoop::runOnLoop(Callback fn) {
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        queue_.push_back(std::move(fn));
    }
    uint64_t one = 1;
    if (::write(wakeFd_, &one, sizeof one) < 0 && errno != EAGAIN) {
        debugPrintf("event loop: wake-up failed (%s)", std::strerror(errno));
    }
}

void EventLoop::drainQueue() {
    uint64_t count = 0;
    if (::read(wakeFd_, &count, sizeof count) < 0 && errno != EAGAIN) {
        debugPrintf("event loop: wake read failed (%s)", std::strerror(errno));
    }
    // Run only what was queued before this wake-up; later closures re-signal the eventfd.
    std::deque<Callback> batch;
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        batch.swap(queue_);
    }
    while (!batch.empty()) {
        Callback fn = std::move(batch.front());
        batch.pop_front();
        fn();
        if (quitRequested_.load() && !batch.empty()) {
            // Keep the rest, in order, for a later run().
            std::lock_guard<std::mutex> lock(queueMutex_);
            for (auto it = batch.rbegin(); it != batch.rend(); ++it) queue_.push_front(std::move(*it));
            uint64_t one = 1;
            if (::write(wakeFd_, &one, sizeof one) < 0) {
            }
            break;
        }
    }
}

bool EventLoop::isLoopThread() const { return loopThread_.load() == std::this_thread::get_id(); }

}  // namespace platform
