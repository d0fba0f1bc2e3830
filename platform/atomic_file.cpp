#include "platform/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/diagnostics.h"

namespace platform {
namespace {

std::atomic<uint64_t> g_replaceCount{0};

std::string folderOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

constexpr std::string_view kLockSuffix = ".lock";

FileLock::FileLock(const std::string& path, Wait wait)
    : lockPath_(folderOf(path) + "/." + nameOf(path) + std::string(kLockSuffix)) {
    for (;;) {
        int fd = ::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) return;
        int rc;
        do {
            rc = ::flock(fd, wait == Wait::No ? LOCK_EX | LOCK_NB : LOCK_EX);
        } while (rc != 0 && errno == EINTR);
        if (rc != 0) {
            ::close(fd);
            return;
        }
        // The holder before us removes the sidecar as it lets go: the lock counts only on the
        // file that still stands at the name.
        struct stat held {}, named {};
        if (::fstat(fd, &held) == 0 && ::lstat(lockPath_.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
            held.st_ino == named.st_ino) {
            fd_ = fd;
            return;
        }
        ::close(fd);
    }
}

FileLock::~FileLock() {
    if (fd_ < 0) return;
    ::unlink(lockPath_.c_str());  // while still held, so nobody locks a file that is going
    ::close(fd_);                 // closing releases the lock
}

namespace {

// Opens the path for reading without ever blocking: without O_NONBLOCK a FIFO in the file's place
// would block the open until a writer came. -1 when it cannot be opened or is not a regular file
// of at most kMaxReadSize bytes (the last two with one diagnostics line).
int openRegularFile(const std::string& path, struct stat& st) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return -1;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        debugPrintf("%s is not a regular file, not read", path.c_str());
        ::close(fd);
        return -1;
    }
    if (static_cast<uint64_t>(st.st_size) > kMaxReadSize) {
        debugPrintf("%s is larger than %llu bytes, not read", path.c_str(),
                    static_cast<unsigned long long>(kMaxReadSize));
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

bool isReadableRegularFile(const std::string& path) {
    struct stat st {};
    int fd = openRegularFile(path, st);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

std::optional<std::string> readWholeFile(const std::string& path) {
    struct stat st {};
    int fd = openRegularFile(path, st);
    if (fd < 0) return std::nullopt;
    std::string content;
    content.reserve(static_cast<size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        content.append(buffer, static_cast<size_t>(n));
        if (content.size() > kMaxReadSize) {  // grew while being read
            debugPrintf("%s is larger than %llu bytes, not read", path.c_str(),
                        static_cast<unsigned long long>(kMaxReadSize));
            ::close(fd);
            return std::nullopt;
        }
    }
    ::close(fd);
    return content;
}

// Temporary files of a save are named ".<name>.save-XXXXXX".
constexpr const char* kTemporaryInfix = ".save-";

namespace {

// True for the names replaceFileAtomically() gives its temporary files: the prefix and the six
// letters or digits of mkostemp. The infix keeps a user's own hidden files beside the settings
// (".Mouse.ini.backup") out of it.
bool isTemporaryName(std::string_view name, std::string_view prefix) {
    if (name.size() != prefix.size() + 6 || name.substr(0, prefix.size()) != prefix) return false;
    for (char c : name.substr(prefix.size()))
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
    return true;
}

void removeStale(const std::string& stale) {
    struct stat st {};
    if (::lstat(stale.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::unlink(stale.c_str()) == 0)
        debugPrintf("removed %s, left behind by an interrupted save", stale.c_str());
}

// Calls found(entry name) for every entry of the folder.
template <typename Found>
void forEachEntry(const std::string& folder, Found found) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    while (dirent* entry = ::readdir(dir)) found(std::string_view(entry->d_name));
    ::closedir(dir);
}

}  // namespace

void removeStaleTemporaries(const std::string& path) {
    const std::string folder = folderOf(path);
    const std::string prefix = "." + nameOf(path) + kTemporaryInfix;
    std::vector<std::string> stale;
    forEachEntry(folder, [&](std::string_view name) {
        if (isTemporaryName(name, prefix)) stale.push_back(folder + "/" + std::string(name));
    });
    for (const std::string& file : stale) removeStale(file);
}

void removeStaleTemporariesInFolder(const std::string& folder, std::string_view extension) {
    // ".<name><extension>.save-XXXXXX": the file's name lies between the dot and the infix.
    constexpr size_t kInfix = std::char_traits<char>::length(kTemporaryInfix);
    std::vector<std::string> files;
    auto named = [&](std::string_view file) {
        return file.size() > extension.size() && file.substr(file.size() - extension.size()) == extension;
    };
    forEachEntry(folder, [&](std::string_view name) {
        if (name.empty() || name[0] != '.') return;
        // A lock file left by a killed holder goes too: taking the lock and letting go removes it.
        if (name.size() > 1 + kLockSuffix.size() && name.substr(name.size() - kLockSuffix.size()) == kLockSuffix) {
            const std::string_view file = name.substr(1, name.size() - 1 - kLockSuffix.size());
            if (named(file)) files.push_back(folder + "/" + std::string(file));
            return;
        }
        if (name.size() < 1 + kInfix + 6) return;
        const std::string_view file = name.substr(1, name.size() - 1 - kInfix - 6);
        if (named(file) && isTemporaryName(name, "." + std::string(file) + kTemporaryInfix))
            files.push_back(folder + "/" + std::string(file));
    });
    std::sort(files.begin(), files.end());
    files.erase(std::unique(files.begin(), files.end()), files.end());
    for (const std::string& file : files) {
        FileLock lock(file, FileLock::Wait::No);
        if (lock.locked()) removeStaleTemporaries(file);
    }
}

bool replaceFileAtomically(const std::string& path, const std::string& content) {
    // What stands in the file's place decides first: a file the user made read-only, or
    // something that is not a file at all, is left as it is.
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) {
        debugPrintf("%s is not a regular file, not replaced", path.c_str());
        return false;
    }
    if (exists && (st.st_mode & S_IWUSR) == 0) {
        debugPrintf("%s is read-only, not written", path.c_str());
        return false;
    }
    std::string folder = folderOf(path);
    std::string tmpl = folder + "/." + nameOf(path) + kTemporaryInfix + "XXXXXX";
    std::string tmpPath = tmpl;
    int fd = ::mkostemp(tmpPath.data(), O_CLOEXEC);
    if (fd < 0) {
        debugPrintf("cannot write %s: %s", path.c_str(), std::strerror(errno));
        return false;
    }
    // Keep the permissions of the file being replaced; new files get the usual 0644 less umask.
    if (exists) {
        ::fchmod(fd, st.st_mode & 07777);
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    bool ok = writeAll(fd, content.data(), content.size()) && ::fsync(fd) == 0;
    int error = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && ::rename(tmpPath.c_str(), path.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        // A full disk (or a file size limit) ends here: the old file stays whole, and the
        // temporary file goes.
        ::unlink(tmpPath.c_str());
        debugPrintf("cannot write %s: %s", path.c_str(), std::strerror(error));
        return false;
    }
    int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    g_replaceCount.fetch_add(1, std::memory_order_relaxed);
    return true;
}

bool replaceFileLocked(const std::string& path, const std::string& content) {
    FileLock lock(path);
    return lock.locked() && replaceFileAtomically(path, content);
}

uint64_t fileReplaceCount() { return g_replaceCount.load(std::memory_order_relaxed); }

}  // namespace platform
