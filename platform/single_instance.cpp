#include "platform/single_instance.h"

#include "platform/diagnostics.h"
#include "platform/runtime_folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

SingleInstance::SingleInstance(std::string name) : name_(std::move(name)) {}

SingleInstance::~SingleInstance() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock; the file stays for the next holder
}

bool SingleInstance::acquire() {
    if (fd_ >= 0) return true;
    heldElsewhere_ = false;
    problem_.clear();
    std::string folder = runtimeFolder(&problem_);
    if (folder.empty()) return false;
    std::string path = folder + "/" + fileNameForTitle(name_) + ".lock";
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        problem_ = path + ": cannot be opened (" + std::strerror(errno) + ")";
        debugPrintf("single instance: %s", problem_.c_str());
        return false;
    }
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        heldElsewhere_ = errno == EWOULDBLOCK;
        if (!heldElsewhere_) {
            problem_ = path + ": cannot be locked (" + std::strerror(errno) + ")";
            debugPrintf("single instance: %s", problem_.c_str());
        }
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

}  // namespace platform
