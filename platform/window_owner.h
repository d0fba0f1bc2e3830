#pragma once
// The process behind a bus window, followed without polling: its process descriptor (pidfd)
// becomes readable when the process ends, however it ends (a crash or SIGKILL included, when its
// socket file stays behind and nothing tells a peer that it is gone).
#include <string>

namespace platform {

// The socket file that stands for the window title on the bus ("" when the runtime folder cannot
// be used).
std::string windowSocketPath(const std::string& title);

// A pidfd of the process that owns the live bus window with this exact title, or -1 when no
// window of this user answers there. The caller owns (and closes) the descriptor.
int openWindowOwner(const std::string& title);

}  // namespace platform
