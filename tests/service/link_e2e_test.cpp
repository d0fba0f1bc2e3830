// The link to the virtual mouse: read-back on plug-in, unplug and re-plug, reports from the mouse
// (notifications to the UI, profile steps) and a read-back that fails half-way.
#include <filesystem>

#include "platform/profile_ini.h"
#include "shared/macro_file.h"
#include "shared/window_messages.h"
#include "tests/service/e2e_support.h"

namespace {

using e2e::bytes;

bool waitDevice(const e2e::Harness& h, int value, int timeoutMs = 5000) {
    uint64_t deadline = platform::tickCountMs() + static_cast<uint64_t>(timeoutMs);
    while (platform::tickCountMs() < deadline) {
        if (h.readSettingInt("Setting", "Device") == value) return true;
        platform::sleepMs(10);
    }
    return false;
}

class Link : public e2e::ServiceTest {};

TEST_F(Link, StartUpReadsTheMouseAndMarksTheDevicePresent) {
    EXPECT_EQ(h.readSettingInt("Setting", "Device"), 1);
    std::string log = h.serviceLog();
    EXPECT_EQ(e2e::countOccurrences(log, "MONITOROPEN:dwDeviceID="), 2);
    EXPECT_EQ(e2e::countOccurrences(log, "QueryAllFrMouse\n"), 1);
    // The factory image is what the shipped settings file writes, so nothing changed.
    EXPECT_EQ(h.readSettingInt("Setting", "PollingRate"), 2);
    EXPECT_EQ(h.readSettingInt("Setting", "LedMode"), 1);
}

TEST_F(Link, ReplugReadsAConfigurationMadeElsewhereIntoTheFiles) {
    // A name in "MACRO_LIST" for a slot that turns out empty is dropped by the read-back.
    ASSERT_TRUE(macro::writeListSlot(h.settingsPath(), 5, "Stale"));

    // The mouse is programmed elsewhere while it is away.
    ASSERT_EQ(h.mousesim({"unplug"}), 0);
    ASSERT_TRUE(waitDevice(h, 0)) << h.serviceLog();
    EXPECT_TRUE(h.waitLog("MONITORCLOSE:dwDeviceID=", 2));
    ASSERT_TRUE(h.poke(0x2C, bytes({3, 0})));
    ASSERT_TRUE(h.poke(0x446, bytes({0x04})));
    ASSERT_TRUE(h.poke(0x32, bytes({3, 0, 3, 0, 3, 0})));
    ASSERT_TRUE(h.poke(0x2A, bytes({0x82})));
    ASSERT_TRUE(h.poke(0x44, bytes({1, 12, 0, 13, 0})));                   // stage 0, separate axes
    ASSERT_TRUE(h.poke(devmap::buttonAddress(4, 8), bytes({0x9C, 0, 3, 0})));  // profile shift 4 (116)
    ASSERT_TRUE(h.poke(devmap::buttonAddress(1, 0), bytes({0x9F, 5, 9, 70})));  // rapid fire
    ASSERT_TRUE(h.poke(devmap::macroSlotAddress(3), bytes({0x84, 0x04, 0x00, 0x04, 0x04, 0x00})));
    ASSERT_TRUE(h.poke(devmap::macroSlotAddress(5), bytes({0xFF, 0xFF, 0xFF, 0x84, 0x04, 0x00})));

    ASSERT_EQ(h.mousesim({"plug"}), 0);
    ASSERT_TRUE(h.waitReadBack(2)) << h.serviceLog();
    EXPECT_EQ(h.readSettingInt("Setting", "Device"), 1);
    EXPECT_EQ(e2e::countOccurrences(h.serviceLog(), "MONITOROPEN:dwDeviceID="), 4);

    auto s = h.loadSettings();
    EXPECT_EQ(s->Profile, 3);
    EXPECT_EQ(s->LedMode, 3);
    EXPECT_EQ(s->PollingRate, 3);
    EXPECT_EQ(s->AngleV, 0x80);
    EXPECT_EQ(s->LiftV, 2);
    EXPECT_EQ(s->dpiStages[0].separate, 1);
    EXPECT_EQ(s->dpiStages[0].x, 12);
    EXPECT_EQ(s->dpiStages[0].y, 13);
    EXPECT_EQ(s->profiles[4].buttons[8].code, 116);
    const ButtonRecord& rapid = s->profiles[1].buttons[0];
    EXPECT_EQ(rapid.code, 101);
    EXPECT_EQ(rapid.byte(2), 5);
    EXPECT_EQ(rapid.byte(3), 90);
    EXPECT_EQ(rapid.byte(5), 70);

    EXPECT_EQ(macro::readListSlot(h.settingsPath(), 3), "New Macro 4");
    EXPECT_EQ(macro::readListSlot(h.settingsPath(), 5), "");
    macro::MacroFileData data;
    ASSERT_TRUE(macro::readMacroFile(h.macroFolder() + "/New Macro 4.macro", data, 1));
    EXPECT_EQ(data.count, 2);
    EXPECT_EQ(data.loopTime, 0);
    ASSERT_TRUE(data.blockValid);
    EXPECT_EQ(std::vector<uint8_t>(data.block.begin(), data.block.begin() + 6),
              bytes({0x84, 0x04, 0x00, 0x04, 0x04, 0x00}));
}

TEST_F(Link, FailedReadBackNeverOverwritesTheUsersSettings) {
    auto s = h.loadSettings();
    s->PollingRate = 4;
    s->LiftV = 7;
    s->LedMode = 4;
    s->profiles[2].buttons[1].code = 4;
    ASSERT_TRUE(h.saveSettings(*s));

    ASSERT_EQ(h.mousesim({"unplug"}), 0);
    ASSERT_TRUE(waitDevice(h, 0));
    ASSERT_EQ(h.mousesim({"plug"}), 0);
    // The mouse vanishes while the service reads it.
    ASSERT_TRUE(h.waitLog("QueryAllFrMouse\n", 2));
    platform::sleepMs(150);
    h.killMouse(9);
    ASSERT_TRUE(h.waitLog("kept", 1, 8000)) << h.serviceLog();
    ASSERT_TRUE(waitDevice(h, 0)) << h.serviceLog();

    auto after = h.loadSettings();
    EXPECT_EQ(after->PollingRate, 4);
    EXPECT_EQ(after->LiftV, 7);
    EXPECT_EQ(after->LedMode, 4);
    EXPECT_EQ(after->profiles[2].buttons[1].code, 4);
    EXPECT_EQ(h.panelLineCount("1285 0 0"), 1) << "a failed read-back is not announced as a reload";
    EXPECT_TRUE(h.serviceRunning());

    // The mouse comes back: the next read-back works again.
    ASSERT_TRUE(h.startMouse());
    ASSERT_TRUE(h.waitReadBack(2)) << h.serviceLog();
    EXPECT_EQ(h.readSettingInt("Setting", "Device"), 1);
}

TEST_F(Link, MouseChangesAreAnnouncedToTheUi) {
    // The tray program hears of them too (its desktop notices).
    const std::string trayFile = h.root() + "/tray.txt";
    e2e::Child tray = e2e::spawn({e2e::binPath("korvante-msg"), "listen", title::kTraylet}, trayFile, "");
    ASSERT_GT(tray.pid, 0);
    for (int i = 0; i < 500 && !platform::findWindow(title::kTraylet); ++i) platform::sleepMs(10);
    ASSERT_TRUE(h.report("08 02 03"));
    ASSERT_TRUE(h.report("08 01 02"));
    ASSERT_TRUE(h.report("08 09 10"));
    EXPECT_TRUE(h.waitPanelLine("1285 8 3"));
    EXPECT_TRUE(h.waitPanelLine("1285 9 2"));
    EXPECT_TRUE(h.waitPanelLine("1285 10 16"));
    // Reports the service does not know go nowhere, and the order of the three is kept.
    ASSERT_TRUE(h.report("08 05 01"));
    ASSERT_TRUE(h.report("07"));
    ASSERT_TRUE(h.send(msg::kScrollTrayFlags));
    std::string out = h.panelOutput();
    size_t a = out.find("1285 8 3"), b = out.find("1285 9 2"), c = out.find("1285 10 16");
    EXPECT_TRUE(a < b && b < c) << out;
    EXPECT_EQ(e2e::countOccurrences(out, "1285 "), 4) << out;  // the read-back and the three
    ASSERT_TRUE(h.report("08 ff 17"));  // a profile step made on the mouse
    EXPECT_TRUE(h.waitPanelLine("1285 9 3"));
    for (int i = 0; i < 1000 && e2e::readFile(trayFile).find("1285 9 3") == std::string::npos; ++i) platform::sleepMs(10);
    ::kill(tray.pid, SIGTERM);
    e2e::waitExit(tray.pid, 2000);
    EXPECT_EQ(e2e::readFile(trayFile), "1285 8 3\n1285 9 2\n1285 10 16\n1285 9 3\n");
}

TEST_F(Link, ProfileStepsStopAtTheEndsButStillWriteAndNotify) {
    auto s = h.loadSettings();
    s->Profile = 4;
    ASSERT_TRUE(h.saveSettings(*s));
    ASSERT_TRUE(h.postAndSettle(msg::kProfile));
    ASSERT_EQ(h.dump(0x2C, 2), bytes({4, 0}));

    ASSERT_TRUE(h.poke(0x2C, bytes({9, 9})));  // proves the step writes the profile again
    h.avoidTrailerTimer(2000);
    ASSERT_TRUE(h.resetStats());
    ASSERT_TRUE(h.report("08 ff 17"));
    ASSERT_TRUE(h.waitPanelLine("1285 9 4"));
    ASSERT_TRUE(h.send(msg::kScrollTrayFlags));
    EXPECT_EQ(h.dump(0x2C, 2), bytes({4, 0}));
    auto stats = h.stats();
    EXPECT_EQ(stats["commits"], 1u);
    EXPECT_EQ(stats["sessions"], 0u);  // the step writes without a session

    ASSERT_TRUE(h.report("08 ff 18"));
    ASSERT_TRUE(h.waitPanelLine("1285 9 3"));
    EXPECT_EQ(h.dump(0x2C, 2), bytes({3, 0}));

    s->Profile = 0;
    ASSERT_TRUE(h.saveSettings(*s));
    ASSERT_TRUE(h.postAndSettle(msg::kProfile));
    ASSERT_TRUE(h.poke(0x2C, bytes({9, 9})));
    // Byte 0 need not be 8 for a host function code.
    ASSERT_TRUE(h.report("05 ff 18"));
    ASSERT_TRUE(h.waitPanelLine("1285 9 0"));
    ASSERT_TRUE(h.send(msg::kScrollTrayFlags));
    EXPECT_EQ(h.dump(0x2C, 2), bytes({0, 0}));
    // The settings file is the UI's to write: the service left it alone.
    EXPECT_EQ(h.readSettingInt("Setting", "Profile"), 0);
}

}  // namespace

// Without the configuration window nobody else stores what the user changed on the mouse, so the
// service keeps it in the settings file; a later full write then keeps the mouse as it is.
TEST_F(Link, MouseChangesAreKeptInTheFileWhenNoUiRuns) {
    h.stopPanelListener();
    for (int i = 0; i < 250 && platform::findWindow("KORVANTE"); ++i) platform::sleepMs(20);
    ASSERT_FALSE(platform::findWindow("KORVANTE"));

    ASSERT_TRUE(h.report("08 01 03"));  // profile 4 chosen on the mouse
    ASSERT_TRUE(h.report("08 02 05"));  // DPI stage 6
    ASSERT_TRUE(h.report("08 09 08"));  // lighting mode bit 8: mode 4
    ASSERT_TRUE(h.report("08 ff 18"));  // profile down: 3
    ASSERT_TRUE(h.send(msg::kScrollTrayFlags));  // everything before it has been handled

    EXPECT_EQ(h.readSettingInt("Setting", "Profile"), 2);
    EXPECT_EQ(h.readSettingInt("Setting", "DPI"), 5);
    EXPECT_EQ(h.readSettingInt("GROUP3", "DPI"), 5);
    EXPECT_EQ(h.readSettingInt("Setting", "LedMode"), 4);

    ASSERT_TRUE(h.send(msg::kApplyAll));
    EXPECT_EQ(h.dump(0x002C, 1), bytes({2}));
}

// A service that starts before the mouse is plugged in does not claim the mouse is there.
TEST(LinkWithoutMouse, DeviceIsZeroUntilTheMouseArrives) {
    e2e::Harness h;
    ASSERT_TRUE(h.ready());
    ASSERT_TRUE(h.installSettings());
    ASSERT_TRUE(h.startService(false)) << h.serviceLog();
    EXPECT_EQ(h.readSettingInt("Setting", "Device"), 0);
    ASSERT_TRUE(h.startMouse());
    EXPECT_TRUE(waitDevice(h, 1, 10000));
    EXPECT_TRUE(h.waitReadBack(1));
    EXPECT_EQ(h.stopService(), 0);
}
