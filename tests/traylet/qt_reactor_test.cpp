// QtReactor: the Reactor contract over Qt's event loop, and the message bus running on it.
#ifdef KORVANTE_TRAYLET_QT
#include "qtbridge/qt_reactor.h"

#include "platform/message_bus.h"
#include "traylet_test_support.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace {

using traytest::runUntil;

void runFor(uint32_t ms) {
    uint64_t deadline = platform::tickCountMs() + ms;
    while (platform::tickCountMs() < deadline) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
}

class QtReactorTest : public traytest::PrivateSession {
protected:
    void SetUp() override {
        PrivateSession::SetUp();
        traytest::ensureApplication();
    }
};

TEST_F(QtReactorTest, ClosuresFromOtherThreadsRunOnTheLoopInTheirOrder) {
    QtReactor reactor;
    EXPECT_TRUE(reactor.isLoopThread());
    constexpr int kPerThread = 2000;
    std::vector<int> seen[2];
    std::atomic<bool> offLoop{false};
    std::atomic<bool> otherThreadIsLoop{true};
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t) {
        threads.emplace_back([&, t] {
            otherThreadIsLoop = otherThreadIsLoop && reactor.isLoopThread();
            for (int i = 0; i < kPerThread; ++i)
                reactor.runOnLoop([&, t, i] {
                    if (!reactor.isLoopThread()) offLoop = true;
                    seen[t].push_back(i);
                });
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_FALSE(otherThreadIsLoop);
    ASSERT_TRUE(runUntil([&] { return seen[0].size() == kPerThread && seen[1].size() == kPerThread; }));
    EXPECT_FALSE(offLoop);
    for (int t = 0; t < 2; ++t)
        for (int i = 0; i < kPerThread; ++i) ASSERT_EQ(seen[t][i], i) << "thread " << t;

    // A closure queued from the loop thread runs later, not inside runOnLoop.
    bool ran = false;
    reactor.runOnLoop([&] { ran = true; });
    EXPECT_FALSE(ran);
    EXPECT_TRUE(runUntil([&] { return ran; }));
}

TEST_F(QtReactorTest, QueuedClosuresAreDroppedWithTheReactor) {
    auto reactor = std::make_unique<QtReactor>();
    bool ran = false;
    reactor->runOnLoop([&] { ran = true; });
    reactor.reset();
    runFor(50);
    EXPECT_FALSE(ran);
}

TEST_F(QtReactorTest, TimersFireOnceOrRepeatAndCancelInsideTheirCallback) {
    QtReactor reactor;
    int once = 0, periodic = 0, cancelled = 0, zero = 0;
    platform::Reactor::TimerId periodicId = 0;
    EXPECT_NE(reactor.addTimer(10, false, [&] { ++once; }), 0u);
    periodicId = reactor.addTimer(5, true, [&] {
        if (++periodic == 3) reactor.cancelTimer(periodicId);
    });
    platform::Reactor::TimerId doomed = reactor.addTimer(30, false, [&] { ++cancelled; });
    reactor.addTimer(0, true, [&] {  // 0 ms periodic runs every millisecond, not in a busy loop
        ++zero;
    });
    reactor.cancelTimer(doomed);
    reactor.cancelTimer(doomed);   // twice: ignored
    reactor.cancelTimer(987654);   // unknown: ignored
    EXPECT_EQ(reactor.addTimer(5, false, nullptr), 0u);
    ASSERT_TRUE(runUntil([&] { return once == 1 && periodic == 3; }));
    runFor(80);
    EXPECT_EQ(once, 1);
    EXPECT_EQ(periodic, 3);
    EXPECT_EQ(cancelled, 0);
    EXPECT_GT(zero, 1);
    EXPECT_LT(zero, 400);
    EXPECT_EQ(reactor.timerCount(), 1u);  // only the 0 ms timer is left
}

TEST_F(QtReactorTest, WatchesAreLevelTriggeredAndSurviveUnwatchAndFdReuse) {
    QtReactor reactor;
    int p[2];
    ASSERT_EQ(::pipe2(p, O_NONBLOCK | O_CLOEXEC), 0);
    const int readFd = p[0];
    int wakes = 0;
    std::string got;
    // Reads one byte per wake: the rest must wake it again (level-triggered).
    ASSERT_TRUE(reactor.watchReadable(readFd, [&] {
        ++wakes;
        char c;
        if (::read(readFd, &c, 1) == 1) got += c;
        if (got == "abc") reactor.unwatch(readFd);  // inside its own callback
    }));
    ASSERT_EQ(::write(p[1], "abc", 3), 3);
    ASSERT_TRUE(runUntil([&] { return got == "abc"; }));
    ASSERT_EQ(::write(p[1], "d", 1), 1);
    runFor(50);
    EXPECT_EQ(got, "abc");
    EXPECT_EQ(reactor.watchCount(), 0u);

    // Close and reuse the fd number at once, inside a callback, as the bus does with connections.
    ::close(p[0]);
    ::close(p[1]);
    int q[2];
    ASSERT_EQ(::pipe2(q, O_NONBLOCK | O_CLOEXEC), 0);
    bool newOwner = false;
    ASSERT_TRUE(reactor.watchReadable(q[0], [&] {
        char c;
        while (::read(q[0], &c, 1) == 1) newOwner = true;
    }));
    // Watching the same fd again replaces the callback.
    int replaced = 0;
    ASSERT_TRUE(reactor.watchReadable(q[0], [&] {
        char c;
        while (::read(q[0], &c, 1) == 1) ++replaced;
    }));
    ASSERT_EQ(::write(q[1], "xy", 2), 2);
    ASSERT_TRUE(runUntil([&] { return replaced == 2; }));
    EXPECT_FALSE(newOwner);

    // Hang-up counts as readable.
    bool hungUp = false;
    ASSERT_TRUE(reactor.watchReadable(q[0], [&] {
        char c;
        if (::read(q[0], &c, 1) == 0) {
            hungUp = true;
            reactor.unwatch(q[0]);
        }
    }));
    ::close(q[1]);
    EXPECT_TRUE(runUntil([&] { return hungUp; }));
    ::close(q[0]);
    EXPECT_FALSE(reactor.watchReadable(-1, [] {}));
}

TEST_F(QtReactorTest, BusWindowAnswersOtherThreadsAndProcesses) {
    QtReactor reactor;
    std::vector<int64_t> posted;
    bool closed = false;
    platform::Window window(reactor, [&](uint32_t m, int64_t w, int64_t l) -> int64_t {
        EXPECT_TRUE(reactor.isLoopThread());
        if (m == platform::kWmClose) {
            closed = true;
            window.destroy();
            return 0;
        }
        if (m == 1300) posted.push_back(w);
        return w + l;
    });
    ASSERT_TRUE(window.create("QtReactorTestWindow"));
    EXPECT_TRUE(platform::findWindow("QtReactorTestWindow"));

    std::atomic<bool> sent{false};
    int64_t result = 0;
    std::thread sender([&] {
        for (int i = 0; i < 50; ++i) platform::postMessage("QtReactorTestWindow", 1300, i, 0);
        sent = platform::sendMessage("QtReactorTestWindow", 1299, 40, 2, &result, 5000);
    });
    ASSERT_TRUE(runUntil([&] { return sent.load(); }));
    sender.join();
    EXPECT_EQ(result, 42);
    ASSERT_EQ(posted.size(), 50u);  // the send came after the posts, so they all ran before it
    for (int i = 0; i < 50; ++i) EXPECT_EQ(posted[i], i);

    // A timer of the window arrives as WM_TIMER on the Qt loop.
    int ticks = 0;
    platform::Window timed(reactor, [&](uint32_t m, int64_t w, int64_t) -> int64_t {
        if (m == platform::kWmTimer && w == 7) ++ticks;
        return 0;
    });
    ASSERT_TRUE(timed.setTimer(7, 5));
    EXPECT_TRUE(runUntil([&] { return ticks >= 2; }));
    timed.killTimer(7);

    // Another process closes the window.
    pid_t pid = ::fork();
    if (pid == 0) ::_exit(platform::postMessage("QtReactorTestWindow", platform::kWmClose) ? 0 : 1);
    ASSERT_TRUE(runUntil([&] { return closed; }));
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_FALSE(platform::findWindow("QtReactorTestWindow"));
}

}  // namespace
#endif
