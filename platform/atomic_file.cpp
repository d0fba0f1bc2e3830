#include "platform/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

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

FileLock::FileLock(const std::string& path) {
    std::string lockPath = folderOf(path) + "/." + nameOf(path) + ".lock";
    fd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) return;
    while (::flock(fd_, LOCK_EX) != 0) {
        if (errno != EINTR) {
            ::close(fd_);
            fd_ = -1;
            return;
        }
    }
}

FileLock::~FileLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

std::optional<std::string> readWholeFile(const std::string& path) {
    // Without O_NONBLOCK a FIFO in the file's place would block the open until a writer came.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        debugPrintf("%s is not a regular file, not read", path.c_str());
        ::close(fd);
        return std::nullopt;
    }
    if (static_cast<uint64_t>(st.st_size) > kMaxReadSize) {
        debugPrintf("%s is larger than %llu bytes, not read", path.c_str(),
                    static_cast<unsigned long long>(kMaxReadSize));
        ::close(fd);
        return std::nullopt;
    }
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

void removeStaleTemporaries(const std::string& path) {
    const std::string folder = folderOf(path);
    const std::string prefix = "." + nameOf(path) + kTemporaryInfix;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    while (dirent* entry = ::readdir(dir)) {
        // The names replaceFileAtomically() gives its temporary files: the prefix and the six
        // letters or digits of mkostemp. The infix keeps a user's own hidden files beside the
        // settings (".Mouse.ini.backup") out of it.
        const std::string_view name = entry->d_name;
        if (name.size() != prefix.size() + 6 || name.substr(0, prefix.size()) != prefix) continue;
        bool random = true;
        for (char c : name.substr(prefix.size()))
            random = random && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'));
        if (!random) continue;
        const std::string stale = folder + "/" + entry->d_name;
        struct stat st {};
        if (::lstat(stale.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::unlink(stale.c_str()) == 0)
            debugPrintf("removed %s, left behind by an interrupted save", stale.c_str());
    }
    ::closedir(dir);
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

uint64_t fileReplaceCount() { return g_replaceCount.load(std::memory_order_relaxed); }

}  // namespace platform
