#include "platform/process_launch.h"

#include <fcntl.h>
#include <linux/close_range.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace platform {
namespace {

ssize_t readFully(int fd, void* data, size_t size) {
    ssize_t n;
    do {
        n = ::read(fd, data, size);
    } while (n < 0 && errno == EINTR);
    return n;
}

// Grandchild side, between fork and exec: only async-signal-safe calls (the caller may have
// other threads). Reports its pid on the status pipe, then either execs (closing the pipe) or
// writes errno.
[[noreturn]] void execDetached(const char* program, char* const* argv, int statusFd) {
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    sigemptyset(&defaultAction.sa_mask);
    for (int signal = 1; signal < NSIG; ++signal) {
        if (signal != SIGKILL && signal != SIGSTOP) ::sigaction(signal, &defaultAction, nullptr);
    }
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);

    int devnull = ::open("/dev/null", O_RDWR);
    if (devnull >= 0) {
        ::dup2(devnull, STDIN_FILENO);
        ::dup2(devnull, STDOUT_FILENO);
        if (devnull > STDERR_FILENO) ::close(devnull);
    }
    // Sockets, locks and device handles of the caller stay with the caller; the status pipe
    // lives until exec.
    if (::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) != 0) {
        for (int fd = 3; fd < 65536; ++fd)
            if (fd != statusFd) ::close(fd);
    }
    const pid_t self = ::getpid();
    (void)!::write(statusFd, &self, sizeof self);
    ::execv(program, argv);
    const int err = errno;
    (void)!::write(statusFd, &err, sizeof err);
    ::_exit(127);
}

// The process-descriptor calls go through syscall(): the C library's header of this release
// declares them without C linkage.
int openPidfd(pid_t pid) { return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)); }

bool sendTerminate(int pidfd) { return ::syscall(SYS_pidfd_send_signal, pidfd, SIGTERM, nullptr, 0) == 0; }

}  // namespace

LaunchedProgram::~LaunchedProgram() {
    if (pidfd_ >= 0) ::close(pidfd_);
}

LaunchedProgram::LaunchedProgram(LaunchedProgram&& other) noexcept
    : pidfd_(std::exchange(other.pidfd_, -1)), pid_(std::exchange(other.pid_, 0)) {}

LaunchedProgram& LaunchedProgram::operator=(LaunchedProgram&& other) noexcept {
    if (this != &other) {
        if (pidfd_ >= 0) ::close(pidfd_);
        pidfd_ = std::exchange(other.pidfd_, -1);
        pid_ = std::exchange(other.pid_, 0);
    }
    return *this;
}

bool LaunchedProgram::running() const {
    if (pidfd_ < 0) return false;
    pollfd p{pidfd_, POLLIN, 0};
    return ::poll(&p, 1, 0) == 0;  // the descriptor becomes readable when the program ends
}

bool LaunchedProgram::terminate() const {
    return running() && sendTerminate(pidfd_);
}

bool launchDetached(const std::string& program, const std::vector<std::string>& args, LaunchedProgram* started) {
    if (::access(program.c_str(), X_OK) != 0) return false;

    // Everything exec needs is prepared before fork.
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    // The status pipe carries the grandchild's pid, then closes on exec or carries errno.
    int status[2];
    if (::pipe2(status, O_CLOEXEC) != 0) return false;

    pid_t child = ::fork();
    if (child < 0) {
        ::close(status[0]);
        ::close(status[1]);
        return false;
    }
    if (child == 0) {
        // Intermediate child: a new session, then the grandchild, then exit at once so the
        // grandchild is adopted by init and never becomes our zombie.
        ::setsid();
        pid_t grandchild = ::fork();
        if (grandchild == 0) execDetached(program.c_str(), argv.data(), status[1]);
        ::_exit(grandchild < 0 ? 1 : 0);
    }
    ::close(status[1]);
    int waitStatus = 0;
    while (::waitpid(child, &waitStatus, 0) < 0 && errno == EINTR) {
    }
    pid_t pid = 0;
    bool ok = readFully(status[0], &pid, sizeof pid) == static_cast<ssize_t>(sizeof pid);
    // Opened as soon as the pid arrives; from here on a reused number can no longer be mistaken
    // for the program.
    int pidfd = ok ? openPidfd(pid) : -1;
    int err = 0;
    ok = ok && readFully(status[0], &err, sizeof err) == 0;  // closed on exec: the program runs
    ::close(status[0]);
    if (ok && started) {
        *started = LaunchedProgram();
        started->pidfd_ = pidfd;
        started->pid_ = pid;
    } else if (pidfd >= 0) {
        ::close(pidfd);
    }
    return ok;
}

}  // namespace platform
