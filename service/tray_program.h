#pragma once
// The tray program beside the service, and the close step that reaches it and the UI.
#include <string>

// Starts "<program folder>/traylet" when trayEnabled is exactly 1; a second copy is the tray
// program's own concern. A failure to start writes a diagnostics line and is otherwise ignored.
void startTrayProgram(const std::string& programFolder, int trayEnabled);

// Posts WM_CLOSE and then WM_QUIT to the tray program's window and then to the UI window, each
// only when it exists.
void closeTrayProgramAndPanel();
