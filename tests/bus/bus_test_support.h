#pragma once
// Helpers of the bus tests: a private runtime folder per test, child processes that own windows,
// and a second Reactor (poll-based) to prove the bus does not depend on EventLoop.
#include "platform/event_loop.h"
#include "platform/message_bus.h"
#include "tests/support/private_session.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace bustest {

// Every test gets fresh XDG_RUNTIME_DIR and XDG_CONFIG_HOME folders, removed afterwards.
class PrivateSession : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(env_.ready()); }
    void TearDown() override {
        for (pid_t pid : children_) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }
    std::string busFolder() const { return root_ + "/run/korvante"; }

    // Forks a child that owns a window with the title and runs an EventLoop until the handler
    // quits it (through the given loop pointer) or the child is killed. Waits until the window
    // answers. Returns the child's pid (killed in TearDown when still alive).
    pid_t forkWindow(const std::string& title,
                     std::function<int64_t(platform::EventLoop&, platform::Window&, uint32_t, int64_t, int64_t)> handler) {
        pid_t pid = ::fork();
        if (pid == 0) {
            platform::EventLoop loop;
            platform::Window* self = nullptr;
            platform::Window window(loop, [&](uint32_t m, int64_t w, int64_t l) {
                return handler(loop, *self, m, w, l);
            });
            self = &window;
            if (!window.create(title)) ::_exit(3);
            loop.run();
            window.destroy();
            ::_exit(0);
        }
        children_.push_back(pid);
        waitForWindow(title, true);
        return pid;
    }

    static bool waitForWindow(const std::string& title, bool present, uint32_t timeoutMs = 5000) {
        uint64_t deadline = platform::tickCountMs() + timeoutMs;
        while (platform::tickCountMs() < deadline) {
            if (platform::findWindow(title) == present) return true;
            platform::sleepMs(5);
        }
        return false;
    }

    // Exit status of a child, waiting at most timeoutMs; -1 when it does not end in time.
    int waitChild(pid_t pid, uint32_t timeoutMs = 5000) {
        uint64_t deadline = platform::tickCountMs() + timeoutMs;
        while (platform::tickCountMs() < deadline) {
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                std::erase(children_, pid);
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            platform::sleepMs(5);
        }
        return -1;
    }

    testsupport::PrivateEnvironment env_{"korvante-bus-test"};
    const std::string root_ = env_.root();
    std::vector<pid_t> children_;
};

// A minimal Reactor over poll(): what a foreign loop (Qt's, in the UI programs) must provide.
class PollReactor final : public platform::Reactor {
public:
    PollReactor() : wake_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)), thread_(std::this_thread::get_id()) {}
    ~PollReactor() override { ::close(wake_); }

    bool watchReadable(int fd, Callback cb) override {
        fds_[fd] = std::make_shared<Callback>(std::move(cb));
        return true;
    }
    void unwatch(int fd) override { fds_.erase(fd); }
    TimerId addTimer(uint32_t ms, bool periodic, Callback cb) override {
        TimerId id = next_++;
        timers_[id] = {platform::tickCountMs() + ms, periodic ? std::max(ms, 1u) : 0u,
                       std::make_shared<Callback>(std::move(cb))};
        return id;
    }
    void cancelTimer(TimerId id) override { timers_.erase(id); }
    void runOnLoop(Callback fn) override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            queue_.push_back(std::move(fn));
        }
        uint64_t one = 1;
        (void)!::write(wake_, &one, sizeof one);
    }
    bool isLoopThread() const override { return thread_ == std::this_thread::get_id(); }

    void quit() { quit_ = true; }
    void run() {
        thread_ = std::this_thread::get_id();
        quit_ = false;
        while (!quit_) {
            std::vector<pollfd> pfds{{wake_, POLLIN, 0}};
            for (auto& [fd, cb] : fds_) pfds.push_back({fd, POLLIN, 0});
            int timeout = -1;
            uint64_t now = platform::tickCountMs();
            for (auto& [id, t] : timers_)
                timeout = timeout < 0 ? int(t.due > now ? t.due - now : 0)
                                      : std::min(timeout, int(t.due > now ? t.due - now : 0));
            ::poll(pfds.data(), pfds.size(), timeout);
            now = platform::tickCountMs();
            std::vector<TimerId> due;
            for (auto& [id, t] : timers_)
                if (t.due <= now) due.push_back(id);
            for (TimerId id : due) {
                auto it = timers_.find(id);
                if (it == timers_.end()) continue;
                auto cb = it->second.cb;
                if (it->second.period) it->second.due = now + it->second.period;
                else timers_.erase(it);
                (*cb)();
            }
            for (size_t i = 1; i < pfds.size() && !quit_; ++i) {
                if (pfds[i].revents == 0) continue;
                auto it = fds_.find(pfds[i].fd);
                if (it == fds_.end()) continue;
                auto cb = it->second;
                (*cb)();
            }
            if (pfds[0].revents) {
                uint64_t n;
                (void)!::read(wake_, &n, sizeof n);
                std::vector<Callback> batch;
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    batch.swap(queue_);
                }
                for (auto& fn : batch) fn();
            }
        }
    }

private:
    struct T {
        uint64_t due;
        uint32_t period;
        std::shared_ptr<Callback> cb;
    };
    int wake_;
    std::thread::id thread_;
    bool quit_ = false;
    std::map<int, std::shared_ptr<Callback>> fds_;
    std::map<TimerId, T> timers_;
    TimerId next_ = 1;
    std::mutex mutex_;
    std::vector<Callback> queue_;
};

}  // namespace bustest
