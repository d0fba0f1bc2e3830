#include "platform/running_programs.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <climits>

namespace platform {
namespace {

constexpr std::string_view kDeletedMark = " (deleted)";

std::string readLink(const std::string& path) {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink(path.c_str(), buffer, sizeof buffer);
    // A path that fills the buffer may have been cut: no answer is better than a wrong one.
    if (n <= 0 || static_cast<size_t>(n) >= sizeof buffer) return {};
    return std::string(executableFromLink(std::string_view(buffer, static_cast<size_t>(n))));
}

}  // namespace

std::string_view executableFromLink(std::string_view link) {
    if (link.size() > kDeletedMark.size() && link.ends_with(kDeletedMark)) link.remove_suffix(kDeletedMark.size());
    return link;
}

std::string processExecutable(long pid) {
    if (pid <= 0) return {};
    return readLink("/proc/" + std::to_string(pid) + "/exe");
}

std::vector<RunningProgram> runningPrograms(const std::string& procFolder) {
    std::vector<RunningProgram> out;
    DIR* dir = ::opendir(procFolder.c_str());
    if (dir == nullptr) return out;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name(entry->d_name);
        if (name.empty() || !std::all_of(name.begin(), name.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
            continue;
        std::string path = readLink(procFolder + "/" + std::string(name) + "/exe");
        // A program run from memory (memfd) or from a file gone for good names no file to choose.
        if (path.empty() || path.front() != '/' || ::access(path.c_str(), F_OK) != 0) continue;
        const size_t slash = path.rfind('/');
        out.push_back({path.substr(slash + 1), std::move(path)});
    }
    ::closedir(dir);
    std::sort(out.begin(), out.end(), [](const RunningProgram& a, const RunningProgram& b) {
        return a.name != b.name ? a.name < b.name : a.path < b.path;
    });
    out.erase(std::unique(out.begin(), out.end(), [](const RunningProgram& a, const RunningProgram& b) { return a.path == b.path; }),
              out.end());
    return out;
}

}  // namespace platform
