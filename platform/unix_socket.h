#pragma once
// Small helpers for the Unix sockets of the message bus, mousesim and its device backend: filling
// an address, connecting, and writing a whole buffer to a blocking stream socket.
#include <sys/socket.h>
#include <sys/un.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Fills `out` with the address of the socket file at `path`. False (errno ENAMETOOLONG, or EINVAL
// for an empty path) when the path cannot name a socket file; `out` is then left untouched.
bool unixAddress(const std::string& path, sockaddr_un& out);

// Connects a new socket of `type` (SOCK_STREAM or SOCK_SEQPACKET, close-on-exec; blocking unless
// `type` includes SOCK_NONBLOCK, when a full backlog fails at once with EAGAIN) to the
// socket file at `path`, retrying when a signal interrupts the connect. A non-zero
// `sendTimeoutMs` is set as SO_SNDTIMEO before connecting, which also bounds the wait while the
// listener's backlog is full. Returns -1 with errno set when nobody can be reached there.
int connectUnix(const std::string& path, int type, uint32_t sendTimeoutMs = 0);

// Writes all `size` bytes, resuming after partial writes and signals; never raises SIGPIPE.
// False when the peer is gone or the socket's send time-out expired.
bool sendAll(int fd, const void* data, size_t size);

inline bool sendAll(int fd, const std::vector<uint8_t>& bytes) { return sendAll(fd, bytes.data(), bytes.size()); }

}  // namespace platform
