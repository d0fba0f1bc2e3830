// Peers that connect and then do nothing: idle connections time out, a full table and a process
// out of descriptors make room by dropping the longest idle connection, and neither spins the loop.
#include "tests/bus/bus_test_support.h"

#include "platform/runtime_folder.h"
#include "platform/unix_socket.h"

#include <sys/resource.h>
#include <sys/socket.h>

#include <fstream>
#include <sstream>

namespace {

class ConnectionLimits : public bustest::PrivateSession {
protected:
    // A child that owns the window "Crowded" (handler: wParam + 1) with at most `fdLimit` open
    // descriptors and the given idle time-out.
    pid_t forkCrowdedWindow(rlim_t fdLimit, uint32_t idleTimeoutMs) {
        pid_t pid = ::fork();
        if (pid == 0) {
            struct rlimit limit {fdLimit, fdLimit};
            ::setrlimit(RLIMIT_NOFILE, &limit);
            platform::EventLoop loop;
            platform::Window window(loop, [](uint32_t, int64_t w, int64_t) { return w + 1; });
            window.setIdleTimeout(idleTimeoutMs);
            if (!window.create("Crowded")) ::_exit(3);
            loop.run();
            ::_exit(0);
        }
        children_.push_back(pid);
        EXPECT_TRUE(waitForWindow("Crowded", true));
        return pid;
    }

    std::vector<int> connectIdle(int count) {
        std::string path = busFolder() + "/" + platform::fileNameForTitle("Crowded");
        std::vector<int> fds;
        for (int i = 0; i < count; ++i) {
            int fd = platform::connectUnix(path, SOCK_SEQPACKET, 1000);
            if (fd >= 0) fds.push_back(fd);
        }
        return fds;
    }

    static long cpuTicks(pid_t pid) {
        std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
        std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::istringstream fields(stat.substr(stat.rfind(')') + 2));
        std::string field;
        long ticks = 0;
        for (int i = 3; i <= 15 && fields >> field; ++i)
            if (i >= 14) ticks += std::stol(field);
        return ticks;
    }
};

TEST_F(ConnectionLimits, IdlePeersBeyondTheDescriptorsNeitherSpinNorLockOut) {
    pid_t child = forkCrowdedWindow(48, 0);
    std::vector<int> idle = connectIdle(300);
    EXPECT_EQ(idle.size(), 300u);  // queued in the backlog, not refused
    platform::sleepMs(200);
    long before = cpuTicks(child);
    platform::sleepMs(1000);
    EXPECT_LT(cpuTicks(child) - before, 30) << "the window's loop spins";
    int64_t result = 0;
    EXPECT_TRUE(platform::sendMessage("Crowded", 1, 41, 0, &result, 5000));
    EXPECT_EQ(result, 42);
    for (int fd : idle) ::close(fd);
}

TEST_F(ConnectionLimits, IdleConnectionsAreClosedAfterTheTimeOutAndSendersReconnect) {
    forkCrowdedWindow(1024, 300);
    std::vector<int> idle = connectIdle(3);
    ASSERT_EQ(idle.size(), 3u);
    for (int fd : idle) {
        timeval wait{5, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        char c;
        EXPECT_EQ(::recv(fd, &c, 1, 0), 0);  // closed by the window, not by our time-out
        ::close(fd);
    }
    // This process's kept connection times out the same way; the next send connects again.
    int64_t result = 0;
    ASSERT_TRUE(platform::sendMessage("Crowded", 1, 1, 0, &result, 5000));
    platform::sleepMs(600);
    ASSERT_TRUE(platform::sendMessage("Crowded", 1, 2, 0, &result, 5000));
    EXPECT_EQ(result, 3);
}

}  // namespace
