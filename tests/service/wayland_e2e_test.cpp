// The service in a Wayland session without access to /dev/uinput and without an X display: it says
// why shortcuts are off, answers the shortcut query, and leaves the pointer acceleration to the
// desktop, saying so once.
#include <stdlib.h>

#include "shared/window_messages.h"
#include "tests/service/e2e_support.h"

namespace {

TEST(WaylandSession, ShortcutsOffAreToldAndPointerAccelerationIsLeftToTheDesktop) {
    e2e::Harness h;
    ASSERT_TRUE(h.ready());
    ASSERT_TRUE(h.installSettings());
    ASSERT_TRUE(h.startMouse());
    ::setenv("XDG_SESSION_TYPE", "wayland", 1);  // inherited by the service started next
    const bool started = h.startService();
    ::unsetenv("XDG_SESSION_TYPE");
    ASSERT_TRUE(started) << h.serviceLog();

    EXPECT_TRUE(h.waitLog("key synthesis: none: Wayland session with no write access to /dev/uinput "
                          "(the udev rule 70-korvante.rules"))
        << h.serviceLog();
    int64_t reach = -1;
    ASSERT_TRUE(h.send(msg::kShortcutQuery, 0, 0, &reach));
    EXPECT_EQ(reach, msg::kShortcutsOff);
    EXPECT_TRUE(h.waitPanelLine("1311 1 0")) << h.panelOutput();

    for (int i = 0; i < 2; ++i) ASSERT_TRUE(h.send(msg::kDpiOrAcceleration, 255, 255));
    const std::string log = h.serviceLog();
    EXPECT_EQ(e2e::countOccurrences(log, "pointer acceleration: not applied in a Wayland session"), 1) << log;
    EXPECT_EQ(log.find("pointer settings:"), std::string::npos) << log;  // the X calls were not made
    EXPECT_EQ(h.stopService(), 0);
}

}  // namespace
