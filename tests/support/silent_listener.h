#pragma once
// A bus window that takes nothing: its socket listens but never accepts, and its listen backlog
// is filled, so connecting to it would wait. Stands in for a configuration window that hangs.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/unix_socket.h"

namespace testsupport {

class SilentListener {
public:
    explicit SilentListener(const std::string& path) {
        sockaddr_un addr;
        if (!platform::unixAddress(path, addr)) return;
        int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
        if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 0) != 0) {
            ::close(fd);
            return;
        }
        listenFd_ = fd;
        for (;;) {  // a backlog of 0 still holds one
            int peer = platform::connectUnix(path, SOCK_SEQPACKET | SOCK_NONBLOCK);
            if (peer < 0) break;
            queued_.push_back(peer);
        }
    }
    ~SilentListener() {
        for (int fd : queued_) ::close(fd);
        if (listenFd_ >= 0) ::close(listenFd_);
    }
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;

    bool ready() const { return listenFd_ >= 0 && !queued_.empty(); }

private:
    int listenFd_ = -1;
    std::vector<int> queued_;
};

}  // namespace testsupport
