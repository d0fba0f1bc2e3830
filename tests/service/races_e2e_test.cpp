// Races of the service with the world around it: a shutdown or a save of another program while
// the service reads the mouse back, and plug notices that overtake each other.
#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>

#include "platform/profile_ini.h"
#include "shared/window_messages.h"
#include "tests/service/e2e_support.h"

namespace {

using e2e::bytes;

// Tray programs started for this test's private session (other sessions on the machine may run
// their own).
std::vector<pid_t> trayletsOfSession(const e2e::Harness& h) {
    std::error_code ec;
    const std::string program = std::filesystem::canonical(e2e::binPath("traylet"), ec).string();
    const std::string marker = "XDG_RUNTIME_DIR=" + h.runtimeDir();
    std::vector<pid_t> found;
    DIR* proc = ::opendir("/proc");
    if (!proc) return found;
    while (dirent* entry = ::readdir(proc)) {
        const pid_t pid = std::atoi(entry->d_name);
        if (pid <= 0) continue;
        const std::string dir = std::string("/proc/") + entry->d_name;
        if (std::filesystem::read_symlink(dir + "/exe", ec).string() != program || ec) continue;
        const std::string environment = e2e::readFile(dir + "/environ");
        if (environment.find(marker + '\0') != std::string::npos) found.push_back(pid);
    }
    ::closedir(proc);
    return found;
}

bool waitFor(int timeoutMs, const std::function<bool()>& done) {
    const uint64_t deadline = platform::tickCountMs() + static_cast<uint64_t>(timeoutMs);
    while (!done()) {
        if (platform::tickCountMs() >= deadline) return false;
        platform::sleepMs(20);
    }
    return true;
}

// The read-back ends with a tray start; a termination asked for meanwhile must not leave that
// copy behind, nor the one started with the service.
TEST(ServiceRaces, StopDuringTheReadBackLeavesNoTrayProgram) {
    e2e::Harness h;
    ASSERT_TRUE(h.ready());
    ASSERT_TRUE(h.installSettings(true));
    ASSERT_TRUE(h.startMouse());
    ASSERT_TRUE(h.startService(false)) << h.serviceLog();
    ASSERT_TRUE(h.waitLog("QueryAllFrMouse\n"));
    ASSERT_TRUE(waitFor(4000, [] { return platform::findWindow(title::kTraylet); }));
    EXPECT_EQ(h.stopService(SIGTERM, 15000), 0) << h.serviceLog();
    EXPECT_TRUE(waitFor(5000, [&] { return trayletsOfSession(h).empty(); }));
    EXPECT_FALSE(platform::findWindow(title::kTraylet));
    for (pid_t stray : trayletsOfSession(h)) ::kill(stray, SIGKILL);
}

class ReadBackRaces : public e2e::ServiceTest {};

// Another program saves while the service reads the mouse back: what it saved survives the
// read-back's save, and the request announcing it then writes the new value to the mouse.
// Keys nobody touched meanwhile take the mouse's values.
TEST_F(ReadBackRaces, SaveDuringTheReadBackIsKept) {
    ASSERT_EQ(h.mousesim({"unplug"}), 0);
    ASSERT_TRUE(waitFor(5000, [&] { return h.readSettingInt("Setting", "Device") == 0; }));
    ASSERT_TRUE(h.poke(0x446, bytes({0x04})));  // lighting mode 3, chosen on the mouse meanwhile
    ASSERT_EQ(h.mousesim({"plug"}), 0);
    ASSERT_TRUE(h.waitLog("QueryAllFrMouse\n", 2));

    struct Key {
        const char* section;
        const char* key;
        int value;
    } saved[] = {{"Setting", "PollingRate", 5}, {"Setting", "WheelScrollLines", 7},
                 {"Setting", "Acceleration", 9}, {"GROUP2", "DPI", 3}};
    for (const Key& k : saved) ASSERT_TRUE(platform::writeProfileInt(h.settingsPath(), k.section, k.key, k.value));
    ASSERT_TRUE(h.waitReadBack(2)) << h.serviceLog();

    for (const Key& k : saved) EXPECT_EQ(h.readSettingInt(k.section, k.key), k.value) << k.section << "/" << k.key;
    EXPECT_EQ(h.readSettingInt("Setting", "LedMode"), 3);
    ASSERT_TRUE(h.postAndSettle(msg::kPollingRate));
    EXPECT_EQ(h.dump(0x32, 6), bytes({5, 0, 5, 0, 5, 0}));
}

// A change saved as the mouse arrives, before the service began its read-back, with its request
// still to come: it is newer than what the mouse holds, so the read-back keeps it and the request
// then writes it.
TEST_F(ReadBackRaces, ChangeSavedAsTheMouseArrivesIsKept) {
    ASSERT_EQ(h.mousesim({"unplug"}), 0);
    ASSERT_TRUE(waitFor(5000, [&] { return h.readSettingInt("Setting", "Device") == 0; }));
    auto s = h.loadSettings();
    s->dpiStages[2] = DpiStage{0, 5, 5, 5};
    ASSERT_TRUE(h.saveSettings(*s));
    ASSERT_EQ(h.mousesim({"plug"}), 0);
    ASSERT_TRUE(h.waitReadBack(2)) << h.serviceLog();
    EXPECT_EQ(h.loadSettings()->dpiStages[2].common, 5);
    ASSERT_TRUE(h.postAndSettle(msg::kDpiValues, 2));
    EXPECT_EQ(h.dump(devmap::kProfileBase[0] + devmap::kDpiStageOffset + 12, 5), bytes({1, 5, 0, 5, 0}));
}

// A termination asked for during the read-back ends it between two of its sessions (the twenty
// macro slots alone take seconds); the settings file keeps what it held.
TEST(ServiceRaces, TerminationEndsTheReadBack) {
    e2e::Harness h;
    ASSERT_TRUE(h.ready());
    ASSERT_TRUE(h.installSettings());
    ASSERT_TRUE(h.startMouse());
    // The read-back would store stage 1 at 1500 DPI.
    ASSERT_TRUE(h.poke(devmap::kProfileBase[0] + devmap::kDpiStageOffset, bytes({1, 30, 0, 30, 0})));
    ASSERT_TRUE(h.startService(false)) << h.serviceLog();
    ASSERT_TRUE(h.waitLog("QueryAllFrMouse\n"));
    EXPECT_EQ(h.stopService(SIGTERM), 0) << h.serviceLog();
    EXPECT_TRUE(h.waitLog("stopped, the service is ending")) << h.serviceLog();
    EXPECT_EQ(h.panelLineCount("1285 0 0"), 0);
    EXPECT_EQ(h.loadSettings()->dpiStages[0].common, 10);
}

class PlugNotices : public e2e::ServiceTest {};

// A removal cancels an arrival still waiting for its delay; arrivals are each handled, in order.
TEST_F(PlugNotices, RemovalCancelsAPendingArrivalAndArrivalsAreAllHandled) {
    ASSERT_TRUE(h.send(msg::kMouseData, msg::kMouseArrived));
    ASSERT_TRUE(h.send(msg::kMouseData, msg::kMouseRemoved));
    EXPECT_FALSE(h.waitLog("arrive new device", 1, 6000));
    EXPECT_EQ(h.readSettingInt("Setting", "Device"), 0);

    ASSERT_TRUE(h.send(msg::kMouseData, msg::kMouseArrived));
    platform::sleepMs(1000);
    ASSERT_TRUE(h.send(msg::kMouseData, msg::kMouseArrived));
    EXPECT_TRUE(h.waitLog("arrive new device", 2, 10000)) << h.serviceLog();
    EXPECT_EQ(h.readSettingInt("Setting", "Device"), 1);
}

}  // namespace
