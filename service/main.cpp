// hidagent: the background service that owns the mouse. One instance per user; it runs until its
// window receives WM_CLOSE or the process is asked to terminate.
#include <csignal>
#include <memory>

#include "platform/diagnostics.h"
#include "platform/event_loop.h"
#include "platform/key_synthesis.h"
#include "platform/single_instance.h"
#include "service/basic_function.h"
#include "service/device/hid_device.h"
#include "service/service_window.h"
#include "shared/window_messages.h"

int main() {
    // A file size limit (ulimit -f) makes a save fail with EFBIG, reported like a full disk,
    // instead of ending the service.
    ::signal(SIGXFSZ, SIG_IGN);
    platform::SingleInstance instance(std::string(title::kService) + "_Mutex");
    if (!instance.acquire()) {
        if (instance.heldElsewhere()) return 0;  // a second copy ends at once, silently
        // Without the runtime folder there is neither the single-instance lock nor the bus.
        platform::debugPrintf("hidagent: the runtime folder cannot be used, not started: %s", instance.problem().c_str());
        return 1;
    }

    platform::EventLoop loop;
    if (!loop.valid()) return 1;
    CMorvikhidDlg* window = nullptr;
    // Termination signals take the same way out as WM_CLOSE: the UI and the tray program are
    // closed first. Installed before any transport thread starts, so they inherit the mask.
    loop.handleTerminationSignals([&] {
        if (window) window->destroy();
    });

    // The key backend for the shortcuts, chosen now by the session, with one diagnostics line.
    platform::prepareDefaultKeySynthesizer(CBasicFunction::virtualKeys());
    auto service = std::make_unique<CMorvikhidDlg>(loop, createHidDevice());
    window = service.get();
    if (!service->create()) return 1;
    int code = loop.run();
    window = nullptr;
    service.reset();
    return code;
}
