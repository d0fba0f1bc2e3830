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
    std::string folder = runtimeFolder();
    if (folder.empty()) return false;
    std::string path = folder + "/" + fileNameForTitle(name_) + ".lock";
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        debugPrintf("single instance: cannot open %s (%s)", path.c_str(), std::strerror(errno));
        return false;
    }
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        heldElsewhere_ = errno == EWOULDBLOCK;
        if (!heldElsewhere_)
            debugPrintf("single instance: cannot lock %s (%s)", path.c_str(), std::strerror(errno));
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

}  // namespace platform
