#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "actions_test_support.h"
#include "platform/process_launch.h"
#include "platform/recording_keys.h"
#include "platform/workstation_lock.h"
#include "service/basic_function.h"

using platform::RecordedKeyEvent;

namespace {

struct Harness {
    platform::RecordingKeySynthesizer keys;
    std::vector<size_t> waitsAfterEvents;  // number of key events sent when each wait began
    std::vector<unsigned> waitLengths;
    int locks = 0;
    CBasicFunction actions{keys,
                           [this](unsigned ms) {
                               waitsAfterEvents.push_back(keys.events().size());
                               waitLengths.push_back(ms);
                           },
                           [this] {
                               ++locks;
                               return true;
                           }};
};

std::vector<RecordedKeyEvent> shortcut(uint8_t modifier, uint8_t key) {
    return {{modifier, 1}, {key, 1}, {key, 3}, {modifier, 3}};
}

bool waitForFile(const std::string& path) {
    for (int i = 0; i < 200; ++i) {
        if (std::filesystem::exists(path)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

std::string readText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

TEST(BasicFunction, EveryShortcutCodeSendsItsSequenceWithThreeWaits) {
    struct Case {
        uint8_t code;
        uint8_t modifier;
        uint8_t key;
    };
    const Case cases[] = {
        {64, 17, 'X'}, {65, 17, 'C'}, {66, 17, 'V'}, {67, 17, 'Z'},  {68, 17, 'A'},
        {69, 17, 'F'}, {70, 17, 'N'}, {71, 17, 'P'}, {72, 17, 'S'},  {80, 164, 9},
        {81, 164, 115}, {83, 91, 'E'}, {84, 91, 'R'}, {85, 91, 'D'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.code));
        Harness h;
        EXPECT_TRUE(h.actions.perform(c.code));
        EXPECT_EQ(h.keys.events(), shortcut(c.modifier, c.key));
        // press modifier | wait | press key | wait | release key | wait | release modifier
        EXPECT_EQ(h.waitsAfterEvents, (std::vector<size_t>{1, 2, 3}));
        EXPECT_EQ(h.waitLengths, (std::vector<unsigned>{50, 50, 50}));
        EXPECT_EQ(h.locks, 0);
    }
}

TEST(BasicFunction, NamedOperationsMatchTheirCodes) {
    Harness byName, byCode;
    byName.actions.SwapWindows();
    byName.actions.CloseWindows();
    byName.actions.ShowDesktop();
    byName.actions.New();
    byCode.actions.perform(80);
    byCode.actions.perform(81);
    byCode.actions.perform(85);
    byCode.actions.perform(70);
    EXPECT_EQ(byName.keys.events(), byCode.keys.events());
    EXPECT_EQ(byName.keys.events().size(), 16u);
}

TEST(BasicFunction, CodesOutsideTheTableDoNothing) {
    Harness h;
    for (int code = 0; code < 256; ++code) {
        bool inTable = (code >= 64 && code <= 72) || (code >= 80 && code <= 85);
        if (inTable) continue;
        EXPECT_FALSE(h.actions.perform(static_cast<uint8_t>(code))) << code;
    }
    EXPECT_TRUE(h.keys.events().empty());
    EXPECT_TRUE(h.waitLengths.empty());
    EXPECT_EQ(h.locks, 0);
}

TEST(BasicFunction, LockCodeRunsTheLockAndSendsNoKeys) {
    Harness h;
    EXPECT_TRUE(h.actions.perform(82));
    EXPECT_EQ(h.locks, 1);
    EXPECT_TRUE(h.keys.events().empty());
    EXPECT_TRUE(h.waitLengths.empty());
}

TEST(BasicFunction, ReleasesAreSentEvenWhenPressesFail) {
    // A backend that refuses everything still sees the whole sequence, so a modifier that
    // did go down on a flaky connection is always released.
    class Refusing final : public platform::KeySynthesizer {
    public:
        bool keyEvent(uint8_t vk, uint32_t flags) override {
            seen.push_back({vk, flags});
            return false;
        }
        const char* backendName() const override { return "refusing"; }
        std::vector<RecordedKeyEvent> seen;
    } keys;
    CBasicFunction actions(keys, [](unsigned) {}, [] { return true; });
    actions.Cut();
    EXPECT_EQ(keys.seen, shortcut(17, 'X'));
}

TEST(WorkstationLock, RunsTheOverriddenCommandDetached) {
    actions_test::IsolatedEnvironment env;
    const std::string marker = env.configHome() + "/locked";
    platform::setLockCommand({"touch", marker});
    platform::RecordingKeySynthesizer keys;
    CBasicFunction actions(keys, [](unsigned) {}, platform::lockWorkstation);
    EXPECT_TRUE(actions.perform(82));
    EXPECT_TRUE(waitForFile(marker));
    EXPECT_TRUE(keys.events().empty());
    platform::setLockCommand({});
}

TEST(WorkstationLock, CommandComesFromTheEnvironmentElseLoginctl) {
    actions_test::IsolatedEnvironment env;
    platform::setLockCommand({});
    unsetenv("KORVANTE_LOCK_COMMAND");
    EXPECT_EQ(platform::lockCommand(), (std::vector<std::string>{"loginctl", "lock-session"}));

    const std::string marker = env.configHome() + "/from-env";
    setenv("KORVANTE_LOCK_COMMAND", ("  /usr/bin/touch   " + marker + " ").c_str(), 1);
    EXPECT_EQ(platform::lockCommand(), (std::vector<std::string>{"/usr/bin/touch", marker}));
    EXPECT_TRUE(platform::lockWorkstation());
    EXPECT_TRUE(waitForFile(marker));

    setenv("KORVANTE_LOCK_COMMAND", "   ", 1);
    EXPECT_EQ(platform::lockCommand().front(), "loginctl");
    unsetenv("KORVANTE_LOCK_COMMAND");
}

TEST(WorkstationLock, MissingProgramIsReportedAndLeavesNoChild) {
    actions_test::IsolatedEnvironment env;
    platform::setLockCommand({"korvante-no-such-locker"});
    EXPECT_FALSE(platform::lockWorkstation());
    platform::setLockCommand({env.configHome() + "/not-there"});
    EXPECT_FALSE(platform::lockWorkstation());

    // A started command leaves no zombie: the intermediate child is reaped at once and the
    // command itself is not our child.
    platform::setLockCommand({"true"});
    EXPECT_TRUE(platform::lockWorkstation());
    int status;
    EXPECT_EQ(waitpid(-1, &status, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
    platform::setLockCommand({});
}

// Every program the service starts gets a clean slate: the service blocks SIGTERM and SIGINT for
// its signal descriptor, and a started program inheriting that could never be stopped.
TEST(DetachedLaunch, ProgramGetsNoBlockedOrIgnoredSignalsNoDescriptorsAndItsOwnSession) {
    sigset_t block, old;
    sigemptyset(&block);
    sigaddset(&block, SIGTERM);
    sigaddset(&block, SIGINT);
    ASSERT_EQ(pthread_sigmask(SIG_BLOCK, &block, &old), 0);
    struct sigaction ignore {}, oldHup {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGHUP, &ignore, &oldHup);
    const int leaked = ::open("/dev/null", O_RDONLY);  // no close-on-exec
    platform::LaunchedProgram program;
    const bool started = platform::launchDetached("/bin/sleep", {"30"}, &program);
    ::close(leaked);
    sigaction(SIGHUP, &oldHup, nullptr);
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    ASSERT_TRUE(started);
    const std::string proc = "/proc/" + std::to_string(program.pid());
    ASSERT_EQ(readText(proc + "/comm"), "sleep\n");

    const std::string status = readText(proc + "/status");
    EXPECT_NE(status.find("SigBlk:\t0000000000000000\n"), std::string::npos) << status;
    EXPECT_NE(status.find("SigIgn:\t0000000000000000\n"), std::string::npos) << status;
    // Right after exec the dynamic loader (and then the program's start-up) opens its libraries
    // and locale files one at a time on the lowest free descriptor: the descriptors are looked at
    // once the program sleeps, in its own sleep.
    auto sleeping = [&] {
        const std::string stat = readText(proc + "/stat");
        return stat.size() > stat.rfind(')') + 2 && stat[stat.rfind(')') + 2] == 'S';
    };
    for (int i = 0; i < 500 && !sleeping(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(sleeping());
    std::vector<std::string> fds;  // with what a descriptor past the standard three leads to
    for (const auto& entry : std::filesystem::directory_iterator(proc + "/fd")) {
        std::string fd = entry.path().filename().string();
        if (fd.size() > 1 || fd[0] > '2') fd += " -> " + std::filesystem::read_symlink(entry.path()).string();
        fds.push_back(fd);
    }
    std::sort(fds.begin(), fds.end());
    EXPECT_EQ(fds, (std::vector<std::string>{"0", "1", "2"}));
    const std::string stat = readText(proc + "/stat");
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string state;
    pid_t parent = 0, group = 0, session = 0;
    fields >> state >> parent >> group >> session;
    EXPECT_NE(session, getsid(0));

    // A plain SIGTERM ends it.
    EXPECT_TRUE(program.running());
    EXPECT_TRUE(program.terminate());
    for (int i = 0; i < 300 && program.running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(program.running());
    EXPECT_FALSE(program.terminate());
}
