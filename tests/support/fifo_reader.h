#pragma once
// Whether a reader passes a FIFO standing where it expects a file: a reader that opens it for
// reading blocks until some writer comes. The watch here is that writer of last resort: after a
// grace far above any honest read it opens and closes the write end (again and again, for readers
// that try twice), so a blocked reader sees an empty file, returns, and the call says it blocked.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace testsupport {

inline bool readsPastFifo(const std::string& fifo, const std::function<void()>& read) {
    if (::mkfifo(fifo.c_str(), 0600) != 0) return false;
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false, released = false;
    std::thread watch([&] {
        std::unique_lock<std::mutex> lock(mutex);
        if (finished.wait_for(lock, std::chrono::seconds(20), [&] { return done; })) return;
        released = true;
        while (!finished.wait_for(lock, std::chrono::milliseconds(50), [&] { return done; })) {
            const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) ::close(fd);
        }
    });
    read();
    {
        std::lock_guard<std::mutex> lock(mutex);
        done = true;
    }
    finished.notify_all();
    watch.join();
    return !released;
}

}  // namespace testsupport
