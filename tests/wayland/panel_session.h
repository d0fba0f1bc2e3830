#pragma once
// A private Wayland session for one test: weston (compositor.h) on the test's own runtime folder,
// no X display, and the configuration window started as a user starts it. Controls are found by
// the window's rectangle tables (panel/layout) and clicked through the compositor's seat.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "panel/layout/dialog_layout.h"
#include "panel/layout/window_layout.h"
#include "tests/wayland/compositor.h"

namespace wltest {

class PanelSession : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(env_.ready());
        ASSERT_EQ(::access("/usr/bin/weston", X_OK), 0) << "weston is not installed: run scripts/install-deps";
        // A Wayland session and nothing else: no X server to fall back on.
        env_.unset("DISPLAY");
        env_.set("XDG_SESSION_TYPE", "wayland");
        env_.set("QT_QPA_PLATFORM", "wayland");
        // In the sanitizer build: Qt's Wayland plugin stack leaves objects unfreed at exit, some
        // in libraries already unloaded, which no suppression can name. Leak checking is off for
        // the programs started here; their own leaks are checked by the X11 and offscreen tests.
        const char* asan = std::getenv("ASAN_OPTIONS");
        env_.set("ASAN_OPTIONS", std::string(asan != nullptr && *asan != '\0' ? std::string(asan) + ":" : "") +
                                     "detect_leaks=0");
        compositor_ = std::make_unique<Compositor>(env_);
        ASSERT_EQ(compositor_->problem(), "");
    }
    void TearDown() override {
        for (pid_t pid : children_) endChild(pid);
        if (HasFailure() && compositor_) std::cerr << "weston's log:\n" << compositor_->log();
        compositor_.reset();
    }

    Compositor& compositor() { return *compositor_; }

    // Starts cfgpanel; it logs its protocol requests into panelLog().
    pid_t startPanel(const std::string& errFile = "") {
        const std::string err = errFile.empty() ? panelLog() : errFile;
        const pid_t pid = spawnProgram({std::string(KORVANTE_BIN_DIR) + "/cfgpanel"}, {"WAYLAND_DEBUG=client"},
                                       env_.file("panel-out.txt"), err);
        children_.push_back(pid);
        return pid;
    }
    std::string panelLog() const { return env_.file("panel-protocol.txt"); }
    ProtocolLog protocol() const { return ProtocolLog(readText(panelLog())); }

    // The window of a program: its toplevel titled "KORVANTE".
    static bool isPanelWindow(const View& v, pid_t pid) {
        return v.role == "xdg_toplevel" && v.pid == pid && v.label.find("'KORVANTE'") != std::string::npos;
    }
    // Waits for the window on the compositor, for the program to have painted it (before, a
    // press can come before the window's controls are in place) and for the pointer to have
    // entered it: the pointer is moved onto the title strip until the program logs the pointer's
    // enter event (weston picks the view under a pointer only when the pointer moves, so a window
    // that maps under a resting pointer would miss the first press).
    std::optional<View> waitForPanel(pid_t pid) {
        std::optional<View> window = compositor_->waitFor([pid](const View& v) { return isPanelWindow(v, pid); });
        if (!window || !eventually([&] { return readText(panelLog()).find("first window painted") != std::string::npos; }))
            return std::nullopt;
        static const std::regex entered(R"(wl_pointer@\d+\.enter\()");
        int step = 0;
        const bool inside = eventually([&] {
            compositor_->move(window->box.left + layout::logoArea().right + 40 + (++step % 2), window->box.top + 28);
            return std::regex_search(readText(panelLog()), entered);
        });
        return inside ? window : std::nullopt;
    }

    // A point of a control on the output, for the window (or dialog) whose view is given.
    static std::pair<int, int> pointOf(const View& window, const layout::Window& table, layout::Role role,
                                       int index = 0, int dx = -1, int dy = -1) {
        const layout::Control* c = layout::find(table, role, index);
        EXPECT_NE(c, nullptr) << "no control of that role in " << table.skinFile;
        if (c == nullptr) return {window.box.left, window.box.top};
        const int x = dx < 0 ? (c->rect.left + c->rect.right) / 2 : c->rect.left + dx;
        const int y = dy < 0 ? (c->rect.top + c->rect.bottom) / 2 : c->rect.top + dy;
        return {window.box.left + x, window.box.top + y};
    }
    // The control's rectangle on the output.
    static Box boxOf(const View& window, const layout::Window& table, layout::Role role, int index = 0) {
        const layout::Control* c = layout::find(table, role, index);
        if (c == nullptr) return {};
        return {window.box.left + c->rect.left, window.box.top + c->rect.top, window.box.left + c->rect.right,
                window.box.top + c->rect.bottom};
    }
    bool clickControl(const View& window, const layout::Window& table, layout::Role role, int index = 0,
                      int button = kButtonLeft) {
        const auto [x, y] = pointOf(window, table, role, index);
        return compositor_->click(x, y, button);
    }

    // The popups of the program that the compositor shows, topmost first (a popup's view is
    // listed before its first frame, with an empty box: not yet shown).
    std::vector<View> popups(pid_t pid) {
        std::vector<View> found;
        for (const View& v : compositor_->views())
            if (v.role == "xdg_popup" && v.pid == pid && v.box.width() > 0) found.push_back(v);
        return found;
    }
    // Waits until the program shows that many popups; returns them, topmost first.
    std::vector<View> waitForPopups(pid_t pid, size_t count) {
        std::vector<View> found;
        eventually([&] {
            found = popups(pid);
            return found.size() == count;
        });
        return found;
    }
    // Waits for a toplevel of the program whose label holds the text (a dialog's title).
    std::optional<View> waitForToplevel(pid_t pid, const std::string& text, bool present = true) {
        return compositor_->waitFor(
            [&](const View& v) { return v.role == "xdg_toplevel" && v.pid == pid && v.label.find(text) != std::string::npos; },
            present);
    }

    testsupport::PrivateEnvironment env_{"korvante-wayland-test"};
    std::unique_ptr<Compositor> compositor_;
    std::vector<pid_t> children_;
};

}  // namespace wltest
