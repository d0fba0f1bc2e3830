// The shared Unix-socket helpers: address limits, connect failures and whole-buffer writes.
#include "platform/unix_socket.h"

#include "bus_test_support.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using bustest::PrivateSession;

TEST(UnixAddress, AcceptsTheLongestPathThatLeavesRoomForItsTerminator) {
    sockaddr_un addr;
    std::string longest(sizeof addr.sun_path - 1, 'a');
    ASSERT_TRUE(platform::unixAddress(longest, addr));
    EXPECT_EQ(addr.sun_family, AF_UNIX);
    EXPECT_EQ(std::string(addr.sun_path), longest);

    errno = 0;
    EXPECT_FALSE(platform::unixAddress(longest + "a", addr));
    EXPECT_EQ(errno, ENAMETOOLONG);
}

TEST(UnixAddress, RefusesAnEmptyPath) {
    // An empty sun_path would name an abstract socket instead of a file.
    sockaddr_un addr;
    EXPECT_FALSE(platform::unixAddress("", addr));
    EXPECT_EQ(platform::connectUnix("", SOCK_STREAM), -1);
}

class UnixSocket : public PrivateSession {
protected:
    std::string path() const { return root_ + "/run/sock"; }

    int listenOn(int type) {
        sockaddr_un addr;
        EXPECT_TRUE(platform::unixAddress(path(), addr));
        int fd = ::socket(AF_UNIX, type | SOCK_CLOEXEC, 0);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        EXPECT_EQ(::listen(fd, 4), 0);
        return fd;
    }
};

TEST_F(UnixSocket, ConnectReportsAMissingListenerThroughErrno) {
    errno = 0;
    EXPECT_EQ(platform::connectUnix(path(), SOCK_STREAM), -1);
    EXPECT_EQ(errno, ENOENT);
}

TEST_F(UnixSocket, ConnectsWithTheRequestedTypeAndCloseOnExec) {
    int listener = listenOn(SOCK_SEQPACKET);
    int fd = platform::connectUnix(path(), SOCK_SEQPACKET, 1500);
    ASSERT_GE(fd, 0);
    int type = 0;
    socklen_t len = sizeof type;
    ASSERT_EQ(::getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &len), 0);
    EXPECT_EQ(type, SOCK_SEQPACKET);
    EXPECT_NE(::fcntl(fd, F_GETFD) & FD_CLOEXEC, 0);
    timeval tv{};
    len = sizeof tv;
    ASSERT_EQ(::getsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, &len), 0);
    EXPECT_EQ(tv.tv_sec, 1);
    EXPECT_EQ(tv.tv_usec, 500000);
    ::close(fd);
    ::close(listener);
}

TEST_F(UnixSocket, SendAllDeliversMoreThanOneSocketBufferInOrder) {
    int listener = listenOn(SOCK_STREAM);
    int fd = platform::connectUnix(path(), SOCK_STREAM);
    ASSERT_GE(fd, 0);
    int peer = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    ASSERT_GE(peer, 0);
    std::vector<uint8_t> sent(4 << 20);
    for (size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<uint8_t>(i * 7 + i / 251);
    std::vector<uint8_t> received;
    std::thread reader([&] {
        uint8_t buffer[65536];
        ssize_t n;
        while ((n = ::recv(peer, buffer, sizeof buffer, 0)) > 0) received.insert(received.end(), buffer, buffer + n);
    });
    EXPECT_TRUE(platform::sendAll(fd, sent));
    ::close(fd);
    reader.join();
    EXPECT_EQ(received, sent);
    ::close(peer);
    ::close(listener);
}

TEST_F(UnixSocket, SendAllToAClosedPeerFailsWithoutSigpipe) {
    // SIGPIPE's default action would end this test program.
    int listener = listenOn(SOCK_STREAM);
    int fd = platform::connectUnix(path(), SOCK_STREAM);
    ASSERT_GE(fd, 0);
    ::close(::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC));
    uint8_t byte = 1;
    EXPECT_FALSE(platform::sendAll(fd, &byte, 1));
    ::close(fd);
    ::close(listener);
}

}  // namespace
