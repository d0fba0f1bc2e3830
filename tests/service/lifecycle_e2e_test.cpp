// The service's life: single instance, closing by WM_CLOSE and by SIGTERM, the Windows pointer
// settings request, garbage on its bus socket, and settings files it must not use.
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "platform/runtime_folder.h"
#include "shared/registry_key.h"
#include "shared/window_messages.h"
#include "tests/service/e2e_support.h"

namespace {

using e2e::bytes;

class Lifecycle : public e2e::ServiceTest {};

TEST_F(Lifecycle, SecondInstanceEndsAtOnceAndTheFirstKeepsServing) {
    uint64_t start = platform::tickCountMs();
    EXPECT_EQ(e2e::runToEnd({e2e::binPath("hidagent")}, nullptr, 5000), 0);
    EXPECT_LT(platform::tickCountMs() - start, 3000u);
    EXPECT_TRUE(h.serviceRunning());
    int64_t result = -1;
    EXPECT_TRUE(h.send(msg::kScrollTrayFlags, 0, 0, &result));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(e2e::countOccurrences(h.serviceLog(), "QueryAllFrMouse\n"), 1);
}

TEST_F(Lifecycle, CloseMessageEndsTheServiceAndClosesTheUi) {
    ASSERT_EQ(h.msgTool({"post", title::kService, "16"}), 0);
    EXPECT_EQ(h.waitServiceExit(8000), 0);
    EXPECT_TRUE(h.waitPanelLine("16 0 0", 1, 3000)) << h.panelOutput();
    EXPECT_FALSE(platform::findWindow(title::kService));
    // The title is free again: a new service starts and reads the mouse once more.
    ASSERT_TRUE(h.startService());
    EXPECT_EQ(e2e::countOccurrences(h.serviceLog(), "QueryAllFrMouse\n"), 2);
}

TEST_F(Lifecycle, TerminationSignalTakesTheSameWayOut) {
    EXPECT_EQ(h.stopService(15), 0);
    EXPECT_TRUE(h.waitPanelLine("16 0 0", 1, 3000)) << h.panelOutput();
    EXPECT_FALSE(platform::findWindow(title::kService));
}

TEST_F(Lifecycle, PointerAccelerationLevelGoesToTheRegistryNotTheMouse) {
    RegistryKey key;
    ASSERT_TRUE(key.open("HKEY_CURRENT_USER\\Control Panel\\Mouse", RegistryKey::kKeyAllAccess));
    auto value = [&](const char* name) {
        std::string text;
        return key.readString(name, text) ? text : std::string("<missing>");
    };
    auto s = h.loadSettings();
    s->Acceleration = 6;
    ASSERT_TRUE(h.saveSettings(*s));
    h.avoidTrailerTimer(2000);
    auto before = image();
    ASSERT_TRUE(h.resetStats());
    ASSERT_TRUE(h.send(msg::kDpiOrAcceleration, 255, 255));
    // A new store holds the usual defaults (speed 1, thresholds 6 and 10); level 6 sets speed 1
    // and threshold 1 to 2 and keeps threshold 2.
    EXPECT_EQ(value("MouseSpeed"), "1");
    EXPECT_EQ(value("MouseThreshold1"), "2");
    EXPECT_EQ(value("MouseThreshold2"), "10");
    EXPECT_EQ(h.stats()["feature_reports"], 0u);
    EXPECT_EQ(image(), before);

    s->Acceleration = 13;
    ASSERT_TRUE(h.saveSettings(*s));
    ASSERT_TRUE(h.send(msg::kDpiOrAcceleration, 255, 255));
    EXPECT_EQ(value("MouseSpeed"), "2");
    EXPECT_EQ(value("MouseThreshold1"), "2");
    EXPECT_EQ(value("MouseThreshold2"), "3");

    // Unset level: the stored values stay. Other parameters: no pointer settings at all.
    s->Acceleration = -1;
    ASSERT_TRUE(h.saveSettings(*s));
    ASSERT_TRUE(h.send(msg::kDpiOrAcceleration, 255, 255));
    s->Acceleration = 1;
    ASSERT_TRUE(h.saveSettings(*s));
    ASSERT_TRUE(h.send(msg::kDpiOrAcceleration, 255, 0));
    EXPECT_EQ(value("MouseSpeed"), "2");
    EXPECT_EQ(value("MouseThreshold1"), "2");
    EXPECT_EQ(value("MouseThreshold2"), "3");
}

TEST_F(Lifecycle, GarbageOnTheBusDoesNotHurtTheService) {
    std::string path = platform::runtimeFolder() + "/" + platform::fileNameForTitle(title::kService);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), sizeof addr.sun_path);
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);

    auto connected = [&] {
        int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
        if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
            ::close(fd);
            fd = -1;
        }
        return fd;
    };
    std::vector<std::vector<uint8_t>> garbage = {
        std::vector<uint8_t>(60000, 0xAB),   // far more than a frame
        std::vector<uint8_t>(33, 0x00),      // one byte too many
        std::vector<uint8_t>(31, 0x00),      // one byte short
        std::vector<uint8_t>(32, 0xFF),      // right size, wrong magic
        bytes({'K', 'V', 'M', 'B', 1, 9, 32, 0, 0, 0, 0, 0, 0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
               0, 0, 0, 0, 0, 0, 0, 0}),     // unknown kind
        {},                                  // empty datagram
    };
    for (const auto& frame : garbage) {
        int fd = connected();
        ASSERT_GE(fd, 0);
        ::send(fd, frame.data(), frame.size(), MSG_NOSIGNAL);
        // The service drops the connection; wait for that rather than sleeping.
        char c;
        timeval tv{2, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        EXPECT_LE(::recv(fd, &c, 1, 0), 0);
        ::close(fd);
    }
    // A connection that goes away without a word.
    int fd = connected();
    ASSERT_GE(fd, 0);
    ::close(fd);

    EXPECT_TRUE(h.serviceRunning());
    int64_t result = -1;
    EXPECT_TRUE(h.send(msg::kScrollTrayFlags, 0, 0, &result));
    EXPECT_EQ(result, 0);
    ASSERT_TRUE(h.postAndSettle(msg::kPollingRate));
    EXPECT_TRUE(h.serviceRunning());
}

}  // namespace

namespace {

class MouseEvents : public e2e::ServiceTest {};

// Click counters count only button-up messages, and only while the mouse is linked.
TEST_F(MouseEvents, ClickCountersCountButtonUpsAndTellTheUi) {
    ASSERT_TRUE(h.send(msg::kClickCount, msg::kLeftButtonUp));
    ASSERT_TRUE(h.send(msg::kClickCount, msg::kLeftButtonUp));
    ASSERT_TRUE(h.send(msg::kClickCount, msg::kRightButtonUp));
    ASSERT_TRUE(h.send(msg::kClickCount, 0x201));  // a button-down changes nothing
    EXPECT_EQ(h.readSettingInt("Setting", "LeftCount"), 2);
    EXPECT_EQ(h.readSettingInt("Setting", "RightCount"), 1);
    EXPECT_TRUE(h.waitPanelLine("1282 2 1"));
    EXPECT_EQ(h.panelLineCount("1282 2 1"), 1);
}

// Removal closes the UI and reports the unplug; arrival marks the mouse present five seconds
// later, while the service keeps answering in between.
TEST_F(MouseEvents, RemovalAndArrivalNotices) {
    ASSERT_TRUE(h.send(msg::kMouseData, msg::kMouseRemoved));
    EXPECT_TRUE(h.waitPanelLine("16 0 0"));
    EXPECT_TRUE(h.waitPanelLine("18 0 0"));
    EXPECT_TRUE(h.waitPanelLine("1280 0 0"));
    EXPECT_EQ(h.readSettingInt("Setting", "Device"), 0);
    EXPECT_TRUE(h.waitLog("remove usb mouse"));

    uint64_t sent = platform::tickCountMs();
    ASSERT_TRUE(h.send(msg::kMouseData, msg::kMouseArrived));
    ASSERT_TRUE(h.send(msg::kScrollTrayFlags));  // still answering at once
    EXPECT_EQ(h.readSettingInt("Setting", "Device"), 0);
    EXPECT_TRUE(h.waitLog("arrive new device", 1, 10000));
    EXPECT_GE(platform::tickCountMs() - sent, 4900u);
    EXPECT_EQ(h.readSettingInt("Setting", "Device"), 1);
}

}  // namespace

namespace {

// A FIFO named "Mouse.ini" once blocked the service in open at start-up, holding the file lock
// and deaf to SIGTERM; the virtual mouse's memory file had the same hole. Both are refused now.
TEST(UnusualSettingsFile, FifoIsRefusedAndEveryProgramStaysResponsive) {
    e2e::Harness h;
    ASSERT_TRUE(h.ready());
    std::filesystem::create_directories(h.dataFolder());
    ASSERT_EQ(::mkfifo(h.settingsPath().c_str(), 0600), 0);
    ASSERT_TRUE(h.startMouse());
    ASSERT_TRUE(h.startService(false)) << h.serviceLog();
    EXPECT_TRUE(h.send(msg::kPollingRate));
    EXPECT_EQ(h.stopService(), 0);
    struct stat st {};
    ASSERT_EQ(::lstat(h.settingsPath().c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_NE(h.serviceLog().find("Mouse.ini is not a regular file"), std::string::npos) << h.serviceLog();

    h.killMouse(SIGTERM);
    const std::string memory = h.root() + "/memory.bin";
    ASSERT_EQ(::mkfifo(memory.c_str(), 0600), 0);
    e2e::Child mouse = e2e::spawn({e2e::binPath("mousesim"), "serve", "--memory", memory}, "", "");
    const int status = e2e::waitExit(mouse.pid, 5000);
    if (status == -1) {
        ::kill(mouse.pid, SIGKILL);
        e2e::waitExit(mouse.pid, 5000);
    }
    EXPECT_GT(status, 0) << "mousesim must refuse the memory file and end";
}

// A settings file the user made read-only is never replaced, whatever the service has to store.
TEST(UnusualSettingsFile, ReadOnlySettingsAreNeverReplaced) {
    e2e::Harness h;
    ASSERT_TRUE(h.ready());
    ASSERT_TRUE(h.installSettings());
    ASSERT_EQ(::chmod(h.settingsPath().c_str(), 0444), 0);
    const std::string before = e2e::readFile(h.settingsPath());
    ASSERT_TRUE(h.startMouse());
    ASSERT_TRUE(h.startService()) << h.serviceLog();  // the read-back marks the mouse present
    ASSERT_TRUE(h.send(msg::kClickCount, msg::kLeftButtonUp));
    EXPECT_EQ(e2e::readFile(h.settingsPath()), before);
    struct stat st {};
    ASSERT_EQ(::stat(h.settingsPath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
    EXPECT_NE(h.serviceLog().find("Mouse.ini is read-only, not written"), std::string::npos) << h.serviceLog();
    EXPECT_EQ(h.stopService(), 0);
}

// On a full disk (a file size limit below the settings file's size stands in for it) the
// read-back that cannot save says so, naming the settings folder, and leaves the file whole with
// no temporary file beside it.
TEST_F(Lifecycle, AReadBackThatCannotBeSavedSaysSoAndLeavesTheFileWhole) {
    const std::string before = e2e::readFile(h.settingsPath());
    const rlimit limit{16 * 1024, 16 * 1024};
    ASSERT_EQ(::prlimit(h.servicePid(), RLIMIT_FSIZE, &limit, nullptr), 0);
    // Stage 1 at 1500 DPI (the file says 500), chosen on the mouse meanwhile.
    ASSERT_TRUE(h.poke(devmap::kProfileBase[0] + devmap::kDpiStageOffset, bytes({1, 30, 0, 30, 0})));
    ASSERT_EQ(h.mousesim({"unplug"}), 0);
    ASSERT_EQ(h.mousesim({"plug"}), 0);
    ASSERT_TRUE(h.waitReadBack(2)) << h.serviceLog();
    EXPECT_NE(h.serviceLog().find("could not be saved in " + h.dataFolder()), std::string::npos) << h.serviceLog();
    EXPECT_NE(h.serviceLog().find("cannot write " + h.settingsPath() + ": "), std::string::npos) << h.serviceLog();
    EXPECT_EQ(e2e::readFile(h.settingsPath()), before);
    for (const auto& entry : std::filesystem::directory_iterator(h.dataFolder()))
        EXPECT_EQ(entry.path().filename().string().find(".save-"), std::string::npos) << entry.path();
    EXPECT_TRUE(h.serviceRunning());
}

}  // namespace
