// The configuration window in a Wayland session with no X server: it opens natively on the
// compositor, a second copy ends silently, its title strip moves it through the compositor, and
// minimise and close do what they say.
#include "tests/wayland/panel_session.h"

namespace {

using layout::Role;
using wltest::View;

class WaylandWindow : public wltest::PanelSession {};

TEST_F(WaylandWindow, OpensNativelyAndASecondCopyEndsSilently) {
    const pid_t panel = startPanel();
    const std::optional<View> window = waitForPanel(panel);
    ASSERT_TRUE(window) << wltest::readText(panelLog()).substr(0, 4000);
    EXPECT_EQ(window->box.width(), layout::kMainWidth);
    EXPECT_EQ(window->box.height(), layout::kMainHeight);

    const std::string secondLog = env_.file("second.txt");
    const pid_t second = startPanel(secondLog);
    EXPECT_EQ(wltest::waitChild(second), 0);
    EXPECT_EQ(wltest::readText(secondLog), "") << "the second copy said something or spoke to the compositor";
    int windows = 0;
    for (const View& v : compositor().views()) windows += v.role == "xdg_toplevel" && v.pid != panel;
    EXPECT_EQ(windows, 0);
    EXPECT_TRUE(compositor().find([&](const View& v) { return isPanelWindow(v, panel); }));
}

TEST_F(WaylandWindow, TitleStripMovesItThroughTheCompositorAndMinimiseHidesIt) {
    const pid_t panel = startPanel();
    std::optional<View> window = waitForPanel(panel);
    ASSERT_TRUE(window);

    // A press on the title strip, clear of its controls, starts the compositor's move; the window
    // follows the pointer until the release.
    const int x = layout::logoArea().right + 40, y = 28;
    for (const layout::Control& c : layout::mainFrame().controls)
        ASSERT_FALSE(x >= c.rect.left && x < c.rect.right && y >= c.rect.top && y < c.rect.bottom) << c.id;
    const wltest::Box before = window->box;
    ASSERT_TRUE(compositor().move(before.left + x, before.top + y));
    ASSERT_TRUE(compositor().button(wltest::kButtonLeft, true));
    EXPECT_TRUE(wltest::eventually([&] { return compositor().pointerGrabbed(); })) << "no move started";
    ASSERT_TRUE(compositor().move(before.left + x - 25, before.top + y + 10));
    ASSERT_TRUE(compositor().move(before.left + x - 50, before.top + y + 30));
    ASSERT_TRUE(compositor().button(wltest::kButtonLeft, false));
    const wltest::Box moved{before.left - 50, before.top + 30, before.right - 50, before.bottom + 30};
    window = compositor().waitFor([&](const View& v) { return isPanelWindow(v, panel) && v.box == moved; });
    ASSERT_TRUE(window) << "the window did not follow the pointer from " << before;
    EXPECT_EQ(protocol().moveRequests(), 1);

    // Minimise: the compositor takes the window off the screen; the program runs on.
    ASSERT_TRUE(clickControl(*window, layout::mainFrame(), Role::Minimize));
    EXPECT_FALSE(compositor().waitFor([&](const View& v) { return isPanelWindow(v, panel); }, false));
    EXPECT_EQ(protocol().minimizeRequests(), 1);
    EXPECT_EQ(wltest::waitChild(panel, 200), -1) << "the program ended";
}

TEST_F(WaylandWindow, CloseEndsTheProgram) {
    const pid_t panel = startPanel();
    const std::optional<View> window = waitForPanel(panel);
    ASSERT_TRUE(window);
    ASSERT_TRUE(clickControl(*window, layout::mainFrame(), Role::Close));
    EXPECT_EQ(wltest::waitChild(panel), 0);
    EXPECT_FALSE(compositor().find([&](const View& v) { return v.pid == panel; }));
}

}  // namespace
