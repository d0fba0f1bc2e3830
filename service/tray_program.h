#pragma once
// The tray program beside the service, and the close step that reaches it and the UI.
#include <string>
#include <vector>

#include "platform/process_launch.h"

// The copies of "<program folder>/traylet" this service started.
class TrayProgram {
public:
    // Starts a copy when trayEnabled is exactly 1; a second copy is the tray program's own
    // concern (it ends at once). A failure to start writes a diagnostics line and is otherwise
    // ignored.
    void start(const std::string& programFolder, int trayEnabled);

    // Sends SIGTERM to every copy started here that is still running: the last step of the
    // service's shutdown, after the close message, for a copy that was still starting when the
    // message went out and so never saw it.
    void endStartedCopies();

private:
    std::vector<platform::LaunchedProgram> copies_;
};

// Posts WM_CLOSE and then WM_QUIT to the tray program's window and then to the UI window, each
// only when it exists.
void closeTrayProgramAndPanel();
