#pragma once
// Isolation for the action tests: private XDG folders, and a private Xvfb display.
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/support/private_session.h"

namespace actions_test {

// Points XDG_CONFIG_HOME and XDG_RUNTIME_DIR at private folders and clears DISPLAY (and
// WAYLAND_DISPLAY) for the life of the object, restoring the previous values afterwards.
class IsolatedEnvironment {
public:
    const std::string& configHome() const { return env_.configHome(); }

private:
    testsupport::PrivateEnvironment env_{"korvante-actions", testsupport::PrivateEnvironment::Display::Clear};
};

// An Xvfb server on a display number it picks itself (-displayfd), stopped on destruction.
class XvfbServer {
public:
    static bool available() { return access("/usr/bin/Xvfb", X_OK) == 0; }

    XvfbServer() {
        int fds[2];
        if (pipe(fds) != 0) return;
        std::string fdText = std::to_string(fds[1]);
        const char* argv[] = {"/usr/bin/Xvfb", "-displayfd", fdText.c_str(), "-nolisten", "tcp",
                              "-screen", "0", "640x480x24", nullptr};
        pid_t parent = getpid();
        pid_t pid = fork();
        if (pid == 0) {
            // The server goes down with the test, even when the test dies.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (getppid() != parent) _exit(1);
            close(fds[0]);
            int null = open("/dev/null", O_RDWR);
            dup2(null, STDIN_FILENO);
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
            execv(argv[0], const_cast<char**>(argv));
            _exit(127);
        }
        close(fds[1]);
        if (pid < 0) {
            close(fds[0]);
            return;
        }
        pid_ = pid;
        // Xvfb writes the display number once it accepts connections.
        std::string number;
        char c;
        while (read(fds[0], &c, 1) == 1 && c != '\n') number.push_back(c);
        close(fds[0]);
        if (!number.empty()) name_ = ":" + number;
    }
    ~XvfbServer() { stop(); }

    void stop() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            int status;
            waitpid(pid_, &status, 0);
            pid_ = -1;
        }
    }
    bool running() const { return pid_ > 0 && !name_.empty(); }
    const std::string& name() const { return name_; }

private:
    pid_t pid_ = -1;
    std::string name_;
};

}  // namespace actions_test
