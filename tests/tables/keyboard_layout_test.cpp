#include "platform/keyboard_layout.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "shared/key_tables.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace {

TEST(KeyboardLayout, BuiltInUsTable) {
    unsetenv("DISPLAY");
    platform::closeKeyboardLayoutDisplay();
    EXPECT_EQ(platform::characterForVirtualKey('Q'), uint32_t('Q'));
    EXPECT_EQ(platform::characterForVirtualKey('0'), uint32_t('0'));
    EXPECT_EQ(platform::characterForVirtualKey(187), uint32_t('='));
    EXPECT_EQ(platform::characterForVirtualKey(189), uint32_t('-'));
    EXPECT_EQ(platform::characterForVirtualKey(192), uint32_t('`'));
    EXPECT_EQ(platform::characterForVirtualKey(219), uint32_t('['));
    EXPECT_EQ(platform::characterForVirtualKey(221), uint32_t(']'));
    EXPECT_EQ(platform::characterForVirtualKey(191), uint32_t('/'));
    EXPECT_EQ(platform::characterForVirtualKey(32), uint32_t(' '));
    EXPECT_EQ(platform::characterForVirtualKey(0), 0u);
    EXPECT_EQ(platform::characterForVirtualKey(91), 0u);   // Windows key: no character
    EXPECT_EQ(platform::characterForVirtualKey(0xFFFFFFFFu), 0u);
}

TEST(KeyboardLayout, UnreachableDisplayFallsBackToUs) {
    setenv("DISPLAY", ":59999", 1);  // nothing listens there
    platform::closeKeyboardLayoutDisplay();
    EXPECT_EQ(platform::characterForVirtualKey('A'), uint32_t('A'));
    EXPECT_EQ(platform::characterForVirtualKey(186), uint32_t(';'));
    unsetenv("DISPLAY");
    platform::closeKeyboardLayoutDisplay();
}

// A private X server for one test; skipped where Xvfb is not installed.
class PrivateXServer {
public:
    PrivateXServer() {
        if (access("/usr/bin/Xvfb", X_OK) != 0) return;
        int fds[2];
        if (pipe(fds) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            std::string fd = std::to_string(fds[1]);
            execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp",
                  "-screen", "0", "320x240x24", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        char c;
        while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        close(fds[0]);
        if (!number.empty()) display_ = ":" + number;
    }
    ~PrivateXServer() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    const std::string& display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};

// Rebinds two keys of the private server the way a German layout has them: the key at the US
// 'Z' position gives y/Y, the US ';' key gives ü/Ü.
bool rebindAsGerman(const std::string& display) {
    Display* d = XOpenDisplay(display.c_str());
    if (!d) return false;
    KeySym zKey[2] = {XK_y, XK_Y};
    KeySym semicolonKey[2] = {XK_udiaeresis, XK_Udiaeresis};
    XChangeKeyboardMapping(d, 44 + 8, 2, zKey, 1);
    XChangeKeyboardMapping(d, 39 + 8, 2, semicolonKey, 1);
    XSync(d, False);
    XCloseDisplay(d);
    return true;
}

TEST(KeyboardLayout, ActiveXLayoutDecides) {
    PrivateXServer server;
    if (server.display().empty()) GTEST_SKIP() << "Xvfb not available";
    setenv("DISPLAY", server.display().c_str(), 1);
    platform::closeKeyboardLayoutDisplay();
    EXPECT_EQ(platform::characterForVirtualKey('A'), uint32_t('A'));
    EXPECT_EQ(platform::characterForVirtualKey('Z'), uint32_t('Z'));
    EXPECT_EQ(platform::characterForVirtualKey(186), uint32_t(';'));
    EXPECT_EQ(virtualKeyName(222), "'");

    // The open connection notices the keymap change (no reconnect needed).
    ASSERT_TRUE(rebindAsGerman(server.display()));
    EXPECT_EQ(platform::characterForVirtualKey('Z'), uint32_t('Y'));
    EXPECT_EQ(platform::characterForVirtualKey(186), 0xDCu);  // Ü, upper-cased
    EXPECT_EQ(virtualKeyName(186), "\xC3\x9C");
    EXPECT_EQ(virtualKeyName(13), "Enter");  // fixed names never ask the layout

    platform::closeKeyboardLayoutDisplay();
    unsetenv("DISPLAY");
}

}  // namespace
