// A program started detached runs with no signal blocked, whatever the caller blocks.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "platform/process_launch.h"
#include "tests/support/private_session.h"

TEST(LaunchDetached, ProgramStartsWithNoSignalBlocked) {
    testsupport::TempFolder folder;
    ASSERT_TRUE(folder.ready());
    const std::string out = folder.file("mask");

    sigset_t blocked, saved;
    ::sigemptyset(&blocked);
    ::sigaddset(&blocked, SIGTERM);
    ::sigaddset(&blocked, SIGINT);
    ASSERT_EQ(::pthread_sigmask(SIG_BLOCK, &blocked, &saved), 0);
    // cp copies its own status (a shell would reset its mask itself).
    const bool started = platform::launchDetached("/bin/cp", {"/proc/self/status", out});
    ::pthread_sigmask(SIG_SETMASK, &saved, nullptr);
    ASSERT_TRUE(started);

    std::string line;
    for (int i = 0; i < 200 && line.empty(); ++i) {
        std::ifstream in(out);
        for (std::string l; std::getline(in, l);)
            if (l.rfind("SigBlk:", 0) == 0) line = l;
        if (line.empty()) ::usleep(20000);
    }
    EXPECT_EQ(line, "SigBlk:\t0000000000000000");
}
