// bench_hidagent: measures the service as it runs all day, against the virtual mouse, in a private
// session (own XDG_CONFIG_HOME and XDG_RUNTIME_DIR, no display):
//   (a) start-up: time from starting hidagent until its window answers on the bus (median of runs);
//   (b) resident memory after the read-back of the mouse has settled (VmRSS, Pss);
//   (c) wake-ups while idle with the mouse connected (context switches of all threads);
//   (d) CPU time used while idle;
//   (e) how long a SIGTERM during the start-up read-back takes to end it.
// Usage: bench_hidagent [IDLE_SECONDS [START_RUNS]]   (defaults 30 and 10)
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "platform/event_loop.h"
#include "platform/message_bus.h"
#include "platform/profile_ini.h"
#include "shared/window_messages.h"

using namespace bench;

namespace {

const char* verdict(bool met) { return met ? "ok" : "MISSED"; }

}  // namespace

int main(int argc, char** argv) {
    const int idleSeconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    const int startRuns = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    const std::string bin = binDir();

    // A private session: nothing here touches the user's files, bus or display.
    Session session("hidagent");
    if (!session.ready()) return 1;
    const std::string root = session.root();

    int status = 0;
    pid_t mouse = spawn({bin + "/mousesim", "serve"}, "", root + "/mousesim.log");
    if (mouse <= 0 || !waitUntil(5000, [&] { return run({bin + "/mousesim", "stats"}) == 0; })) {
        std::fprintf(stderr, "mousesim did not start (%s)\n", bin.c_str());
        status = 1;
    }

    std::printf("hidagent benchmark (sim transport, %d idle seconds)\n", idleSeconds);

    // (a) Start-up. The mouse is unplugged meanwhile, so every run measures the start alone and
    // ends quickly (no read-back in progress when it is asked to stop).
    if (status == 0) {
        run({bin + "/mousesim", "unplug"});
        std::vector<double> times;
        for (int i = 0; i < startRuns; ++i) {
            uint64_t t0 = platform::tickCountMs();
            pid_t agent = spawn({bin + "/hidagent"}, "", root + "/start.log");
            bool up = waitUntil(5000, [] { return platform::findWindow(title::kService); }, 1);
            uint64_t t1 = platform::tickCountMs();
            if (up) times.push_back(static_cast<double>(t1 - t0));
            ::kill(agent, SIGTERM);
            waitExit(agent, 5000);
        }
        std::sort(times.begin(), times.end());
        if (times.empty()) {
            std::printf("(a) start-up: the window never answered\n");
        } else {
            double median = times[times.size() / 2];
            // The best peer daemon measured 25 ms from start to answering on the same machine.
            std::printf("(a) start until the window answers: median %.0f ms, min %.0f, max %.0f (%zu runs)   "
                        "target < 15 ms (best peer daemon: 25 ms): %s\n",
                        median, times.front(), times.back(), times.size(), verdict(median < 15));
        }
        run({bin + "/mousesim", "plug"});
    }

    // (e) A termination during the start-up read-back (some four seconds of sessions), asked for
    // just after it began; no window is there to be closed.
    if (status == 0) {
        std::vector<double> times;
        for (int i = 0; i < 3; ++i) {
            const std::string log = root + "/stop-" + std::to_string(i) + ".log";
            pid_t agent = spawn({bin + "/hidagent"}, "", log);
            if (!waitUntil(10000, [&] { return readFile(log).find("QueryAllFrMouse") != std::string::npos; }, 1)) {
                ::kill(agent, SIGKILL);
                waitExit(agent, 5000);
                continue;
            }
            uint64_t t0 = platform::tickCountMs();
            ::kill(agent, SIGTERM);
            if (waitExit(agent, 10000) >= 0) times.push_back(static_cast<double>(platform::tickCountMs() - t0));
        }
        std::sort(times.begin(), times.end());
        if (times.empty())
            std::printf("(e) SIGTERM during the read-back: the read-back never began\n");
        else
            std::printf("(e) SIGTERM during the start-up read-back until the end: median %.0f ms, max %.0f (%zu runs)   "
                        "target < 1000 ms: %s\n",
                        times[times.size() / 2], times.back(), times.size(), verdict(times.back() < 1000));
    }

    pid_t listener = -1, agent = -1;
    if (status == 0) {
        listener = spawn({bin + "/korvante-msg", "listen", title::kPanel}, root + "/panel.txt", "");
        waitUntil(5000, [] { return platform::findWindow(title::kPanel); });
        uint64_t start = platform::tickCountMs();
        agent = spawn({bin + "/hidagent"}, "", root + "/hidagent.log");
        bool readBack = waitUntil(30000, [&] { return readFile(root + "/panel.txt").find("1285 0 0") != std::string::npos; });
        std::printf("    read-back on connection: %s after %llu ms\n", readBack ? "done" : "NOT reported",
                    static_cast<unsigned long long>(platform::tickCountMs() - start));
        // Idle means after the one-shot trailer timer (15 s after start) has fired.
        uint64_t settle = start + static_cast<uint64_t>(msg::kTrailerTimerMs) + 1500;
        uint64_t now = platform::tickCountMs();
        if (now < settle) platform::sleepMs(static_cast<uint32_t>(settle - now));

        // (b) Memory.
        std::string procStatus = readFile("/proc/" + std::to_string(agent) + "/status");
        std::string rollup = readFile("/proc/" + std::to_string(agent) + "/smaps_rollup");
        long rss = statusValue(procStatus, "VmRSS");
        long pss = statusValue(rollup, "Pss");
        long anon = statusValue(rollup, "Pss_Anon");
        long file = statusValue(rollup, "Pss_File");
        std::printf("(b) resident memory: VmRSS %ld kB, Pss %ld kB (anon %ld, file %ld)   target < 5120 kB (both): %s\n", rss,
                    pss, anon, file, verdict(rss >= 0 && rss < 5120 && pss < 5120));
        std::printf("    largest mappings (Rss):\n");
        printTopMappings(agent, 12);

        // (c) and (d) Idle.
        auto before = threadSamples(agent);
        double cpuBefore = cpuMs(agent);
        platform::sleepMs(static_cast<uint32_t>(idleSeconds) * 1000u);
        auto after = threadSamples(agent);
        double cpuAfter = cpuMs(agent);
        long wakeups = 0;
        for (auto& [tid, sample] : after) {
            auto it = before.find(tid);
            long d = sample.switches - (it == before.end() ? 0 : it->second.switches);
            wakeups += d;
        }
        std::printf("(c) wake-ups over %d s idle: %ld   target 0: %s\n", idleSeconds, wakeups, verdict(wakeups == 0));
        std::printf("    threads:");
        for (auto& [tid, sample] : after) {
            auto it = before.find(tid);
            std::printf(" %s(%ld)", sample.name.c_str(), sample.switches - (it == before.end() ? 0 : it->second.switches));
        }
        std::printf("\n");
        double cpu = cpuAfter - cpuBefore;
        std::printf("(d) CPU time while idle: %.3f ms over %d s   target < 20 ms: %s\n", cpu, idleSeconds,
                    verdict(cpu < 20));
    }

    if (agent > 0) {
        ::kill(agent, SIGTERM);
        waitExit(agent, 10000);
    }
    if (listener > 0) {
        ::kill(listener, SIGTERM);
        waitExit(listener, 3000);
    }
    if (mouse > 0) {
        ::kill(mouse, SIGTERM);
        waitExit(mouse, 3000);
    }
    return status;
}
