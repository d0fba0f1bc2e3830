// A profile per program, end to end on a private Xvfb display: the service watches the active
// window, switches the virtual mouse to the profile of the focused program and back when another
// program takes the focus. Xvfb has no window manager, so the test announces the active window on
// the root itself, as a window manager would.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dirent.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "shared/mouse_settings.h"
#include "tests/actions/actions_test_support.h"
#include "tests/service/harness.h"

namespace {

// A top-level window that claims to belong to process `pid` of `machine` ("" leaves it unsaid).
Window programWindow(Display* display, long pid, const std::string& machine) {
    Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 10, 10, 0, 0, 0);
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&pid), 1);
    if (!machine.empty()) {
        XTextProperty text{};
        char* name = const_cast<char*>(machine.c_str());
        XStringListToTextProperty(&name, 1, &text);
        XSetWMClientMachine(display, window, &text);
        XFree(text.value);
    }
    return window;
}

void activate(Display* display, Window window) {
    long value = static_cast<long>(window);
    XChangeProperty(display, DefaultRootWindow(display), XInternAtom(display, "_NET_ACTIVE_WINDOW", False), XA_WINDOW,
                    32, PropModeReplace, reinterpret_cast<unsigned char*>(&value), 1);
    XFlush(display);
}

// Context switches of all the process's threads so far.
long contextSwitches(pid_t pid) {
    long total = 0;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    for (const auto& task : std::filesystem::directory_iterator(tasks)) {
        const std::string status = e2e::readFile(task.path().string() + "/status");
        for (const char* key : {"voluntary_ctxt_switches:", "nonvoluntary_ctxt_switches:"}) {
            const size_t at = status.find(key);
            if (at != std::string::npos) total += std::atol(status.c_str() + at + std::strlen(key));
        }
    }
    return total;
}

}  // namespace

TEST(ProgramProfile, FocusOfAMatchingProgramSwitchesTheMouseAndBack) {
    if (!actions_test::XvfbServer::available()) GTEST_SKIP() << "Xvfb is not installed";
    e2e::Harness h;
    ASSERT_TRUE(h.ready());
    actions_test::XvfbServer server;
    ASSERT_TRUE(server.running());
    ::setenv("DISPLAY", server.name().c_str(), 1);  // put back by the harness's environment

    // The "game": a copy of sleep under a name of its own, started by path.
    const std::string game = h.root() + "/game";
    std::filesystem::copy_file("/bin/sleep", game);
    std::filesystem::permissions(game, std::filesystem::perms::owner_all);
    e2e::Child gameProcess = e2e::spawn({game, "600"}, "", "");
    ASSERT_GT(gameProcess.pid, 0);

    ASSERT_TRUE(h.installSettings());
    ASSERT_TRUE(settings::writeProgramRule(h.settingsPath(), 3, game));

    Display* client = XOpenDisplay(server.name().c_str());
    ASSERT_NE(client, nullptr);
    char host[HOST_NAME_MAX + 1] = {};
    ::gethostname(host, sizeof host - 1);
    const Window other = programWindow(client, static_cast<long>(::getpid()), "");
    const Window gameWindow = programWindow(client, gameProcess.pid, host);
    const Window remote = programWindow(client, gameProcess.pid, "elsewhere.example");  // its pid means nothing here
    activate(client, other);

    ASSERT_TRUE(h.startMouse());
    ASSERT_TRUE(h.startService());
    EXPECT_EQ(h.dump(0x002C, 1), e2e::parseHex("00"));

    struct Step {
        Window window;
        const char* notice;
        int count;
        const char* profile;
    } steps[] = {
        {gameWindow, "1285 9 3", 1, "03"},
        {remote, "1285 9 0", 1, "00"},
        {gameWindow, "1285 9 3", 2, "03"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.notice);
        activate(client, step.window);
        EXPECT_TRUE(h.waitPanelLine(step.notice, step.count));
        EXPECT_EQ(h.dump(0x002C, 1), e2e::parseHex(step.profile));
        EXPECT_EQ(h.readSettingInt("Setting", "Profile"), std::stoi(step.profile));
    }

    // Nothing changes on the display: the watcher must not wake the service.
    h.avoidTrailerTimer(3000);
    const long before = contextSwitches(h.servicePid());
    ::usleep(2000 * 1000);
    std::printf("service wake-ups over 2 s with the focus watched and nothing changing: %ld\n",
                contextSwitches(h.servicePid()) - before);

    // The rule removed while its program has the focus: back to the profile of before.
    EXPECT_EQ(e2e::runToEnd({e2e::binPath("korvantectl"), "profile", "4", "--exe", ""}), 0);
    EXPECT_TRUE(h.waitPanelLine("1285 9 0", 2));
    EXPECT_EQ(h.dump(0x002C, 1), e2e::parseHex("00"));
    EXPECT_EQ(e2e::countOccurrences(h.serviceLog(), "profiles per program are off"), 0);
    EXPECT_EQ(h.stopService(), 0) << h.serviceLog();  // a clean end, sanitizers included

    XCloseDisplay(client);
    ::kill(gameProcess.pid, SIGKILL);
    e2e::waitExit(gameProcess.pid, 5000);
}

TEST(ProgramProfile, NoWatcherInAWaylandSession) {
    e2e::Harness h;
    ASSERT_TRUE(h.ready());
    ::setenv("WAYLAND_DISPLAY", "wayland-0", 1);  // put back by the harness's environment
    ASSERT_TRUE(h.startService(false, false));
    EXPECT_TRUE(h.waitLog("profiles per program are off: a Wayland session"));
    EXPECT_EQ(h.stopService(), 0) << h.serviceLog();
}
