#include "service/tray_program.h"

#include <algorithm>

#include "platform/diagnostics.h"
#include "platform/message_bus.h"
#include "shared/window_messages.h"

void TrayProgram::start(const std::string& programFolder, int trayEnabled) {
    if (trayEnabled != 1) return;
    // Copies that have ended (second copies end at once) are forgotten, so the list stays short.
    std::erase_if(copies_, [](const platform::LaunchedProgram& p) { return !p.running(); });
    std::string path = programFolder + "/traylet";
    platform::LaunchedProgram copy;
    if (!platform::launchDetached(path, {}, &copy)) {
        platform::debugPrintf("cannot start %s", path.c_str());
        return;
    }
    copies_.push_back(std::move(copy));
}

void TrayProgram::endStartedCopies() {
    for (const platform::LaunchedProgram& copy : copies_) copy.terminate();
    copies_.clear();
}

void closeTrayProgramAndPanel() {
    for (const char* window : {title::kTraylet, title::kPanel}) {
        if (platform::postNotification(window, msg::kClose, 0, 0)) platform::postNotification(window, msg::kQuit, 0, 0);
    }
}
