#include "platform/process_launch.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

bool launchDetached(const std::string& program, const std::vector<std::string>& args) {
    if (::access(program.c_str(), X_OK) != 0) return false;

    // Everything exec needs is prepared before fork: the service has other threads, so the
    // children may only make async-signal-safe calls.
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    // A pipe tells the parent whether exec succeeded: it is closed on exec, or receives errno.
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
        if (grandchild != 0) ::_exit(grandchild < 0 ? 1 : 0);
        // The caller blocks its termination signals for its signalfd; the program starts with
        // none blocked, so that SIGTERM (a session ending, a service manager stopping the unit)
        // reaches it.
        sigset_t none;
        ::sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        int devnull = ::open("/dev/null", O_RDWR);
        if (devnull >= 0) {
            ::dup2(devnull, STDIN_FILENO);
            ::dup2(devnull, STDOUT_FILENO);
            if (devnull > STDERR_FILENO) ::close(devnull);
        }
        ::execv(program.c_str(), argv.data());
        int err = errno;
        (void)!::write(status[1], &err, sizeof err);
        ::_exit(127);
    }
    ::close(status[1]);
    int waitStatus = 0;
    while (::waitpid(child, &waitStatus, 0) < 0 && errno == EINTR) {
    }
    int err = 0;
    ssize_t n;
    do {
        n = ::read(status[0], &err, sizeof err);
    } while (n < 0 && errno == EINTR);
    ::close(status[0]);
    return n == 0;  // closed on exec: the program is running
}

}  // namespace platform
