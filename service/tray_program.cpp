#include "service/tray_program.h"

#include "platform/diagnostics.h"
#include "platform/message_bus.h"
#include "platform/process_launch.h"
#include "shared/window_messages.h"

void startTrayProgram(const std::string& programFolder, int trayEnabled) {
    if (trayEnabled != 1) return;
    std::string path = programFolder + "/traylet";
    if (!platform::launchDetached(path)) platform::debugPrintf("cannot start %s", path.c_str());
}

void closeTrayProgramAndPanel() {
    for (const char* window : {title::kTraylet, title::kPanel}) {
        if (platform::postNotification(window, msg::kClose, 0, 0)) platform::postNotification(window, msg::kQuit, 0, 0);
    }
}
