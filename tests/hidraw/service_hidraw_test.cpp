// The service (hidagent) on its default "hidraw" transport, against the virtual mouse's device
// model presented as kernel hidraw nodes: the same cases its end-to-end tests run on mousesim.
#include "platform/diagnostics.h"
#include "platform/profile_ini.h"
#include "shared/mouse_settings.h"
#include "shared/window_messages.h"
#include "sim/factory_image.h"
#include "sim/model_device.h"
#include "tests/hidraw/mock_mouse.h"
#include "tests/service/e2e_support.h"

#include <gtest/gtest.h>

namespace {

using e2e::bytes;
using hidrawtest::Transfer;

// Feature reports sent to the configuration node (session, writes, commits, read requests).
std::vector<std::vector<uint8_t>> featureReports(const std::vector<Transfer>& log) {
    std::vector<std::vector<uint8_t>> out;
    for (const Transfer& t : log)
        if (t.kind == 'S') out.push_back(t.bytes);
    return out;
}

// What the protocol sends to the device model, in-process, for comparison.
class RecordingModel : public sim::ModelHidDevice {
public:
    using ModelHidDevice::ModelHidDevice;
    bool sendFeatureReport(uint32_t deviceId, const uint8_t* data, int length) override {
        sent.emplace_back(data, data + length);
        return ModelHidDevice::sendFeatureReport(deviceId, data, length);
    }
    std::vector<std::vector<uint8_t>> sent;
};

class ServiceOnHidraw : public ::testing::Test {
protected:
    void SetUp() override {
        if (!hidrawtest::preloadActive()) GTEST_SKIP() << hidrawtest::kNoPreload;
        ASSERT_TRUE(mouse_.ready());
        ASSERT_TRUE(h.ready());
        ASSERT_TRUE(h.installSettings());
        mouse_.poke(0, sim::factoryImage());
    }
    void TearDown() override {
        if (h.serviceRunning()) {
            EXPECT_EQ(h.stopService(), 0) << h.serviceLog();
        }
        EXPECT_TRUE(mouse_.unknownRequests().empty()) << "an ioctl the test bed does not emulate";
        EXPECT_EQ(h.serviceLog().find("Sanitizer"), std::string::npos);
    }
    // The protocol's exact traffic, without the read-back of verified writes.
    void offVerification() {
        ASSERT_TRUE(platform::writeProfileInt(h.settingsPath(), settings::kSettingSection, settings::kVerifyWritesKey, 0));
    }
    bool waitDevice(int value) {
        for (int i = 0; i < 500; ++i, platform::sleepMs(10))
            if (h.readSettingInt("Setting", "Device") == value) return true;
        return false;
    }

    hidrawtest::MockMouse mouse_;  // first: its test bed is in the environment the service inherits
    e2e::Harness h{"hidraw"};
};

TEST_F(ServiceOnHidraw, ReadBackOnPlugThenTheFullWriteByteForByte) {
    mouse_.poke(0x2C, bytes({3, 0}));
    mouse_.poke(0x446, bytes({0x04}));
    mouse_.poke(0x2A, bytes({0x82}));
    ASSERT_TRUE(mouse_.plug());
    ASSERT_TRUE(h.startService()) << h.serviceLog();
    EXPECT_EQ(e2e::countOccurrences(h.serviceLog(), "MONITOROPEN:dwDeviceID="), 2);
    EXPECT_EQ(h.readSettingInt("Setting", "Device"), 1);
    auto s = h.loadSettings();
    EXPECT_EQ(s->Profile, 3);
    EXPECT_EQ(s->LedMode, 3);
    EXPECT_EQ(s->AngleV, 0x80);
    EXPECT_EQ(s->LiftV, 2);

    s->LedMode = 2;
    s->LedColor = 0x204080;
    s->PollingRate = 3;
    s->WheelScrollLines = 5;
    s->dpiStages[1] = DpiStage{1, 7, 0x101, 0x21};
    s->profiles[2].buttons[4].code = 4;
    s->profiles[4].buttons[8].code = 15;
    s->profiles[4].buttons[8].byte(2) = 4;
    ASSERT_TRUE(h.saveSettings(*s));
    offVerification();  // compared report for report with the protocol's own traffic
    h.avoidTrailerTimer(3000);
    auto before = mouse_.peek(0, sim::kMemorySize);
    mouse_.clearTransfers();
    ASSERT_TRUE(h.postAndSettle(msg::kApplyAll));

    platform::QuietDiagnostics quiet;  // the in-process write's lines are not the service's
    sim::MouseMemory expected(before);
    RecordingModel model(expected);
    model.registerLink(nullptr);
    ASSERT_TRUE(sim::fullWrite(model, *s));
    auto log = mouse_.transfers();
    for (const Transfer& t : log) EXPECT_EQ(t.node, mouse_.configNode());
    EXPECT_EQ(featureReports(log), model.sent);  // every report, its length and its order
    EXPECT_EQ(mouse_.peek(0, sim::kMemorySize), expected.image());
    EXPECT_EQ(mouse_.peek(devmap::buttonAddress(4, 8), 4), bytes({0x9A, 0x01, 0x26, 0x26}));
}

TEST_F(ServiceOnHidraw, ButtonWriteSendsItsEightReports) {
    ASSERT_TRUE(mouse_.plug());
    ASSERT_TRUE(h.startService()) << h.serviceLog();
    auto s = h.loadSettings();
    s->profiles[2].buttons[4].code = 4;
    ASSERT_TRUE(h.saveSettings(*s));
    int64_t result = -1;
    // Verified: the written bytes are read back over hidraw.
    ASSERT_TRUE(h.send(msg::kButton, 2, 4, &result));
    EXPECT_EQ(result, 0);
    EXPECT_GT(featureReports(mouse_.transfers()).size(), 8u);
    offVerification();
    h.avoidTrailerTimer(4000);
    mouse_.clearTransfers();
    ASSERT_TRUE(h.send(msg::kButton, 2, 4, &result));
    EXPECT_EQ(result, 0);
    // Session open, one button write, five trailer writes, session close.
    auto reports = featureReports(mouse_.transfers());
    ASSERT_EQ(reports.size(), 8u);
    for (auto& r : reports) EXPECT_EQ(r.size(), 16u);
    EXPECT_EQ(reports.front()[1], 0xF5);
    EXPECT_EQ(reports.back()[1], 0xF5);
    EXPECT_EQ(mouse_.peek(devmap::buttonAddress(2, 4), 4), bytes({0x92, 0x02, 0x0A, 0x00}));
}

TEST_F(ServiceOnHidraw, ReportsFromTheMouseReachTheUiAndStepTheProfile) {
    ASSERT_TRUE(mouse_.plug());
    ASSERT_TRUE(h.startService()) << h.serviceLog();
    mouse_.input({0x08, 0x02, 0x03});
    mouse_.input({0x08, 0x01, 0x02});
    mouse_.input({0x08, 0x09, 0x10});
    EXPECT_TRUE(h.waitPanelLine("1285 8 3"));
    EXPECT_TRUE(h.waitPanelLine("1285 9 2"));
    EXPECT_TRUE(h.waitPanelLine("1285 10 16"));

    auto s = h.loadSettings();
    s->Profile = 4;
    ASSERT_TRUE(h.saveSettings(*s));
    ASSERT_TRUE(h.postAndSettle(msg::kProfile));
    mouse_.poke(0x2C, bytes({9, 9}));  // proves the step writes the profile again
    h.avoidTrailerTimer(2000);
    mouse_.input({0x08, 0xFF, 0x17});  // profile up at the last profile stays there
    ASSERT_TRUE(h.waitPanelLine("1285 9 4"));
    ASSERT_TRUE(h.send(msg::kScrollTrayFlags));
    EXPECT_EQ(mouse_.peek(0x2C, 2), bytes({4, 0}));
    mouse_.input({0x05, 0xFF, 0x18});  // byte 0 need not be 8 for a host function code
    ASSERT_TRUE(h.waitPanelLine("1285 9 3"));
    ASSERT_TRUE(h.send(msg::kScrollTrayFlags));
    EXPECT_EQ(mouse_.peek(0x2C, 2), bytes({3, 0}));

    mouse_.input({0x08, 0xFF, 0x46});  // function code 70: Ctrl+N, dropped without a display
    EXPECT_TRUE(h.waitLog("key events are dropped")) << h.serviceLog();
}

TEST_F(ServiceOnHidraw, UnplugAndReplugReadTheMouseAgain) {
    ASSERT_TRUE(mouse_.plug());
    ASSERT_TRUE(h.startService()) << h.serviceLog();
    mouse_.unplug();
    ASSERT_TRUE(waitDevice(0)) << h.serviceLog();
    EXPECT_TRUE(h.waitLog("MONITORCLOSE:dwDeviceID=", 2));
    mouse_.poke(0x2C, bytes({2, 0}));  // programmed elsewhere while away
    ASSERT_TRUE(mouse_.plug());
    ASSERT_TRUE(h.waitReadBack(2)) << h.serviceLog();
    EXPECT_EQ(h.readSettingInt("Setting", "Device"), 1);
    EXPECT_EQ(e2e::countOccurrences(h.serviceLog(), "MONITOROPEN:dwDeviceID="), 4);
    EXPECT_EQ(h.loadSettings()->Profile, 2);
    EXPECT_EQ(mouse_.transfers().back().node, mouse_.configNode());  // the new node
}

}  // namespace
