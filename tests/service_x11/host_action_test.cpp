// The whole path of a host action: the virtual mouse reports a function code, the running service
// turns it into key strokes, and an X client on a private Xvfb display receives them.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/event_loop.h"
#include "platform/message_bus.h"
#include "tests/actions/actions_test_support.h"
#include "tests/actions/x_key_watch.h"

extern char** environ;

namespace {

const std::string kBin = KORVANTE_BIN_DIR;

pid_t spawn(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    return pid;
}

int runToEnd(const std::vector<std::string>& args) {
    pid_t pid = spawn(args);
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) < 0) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void stop(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    int status;
    waitpid(pid, &status, 0);
}

template <typename Condition>
bool waitFor(Condition condition, int timeoutMs) {
    for (int waited = 0; waited < timeoutMs; waited += 20) {
        if (condition()) return true;
        platform::sleepMs(20);
    }
    return condition();
}

}  // namespace

TEST(HostAction, NewDocumentCodeFromTheMouseReachesTheFocusedXWindow) {
    if (!actions_test::XvfbServer::available()) GTEST_SKIP() << "Xvfb is not installed";
    actions_test::IsolatedEnvironment env;
    actions_test::XvfbServer server;
    ASSERT_TRUE(server.running());
    setenv("DISPLAY", server.name().c_str(), 1);
    setenv("KORVANTE_TRANSPORT", "sim", 1);

    Display* client = XOpenDisplay(server.name().c_str());
    ASSERT_NE(client, nullptr);
    actions_test::focusedWindow(client);

    pid_t mouse = spawn({kBin + "/mousesim", "serve"});
    ASSERT_GT(mouse, 0);
    ASSERT_TRUE(waitFor([] { return runToEnd({kBin + "/mousesim", "stats"}) == 0; }, 5000));
    pid_t agent = spawn({kBin + "/hidagent"});
    ASSERT_GT(agent, 0);
    ASSERT_TRUE(waitFor([] { return platform::findWindow("KORVANTEHidAgent"); }, 5000));

    // Code 70 ("NEW") reported by the mouse; the service handles it after its read-back.
    ASSERT_EQ(runToEnd({kBin + "/mousesim", "report", "08", "ff", "46"}), 0);
    std::vector<actions_test::KeySeen> got = actions_test::keyEvents(client, 4);

    stop(agent);
    stop(mouse);
    XCloseDisplay(client);

    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0].type, KeyPress);
    EXPECT_EQ(got[0].sym, static_cast<KeySym>(XK_Control_L));
    EXPECT_EQ(got[1].type, KeyPress);
    EXPECT_EQ(got[1].sym, static_cast<KeySym>(XK_n));
    EXPECT_TRUE(got[1].state & ControlMask);
    EXPECT_EQ(got[2].type, KeyRelease);
    EXPECT_EQ(got[2].sym, static_cast<KeySym>(XK_n));
    EXPECT_EQ(got[3].type, KeyRelease);
    EXPECT_EQ(got[3].sym, static_cast<KeySym>(XK_Control_L));
}
