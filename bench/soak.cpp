// bench_soak: the service under a mixed load for a bounded time, on the virtual mouse, in a private
// session (own XDG_CONFIG_HOME and XDG_RUNTIME_DIR, no display):
//   - requests: sends of 1284 (answered at once) and, every tenth, 1277 (writes the mouse), each
//     timed from the call to the answer;
//   - posts from other processes (korvante-msg): ten click counts a second, and a full write
//     every 2 s;
//   - report floods from the mouse: stage notices and profile steps;
//   - plug cycles of the mouse every 4 s;
//   - a configuration window that accepts nothing (silent peer) and 150 idle connections.
// Prints the requests served, the slowest answer, and resident memory before and after.
// Usage: bench_soak [SECONDS]   (default 25)
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_support.h"
#include "platform/event_loop.h"
#include "platform/message_bus.h"
#include "platform/profile_ini.h"
#include "platform/runtime_folder.h"
#include "platform/unix_socket.h"
#include "shared/window_messages.h"
#include "tests/support/silent_listener.h"

namespace {

using namespace bench;

long residentKb(pid_t pid) { return statusValue(readFile("/proc/" + std::to_string(pid) + "/status"), "VmRSS"); }

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(5, std::atoi(argv[1])) : 25;
    const std::string bin = binDir();
    Session session("soak");
    if (!session.ready()) return 1;
    const std::string root = session.root();

    pid_t mouse = spawn({bin + "/mousesim", "serve"}, "", root + "/mousesim.log");
    if (mouse <= 0 || !waitUntil(5000, [&] { return run({bin + "/mousesim", "stats"}) == 0; })) {
        std::fprintf(stderr, "mousesim did not start (%s)\n", bin.c_str());
        return 1;
    }
    const std::string busFolder = platform::runtimeFolder();
    testsupport::SilentListener panel(busFolder + "/" + platform::fileNameForTitle(title::kPanel));
    pid_t agent = spawn({bin + "/hidagent"}, "", root + "/hidagent.log");
    bool up = waitUntil(20000, [&] {
        return readFile(root + "/hidagent.log").find("QueryAllFrMouse") != std::string::npos &&
               platform::sendMessage(title::kService, msg::kScrollTrayFlags, 0, 0, nullptr, 20000);
    });
    if (!up) {
        std::fprintf(stderr, "hidagent did not start\n");
        ::kill(agent, SIGTERM);
        ::kill(mouse, SIGTERM);
        return 1;
    }
    platform::sleepMs(500);
    const long rssBefore = residentKb(agent);

    std::vector<int> idle;
    for (int i = 0; i < 150; ++i) {
        int fd = platform::connectUnix(busFolder + "/" + platform::fileNameForTitle(title::kService), SOCK_SEQPACKET, 1000);
        if (fd >= 0) idle.push_back(fd);
    }

    std::atomic<bool> stop{false};
    const uint64_t end = platform::tickCountMs() + static_cast<uint64_t>(seconds) * 1000u;

    // Requests, timed one by one.
    std::vector<uint64_t> latencies;
    int requestFailures = 0;
    std::thread requester([&] {
        for (int i = 0; !stop; ++i) {
            uint32_t message = i % 10 == 9 ? msg::kPollingRate : msg::kScrollTrayFlags;
            uint64_t t0 = platform::tickCountMs();
            bool ok = platform::sendMessage(title::kService, message, 0, 0, nullptr, 30000);
            uint64_t t1 = platform::tickCountMs();
            if (ok)
                latencies.push_back(t1 - t0);
            else
                ++requestFailures;
            platform::sleepMs(5);
        }
    });

    // Posts from other processes: click counts, and a full write every 2 s.
    int clickPosts = 0, postFailures = 0, fullWrites = 0;
    std::thread poster([&] {
        std::vector<pid_t> running;
        uint64_t nextFullWrite = platform::tickCountMs();
        while (!stop) {
            if (platform::tickCountMs() >= nextFullWrite) {
                running.push_back(spawn({bin + "/korvante-msg", "post", title::kService, "1278"}, "", ""));
                ++fullWrites;
                nextFullWrite += 2000;
            }
            running.push_back(spawn({bin + "/korvante-msg", "post", title::kService, "1196", "514"}, "", ""));
            ++clickPosts;
            platform::sleepMs(100);
            if (running.size() >= 32) {
                for (pid_t pid : running) postFailures += waitExit(pid, 60000) != 0;
                running.clear();
            }
        }
        for (pid_t pid : running) postFailures += waitExit(pid, 60000) != 0;
    });

    // Reports and plug cycles from the mouse.
    int reports = 0, plugCycles = 0;
    for (int round = 0; platform::tickCountMs() < end; ++round) {
        std::string stage = std::to_string(round % 7);
        run({bin + "/mousesim", "report", "-n", "500", "08", "02", "0" + stage});
        run({bin + "/mousesim", "report", "-n", "10", "08", "ff", round % 2 ? "18" : "17"});
        reports += 510;
        if (round % 4 == 3) {
            run({bin + "/mousesim", "unplug"});
            platform::sleepMs(300);
            run({bin + "/mousesim", "plug"});
            ++plugCycles;
        }
        platform::sleepMs(700);
    }
    stop = true;
    requester.join();
    poster.join();
    for (int fd : idle) ::close(fd);

    // Let the last queued work finish, then read the memory again.
    platform::sendMessage(title::kService, msg::kScrollTrayFlags, 0, 0, nullptr, 60000);
    platform::sleepMs(2000);
    const long rssAfter = residentKb(agent);
    const int leftCount = platform::readProfileInt(session.settingsPath(), "Setting", "LeftCount", -1);

    std::sort(latencies.begin(), latencies.end());
    std::printf("service soak (sim transport, %d s, silent configuration window, %zu idle connections)\n", seconds,
                idle.size());
    if (!latencies.empty())
        std::printf("requests answered: %zu (failed %d); answer median %llu ms, 99th %llu ms, slowest %llu ms\n",
                    latencies.size(), requestFailures,
                    static_cast<unsigned long long>(latencies[latencies.size() / 2]),
                    static_cast<unsigned long long>(latencies[latencies.size() * 99 / 100]),
                    static_cast<unsigned long long>(latencies.back()));
    std::printf("posts from other processes: %d click counts + %d full writes, %d refused; LeftCount %d\n", clickPosts,
                fullWrites, postFailures, leftCount);
    std::printf("mouse: %d input reports, %d plug cycles\n", reports, plugCycles);
    std::printf("resident memory (VmRSS): before %ld kB, after %ld kB\n", rssBefore, rssAfter);

    ::kill(agent, SIGTERM);
    int agentExit = waitExit(agent, 10000);
    ::kill(mouse, SIGTERM);
    waitExit(mouse, 3000);
    std::printf("service exit status: %d\n", agentExit);
    return agentExit == 0 && requestFailures == 0 && postFailures == 0 ? 0 : 1;
}
