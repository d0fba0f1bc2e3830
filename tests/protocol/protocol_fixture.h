#pragma once
// Shared set-up of the protocol tests: a fake mouse with both collections open, the link, a
// settings record with known values, zero waits, and private temporary folders for files.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <memory>
#include <string>

#include "service/device/config_protocol.h"
#include "service/device/device_link.h"
#include "tests/protocol/fake_mouse.h"
#include "tests/support/private_session.h"

inline constexpr uint32_t kConfigId = 0x12;
inline constexpr uint32_t kConsumerId = 0x11;

// A complete, plausible record: every button with its default function, factory DPI stages.
inline void fillSettings(MouseSettings& s) {
    std::memset(&s, 0, sizeof s);
    static const uint8_t defaults[kButtonRecordCount] = {1, 2, 3, 10, 11, 12, 13, 100, 102, 0, 0};
    for (int p = 0; p < kProfileCount; ++p) {
        for (int b = 0; b < kButtonRecordCount; ++b) {
            ButtonRecord& r = s.profiles[p].buttons[b];
            r.owner = static_cast<uint8_t>(b + 1);
            r.code = defaults[b];
            r.param1 = 1;
        }
        s.profiles[p].DPI = 1;
    }
    static const int dpi[kDpiStageCount] = {10, 20, 30, 40, 80, 160, 320};
    for (int i = 0; i < kDpiStageCount; ++i) s.dpiStages[i] = {0, dpi[i], dpi[i], dpi[i]};
    for (int i = 0; i < kLedModeCount; ++i) s.ledModes[i] = {0, 4, 9};
    s.ledModes[1] = {1, 4, 9};
    s.ledModes[4] = {3, 4, 9};
    s.Profile = 0;
    s.TrayEnabled = 1;
    s.MouseButtons = 9;
    s.DPI = 1;
    s.PollingRate = 2;
    s.WheelScrollLines = 1;
    s.LedStateOn = 1;
    s.LedColor = 255;
    s.LedMode = 1;
    s.Acceleration = 1;
}

inline void setMacroName(ButtonRecord& r, const char16_t* name) {
    std::memset(r.name, 0, sizeof r.name);
    for (int i = 0; name[i] != 0 && i < kNameLength - 1; ++i) r.name[i] = name[i];
}

class ProtocolTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(env.ready());
        settings = std::make_unique<MouseSettings>();
        fillSettings(*settings);
        link.handleLinkMessage(1, {1, kConsumerId, 0, kUsagePageConsumer});
        link.handleLinkMessage(1, {1, kConfigId, 0, kUsagePageConfig});
        config = std::make_unique<DeviceConfig>(mouse, link, *settings);
        config->setWaitFunction([](int) {});
    }

    testsupport::PrivateEnvironment env{"korvante-proto"};
    const std::string root = env.root();
    FakeMouse mouse;
    DeviceLink link;
    std::unique_ptr<MouseSettings> settings;
    std::unique_ptr<DeviceConfig> config;
};
