// The window's popups and dialogs in a Wayland session. Every popup opens at the control that
// opened it, lies inside the window (the only area a Wayland client knows to be on the screen) and
// closes on Escape or a chosen item; every dialog, message box and file chooser is a transient
// child of the window and closes (Escape, or a skinned dialog's Cancel).
// With KORVANTE_WAYLAND_SHOTS=DIR the tests leave pictures of the window and of an open popup there
// (scripts/wayland-screenshots).
#include <cstdlib>
#include <functional>

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
public:
    // For the tables of cases below.
    bool clickOn(const View& window, const layout::Window& table, Role role) { return clickControl(window, table, role); }
    wltest::Compositor& seat() { return compositor(); }
    std::vector<View> waitFor(pid_t pid, size_t count) { return waitForPopups(pid, count); }
    using PanelSession::boxOf;

protected:
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

namespace {

struct DialogCase {
    const char* name;
    const char* title;
    std::function<bool(WaylandPopups&, const View&)> open;
    const layout::Window* skinned = nullptr;  // a skinned dialog closes by its Cancel (it keeps Escape from closing it)
};

// Opens the function menu of the second label (the first keeps the only left click, which the
// window does not let go), its "Advanced" submenu, and clicks "DPI Shift" there.
bool openDpiShiftDialog(WaylandPopups& t, const View& window, pid_t panel) {
    if (!t.clickOn(window, layout::startPage(), Role::TabButtons)) return false;
    const Box label = WaylandPopups::boxOf(window, layout::buttonPage(), Role::ButtonLabel, 1);
    if (!t.seat().click(label.right - 4, (label.top + label.bottom) / 2)) return false;
    const std::vector<View> menu = t.waitFor(panel, 1);
    if (menu.size() != 1) return false;
    const int advanced = 7;  // the item with the submenu of advanced commands
    const int itemTop = menu[0].box.top + advanced * skin::kMenuItemHeight;
    if (!t.seat().move(menu[0].box.left + 20, itemTop + 12)) return false;
    const std::vector<View> both = t.waitFor(panel, 2);
    if (both.size() != 2) return false;
    const Box& sub = both[0].box;  // topmost

    EXPECT_TRUE(sub.left == menu[0].box.right || sub.right == menu[0].box.left) << sub << " is not beside " << menu[0].box;
    EXPECT_TRUE(sub.top == itemTop || sub.bottom == itemTop) << sub << " for the item at " << itemTop;  // raised where the window ends
    EXPECT_TRUE(window.box.contains(sub)) << sub;
    const int dpiShift = 5;
    return t.seat().click(sub.left + 20, sub.top + dpiShift * skin::kMenuItemHeight + 12);
}

TEST_F(WaylandPopups, DialogsAreTransientChildrenOfTheWindowAndClose) {
    const View window = openWindow();
    const DialogCase cases[] = {
        {"message box", "Warning",
         [](WaylandPopups& t, const View& w) { return t.clickOn(w, layout::mainFrame(), Role::Reset); }},
        {"file chooser", "Import a Profile File",
         [](WaylandPopups& t, const View& w) { return t.clickOn(w, layout::mainFrame(), Role::Import); }},
        {"function dialog", "DPI Shift",
         [this](WaylandPopups& t, const View& w) { return openDpiShiftDialog(t, w, panel_); }, &layout::dpiShiftDialog()},
    };
    const Box onOutput{0, 0, wltest::Compositor::kWidth, wltest::Compositor::kHeight};
    for (const DialogCase& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(c.open(*this, window));
        const std::optional<View> dialog = waitForToplevel(panel_, std::string("'") + c.title);
        ASSERT_TRUE(dialog) << "no dialog titled " << c.title;
        // The window is its parent. Where a toplevel opens is the compositor's choice under
        // Wayland (a client cannot place one); weston puts it anywhere on the output, desktops
        // with dialog placement (GNOME, Plasma) centre it on its parent.
        EXPECT_EQ(protocol().parentOf(c.title), std::optional<std::string>("KORVANTE"));
        EXPECT_TRUE(onOutput.contains(dialog->box)) << dialog->box;
        if (std::string(c.name) == "function dialog") shoot("dialog.png");
        if (c.skinned != nullptr) ASSERT_TRUE(clickControl(*dialog, *c.skinned, Role::DialogCancel));
        else ASSERT_TRUE(compositor().type(wltest::kKeyEscape));
        EXPECT_FALSE(waitForToplevel(panel_, std::string("'") + c.title, false).has_value()) << "it stayed open";
    }
}

}  // namespace
