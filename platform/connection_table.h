#pragma once
// The accepted connections of a listening Unix socket, for the servers on a Reactor (the message
// bus's windows, the virtual mouse). Any program of the user can connect and then do nothing, so:
// - peers of another uid are refused at once;
// - a connection idle longer than the time-out is dropped;
// - when the table is full, the connection idle the longest makes room for the newcomer;
// - when the process runs out of descriptors (EMFILE and the like), the same happens, and when
//   nothing can make room, accepting pauses: the listening socket is not watched (so the loop
//   never spins on it) until a connection ends or a retry timer fires. Newcomers wait in the
//   listen backlog meanwhile, they are not refused.
// A connection is idle while nothing from it waits to be read. Connections marked kept (a
// long-lived client that mostly listens) are neither timed out nor evicted. Timers are armed only
// while there is something to time out or a paused accept to retry.
//
// Loop thread only. The owner watches each adopted connection, reports activity with touch() and
// calls remove() whenever it closes one.
#include "platform/event_loop.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>

namespace platform {

class ConnectionTable {
public:
    struct Options {
        size_t capacity = 128;
        uint32_t idleTimeoutMs = 60000;
        bool nonBlocking = true;  // accepted sockets get O_NONBLOCK
    };
    // Watches the new connection; false refuses it (the table closes it).
    using Adopt = std::function<bool(int fd)>;
    // Unwatches, closes and forgets the connection; must call remove(fd).
    using Drop = std::function<void(int fd)>;

    ConnectionTable(Reactor& reactor, std::string name, Options options, Adopt adopt, Drop drop);
    ~ConnectionTable();  // stop()
    ConnectionTable(const ConnectionTable&) = delete;
    ConnectionTable& operator=(const ConnectionTable&) = delete;

    // Starts accepting from the listening socket (non-blocking; it stays owned by the caller).
    bool listen(int listenFd);
    // Stops accepting and cancels the timers; the connections stay until the owner closes them.
    void stop();

    void touch(int fd);
    void keep(int fd);
    void remove(int fd);
    size_t size() const { return entries_.size(); }
    void setIdleTimeout(uint32_t ms);

private:
    struct Entry {
        uint64_t lastActive = 0;
        bool kept = false;
    };
    void acceptPending();
    bool evictOldestIdle();
    void pause(bool retryLater);
    void resume();
    void armIdleTimer();
    void onIdleTimer();

    Reactor& reactor_;
    std::string name_;
    Options options_;
    Adopt adopt_;
    Drop drop_;
    int listenFd_ = -1;
    bool paused_ = false;
    Reactor::TimerId idleTimer_ = 0;
    Reactor::TimerId retryTimer_ = 0;
    uint64_t evictions_ = 0;
    std::map<int, Entry> entries_;
};

// True when the connected Unix socket's peer runs under this process's uid.
bool peerIsSameUser(int fd);

}  // namespace platform
