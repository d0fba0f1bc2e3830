// EventLoop: timers, cross-thread closures, fd watches and termination signals.
#include "platform/event_loop.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>
#include <vector>

using platform::EventLoop;

TEST(EventLoop, OneShotAndPeriodicTimersFireAndCanBeCancelled) {
    EventLoop loop;
    ASSERT_TRUE(loop.valid());
    int once = 0, periodic = 0, cancelled = 0;
    loop.addTimer(5, false, [&] { ++once; });
    auto dead = loop.addTimer(10, false, [&] { ++cancelled; });
    loop.cancelTimer(dead);
    platform::Reactor::TimerId tick = 0;
    tick = loop.addTimer(3, true, [&] {
        if (++periodic == 4) loop.cancelTimer(tick);  // cancelling itself inside its callback
    });
    loop.addTimer(80, false, [&] { loop.quit(7); });
    uint64_t start = platform::tickCountMs();
    EXPECT_EQ(loop.run(), 7);
    EXPECT_GE(platform::tickCountMs() - start, 80u);
    EXPECT_EQ(once, 1);
    EXPECT_EQ(periodic, 4);
    EXPECT_EQ(cancelled, 0);
}

TEST(EventLoop, ClosuresFromManyThreadsRunOnTheLoopThreadInPerThreadOrder) {
    EventLoop loop;
    constexpr int kThreads = 4, kEach = 500;
    std::vector<std::vector<int>> seen(kThreads);
    int total = 0;
    bool allOnLoop = true;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i)
                loop.runOnLoop([&, t, i] {
                    allOnLoop = allOnLoop && loop.isLoopThread();
                    seen[t].push_back(i);
                    if (++total == kThreads * kEach) loop.quit();
                });
        });
    }
    loop.run();
    for (auto& th : threads) th.join();
    EXPECT_TRUE(allOnLoop);
    for (auto& s : seen) {
        ASSERT_EQ(s.size(), size_t(kEach));
        for (int i = 0; i < kEach; ++i) EXPECT_EQ(s[i], i);
    }
}

TEST(EventLoop, WatchedFdCallsUntilUnwatchedEvenFromItsOwnCallback) {
    EventLoop loop;
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    int calls = 0;
    ASSERT_TRUE(loop.watchReadable(fds[0], [&] {
        char c;
        ASSERT_EQ(::read(fds[0], &c, 1), 1);
        if (++calls == 3) loop.unwatch(fds[0]);
    }));
    ASSERT_EQ(::write(fds[1], "abcde", 5), 5);
    loop.addTimer(50, false, [&] { loop.quit(); });
    loop.run();
    EXPECT_EQ(calls, 3);  // two bytes stay unread, but nobody is called for them any more
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST(EventLoop, QuitFromAnotherThreadAndTerminationSignalRunsHandlerFirst) {
    {
        EventLoop loop;
        std::thread t([&] {
            platform::sleepMs(20);
            loop.quit(3);
        });
        EXPECT_EQ(loop.run(), 3);
        t.join();
    }
    EventLoop loop;
    bool handled = false;
    ASSERT_TRUE(loop.handleTerminationSignals([&] { handled = true; }));
    loop.runOnLoop([] { ::kill(::getpid(), SIGTERM); });
    EXPECT_EQ(loop.run(), 0);
    EXPECT_TRUE(handled);
}
