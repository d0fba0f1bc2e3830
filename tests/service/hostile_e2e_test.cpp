// The service against peers and conditions that do not play along: an unusable runtime folder,
// idle and silent bus peers, a crowd of senders while it is busy, a flood of input reports and a
// mouse that goes away in the middle of a write.
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/runtime_folder.h"
#include "platform/unix_socket.h"
#include "shared/window_messages.h"
#include "tests/service/e2e_support.h"
#include "tests/support/silent_listener.h"

namespace {

using e2e::bytes;

// A runtime folder that is a file or a symbolic link is no place for the bus: the service says
// so and fails instead of passing for a second copy.
TEST(HostileRuntimeFolder, UnusableFolderIsReportedAndFails) {
    e2e::Harness h;
    ASSERT_TRUE(h.ready());
    ASSERT_TRUE(h.installSettings());
    const std::string folder = h.runtimeDir() + "/korvante";
    for (bool asLink : {false, true}) {
        std::filesystem::remove_all(folder);
        if (asLink)
            std::filesystem::create_directory_symlink(h.root(), folder);
        else
            std::ofstream(folder) << "not a folder";
        const std::string err = h.root() + "/hidagent-err.log";
        e2e::Child child = e2e::spawn({e2e::binPath("hidagent")}, "", err);
        ASSERT_GT(child.pid, 0);
        int code = e2e::waitExit(child.pid, 5000);
        EXPECT_NE(code, 0) << asLink;
        EXPECT_NE(code, -1) << asLink;
        EXPECT_NE(e2e::readFile(err).find("runtime folder cannot be used"), std::string::npos)
            << e2e::readFile(err);
    }
}

}  // namespace

namespace {

std::string busPath(const e2e::Harness& h, const std::string& title) {
    return h.runtimeDir() + "/korvante/" + platform::fileNameForTitle(title);
}

// CPU time (user + system, in clock ticks) the process has used so far.
long cpuTicks(pid_t pid) {
    std::string stat = e2e::readFile("/proc/" + std::to_string(pid) + "/stat");
    size_t end = stat.rfind(')');
    if (end == std::string::npos) return -1;
    std::istringstream fields(stat.substr(end + 2));
    std::string field;
    long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14) utime = std::stol(field);
        if (i == 15) stime = std::stol(field);
    }
    return utime + stime;
}

// Connected, silent sockets to a listener: the crowd of idle peers.
struct IdleCrowd {
    std::vector<int> fds;
    IdleCrowd(const std::string& path, int type, int count) {
        for (int i = 0; i < count; ++i) {
            int fd = platform::connectUnix(path, type, 1000);
            if (fd >= 0) fds.push_back(fd);
        }
    }
    ~IdleCrowd() {
        for (int fd : fds) ::close(fd);
    }
};

class Hostile : public e2e::ServiceTest {};

// Idle connections to the virtual mouse with the process out of descriptors: no busy loop, and
// commands still get through (the longest idle connection makes room).
TEST_F(Hostile, IdleClientsNeitherSpinNorLockOutTheVirtualMouse) {
    pid_t mouse = h.mousePid();
    struct rlimit few {48, 48};
    ASSERT_EQ(::prlimit(mouse, RLIMIT_NOFILE, &few, nullptr), 0);
    IdleCrowd crowd(h.runtimeDir() + "/korvante/mousesim.sock", SOCK_STREAM, 100);
    ASSERT_GT(crowd.fds.size(), 50u);
    platform::sleepMs(200);
    long before = cpuTicks(mouse);
    platform::sleepMs(1000);
    EXPECT_LT(cpuTicks(mouse) - before, 30) << "mousesim spins";
    EXPECT_EQ(h.mousesim({"stats"}), 0);
    ASSERT_TRUE(h.send(msg::kPollingRate));  // the service's own link was never dropped
    EXPECT_GT(h.stats()["feature_reports"], 0u);
}

// More idle connections than the service keeps: the oldest idle ones make room, requests are
// still answered.
TEST_F(Hostile, IdlePeersDoNotLockOutTheServiceWindow) {
    IdleCrowd crowd(busPath(h, title::kService), SOCK_SEQPACKET, 300);
    ASSERT_EQ(crowd.fds.size(), 300u);
    // A newcomer (its own process, its own connection) is still served.
    std::string out;
    EXPECT_EQ(h.msgTool({"send", title::kService, "1284"}, &out), 0);
    EXPECT_EQ(out, "0\n");
    EXPECT_TRUE(h.serviceRunning());
}

// While the service is busy with full writes, a crowd of one-shot senders (each its own process)
// is queued, not refused: every click-count increment lands.
TEST_F(Hostile, PostsToABusyServiceAreQueuedNotRefused) {
    for (int i = 0; i < 12; ++i) ASSERT_TRUE(h.post(msg::kSendAll));
    constexpr int kSenders = 300;
    std::vector<pid_t> senders;
    for (int i = 0; i < kSenders; ++i) {
        e2e::Child c = e2e::spawn({e2e::binPath("korvante-msg"), "post", title::kService, "1196", "514"}, "", "");
        ASSERT_GT(c.pid, 0);
        senders.push_back(c.pid);
    }
    int failed = 0;
    for (pid_t pid : senders) failed += e2e::waitExit(pid, 60000) != 0;
    EXPECT_EQ(failed, 0);
    // Each sender has its own connection, so only the count tells when all were handled.
    uint64_t deadline = platform::tickCountMs() + 30000;
    while (h.readSettingInt("Setting", "LeftCount") < kSenders && platform::tickCountMs() < deadline)
        platform::sleepMs(50);
    EXPECT_EQ(h.readSettingInt("Setting", "LeftCount"), kSenders);
}

// A flood of reports from the mouse: bus requests are answered between batches, and the pending
// identical notices are merged instead of reaching the UI five thousand times.
TEST_F(Hostile, ReportFloodDoesNotStarveTheBus) {
    ASSERT_TRUE(h.report("-n 5000 08 02 03"));
    int64_t result = -1;
    EXPECT_TRUE(platform::sendMessage(title::kService, msg::kScrollTrayFlags, 0, 0, &result, 3000));
    ASSERT_TRUE(h.waitPanelLine("1285 8 3"));
    ASSERT_TRUE(h.report("08 02 04"));  // behind the flood: once it shows, the flood is done
    ASSERT_TRUE(h.waitPanelLine("1285 8 4", 1, 30000));
    EXPECT_LT(h.panelLineCount("1285 8 3"), 2500);
}

// The mouse goes away in the middle of a full write and comes back: the settings the user saved
// are written in full and then read back, never the mouse's half-written state.
TEST_F(Hostile, UnplugDuringAWriteRestoresTheSavedSettingsOnReplug) {
    h.avoidTrailerTimer(4000);
    auto s = h.loadSettings();
    ASSERT_TRUE(s);
    s->PollingRate = s->PollingRate == 1 ? 3 : 1;
    s->WheelScrollLines = 7;
    s->LiftV = 3;
    for (int i = 0; i < kDpiStageCount; ++i) s->dpiStages[i] = DpiStage{0, 40 + i, 40 + i, 40 + i};
    ASSERT_TRUE(h.saveSettings(*s));
    ASSERT_TRUE(h.resetStats());
    ASSERT_TRUE(h.post(msg::kSendAll));
    uint64_t deadline = platform::tickCountMs() + 5000;
    while (h.stats()["feature_reports"] == 0 && platform::tickCountMs() < deadline) {
    }
    ASSERT_EQ(h.mousesim({"unplug"}), 0);
    ASSERT_TRUE(h.waitLog("MONITORCLOSE"));
    ASSERT_TRUE(h.send(msg::kScrollTrayFlags));  // the write is over
    ASSERT_EQ(h.mousesim({"plug"}), 0);
    ASSERT_TRUE(h.waitReadBack(2));
    auto after = h.loadSettings();
    ASSERT_TRUE(after);
    EXPECT_EQ(after->PollingRate, s->PollingRate);
    EXPECT_EQ(after->WheelScrollLines, 7);
    EXPECT_EQ(after->LiftV, 3);
    for (int i = 0; i < kDpiStageCount; ++i) EXPECT_EQ(after->dpiStages[i].x, 40 + i) << i;
    EXPECT_EQ(h.dump(devmap::kPollingA, 1), bytes({static_cast<int>(s->PollingRate)}));
}

// A configuration window that takes nothing (it neither accepts nor reads) costs the service
// nothing: requests are answered at once, and its notifications are dropped after a while.
TEST(HostilePanel, SilentConfigurationWindowDoesNotStallTheService) {
    e2e::Harness h;
    ASSERT_TRUE(h.ready());
    ASSERT_TRUE(h.installSettings());
    ASSERT_TRUE(h.startMouse());
    ASSERT_FALSE(platform::runtimeFolder().empty());
    testsupport::SilentListener silent(busPath(h, title::kPanel));
    ASSERT_TRUE(silent.ready());
    ASSERT_TRUE(h.startService(false, false));
    ASSERT_TRUE(h.waitLog("QueryAllFrMouse"));
    for (int stage = 0; stage < 7; ++stage) ASSERT_TRUE(h.report("08 02 0" + std::to_string(stage)));
    for (int profile = 0; profile < 3; ++profile) ASSERT_TRUE(h.report("08 01 0" + std::to_string(profile)));
    int64_t result = -1;
    EXPECT_TRUE(platform::sendMessage(title::kService, msg::kScrollTrayFlags, 0, 0, &result, 5000));
    EXPECT_TRUE(h.waitLog("took no notification", 1, 15000)) << h.serviceLog();
    EXPECT_EQ(h.stopService(), 0);
}

}  // namespace
