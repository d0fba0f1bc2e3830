#pragma once
// The per-user runtime folder that holds the message-bus sockets and the single-instance locks.
//
// The folder is "$XDG_RUNTIME_DIR/korvante/"; when XDG_RUNTIME_DIR is unset, empty or not an
// absolute path it is "/tmp/korvante-<uid>/". It is created with mode 0700 when missing. A folder
// that is a symbolic link, not a directory, or owned by another user is refused, because whoever
// controls it could impersonate our windows; a folder of ours with looser permissions is tightened
// to 0700. The environment is read at every call, so tests can switch XDG_RUNTIME_DIR freely.
#include <string>

namespace platform {

// Full path of the runtime folder without a trailing slash, or an empty string when it cannot be
// created or is refused (a diagnostics line says why).
std::string runtimeFolder();

// Turns an arbitrary name (window title, lock name) into one safe file name component: letters,
// digits, '_' and '-' stay, every other byte becomes "%XX", so no name can contain '/' or be "." or
// "..". Names whose escaped form would be longer than 80 characters are replaced by a fixed-length
// hash form ("#" + 32 hex digits) so that socket paths fit the kernel's limit.
std::string fileNameForTitle(const std::string& name);

}  // namespace platform
