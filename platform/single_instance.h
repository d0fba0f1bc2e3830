#pragma once
// Single-instance rule (the named mutex's stand-in): an exclusive flock on
// "<runtime folder>/<name>.lock", held for as long as the object lives (normally the process's
// life). The kernel releases it when the process ends, however it ends, so a crashed instance never
// blocks the next one. Example: SingleInstance guard("KORVANTEHidAgent_Mutex"); if (!guard.acquire()) return 0;
#include <string>

namespace platform {

class SingleInstance {
public:
    explicit SingleInstance(std::string name);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when this object holds the lock (again true on later calls). False when another live
    // holder has it, or when the lock file cannot be opened (a diagnostics line says why): without
    // the lock two instances could fight over the mouse, so that case refuses too.
    bool acquire();
    bool held() const { return fd_ >= 0; }
    // After a failed acquire(): true when another live holder has the lock, false when the lock
    // could not be taken at all (unusable runtime folder or lock file).
    bool heldElsewhere() const { return heldElsewhere_; }
    // After a failed acquire() that is not heldElsewhere(): why, in words that say what to fix.
    const std::string& problem() const { return problem_; }

private:
    std::string name_;
    int fd_ = -1;
    bool heldElsewhere_ = false;
    std::string problem_;
};

}  // namespace platform
