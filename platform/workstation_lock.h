#pragma once
// Locking the workstation through the desktop's session manager: `loginctl lock-session`,
// started detached; its result is not awaited.
#include <string>
#include <vector>

namespace platform {

// Starts the lock command without a shell through launchDetached() (a process of its own that
// the caller never waits for, no zombie left, standard error in the caller's journal). True when
// the command was started, false (with a diagnostics line) when it cannot be found or started.
bool lockWorkstation();

// The command line lockWorkstation() runs: the override set below when there is one, else the
// environment variable KORVANTE_LOCK_COMMAND split at blanks when set and not empty, else
// "loginctl lock-session".
std::vector<std::string> lockCommand();

// Replaces the lock command (tests); an empty list restores the normal choice.
void setLockCommand(std::vector<std::string> command);

}  // namespace platform
