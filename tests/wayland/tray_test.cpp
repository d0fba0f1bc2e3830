// The tray program in a Wayland session whose bus has no status notifier host (weston offers
// none): it runs hidden, says so in its diagnostics, and ends when told.
#include <signal.h>

#include "tests/wayland/panel_session.h"

namespace {

class WaylandTray : public wltest::PanelSession {};

TEST_F(WaylandTray, SaysThatNoTrayHostExistsAndRunsHidden) {
    const std::string err = env_.file("traylet-err.txt");
    const pid_t tray = wltest::spawnProgram({std::string(KORVANTE_BIN_DIR) + "/traylet"}, {}, "/dev/null", err);
    children_.push_back(tray);
    ASSERT_TRUE(wltest::eventually([&] { return wltest::readText(err).find("no tray host") != std::string::npos; }))
        << wltest::readText(err);
    EXPECT_NE(wltest::readText(err).find("Wayland session"), std::string::npos) << wltest::readText(err);
    EXPECT_FALSE(compositor().find([&](const wltest::View& v) { return v.pid == tray && v.role == "xdg_toplevel"; }));
    ::kill(tray, SIGTERM);
    EXPECT_EQ(wltest::waitChild(tray), 0) << wltest::readText(err).substr(0, 3000);
}

}  // namespace
