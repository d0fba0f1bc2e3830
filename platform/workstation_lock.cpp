#include "platform/workstation_lock.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <sstream>
#include <string_view>

#include "platform/diagnostics.h"
#include "platform/process_launch.h"

namespace platform {
namespace {

std::mutex gCommandMutex;
std::vector<std::string> gCommandOverride;

// Full path of an executable: names with a slash as they are, others searched in $PATH.
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
    if (!launchDetached(program, std::vector<std::string>(command.begin() + 1, command.end()))) {
        debugLine("workstation lock: could not start the lock command");
        return false;
    }
    return true;
}

}  // namespace platform
