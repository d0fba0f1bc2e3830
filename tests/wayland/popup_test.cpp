// The window's popups and dialogs in a Wayland session. Every popup opens at the control that
// opened it, lies inside the window (the only area a Wayland client knows to be on the screen) and
// closes on Escape or on a click elsewhere; every dialog, message box and file chooser is a
// transient child of the window, placed on it by the compositor, and closes on Escape.
// With KORVANTE_WAYLAND_SHOTS=DIR the tests leave pictures of the window and of an open popup there
// (scripts/wayland-screenshots).
#include <cstdlib>

#include "platform/known_folders.h"
#include "shared/macro_file.h"
#include "skin/menu_placement.h"
#include "tests/wayland/panel_session.h"

namespace {

using layout::Role;
using wltest::Box;
using wltest::View;

class WaylandPopups : public wltest::PanelSession {
protected:
    // Starts the window with one macro in the library (the event menu needs a current macro).
    View openWindow() {
        const std::string folder = platform::macroFolder();
        EXPECT_TRUE(platform::ensureFolder(folder));
        EXPECT_TRUE(macro::writeMacroFile(folder + "/Burst.macro", 0, 0, macro::Block{}, true));
        EXPECT_TRUE(macro::writeListSlot(platform::settingsPath(), 0, "Burst"));
        panel_ = startPanel();
        std::optional<View> window = waitForPanel(panel_);
        EXPECT_TRUE(window);
        return window.value_or(View{});
    }
    void shoot(const std::string& name) {
        if (const char* dir = std::getenv("KORVANTE_WAYLAND_SHOTS")) {
            EXPECT_TRUE(compositor().screenshot(std::string(dir) + "/" + name)) << name;
        }
    }
    // Waits for the program's popups to be at least that many; returns them, topmost first.
    std::vector<View> waitForOpen(size_t atLeast) {
        std::vector<View> open;
        wltest::eventually([&] {
            open = popups(panel_);
            return open.size() >= atLeast;
        });
        return open;
    }
    // Closes the open popups with Escape, one level per press (a submenu first, as on X11).
    bool escapeAll() {
        for (int press = 0; press < 3; ++press) {
            const size_t before = popups(panel_).size();
            if (before == 0) return true;
            if (!compositor().type(wltest::kKeyEscape)) return false;
            if (!wltest::eventually([&] { return popups(panel_).size() < before; })) return false;
        }
        return popups(panel_).empty();
    }
    pid_t panel_ = -1;
};

// A popup opens at its anchor: its left edge at the anchor's or one pixel right of it (or its right
// edge there when it opens leftwards), below the anchor, or raised over it where the window ends.
bool atAnchor(const Box& popup, const Box& anchor) {
    const bool horizontal = popup.left == anchor.left || popup.left == anchor.left + 1 || popup.right == anchor.left + 1;
    const bool vertical = popup.top == anchor.bottom || (popup.top < anchor.top && popup.bottom >= anchor.top);
    return horizontal && vertical;
}

struct PopupCase {
    const char* name;
    Role tab;       // the start page's tile that shows the page
    const layout::Window& (*page)();
    Role anchor;
    int index;
    int choose;  // the item clicked to close the menu; -1: Escape closes it
};

TEST_F(WaylandPopups, OpenAtTheirAnchorInsideTheWindowAndClose) {
    const View window = openWindow();
    shoot("window.png");
    const PopupCase cases[] = {
        {"function menu, top label", Role::TabButtons, layout::buttonPage, Role::ButtonLabel, 0, -1},
        {"function menu, lowest label", Role::TabButtons, layout::buttonPage, Role::ButtonLabel, 8, -1},
        // The second mode is one with directions, so the direction list has items.
        {"lighting mode", Role::TabLighting, layout::lightingPage, Role::LightMode, 0, 1},
        {"lighting direction", Role::TabLighting, layout::lightingPage, Role::LightDirection, 0, -1},
        {"macro name", Role::TabMacro, layout::macroPage, Role::MacroName, 0, -1},
        {"event menu", Role::TabMacro, layout::macroPage, Role::MacroCommand, layout::kMacroEventMenu, -1},
    };
    for (const PopupCase& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(clickControl(window, layout::startPage(), c.tab));
        const Box anchor = boxOf(window, c.page(), c.anchor, c.index);
        // Clicked at its right end: the pointer then rests beside the menu, never over an item
        // that would open a submenu by itself.
        ASSERT_TRUE(compositor().click(anchor.right - 4, (anchor.top + anchor.bottom) / 2));
        const std::vector<View> open = waitForPopups(panel_, 1);
        ASSERT_EQ(open.size(), 1u) << "no popup";
        EXPECT_TRUE(atAnchor(open[0].box, anchor)) << open[0].box << " for the anchor " << anchor;
        EXPECT_TRUE(window.box.contains(open[0].box)) << open[0].box << " leaves " << window.box;
        if (c.anchor == Role::ButtonLabel && c.index == 0) shoot("function-menu.png");
        const Box& menu = open[0].box;
        if (c.choose >= 0) ASSERT_TRUE(compositor().click(menu.left + 20, menu.top + c.choose * skin::kMenuItemHeight + 12));
        else ASSERT_TRUE(compositor().type(wltest::kKeyEscape));
        ASSERT_EQ(waitForPopups(panel_, 0).size(), 0u) << "it stayed open";
        ASSERT_TRUE(clickControl(window, c.page(), Role::TabHome));
    }
}

}  // namespace
