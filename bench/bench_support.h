#pragma once
// Helpers of the benchmarks that measure whole programs: start them in the background, wait for
// them, and read what the kernel counts for them (resident memory, context switches, CPU time).
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
#include "platform/profile_ini.h"

extern char** environ;

namespace bench {


inline std::string binDir() {
    // The benchmark lives in build/bench/, the programs in build/bin/.
    char buffer[4096];
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return "bin";
    buffer[n] = '\0';
    std::filesystem::path self(buffer);
    return (self.parent_path().parent_path() / "bin").string();
}

inline pid_t spawn(const std::vector<std::string>& argv, const std::string& outPath, const std::string& errPath) {
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

inline bool waitUntil(int timeoutMs, const std::function<bool()>& done, int pollMs = 10) {
    uint64_t deadline = platform::tickCountMs() + static_cast<uint64_t>(timeoutMs);
    for (;;) {
        if (done()) return true;
        if (platform::tickCountMs() >= deadline) return false;
        platform::sleepMs(static_cast<uint32_t>(pollMs));
    }
}

inline int waitExit(pid_t pid, int timeoutMs) {
    int status = 0;
    bool ended = waitUntil(timeoutMs, [&] { return ::waitpid(pid, &status, WNOHANG) == pid; });
    if (!ended) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline int run(const std::vector<std::string>& argv) {
    pid_t pid = spawn(argv, "", "");
    return pid > 0 ? waitExit(pid, 10000) : -1;
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// "Key:   123 kB" lines of a /proc status-like file.
inline long statusValue(const std::string& text, const std::string& key) {
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

inline std::map<int, ThreadSample> threadSamples(pid_t pid) {
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
inline double cpuMs(pid_t pid) {
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
inline void printTopMappings(pid_t pid, int count) {
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

// A private session under /tmp with the shipped "Mouse.ini" (tray program off) in its data
// folder; the programs of the build run over the virtual mouse. Removed on destruction.
class Session {
public:
    explicit Session(const std::string& name) {
        std::string pattern = "/tmp/korvante-bench-" + name + "-XXXXXX";
        if (!::mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            return;
        }
        root_ = pattern;
        const std::string runDir = root_ + "/run", configDir = root_ + "/config";
        ::mkdir(runDir.c_str(), 0700);
        ::mkdir(configDir.c_str(), 0700);
        ::setenv("XDG_RUNTIME_DIR", runDir.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", configDir.c_str(), 1);
        ::setenv("KORVANTE_TRANSPORT", "sim", 1);
        ::unsetenv("DISPLAY");
        ::unsetenv("WAYLAND_DISPLAY");
        dataDir_ = configDir + "/Brakmor KORVANTE/GamingMouse";
        std::filesystem::create_directories(dataDir_);
        std::error_code ec;
        std::filesystem::copy_file(binDir() + "/Mouse.ini", settingsPath(), ec);
        // No tray program: only the service is measured.
        platform::writeProfileInt(settingsPath(), "Setting", "TrayEnabled", 0);
    }
    ~Session() {
        std::error_code ec;
        if (!root_.empty()) std::filesystem::remove_all(root_, ec);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    bool ready() const { return !root_.empty(); }
    const std::string& root() const { return root_; }
    std::string runtimeDir() const { return root_ + "/run"; }
    std::string settingsPath() const { return dataDir_ + "/Mouse.ini"; }

private:
    std::string root_;
    std::string dataDir_;
};

}  // namespace bench
