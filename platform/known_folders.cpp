#include "platform/known_folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/diagnostics.h"

namespace platform {

std::string programFolder() {
    std::vector<char> buf(4096);
    for (;;) {
        ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0) return ".";
        if (static_cast<size_t>(n) < buf.size()) return parentFolder(std::string_view(buf.data(), n));
        buf.resize(buf.size() * 2);
    }
}

std::string appDataFolderFrom(const char* xdgConfigHome, const char* home) {
    if (xdgConfigHome && xdgConfigHome[0] == '/') {
        std::string s(xdgConfigHome);
        while (s.size() > 1 && s.back() == '/') s.pop_back();
        return s;
    }
    if (!home || home[0] != '/') return {};
    return pathJoin(home, ".config");
}

std::string appDataFolder() {
    const char* home = std::getenv("HOME");
    std::string fromPasswd;
    if (!home || home[0] != '/') {
        if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) {
            fromPasswd = pw->pw_dir;
            home = fromPasswd.c_str();
        }
    }
    std::string folder = appDataFolderFrom(std::getenv("XDG_CONFIG_HOME"), home);
    if (folder.empty()) {
        debugLine("known folders: no home folder, using /tmp for application data");
        folder = "/tmp";
    }
    return folder;
}

std::string vendorFolder() { return pathJoin(appDataFolder(), kVendorFolderName); }
std::string dataFolder() { return pathJoin(appDataFolder(), kDataFolderSuffix); }
std::string settingsPath() { return pathJoin(dataFolder(), "Mouse.ini"); }
std::string macroFolder() { return pathJoin(dataFolder(), "Macro"); }
std::string stringsPath() { return pathJoin(programFolder(), "Strings.xml"); }

bool ensureFolder(const std::string& path) {
    if (path.empty()) return false;
    if (folderExists(path)) return true;
    std::string parent = parentFolder(path);
    if (parent != path && parent != "." && parent != "/" && !ensureFolder(parent)) return false;
    if (::mkdir(path.c_str(), 0700) == 0) return true;
    if (errno == EEXIST && folderExists(path)) return true;
    debugPrintf("cannot create folder %s (errno %d)", path.c_str(), errno);
    return false;
}

bool fileExists(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

bool folderExists(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string pathJoin(std::string_view folder, std::string_view name) {
    while (!name.empty() && name.front() == '/') name.remove_prefix(1);
    std::string out(folder);
    if (name.empty()) return out;
    if (out.empty()) return std::string(name);
    if (out.back() != '/') out += '/';
    out += name;
    return out;
}

std::string fileTitle(std::string_view path) {
    auto slash = path.find_last_of('/');
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    auto dot = name.find_last_of('.');
    if (dot != std::string_view::npos) name = name.substr(0, dot);
    return std::string(name);
}

std::string parentFolder(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    auto slash = path.find_last_of('/');
    if (slash == std::string_view::npos) return ".";
    if (slash == 0) return "/";
    std::string_view parent = path.substr(0, slash);
    while (parent.size() > 1 && parent.back() == '/') parent.remove_suffix(1);
    return std::string(parent);
}

}  // namespace platform
