#pragma once
// Starting other programs the way a desktop shell does: detached, result not awaited.
#include <string>
#include <vector>

namespace platform {

// A program started by launchDetached(), followed through a process descriptor (pidfd): it can
// be asked to end later without any risk of signalling an unrelated process that took over its
// number after it ended. An empty object follows nothing.
class LaunchedProgram {
public:
    LaunchedProgram() = default;
    ~LaunchedProgram();
    LaunchedProgram(LaunchedProgram&& other) noexcept;
    LaunchedProgram& operator=(LaunchedProgram&& other) noexcept;
    LaunchedProgram(const LaunchedProgram&) = delete;
    LaunchedProgram& operator=(const LaunchedProgram&) = delete;

    // True while the program has not ended.
    bool running() const;
    // Sends SIGTERM; false when the program has ended already (or nothing is followed).
    bool terminate() const;
    // Its process id as it was started (0 when nothing is followed).
    int pid() const { return pid_; }

private:
    friend bool launchDetached(const std::string&, const std::vector<std::string>&, LaunchedProgram*);
    int pidfd_ = -1;
    int pid_ = 0;
};

// Starts `program` (a path) with `args` as a detached process, the one way every program of the
// suite starts another: its own session, every signal at its default action and none blocked
// (the service blocks the termination signals for its signal descriptor, and the mask and ignored
// signals would otherwise be inherited), standard input and output on /dev/null, standard error
// inherited so its diagnostics reach the same journal, no other descriptor of the caller. Never
// leaves a zombie behind and never blocks on the child. Returns false when the program could not
// be started (missing or not executable); the started program's own result is not awaited.
// With `started` given, the program is followed there.
bool launchDetached(const std::string& program, const std::vector<std::string>& args = {},
                    LaunchedProgram* started = nullptr);

}  // namespace platform
