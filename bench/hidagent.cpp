// bench_hidagent: measures the service as it runs all day, against the virtual mouse, in a private
// session (own XDG_CONFIG_HOME and XDG_RUNTIME_DIR, no display):
//   (a) start-up: time from starting hidagent until its window answers on the bus (median of runs);
//   (b) resident memory after the read-back of the mouse has settled (VmRSS, Pss);
//   (c) wake-ups while idle with the mouse connected (context switches of all threads);
//   (d) CPU time used while idle.
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

#include "platform/event_loop.h"
#include "platform/message_bus.h"
#include "platform/profile_ini.h"
#include "shared/window_messages.h"

extern char** environ;

namespace {

std::string binDir() {
    // The benchmark lives in build/bench/, the programs in build/bin/.
    char buffer[4096];
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return "bin";
    buffer[n] = '\0';
    std::filesystem::path self(buffer);
    return (self.parent_path().parent_path() / "bin").string();
}

pid_t spawn(const std::vector<std::string>& argv, const std::string& outPath, const std::string& errPath) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.empty() ? "/dev/null" : outPath.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.empty() ? "/dev/null" : errPath.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0600);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

bool waitUntil(int timeoutMs, const std::function<bool()>& done, int pollMs = 10) {
    uint64_t deadline = platform::tickCountMs() + static_cast<uint64_t>(timeoutMs);
    for (;;) {
        if (done()) return true;
        if (platform::tickCountMs() >= deadline) return false;
        platform::sleepMs(static_cast<uint32_t>(pollMs));
    }
}

int waitExit(pid_t pid, int timeoutMs) {
    int status = 0;
    bool ended = waitUntil(timeoutMs, [&] { return ::waitpid(pid, &status, WNOHANG) == pid; });
    if (!ended) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int run(const std::vector<std::string>& argv) {
    pid_t pid = spawn(argv, "", "");
    return pid > 0 ? waitExit(pid, 10000) : -1;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// "Key:   123 kB" lines of a /proc status-like file.
long statusValue(const std::string& text, const std::string& key) {
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, key.size() + 1, key + ":") == 0) return std::atol(line.c_str() + key.size() + 1);
    }
    return -1;
}

struct ThreadSample {
    std::string name;
    long switches = 0;  // voluntary + nonvoluntary
};

std::map<int, ThreadSample> threadSamples(pid_t pid) {
    std::map<int, ThreadSample> out;
    std::string folder = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return out;
    while (dirent* e = ::readdir(dir)) {
        if (e->d_name[0] == '.') continue;
        std::string status = readFile(folder + "/" + e->d_name + "/status");
        ThreadSample s;
        std::string comm = readFile(folder + "/" + e->d_name + "/comm");
        s.name = comm.substr(0, comm.find('\n'));
        s.switches = statusValue(status, "voluntary_ctxt_switches") + statusValue(status, "nonvoluntary_ctxt_switches");
        out[std::atoi(e->d_name)] = s;
    }
    ::closedir(dir);
    return out;
}

// CPU time of all threads in milliseconds, from the scheduler's run-time counters (nanoseconds,
// finer than the clock ticks of /proc/PID/stat).
double cpuMs(pid_t pid) {
    std::string folder = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return -1;
    double ns = 0;
    while (dirent* e = ::readdir(dir)) {
        if (e->d_name[0] == '.') continue;
        ns += std::atof(readFile(folder + "/" + e->d_name + "/schedstat").c_str());
    }
    ::closedir(dir);
    return ns / 1e6;
}

// The largest resident mappings, grouped by what they map.
void printTopMappings(pid_t pid, int count) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/smaps");
    std::map<std::string, long> rssByName;
    std::string line, current;
    while (std::getline(in, line)) {
        if (!line.empty() && std::isxdigit(static_cast<unsigned char>(line[0])) && line.find('-') < 17) {
            std::istringstream words(line);
            std::string range, perms, offset, dev, inode, name;
            words >> range >> perms >> offset >> dev >> inode;
            std::getline(words, name);
            name.erase(0, name.find_first_not_of(' '));
            current = name.empty() ? "[anonymous]" : name;
        } else if (line.compare(0, 4, "Rss:") == 0) {
            rssByName[current] += std::atol(line.c_str() + 4);
        }
    }
    std::vector<std::pair<long, std::string>> sorted;
    for (auto& [name, kb] : rssByName) sorted.emplace_back(kb, name);
    std::sort(sorted.rbegin(), sorted.rend());
    for (int i = 0; i < count && i < static_cast<int>(sorted.size()); ++i)
        std::printf("      %7ld kB  %s\n", sorted[static_cast<size_t>(i)].first, sorted[static_cast<size_t>(i)].second.c_str());
}

const char* verdict(bool met) { return met ? "ok" : "MISSED"; }

}  // namespace

int main(int argc, char** argv) {
    const int idleSeconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    const int startRuns = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    const std::string bin = binDir();

    // A private session: nothing here touches the user's files, bus or display.
    char pattern[] = "/tmp/korvante-bench-hidagent-XXXXXX";
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
    ::setenv("KORVANTE_TRANSPORT", "sim", 1);
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");

    const std::string dataDir = configDir + "/Brakmor KORVANTE/GamingMouse";
    std::filesystem::create_directories(dataDir);
    std::error_code ec;
    std::filesystem::copy_file(bin + "/Mouse.ini", dataDir + "/Mouse.ini", ec);
    // No tray program: only the service is measured.
    platform::writeProfileInt(dataDir + "/Mouse.ini", "Setting", "TrayEnabled", 0);

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
    std::filesystem::remove_all(root, ec);
    return status;
}
