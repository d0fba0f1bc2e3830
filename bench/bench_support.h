#pragma once
// Pieces the service benchmarks share: child processes, bounded waits, /proc readings and a
// private session (own XDG_CONFIG_HOME and XDG_RUNTIME_DIR, no display) with the shipped settings.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "platform/event_loop.h"
#include "platform/profile_ini.h"

extern char** environ;

namespace benchsupport {


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

}  // namespace benchsupport
