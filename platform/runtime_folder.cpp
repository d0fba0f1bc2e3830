#include "platform/runtime_folder.h"

#include "platform/diagnostics.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace platform {
namespace {

// Makes sure `path` is a directory of ours with mode 0700, creating it when missing.
bool ensurePrivateFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        debugPrintf("runtime folder %s: cannot create (%s)", path.c_str(), std::strerror(errno));
        return false;
    }
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        debugPrintf("runtime folder %s: cannot stat (%s)", path.c_str(), std::strerror(errno));
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        debugPrintf("runtime folder %s: not a directory, refused", path.c_str());
        return false;
    }
    if (st.st_uid != ::getuid()) {
        debugPrintf("runtime folder %s: owned by uid %u, refused", path.c_str(),
                    static_cast<unsigned>(st.st_uid));
        return false;
    }
    if ((st.st_mode & 07777) != 0700 && ::chmod(path.c_str(), 0700) != 0) {
        debugPrintf("runtime folder %s: cannot set mode 0700 (%s)", path.c_str(), std::strerror(errno));
        return false;
    }
    return true;
}

uint64_t fnv1a64(const std::string& text, uint64_t seed) {
    uint64_t h = seed;
    for (unsigned char c : text) {
        h ^= c;
        h *= 0x100000001b3ULL;
    }
    return h;
}

}  // namespace

std::string runtimeFolder() {
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    std::string folder;
    if (xdg != nullptr && xdg[0] == '/') {
        folder = std::string(xdg);
        while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        folder += "/korvante";
    } else {
        folder = "/tmp/korvante-" + std::to_string(::getuid());
    }
    return ensurePrivateFolder(folder) ? folder : std::string();
}

std::string fileNameForTitle(const std::string& name) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    out.reserve(name.size());
    for (unsigned char c : name) {
        bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                     c == '_' || c == '-';
        if (plain) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('%');
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 15]);
        }
    }
    if (out.empty()) return "%";  // the empty title still gets a valid, unique file name
    if (out.size() <= 80) return out;
    // Two independent 64-bit hashes: an accidental collision of long titles is not a concern.
    uint64_t a = fnv1a64(name, 0xcbf29ce484222325ULL);
    uint64_t b = fnv1a64(name, 0x84222325cbf29ce4ULL ^ name.size());
    std::string hashed = "#";
    for (uint64_t v : {a, b})
        for (int shift = 60; shift >= 0; shift -= 4) hashed.push_back(hex[(v >> shift) & 15]);
    return hashed;
}

}  // namespace platform
