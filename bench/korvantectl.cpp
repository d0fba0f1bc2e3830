// Measures "korvantectl status": wall time per run and peak resident memory of the process, in a
// private session (own XDG_CONFIG_HOME and XDG_RUNTIME_DIR, the shipped Mouse.ini) with stand-in
// windows for the service and the configuration window, so the status query goes over the bus.
// Prints the numbers; asserts nothing.
#include "platform/event_loop.h"
#include "platform/known_folders.h"
#include "platform/message_bus.h"

#include <signal.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

struct Run {
    double ms;     // wall time from fork to exit
    double cpuMs;  // user + system time of the process
    long maxRssKb;
};

Run runProgram(const std::vector<std::string>& argv) {
    const auto t0 = std::chrono::steady_clock::now();
    pid_t pid = ::fork();
    if (pid == 0) {
        int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    int status = 0;
    struct rusage usage {};
    ::wait4(pid, &status, 0, &usage);
    const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - t0;
    const double cpu = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
                       (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
    return {elapsed.count(), cpu, usage.ru_maxrss};
}

void report(const char* what, std::vector<Run> runs) {
    std::sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) { return a.ms < b.ms; });
    long rss = 0;
    std::vector<double> cpu;
    for (const Run& r : runs) {
        rss = std::max(rss, r.maxRssKb);
        cpu.push_back(r.cpuMs);
    }
    std::sort(cpu.begin(), cpu.end());
    std::printf("%-26s wall median %.2f ms (min %.2f, max %.2f), CPU median %.2f ms, peak RSS %.1f MB, %zu runs\n",
                what, runs[runs.size() / 2].ms, runs.front().ms, runs.back().ms, cpu[cpu.size() / 2], rss / 1024.0,
                runs.size());
}

}  // namespace

int main() {
    char pattern[] = "/tmp/korvante-bench-ctl-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) return 1;
    const std::string root = pattern;
    ::setenv("XDG_RUNTIME_DIR", (root + "/run").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
    ::unsetenv("DISPLAY");
    std::filesystem::create_directories(root + "/run");
    std::filesystem::create_directories(platform::dataFolder());
    const std::string bin = platform::parentFolder(platform::programFolder()) + "/bin";
    std::error_code ec;
    std::filesystem::copy_file(bin + "/Mouse.ini", platform::settingsPath(), ec);
    const std::string program = bin + "/korvantectl";

    // Stand-ins for the service and the window, in a child process.
    pid_t child = ::fork();
    if (child == 0) {
        platform::EventLoop loop;
        platform::Window service(loop, [](uint32_t, int64_t, int64_t) -> int64_t { return 0; });
        platform::Window panel(loop, [](uint32_t, int64_t, int64_t) -> int64_t { return 0; });
        if (!service.create("KORVANTEHidAgent") || !panel.create("KORVANTE")) ::_exit(1);
        loop.run();
        ::_exit(0);
    }
    while (!platform::findWindow("KORVANTEHidAgent")) platform::sleepMs(1);

    // /bin/true first: the cost of starting any process on this machine right now.
    constexpr int kRuns = 40;
    const std::vector<std::pair<const char*, std::vector<std::string>>> programs = {
        {"/bin/true (baseline)", {"/bin/true"}},
        {"korvantectl status", {program, "status"}},
        {"korvantectl --json status", {program, "--json", "status"}},
    };
    for (const auto& [what, argv] : programs) {
        std::vector<Run> runs;
        runProgram(argv);  // warm the page cache
        for (int i = 0; i < kRuns; ++i) runs.push_back(runProgram(argv));
        report(what, runs);
    }
    std::printf("targets: under 20 ms and under 10 MB (a peer's equivalent: about 150 ms and 34 MB)\n");

    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    std::filesystem::remove_all(root, ec);
    return 0;
}
