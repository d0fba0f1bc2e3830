// bench_panel: measures the configuration window cfgpanel in a private session (own
// XDG_CONFIG_HOME and XDG_RUNTIME_DIR, Qt's offscreen platform):
//   (a) start-up: time from starting cfgpanel until its first window is painted (median of runs);
//   (b) resident memory once the window shows (VmRSS, Pss);
//   (c) wake-ups of all its threads while it sits idle.
// Usage: bench_panel [IDLE_SECONDS [START_RUNS]]   (defaults 10 and 10)
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "platform/message_bus.h"
#include "shared/window_messages.h"

using namespace bench;

namespace {

const char* verdict(bool met) { return met ? "ok" : "MISSED"; }

// cfgpanel writes this diagnostics line once its first window has been painted.
bool painted(const std::string& log) { return readFile(log).find("first window painted") != std::string::npos; }

void closePanel(pid_t panel) {
    platform::postMessage(title::kPanel, msg::kClose);
    if (waitExit(panel, 5000) < 0) std::printf("    cfgpanel did not end on WM_CLOSE\n");
}

}  // namespace

int main(int argc, char** argv) {
    const int idleSeconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const int startRuns = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    const std::string bin = binDir();

    char pattern[] = "/tmp/korvante-bench-panel-XXXXXX";
    if (!::mkdtemp(pattern)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string root = pattern;
    const std::string runDir = root + "/run", configDir = root + "/config";
    ::mkdir(runDir.c_str(), 0700);
    ::mkdir(configDir.c_str(), 0700);
    ::setenv("XDG_RUNTIME_DIR", runDir.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", configDir.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);

    std::printf("cfgpanel benchmark (offscreen, %d idle seconds)\n", idleSeconds);
    int status = 0;
    std::vector<double> times;
    for (int i = 0; i < startRuns; ++i) {
        const std::string log = root + "/start" + std::to_string(i) + ".log";
        const uint64_t t0 = platform::tickCountMs();
        pid_t panel = spawn({bin + "/cfgpanel"}, "", log);
        const bool up = panel > 0 && waitUntil(10000, [&] { return painted(log); }, 1);
        const uint64_t t1 = platform::tickCountMs();
        if (up) times.push_back(static_cast<double>(t1 - t0));
        if (panel > 0) closePanel(panel);
    }
    std::sort(times.begin(), times.end());
    if (times.empty()) {
        std::printf("(a) start-up: no window was painted\n");
        status = 1;
    } else {
        const double median = times[times.size() / 2];
        std::printf("(a) start until the first window is painted: median %.0f ms, min %.0f, max %.0f (%zu runs)   "
                    "target < 250 ms: %s\n",
                    median, times.front(), times.back(), times.size(), verdict(median < 250));
    }

    const std::string log = root + "/idle.log";
    pid_t panel = spawn({bin + "/cfgpanel"}, "", log);
    if (panel > 0 && waitUntil(10000, [&] { return painted(log); })) {
        platform::sleepMs(1000);  // start-up work (fonts, settle timers) done
        const std::string procStatus = readFile("/proc/" + std::to_string(panel) + "/status");
        const std::string rollup = readFile("/proc/" + std::to_string(panel) + "/smaps_rollup");
        const long rss = statusValue(procStatus, "VmRSS");
        const long pss = statusValue(rollup, "Pss");
        std::printf("(b) resident memory: VmRSS %ld kB, Pss %ld kB   target < 61440 kB: %s\n", rss, pss,
                    verdict(rss >= 0 && rss < 61440));
        std::printf("    largest mappings (Rss):\n");
        printTopMappings(panel, 8);

        auto before = threadSamples(panel);
        const double cpuBefore = cpuMs(panel);
        platform::sleepMs(static_cast<uint32_t>(idleSeconds) * 1000u);
        auto after = threadSamples(panel);
        long wakeups = 0;
        std::string perThread;
        for (auto& [tid, sample] : after) {
            auto it = before.find(tid);
            const long d = sample.switches - (it == before.end() ? 0 : it->second.switches);
            wakeups += d;
            perThread += " " + sample.name + "(" + std::to_string(d) + ")";
        }
        std::printf("(c) wake-ups over %d s idle: %ld   target 0: %s\n    threads:%s\n", idleSeconds, wakeups,
                    verdict(wakeups == 0), perThread.c_str());
        std::printf("    CPU time while idle: %.3f ms\n", cpuMs(panel) - cpuBefore);
        closePanel(panel);
    } else {
        std::printf("(b), (c): cfgpanel did not show its window\n");
        status = 1;
    }
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    return status;
}
