// bench_panel: measures the configuration window cfgpanel in a private session (own XDG_CONFIG_HOME
// and XDG_RUNTIME_DIR) with the service running over the virtual mouse, on an X display of its own
// (Xvfb) and on Qt's offscreen platform:
//   (a) start-up: from starting cfgpanel until its window is mapped (on Xvfb the X server's
//       MapNotify; offscreen, where nothing is mapped, its first paint), median of runs;
//   (b) memory 3 s after that: resident (VmRSS) and anonymous (RssAnon: the process's private
//       memory), with the largest mappings;
//   (c) wake-ups of all its threads while it sits idle.
// Usage: bench_panel [IDLE_SECONDS [START_RUNS]]   (defaults 10 and 10)
#include <X11/Xlib.h>
#include <poll.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "platform/message_bus.h"
#include "shared/window_messages.h"

using namespace bench;

namespace {

constexpr long kRssTargetKb = 55 * 1024;
constexpr long kAnonymousTargetKb = 25 * 1024;
constexpr double kMapTargetMs = 100;
constexpr uint32_t kSettleMs = 3000;  // memory is read this long after the window appeared

const char* verdict(bool met) { return met ? "ok" : "MISSED"; }

// cfgpanel writes this diagnostics line once its first window has been painted.
bool painted(const std::string& log) { return readFile(log).find("first window painted") != std::string::npos; }

void closePanel(pid_t panel) {
    platform::postMessage(title::kPanel, msg::kClose);
    if (waitExit(panel, 5000) < 0) std::printf("    cfgpanel did not end on WM_CLOSE\n");
}

// An Xvfb server of the benchmark's own; its display number is what it writes on its stdout.
class Xvfb {
public:
    explicit Xvfb(const std::string& folder) {
        const std::string out = folder + "/xvfb.out";
        pid_ = spawn({"/usr/bin/Xvfb", "-displayfd", "1", "-screen", "0", "1920x1080x24", "-nolisten", "tcp"}, out,
                     folder + "/xvfb.log");
        if (pid_ > 0 && waitUntil(10000, [&] { return readFile(out).find('\n') != std::string::npos; }))
            name_ = ":" + readFile(out).substr(0, readFile(out).find('\n'));
    }
    ~Xvfb() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            waitExit(pid_, 5000);
        }
    }
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;
    const std::string& name() const { return name_; }  // empty when it did not start

private:
    pid_t pid_ = -1;
    std::string name_;
};

// Watches the display for a top-level window being mapped.
class MapWatch {
public:
    explicit MapWatch(const std::string& display) : display_(XOpenDisplay(display.c_str())) {
        if (display_ == nullptr) return;
        XSelectInput(display_, DefaultRootWindow(display_), SubstructureNotifyMask);
        XSync(display_, True);
    }
    ~MapWatch() {
        if (display_ != nullptr) XCloseDisplay(display_);
    }
    MapWatch(const MapWatch&) = delete;
    MapWatch& operator=(const MapWatch&) = delete;
    bool ready() const { return display_ != nullptr; }
    // Waits for the next map of a top-level window; false on time-out.
    bool waitForMap(int timeoutMs) {
        const uint64_t deadline = platform::tickCountMs() + static_cast<uint64_t>(timeoutMs);
        for (;;) {
            while (XPending(display_) > 0) {
                XEvent event;
                XNextEvent(display_, &event);
                if (event.type == MapNotify && !event.xmap.override_redirect) return true;
            }
            const uint64_t now = platform::tickCountMs();
            if (now >= deadline) return false;
            pollfd fd{ConnectionNumber(display_), POLLIN, 0};
            ::poll(&fd, 1, static_cast<int>(deadline - now));
        }
    }

private:
    Display* display_;
};

// Starts cfgpanel and waits until its window is there: mapped on a display, painted offscreen.
// Returns the milliseconds it took, or nothing.
std::optional<double> startPanel(const std::string& bin, const std::string& log, const std::string& display,
                                 pid_t& panel) {
    std::optional<MapWatch> watch;
    if (!display.empty()) {
        watch.emplace(display);
        if (!watch->ready()) return std::nullopt;
    }
    const uint64_t t0 = platform::tickCountMs();
    panel = spawn({bin + "/cfgpanel"}, "", log);
    if (panel <= 0) return std::nullopt;
    const bool up = watch ? watch->waitForMap(10000) : waitUntil(10000, [&] { return painted(log); }, 1);
    const uint64_t t1 = platform::tickCountMs();
    if (!up) return std::nullopt;
    return static_cast<double>(t1 - t0);
}

int measure(const std::string& bin, const std::string& root, const std::string& display, int idleSeconds,
            int startRuns) {
    const bool onX = !display.empty();
    if (onX) {
        ::setenv("DISPLAY", display.c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    } else {
        ::unsetenv("DISPLAY");
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    std::printf("\ncfgpanel on %s (%d idle seconds)\n", onX ? ("Xvfb " + display).c_str() : "the offscreen platform",
                idleSeconds);
    int status = 0;
    const std::string logs = root + (onX ? "/x11-" : "/offscreen-");
    std::vector<double> times;
    for (int i = 0; i < startRuns; ++i) {
        pid_t panel = -1;
        if (auto ms = startPanel(bin, logs + "start" + std::to_string(i) + ".log", display, panel)) times.push_back(*ms);
        if (panel > 0) closePanel(panel);
    }
    std::sort(times.begin(), times.end());
    if (times.empty()) {
        std::printf("(a) start-up: no window appeared\n");
        status = 1;
    } else {
        const double median = times[times.size() / 2];
        std::printf("(a) start until the window is %s: median %.0f ms, min %.0f, max %.0f (%zu runs)", onX ? "mapped" : "painted",
                    median, times.front(), times.back(), times.size());
        if (onX) std::printf("   target < %.0f ms: %s", kMapTargetMs, verdict(median < kMapTargetMs));
        std::printf("\n");
    }

    pid_t panel = -1;
    if (!startPanel(bin, logs + "idle.log", display, panel)) {
        std::printf("(b), (c): cfgpanel did not show its window\n");
        if (panel > 0) closePanel(panel);
        return 1;
    }
    platform::sleepMs(kSettleMs);
    const std::string procStatus = readFile("/proc/" + std::to_string(panel) + "/status");
    const long rss = statusValue(procStatus, "VmRSS");
    const long anonymous = statusValue(procStatus, "RssAnon");
    std::printf("(b) memory %u s after: VmRSS %ld kB (target < %ld: %s), anonymous %ld kB (target < %ld: %s)\n",
                kSettleMs / 1000, rss, kRssTargetKb, verdict(rss >= 0 && rss < kRssTargetKb), anonymous,
                kAnonymousTargetKb, verdict(anonymous >= 0 && anonymous < kAnonymousTargetKb));
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
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    const int idleSeconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const int startRuns = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    const std::string bin = binDir();

    Session session("panel");
    if (!session.ready()) return 1;
    const std::string& root = session.root();
    // The service over the virtual mouse, as on a user's desktop.
    pid_t mouse = spawn({bin + "/mousesim", "serve"}, "", root + "/mousesim.log");
    if (mouse <= 0 || !waitUntil(5000, [&] { return run({bin + "/mousesim", "stats"}) == 0; })) {
        std::fprintf(stderr, "mousesim did not start (%s)\n", bin.c_str());
        return 1;
    }
    pid_t agent = spawn({bin + "/hidagent"}, "", root + "/hidagent.log");
    if (agent <= 0 || !waitUntil(10000, [] { return platform::findWindow(title::kService); })) {
        std::fprintf(stderr, "hidagent did not start\n");
        ::kill(mouse, SIGTERM);
        waitExit(mouse, 5000);
        return 1;
    }
    std::printf("cfgpanel benchmark, with hidagent and the virtual mouse running\n");

    int status = 0;
    {
        Xvfb server(root);
        if (server.name().empty()) {
            std::printf("\nXvfb did not start: no measurement on an X display\n");
            status = 1;
        } else {
            status |= measure(bin, root, server.name(), idleSeconds, startRuns);
        }
    }
    status |= measure(bin, root, "", idleSeconds, startRuns);

    ::kill(agent, SIGTERM);
    waitExit(agent, 5000);
    ::kill(mouse, SIGTERM);
    waitExit(mouse, 5000);
    return status;
}
