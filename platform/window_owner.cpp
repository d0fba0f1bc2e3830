#include "platform/window_owner.h"

#include "platform/runtime_folder.h"
#include "platform/unix_socket.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {
namespace {

// A connect waits this long at most while the window's backlog is full (it answers at once
// otherwise).
constexpr uint32_t kConnectTimeoutMs = 2000;

// True while the peer keeps the connection open.
bool connectionOpen(int fd) {
    struct pollfd p {fd, POLLIN, 0};
    return ::poll(&p, 1, 0) == 0;
}

}  // namespace

std::string windowSocketPath(const std::string& title) {
    const std::string folder = runtimeFolder();
    return folder.empty() ? std::string() : folder + "/" + fileNameForTitle(title);
}

int openWindowOwner(const std::string& title) {
    const std::string path = windowSocketPath(title);
    if (path.empty()) return -1;
    const int fd = connectUnix(path, SOCK_SEQPACKET, kConnectTimeoutMs);
    if (fd < 0) return -1;
    int pidfd = -1;
    struct ucred cred {};
    socklen_t length = sizeof cred;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &length) == 0 && cred.uid == ::getuid() && cred.pid > 0) {
        pidfd = static_cast<int>(::syscall(SYS_pidfd_open, cred.pid, 0));
        // The owner may have ended between the connect and pidfd_open, and another process taken
        // its number: only a connection that is still open proves the descriptor names the owner.
        if (pidfd >= 0 && !connectionOpen(fd)) {
            ::close(pidfd);
            pidfd = -1;
        }
    }
    ::close(fd);
    return pidfd;
}

}  // namespace platform
