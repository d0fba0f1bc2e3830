#include "platform/runtime_folder.h"

#include "platform/atomic_file.h"
#include "platform/diagnostics.h"
#include "platform/known_folders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace platform {
namespace {

// Makes sure `path` is a directory of ours with mode 0700, creating it when missing. Otherwise
// false, with what is wrong and what to do about it in *problem.
bool ensurePrivateFolder(const std::string& path, std::string& problem) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        problem = path + ": cannot be created (" + std::strerror(errno) + ")";
        return false;
    }
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        problem = path + ": cannot be examined (" + std::strerror(errno) + ")";
        return false;
    }
    if (S_ISLNK(st.st_mode)) {
        problem = path + " is a symbolic link, not a folder of this user: remove it";
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        problem = path + " is not a folder: remove it";
        return false;
    }
    if (st.st_uid != ::getuid()) {
        problem = path + " belongs to another user (uid " + std::to_string(st.st_uid) + "): remove it";
        return false;
    }
    if ((st.st_mode & 07777) != 0700 && ::chmod(path.c_str(), 0700) != 0) {
        problem = path + ": cannot be made private (mode 0700: " + std::strerror(errno) + ")";
        return false;
    }
    return true;
}

std::string trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

// The folder recorded for this user when XDG_RUNTIME_DIR is not set; a new private one, recorded,
// when there is none yet or the recorded one is gone or no longer ours (after a reboot, say).
std::string recordedPrivateFolder(std::string& problem) {
    const std::string vendor = vendorFolder();
    if (vendor.empty() || !ensureFolder(vendor)) {
        problem = "XDG_RUNTIME_DIR is not set and there is no folder of this user to keep the name of a private "
                  "one in (" + (vendor.empty() ? std::string("no HOME") : vendor) + "): set XDG_RUNTIME_DIR";
        return {};
    }
    const std::string record = pathJoin(vendor, "runtime-folder");
    std::string ignored;
    auto usable = [&](const std::string& folder) {
        return !folder.empty() && folder[0] == '/' && ensurePrivateFolder(folder, ignored);
    };
    std::string folder = trimmed(readWholeFile(record).value_or(std::string()));
    if (usable(folder)) return folder;
    FileLock lock(record);  // two programs starting at once make one folder, not two
    folder = trimmed(readWholeFile(record).value_or(std::string()));
    if (usable(folder)) return folder;
    const char* tmp = std::getenv("TMPDIR");
    std::string made = std::string(tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp") + "/korvante-" +
                       std::to_string(::getuid()) + "-XXXXXX";
    if (::mkdtemp(made.data()) == nullptr) {
        problem = made + ": cannot be created (" + std::strerror(errno) + "): set XDG_RUNTIME_DIR";
        return {};
    }
    if (!lock.locked() || !replaceFileAtomically(record, made + "\n")) {
        ::rmdir(made.c_str());
        problem = record + ": cannot be written: set XDG_RUNTIME_DIR";
        return {};
    }
    return made;
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

std::string runtimeFolder(std::string* problem) {
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    std::string folder, why;
    if (xdg != nullptr && xdg[0] == '/') {
        folder = std::string(xdg);
        while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        folder += "/korvante";
        if (!ensurePrivateFolder(folder, why)) folder.clear();
    } else {
        folder = recordedPrivateFolder(why);
    }
    if (folder.empty()) {
        debugPrintf("runtime folder: %s", why.c_str());
        if (problem) *problem = why;
    }
    return folder;
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
