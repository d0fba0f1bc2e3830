#include "platform/unix_socket.h"

#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

bool unixAddress(const std::string& path, sockaddr_un& out) {
    if (path.empty()) {
        errno = EINVAL;
        return false;
    }
    if (path.size() >= sizeof out.sun_path) {  // room for the terminating NUL
        errno = ENAMETOOLONG;
        return false;
    }
    out = sockaddr_un{};
    out.sun_family = AF_UNIX;
    std::memcpy(out.sun_path, path.c_str(), path.size() + 1);
    return true;
}

int connectUnix(const std::string& path, int type, uint32_t sendTimeoutMs) {
    sockaddr_un addr;
    if (!unixAddress(path, addr)) return -1;
    int fd = ::socket(AF_UNIX, type | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (sendTimeoutMs != 0) {
        struct timeval tv {
            static_cast<time_t>(sendTimeoutMs / 1000), static_cast<suseconds_t>(sendTimeoutMs % 1000) * 1000
        };
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    }
    int rc;
    do {
        rc = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        int saved = errno;
        ::close(fd);
        errno = saved;
        return -1;
    }
    return fd;
}

bool sendAll(int fd, const void* data, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::send(fd, bytes + done, size - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace platform
