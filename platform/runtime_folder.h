#pragma once
// The per-user runtime folder that holds the message-bus sockets and the single-instance locks.
//
// The folder is "$XDG_RUNTIME_DIR/korvante/", created with mode 0700 when missing. A folder that
// is a symbolic link, not a directory, or owned by another user is refused, because whoever
// controls it could impersonate our windows; a folder of ours with looser permissions is tightened
// to 0700. The environment is read at every call, so tests can switch XDG_RUNTIME_DIR freely.
//
// Without an absolute XDG_RUNTIME_DIR the folder is one that only this user can have made: a
// fresh "korvante-<uid>-XXXXXX" folder (mkdtemp) in $TMPDIR or /tmp, whose name is recorded in
// the user's own vendor folder ("<config>/Brakmor KORVANTE/runtime-folder") so that every program
// of the user finds the same one. A fixed name in a shared folder could be taken first by another
// local user, and the programs could then never start.
#include <string>

namespace platform {

// Full path of the runtime folder without a trailing slash, or an empty string when it cannot be
// created or is refused: a diagnostics line says why, and so does *problem when given, in words
// that say what to fix.
std::string runtimeFolder(std::string* problem = nullptr);

// Turns an arbitrary name (window title, lock name) into one safe file name component: letters,
// digits, '_' and '-' stay, every other byte becomes "%XX", so no name can contain '/' or be "." or
// "..". Names whose escaped form would be longer than 80 characters are replaced by a fixed-length
// hash form ("#" + 32 hex digits) so that socket paths fit the kernel's limit.
std::string fileNameForTitle(const std::string& name);

}  // namespace platform
