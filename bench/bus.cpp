// Measures the message bus: post throughput and send round trips to a window of another process,
// and the cost of findWindow. Prints the numbers; runs in a private runtime folder.
#include "platform/event_loop.h"
#include "platform/message_bus.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

int main() {
    char pattern[] = "/tmp/korvante-bench-bus-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) return 1;
    ::setenv("XDG_RUNTIME_DIR", pattern, 1);

    constexpr int kPosts = 20000, kSends = 5000, kFinds = 5000;
    pid_t child = ::fork();
    if (child == 0) {
        platform::EventLoop loop;
        int received = 0;
        platform::Window window(loop, [&](uint32_t m, int64_t w, int64_t) -> int64_t {
            if (m == 1) ++received;
            if (m == 2) return received;
            return w + 1;
        });
        if (!window.create("bench")) ::_exit(1);
        loop.run();
        ::_exit(0);
    }
    while (!platform::findWindow("bench")) platform::sleepMs(1);

    uint64_t t0 = platform::tickCountMs();
    for (int i = 0; i < kPosts; ++i) platform::postMessage("bench", 1, i, 0);
    int64_t received = 0;
    platform::sendMessage("bench", 2, 0, 0, &received);  // returns once every post was handled
    uint64_t t1 = platform::tickCountMs();
    std::printf("posts: %d in %llu ms (%.0f/s), all handled: %s\n", kPosts,
                static_cast<unsigned long long>(t1 - t0), kPosts * 1000.0 / double(std::max<uint64_t>(t1 - t0, 1)),
                received == kPosts ? "yes" : "no");

    t0 = platform::tickCountMs();
    int64_t r = 0;
    for (int i = 0; i < kSends; ++i) platform::sendMessage("bench", 3, i, 0, &r);
    t1 = platform::tickCountMs();
    std::printf("sends: %d round trips in %llu ms (%.1f us each)\n", kSends,
                static_cast<unsigned long long>(t1 - t0), (t1 - t0) * 1000.0 / kSends);

    t0 = platform::tickCountMs();
    int found = 0;
    for (int i = 0; i < kFinds; ++i) found += platform::findWindow("bench");
    t1 = platform::tickCountMs();
    std::printf("finds: %d (%d found) in %llu ms (%.1f us each)\n", kFinds, found,
                static_cast<unsigned long long>(t1 - t0), (t1 - t0) * 1000.0 / kFinds);

    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    std::error_code ec;
    std::filesystem::remove_all(pattern, ec);
    return 0;
}
