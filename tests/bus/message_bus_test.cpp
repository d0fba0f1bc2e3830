// Titled windows across threads and processes: order, results, discovery, stale sockets, refused
// peers, malformed frames, timers and the bus over a foreign Reactor.
#include "platform/bus_frame.h"
#include "platform/diagnostics.h"
#include "platform/message_bus.h"
#include "platform/runtime_folder.h"

#include "bus_test_support.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <iterator>
#include <thread>
#include <tuple>

using platform::EventLoop;
using platform::Window;
using Msg = std::tuple<uint32_t, int64_t, int64_t>;

namespace {

constexpr uint32_t kEcho = 0x400;      // child posts (msg, w, l) back to "parent"
constexpr uint32_t kCompute = 0x401;   // child returns w * 2 + l
constexpr uint32_t kSlow = 0x402;      // child sleeps w ms, returns l
constexpr uint32_t kDie = 0x403;       // child exits without replying

int64_t childBehaviour(EventLoop& loop, Window& self, uint32_t m, int64_t w, int64_t l) {
    switch (m) {
    case kEcho: platform::postMessage("parent", m, w, l); return 0;
    case kCompute: return w * 2 + l;
    case kSlow: platform::sleepMs(static_cast<uint32_t>(w)); return l;
    case kDie: ::_exit(0);
    case platform::kWmClose:  // this program decides: close means destroy and end
        self.destroy();
        loop.quit();
        return 0;
    default: return -1;
    }
}

int rawConnect(const std::string& path) {
    int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// True when the peer closes the connection within the time-out (recv sees end of file).
bool closedByPeer(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) != 1) return false;
    char c;
    ssize_t n = ::recv(fd, &c, 1, MSG_DONTWAIT);
    return n == 0 || (n < 0 && errno == ECONNRESET);  // reset when our data was left unread
}

}  // namespace

class MessageBus : public bustest::PrivateSession {
protected:
    // Runs the loop (with a safety time-out) until `done` holds.
    void runUntil(EventLoop& loop, const std::function<bool()>& done, uint32_t timeoutMs = 10000) {
        auto check = loop.addTimer(2, true, [&] {
            if (done()) loop.quit();
        });
        auto guard = loop.addTimer(timeoutMs, false, [&] { loop.quit(); });
        loop.run();
        loop.cancelTimer(check);
        loop.cancelTimer(guard);
    }
};

TEST_F(MessageBus, InProcessPostQueuesSendRunsDirectlyFindSeesTitle) {
    EventLoop loop;
    std::vector<Msg> got;
    Window w(loop, [&](uint32_t m, int64_t a, int64_t b) {
        got.emplace_back(m, a, b);
        return a + b;
    });
    EXPECT_FALSE(platform::findWindow("KORVANTE"));
    ASSERT_TRUE(w.create("KORVANTE"));
    EXPECT_TRUE(platform::findWindow("KORVANTE"));
    EXPECT_FALSE(platform::findWindow("KORVANTEHidAgent"));

    EXPECT_TRUE(platform::postMessage("KORVANTE", 1285, 9, 2));
    EXPECT_TRUE(got.empty());  // a post only queues
    int64_t result = 0;
    EXPECT_TRUE(platform::sendMessage("KORVANTE", 1299, 2, 4, &result));
    EXPECT_EQ(result, 6);
    ASSERT_EQ(got.size(), 1u);  // the send ran at once, ahead of the queued post
    runUntil(loop, [&] { return got.size() == 2; });
    EXPECT_EQ(got[1], Msg(1285, 9, 2));

    // Another thread's send waits for the loop thread to run the handler.
    std::atomic<bool> ok{false};
    std::thread t([&] {
        int64_t r = 0;
        ok = platform::sendMessage("KORVANTE", 1, 20, 22, &r) && r == 42;
        loop.quit();
    });
    loop.run();
    t.join();
    EXPECT_TRUE(ok);
    EXPECT_FALSE(platform::postMessage("nobody", 1));
    EXPECT_FALSE(platform::sendMessage("nobody", 1));
}

TEST_F(MessageBus, TitleIsExclusiveAndFreedOnDestroy) {
    EventLoop loop;
    auto h = [](uint32_t, int64_t, int64_t) { return int64_t{0}; };
    Window a(loop, h), b(loop, h);
    ASSERT_TRUE(a.create("a/../../b"));  // any characters; stays inside the folder
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(busFolder()), {}), 2);  // socket + lock
    EXPECT_FALSE(b.create("a/../../b"));
    a.destroy();
    EXPECT_FALSE(platform::findWindow("a/../../b"));
    EXPECT_TRUE(b.create("a/../../b"));

    // A live window of another process owns the title too.
    forkWindow("taken", childBehaviour);
    Window c(loop, h);
    EXPECT_FALSE(c.create("taken"));
}

TEST_F(MessageBus, StaleSocketOfDeadProcessIsNotFoundAndIsReplaced) {
    std::string path = platform::runtimeFolder() + "/" + platform::fileNameForTitle("KORVANTEHidAgent");
    int fd = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::close(fd);  // the file stays, nobody listens: what a killed process leaves behind
    EXPECT_FALSE(platform::findWindow("KORVANTEHidAgent"));
    EXPECT_FALSE(platform::postMessage("KORVANTEHidAgent", 1279));

    EventLoop loop;
    int got = 0;
    Window w(loop, [&](uint32_t, int64_t, int64_t) { return int64_t(++got); });
    ASSERT_TRUE(w.create("KORVANTEHidAgent"));
    EXPECT_TRUE(platform::findWindow("KORVANTEHidAgent"));
}

TEST_F(MessageBus, TwoHundredPostsFromAnotherProcessArriveInOrder) {
    pid_t child = forkWindow("child", childBehaviour);
    EventLoop loop;
    std::vector<Msg> got;
    Window parent(loop, [&](uint32_t m, int64_t w, int64_t l) {
        got.emplace_back(m, w, l);
        return 0;
    });
    ASSERT_TRUE(parent.create("parent"));
    std::atomic<int> posted{0};
    std::thread sender([&] {
        for (int i = 0; i < 200; ++i) posted += platform::postMessage("child", kEcho, i, -i);
    });
    runUntil(loop, [&] { return got.size() == 200; });
    sender.join();
    EXPECT_EQ(posted.load(), 200);
    ASSERT_EQ(got.size(), 200u);
    for (int i = 0; i < 200; ++i) EXPECT_EQ(got[i], Msg(kEcho, i, -i));

    // WM_CLOSE is an ordinary message: this child's handler chose to destroy and end.
    EXPECT_TRUE(platform::postMessage("child", platform::kWmClose));
    EXPECT_EQ(waitChild(child), 0);
    EXPECT_FALSE(platform::findWindow("child"));
}

TEST_F(MessageBus, SendReturnsResultTimesOutAndFailsWhenReceiverDies) {
    forkWindow("child", childBehaviour);
    int64_t result = 0;
    EXPECT_TRUE(platform::sendMessage("child", kCompute, 20, 2, &result));
    EXPECT_EQ(result, 42);
    EXPECT_TRUE(platform::sendMessage("child", kCompute, -5, 0, &result));
    EXPECT_EQ(result, -10);

    // A late reply must not be taken as the answer to the next send.
    EXPECT_FALSE(platform::sendMessage("child", kSlow, 300, 77, &result, 50));
    EXPECT_TRUE(platform::sendMessage("child", kCompute, 1, 1, &result));
    EXPECT_EQ(result, 3);

    // A handler that destroys its window on WM_CLOSE still answers the send.
    pid_t closing = forkWindow("closing", childBehaviour);
    result = -1;
    EXPECT_TRUE(platform::sendMessage("closing", platform::kWmClose, 0, 0, &result));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(waitChild(closing), 0);

    uint64_t start = platform::tickCountMs();
    EXPECT_FALSE(platform::sendMessage("child", kDie, 0, 0, &result));
    EXPECT_LT(platform::tickCountMs() - start, 5000u);  // the broken connection ends the wait
}

TEST_F(MessageBus, GarbageAndOversizedFramesDropOnlyThatConnection) {
    EventLoop loop;
    std::vector<Msg> got;
    Window w(loop, [&](uint32_t m, int64_t a, int64_t b) {
        got.emplace_back(m, a, b);
        return 5;
    });
    ASSERT_TRUE(w.create("KORVANTE"));
    std::string path = busFolder() + "/KORVANTE";

    int idle = rawConnect(path);  // a quiet client must be unaffected by the others' faults
    std::vector<std::vector<uint8_t>> bad;
    bad.push_back({'h', 'e', 'l', 'l', 'o'});
    bad.push_back(std::vector<uint8_t>(100000, 0x41));
    auto reply = platform::encodeFrame({platform::FrameKind::Reply, 1, 1, 1, 1});
    bad.emplace_back(reply.begin(), reply.end());
    auto valid = platform::encodeFrame({platform::FrameKind::Post, 0, 7, 8, 9});
    std::vector<uint8_t> padded(valid.begin(), valid.end());
    padded.push_back(0);
    bad.push_back(padded);

    for (auto& frame : bad) {
        int fd = rawConnect(path);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::send(fd, frame.data(), frame.size(), 0), ssize_t(frame.size()));
        // Anything sent after the bad frame is never handled.
        ASSERT_EQ(::send(fd, valid.data(), valid.size(), 0), ssize_t(valid.size()));
        bool closed = false;
        std::thread t([&] { closed = closedByPeer(fd, 3000); loop.quit(); });
        loop.run();
        t.join();
        EXPECT_TRUE(closed) << "frame of " << frame.size() << " bytes";
        ::close(fd);
    }
    EXPECT_TRUE(got.empty());

    // The window keeps serving well-behaved peers, including the idle one.
    ASSERT_EQ(::send(idle, valid.data(), valid.size(), 0), ssize_t(valid.size()));
    runUntil(loop, [&] { return got.size() == 1; });
    EXPECT_EQ(got.at(0), Msg(7, 8, 9));
    ::close(idle);
}

// 2,000 peers that each send a malformed frame: each is dropped, and the diagnostics say so in a
// few lines and a count instead of 2,000 lines.
TEST_F(MessageBus, AFloodOfMalformedFramesGivesAFewLinesAndACount) {
    EventLoop loop;
    Window w(loop, [](uint32_t, int64_t, int64_t) { return int64_t{0}; });
    ASSERT_TRUE(w.create("KORVANTE"));
    const std::string path = busFolder() + "/KORVANTE", log = root_ + "/stderr.txt";
    const int saved = ::dup(STDERR_FILENO);
    const int file = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ASSERT_GE(file, 0);
    ::dup2(file, STDERR_FILENO);
    ::close(file);
    for (int batch = 0; batch < 20; ++batch) {
        std::vector<int> fds;
        for (int i = 0; i < 100; ++i) {
            const int fd = rawConnect(path);
            if (fd >= 0) fds.push_back(fd);
            if (fd >= 0) (void)::send(fd, "hello", 5, MSG_NOSIGNAL);
        }
        runUntil(loop, [&] { return std::all_of(fds.begin(), fds.end(), [](int fd) { return closedByPeer(fd, 0); }); });
        for (int fd : fds) ::close(fd);
    }
    platform::flushDiagnostics();
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    std::ifstream in(log);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_LE(std::count(text.begin(), text.end(), '\n'), 3 * platform::kDiagnosticsBurst) << text;
    EXPECT_NE(text.find("more lines like \"message bus: malformed frame"), std::string::npos) << text;
}

TEST_F(MessageBus, PeerOfAnotherUserIsRefused) {
    if (::getuid() != 0) GTEST_SKIP() << "needs root to run a peer under another uid";
    EventLoop loop;
    int handled = 0;
    Window w(loop, [&](uint32_t, int64_t, int64_t) { return int64_t(++handled); });
    ASSERT_TRUE(w.create("KORVANTE"));
    std::string path = busFolder() + "/KORVANTE";
    // Open the folder and socket to everyone, so only the credentials check stands in the way.
    ASSERT_EQ(::chmod(busFolder().c_str(), 0711), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
    ASSERT_EQ(::chmod(root_.c_str(), 0711), 0);
    ASSERT_EQ(::chmod((root_ + "/run").c_str(), 0711), 0);

    pid_t pid = ::fork();
    if (pid == 0) {
        if (::setresgid(65534, 65534, 65534) != 0 || ::setresuid(65534, 65534, 65534) != 0) ::_exit(10);
        int fd = rawConnect(path);
        if (fd < 0) ::_exit(11);  // could not even connect: the test setup is wrong
        auto frame = platform::encodeFrame({platform::FrameKind::Post, 0, 1279, 0, 0});
        (void)!::send(fd, frame.data(), frame.size(), MSG_NOSIGNAL);
        ::_exit(closedByPeer(fd, 3000) ? 0 : 12);
    }
    children_.push_back(pid);
    int status = -1;
    std::thread t([&] { status = waitChild(pid); loop.runOnLoop([&] { loop.quit(); }); });
    loop.run();
    t.join();
    EXPECT_EQ(status, 0);
    EXPECT_EQ(handled, 0);
    EXPECT_TRUE(platform::postMessage("KORVANTE", 1279));  // still serving its own user
    runUntil(loop, [&] { return handled == 1; });
    EXPECT_EQ(handled, 1);
}

TEST_F(MessageBus, WindowTimersRepeatUntilKilledAndDieWithTheWindow) {
    EventLoop loop;
    int fast = 0, once = 0, replaced = 0;
    Window* self = nullptr;
    Window w(loop, [&](uint32_t m, int64_t id, int64_t) {
        EXPECT_EQ(m, platform::kWmTimer);
        if (id == 1 && ++fast == 5) self->killTimer(1);
        if (id == 10001) {  // the service's pattern: fires once, killed in its handler
            ++once;
            self->killTimer(10001);
        }
        if (id == 3) ++replaced;
        return 0;
    });
    self = &w;
    ASSERT_TRUE(w.setTimer(1, 2));
    ASSERT_TRUE(w.setTimer(10001, 10));
    ASSERT_TRUE(w.setTimer(3, 5000));
    ASSERT_TRUE(w.setTimer(3, 15));  // same id: restarted with the new period
    EXPECT_FALSE(w.killTimer(99));
    loop.addTimer(100, false, [&] { loop.quit(); });
    loop.run();
    EXPECT_EQ(fast, 5);
    EXPECT_EQ(once, 1);
    EXPECT_GE(replaced, 3);
    w.destroy();
    int before = replaced;
    loop.addTimer(50, false, [&] { loop.quit(); });
    loop.run();
    EXPECT_EQ(replaced, before);
}

TEST_F(MessageBus, HandlerMayDestroyItsWindowWhileMessagesAreQueued) {
    EventLoop loop;
    int handled = 0;
    std::unique_ptr<Window> w;
    w = std::make_unique<Window>(loop, [&](uint32_t m, int64_t, int64_t) {
        ++handled;
        if (m == platform::kWmClose) w.reset();  // the object goes away inside its own handler
        return 0;
    });
    ASSERT_TRUE(w->create("KORVANTE"));
    platform::postMessage("KORVANTE", platform::kWmClose);
    platform::postMessage("KORVANTE", 1285);
    platform::postMessage("KORVANTE", 1285);
    loop.addTimer(30, false, [&] { loop.quit(); });
    loop.run();
    EXPECT_EQ(handled, 1);
    EXPECT_FALSE(platform::findWindow("KORVANTE"));
}

TEST_F(MessageBus, MessagesQueuedBeforeDestroyNeverReachTheRecreatedWindow) {
    EventLoop loop;
    std::vector<Msg> got;
    Window w(loop, [&](uint32_t m, int64_t a, int64_t b) {
        got.emplace_back(m, a, b);
        return 0;
    });
    ASSERT_TRUE(w.create("KORVANTE"));
    ASSERT_TRUE(platform::postMessage("KORVANTE", 1, 1, 1));
    w.destroy();
    EXPECT_FALSE(platform::postMessage("KORVANTE", 2, 2, 2));
    ASSERT_TRUE(w.create("KORVANTE"));
    ASSERT_TRUE(platform::postMessage("KORVANTE", 3, 3, 3));
    runUntil(loop, [&] { return !got.empty(); });
    loop.addTimer(20, false, [&] { loop.quit(); });
    loop.run();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0], Msg(3, 3, 3));
}

TEST_F(MessageBus, WorksOverAForeignReactor) {
    bustest::PollReactor reactor;
    std::vector<Msg> echoes;
    int timers = 0;
    Window* self = nullptr;
    Window parent(reactor, [&](uint32_t m, int64_t w, int64_t l) {
        if (m == platform::kWmTimer) {
            if (++timers == 2) self->killTimer(static_cast<uint32_t>(w));
            return int64_t{0};
        }
        if (m == kEcho) echoes.emplace_back(m, w, l);
        return w * l;
    });
    self = &parent;
    ASSERT_TRUE(parent.create("parent"));
    ASSERT_TRUE(parent.setTimer(5, 3));
    forkWindow("child", childBehaviour);
    std::atomic<int64_t> sendResult{-1};
    std::atomic<bool> senderDone{false};
    std::thread sender([&] {
        for (int i = 0; i < 50; ++i) platform::postMessage("child", kEcho, i, i * 3);
        int64_t r = 0;
        // A send from another thread to a window on this reactor.
        if (platform::sendMessage("parent", 9, 4, 5, &r)) sendResult = r;
        senderDone = true;
    });
    uint64_t deadline = platform::tickCountMs() + 10000;
    reactor.addTimer(2, true, [&] {
        if ((echoes.size() == 50 && timers >= 2 && senderDone) || platform::tickCountMs() > deadline)
            reactor.quit();
    });
    reactor.run();
    sender.join();
    ASSERT_EQ(echoes.size(), 50u);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(echoes[i], Msg(kEcho, i, i * 3));
    EXPECT_EQ(timers, 2);
    EXPECT_EQ(sendResult.load(), 20);
    int64_t r = 0;
    EXPECT_TRUE(platform::sendMessage("parent", 9, 6, 7, &r));  // same thread: direct call
    EXPECT_EQ(r, 42);
}
