#include "platform/workstation_lock.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <sstream>
#include <string_view>

#include "platform/diagnostics.h"

namespace platform {
namespace {

std::mutex gCommandMutex;
std::vector<std::string> gCommandOverride;

// Full path of an executable: names with a slash as they are, others searched in $PATH. Done
// before fork so the child only makes async-signal-safe calls.
std::string resolveProgram(const std::string& name) {
    if (name.find('/') != std::string::npos) return ::access(name.c_str(), X_OK) == 0 ? name : "";
    const char* path = std::getenv("PATH");
    const std::string_view dirs = path && *path ? std::string_view(path)
                                                : std::string_view("/usr/local/bin:/usr/bin:/bin");
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string_view::npos) end = dirs.size();
        const std::string_view dir = dirs.substr(start, end - start);
        std::string candidate(dir.empty() ? std::string_view(".") : dir);
        candidate += '/';
        candidate += name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return "";
}

// Child side, between fork and exec: only async-signal-safe calls.
[[noreturn]] void execDetached(const char* program, char* const* argv) {
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);  // the service blocks signals for its signalfd
    setsid();
    int null = ::open("/dev/null", O_RDWR);
    if (null >= 0) {
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
    }
    // Sockets and device handles of the service stay with the service.
    if (close_range(3, ~0U, 0) != 0)
        for (int fd = 3; fd < 1024; ++fd) ::close(fd);
    execv(program, argv);
    _exit(127);
}

}  // namespace

std::vector<std::string> lockCommand() {
    {
        std::lock_guard lock(gCommandMutex);
        if (!gCommandOverride.empty()) return gCommandOverride;
    }
    std::vector<std::string> command;
    if (const char* env = std::getenv("KORVANTE_LOCK_COMMAND"); env && *env) {
        std::istringstream words(env);
        for (std::string word; words >> word;) command.push_back(word);
    }
    if (command.empty()) command = {"loginctl", "lock-session"};
    return command;
}

void setLockCommand(std::vector<std::string> command) {
    std::lock_guard lock(gCommandMutex);
    gCommandOverride = std::move(command);
}

bool lockWorkstation() {
    std::vector<std::string> command = lockCommand();
    std::string program = resolveProgram(command.front());
    if (program.empty()) {
        debugPrintf("workstation lock: %s not found", command.front().c_str());
        return false;
    }
    std::vector<char*> argv;
    for (std::string& word : command) argv.push_back(word.data());
    argv.push_back(nullptr);

    // Double fork: the intermediate child exits at once and is reaped here, the grandchild is
    // adopted by init, so the caller neither blocks on the command nor leaves a zombie.
    pid_t child = fork();
    if (child < 0) {
        debugPrintf("workstation lock: fork failed: %s", std::strerror(errno));
        return false;
    }
    if (child == 0) {
        pid_t grandchild = fork();
        if (grandchild == 0) execDetached(program.c_str(), argv.data());
        _exit(grandchild < 0 ? 1 : 0);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        debugLine("workstation lock: could not start the lock command");
        return false;
    }
    return true;
}

}  // namespace platform
