// The settings rules: snapping to what the mouse keeps, each change with the request it makes, and
// stored values put back into their ranges.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "shared/mouse_settings.h"
#include "shared/settings_rules.h"
#include "shared/window_messages.h"

namespace {

using settingsrules::Request;
namespace sr = settingsrules;

std::unique_ptr<MouseSettings> factoryRecord() {
    auto s = std::make_unique<MouseSettings>();
    settings::shippedDefaults(*s);
    return s;
}

TEST(SettingsRules, RangesSnapToTheValuesTheMouseKeeps) {
    struct Case {
        sr::Range range;
        int64_t in;
        int32_t snapped;
        bool contained;
    };
    const Case cases[] = {
        {sr::kDpiSteps, 1, 2, false},          {sr::kDpiSteps, 320, 320, true},
        {sr::kDpiSteps, 65535, 320, false},    {sr::kXShootIntervals, 255, 250, false},
        {sr::kXShootIntervals, 24, 20, false}, {sr::kXShootIntervals, 25, 30, false},
        {sr::kXShootIntervals, 0, 10, false},  {sr::kRapidFireB, 95, 100, false},
        {sr::kRapidFireB, 0, 0, true},         {sr::kLightingRates, 9, 8, false},
        {sr::kLightingRates, -3, 0, false},    {sr::kWheelLines, 10, 10, true},
        {sr::kLightingLevels, 0x7FFFFFFF, 4, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.range.snap(c.in), c.snapped) << c.in;
        EXPECT_EQ(c.range.contains(c.in), c.contained) << c.in;
    }
    EXPECT_EQ(sr::kXShootIntervals.values().size(), 25u);
    EXPECT_EQ(sr::kDpiSteps.values().size(), 319u);
}

// Each change as the window and korvantectl make it: the value stored, and the message, its
// parameters and whether the sender waits.
TEST(SettingsRules, ChangesStoreTheValueAndNameTheirRequest) {
    struct Case {
        const char* what;
        std::function<Request(MouseSettings&)> change;
        Request request;
        std::function<bool(const MouseSettings&)> stored;
    };
    const Case cases[] = {
        {"stage 4", [](MouseSettings& s) { s.Profile = 2; return sr::selectStage(s, 4); }, {1297, 0, 0},
         [](const MouseSettings& s) { return s.DPI == 4 && s.profiles[2].DPI == 4 && s.profiles[0].DPI == 1; }},
        {"stage 7 does not exist", [](MouseSettings& s) { return sr::selectStage(s, 7); }, {},
         [](const MouseSettings& s) { return s.DPI == 1; }},
        {"separate", [](MouseSettings& s) { return sr::setSeparate(s, 3, true); }, {1302, 3, 0},
         [](const MouseSettings& s) { return s.dpiStages[3].separate == 1; }},
        {"X snapped", [](MouseSettings& s) { return sr::setStageValue(s, 2, sr::kAxisX, 400); }, {1302, 2, 0},
         [](const MouseSettings& s) { return s.dpiStages[2].x == 320 && s.dpiStages[2].common == 30; }},
        {"one value", [](MouseSettings& s) { return sr::setStageDpi(s, 6, 1); }, {1302, 6, 0},
         [](const MouseSettings& s) { return s.dpiStages[6].separate == 0 && s.dpiStages[6].y == 2; }},
        {"two axes", [](MouseSettings& s) { return sr::setStageAxes(s, 0, 40, 60); }, {1302, 0, 0},
         [](const MouseSettings& s) {
             return s.dpiStages[0].separate == 1 && s.dpiStages[0].common == 10 && s.dpiStages[0].y == 60;
         }},
        {"rate 1000", [](MouseSettings& s) { return sr::setReportRate(s, 3); }, {1277, 0, 3},
         [](const MouseSettings& s) { return s.PollingRate == 1; }},
        {"acceleration switch", [](MouseSettings& s) { return sr::toggleAcceleration(s); }, {1297, 255, 255, true},
         [](const MouseSettings& s) { return s.AccelerationEnabled == 1; }},
        {"acceleration 20", [](MouseSettings& s) { return sr::setAcceleration(s, 20); }, {1297, 255, 255},
         [](const MouseSettings& s) { return s.Acceleration == 13; }},
        {"double click at its top", [](MouseSettings& s) { s.DoubleClickSpeed = 20; return sr::stepDoubleClick(s, true); },
         {1296}, [](const MouseSettings& s) { return s.DoubleClickSpeed == 20; }},
        {"wheel down", [](MouseSettings& s) { return sr::stepWheel(s, false); }, {1295},
         [](const MouseSettings& s) { return s.WheelScrollLines == 1; }},
        {"angle", [](MouseSettings& s) { return sr::setAngle(s, true); }, {1229},
         [](const MouseSettings& s) { return s.AngleV == 128; }},
        {"lift", [](MouseSettings& s) { return sr::setLift(s, true); }, {1229},
         [](const MouseSettings& s) { return s.LiftV == 1; }},
        {"mode 6 is not offered", [](MouseSettings& s) { return sr::setLightingMode(s, 6); }, {},
         [](const MouseSettings& s) { return s.LedMode == 1; }},
        {"direction of mode 5", [](MouseSettings& s) { s.LedMode = 5; return sr::setLightingDirection(s, 4); }, {1227},
         [](const MouseSettings& s) { return s.ledModes[4].direction == 4; }},
        {"direction 1 in mode 5", [](MouseSettings& s) { s.LedMode = 5; return sr::setLightingDirection(s, 1); }, {},
         [](const MouseSettings& s) { return s.ledModes[4].direction == 3; }},
        {"rate 9", [](MouseSettings& s) { s.LedMode = 3; return sr::setLightingRate(s, 9); }, {1227},
         [](const MouseSettings& s) { return s.ledModes[2].rate == 8; }},
        {"rate switch", [](MouseSettings& s) { s.ledModes[0].rate = 0; return sr::toggleLightingRate(s); }, {1227},
         [](const MouseSettings& s) { return s.ledModes[0].rate == 3; }},
        {"level 0", [](MouseSettings& s) { return sr::setLightingLevel(s, 0); }, {1227},
         [](const MouseSettings& s) { return s.ledModes[0].level == 1; }},
        {"off", [](MouseSettings& s) { return sr::setLightingOn(s, false); }, {1227},
         [](const MouseSettings& s) { return s.LedStateOn == 0; }},
        {"colour", [](MouseSettings& s) { return sr::setLightingColour(s, 0xFF00A0FFu); }, {1227},
         [](const MouseSettings& s) { return s.LedColor == 0x00A0FF; }},
        {"profile 3 takes its stage", [](MouseSettings& s) { s.profiles[3].DPI = 5; return sr::selectProfile(s, 3); },
         {1298}, [](const MouseSettings& s) { return s.Profile == 3 && s.DPI == 5; }},
        {"the current profile", [](MouseSettings& s) { return sr::selectProfile(s, 0); }, {},
         [](const MouseSettings& s) { return s.Profile == 0; }},
    };
    for (const Case& c : cases) {
        auto s = factoryRecord();
        EXPECT_EQ(c.change(*s), c.request) << c.what;
        EXPECT_TRUE(c.stored(*s)) << c.what;
    }
    EXPECT_EQ(sr::buttonChanged(2, 4), (Request{msg::kButton, 2, 4, true}));
    EXPECT_EQ(sr::macroSlotChanged(5, true), (Request{msg::kMacroSlot, 5, 1}));
    EXPECT_EQ(sr::writeEverything(), Request{msg::kApplyAll});
}

// Damaged values of every kind come back into range: the factory value, the nearest where that
// is plainly meant, the fallback's value when one is given; unset stays unset when asked to.
TEST(SettingsRules, StoredValuesAreKeptInRange) {
    const auto factory = factoryRecord();
    EXPECT_TRUE(sr::keepInRange(*factoryRecord()).empty());

    auto s = factoryRecord();
    s->WheelScrollLines = 0;            // text reads as 0
    s->LiftV = 254;
    s->AngleV = -1;
    s->PollingRate = 3;
    s->LedColor = 0x7FFFFFFF;
    s->dpiStages[2] = {0, 0, 0, 0};      // a zeroed blob
    s->dpiStages[4] = {7, 65535, 321, 3};
    s->ledModes[1] = {3, 9, 12};
    s->profiles[4].DPI = 7;
    ButtonRecord& xshoot = s->profiles[1].buttons[3];
    xshoot.code = 9;
    xshoot.byte(2) = 0;
    xshoot.byte(3) = 255;
    ButtonRecord& shift = s->profiles[0].buttons[5];
    shift.code = 15;
    shift.byte(2) = 9;
    const std::vector<sr::Correction> corrections = sr::keepInRange(*s);
    std::vector<std::string> keys;
    for (const sr::Correction& c : corrections) keys.push_back(c.key);
    EXPECT_EQ(keys, (std::vector<std::string>{"PollingRate", "WheelScrollLines", "AngleV", "LiftV", "DPI_INFO3",
                                              "DPI_INFO5", "LED_MODE_INFO2", "LedColor", "GROUP4/DPI",
                                              "GROUP/ButtonAssigned6", "GROUP1/ButtonAssigned4"}));
    EXPECT_EQ(corrections[6].change, "direction 3 -> 1, level 9 -> 4, rate 12 -> 8");
    EXPECT_EQ(s->PollingRate, 2);
    EXPECT_EQ(s->WheelScrollLines, 1);
    EXPECT_EQ(s->LiftV, 0);
    EXPECT_EQ(s->AngleV, 0);
    EXPECT_EQ(s->LedColor, 255);
    EXPECT_EQ(s->dpiStages[2].common, 30);
    EXPECT_EQ(s->dpiStages[2].x, 30);
    EXPECT_EQ(s->dpiStages[4].separate, 1);
    EXPECT_EQ(s->dpiStages[4].x, 80);
    EXPECT_EQ(s->dpiStages[4].y, 3);
    EXPECT_EQ(s->profiles[4].DPI, 1);
    EXPECT_EQ(xshoot.byte(2), 1);
    EXPECT_EQ(xshoot.byte(3), 250);
    EXPECT_EQ(shift.byte(2), 1);
    EXPECT_TRUE(sr::keepInRange(*s).empty());

    // Unset values stay when asked to; a fallback in range wins over the factory value.
    auto unset = factoryRecord();
    unset->WheelScrollLines = -1;
    unset->ledModes[0].rate = -1;
    EXPECT_TRUE(sr::keepInRange(*unset, nullptr, true).empty());
    auto file = factoryRecord();
    file->WheelScrollLines = 7;
    file->ledModes[0].rate = 0x7FFFFFFF;
    EXPECT_EQ(sr::keepInRange(*unset, file.get()).size(), 2u);
    EXPECT_EQ(unset->WheelScrollLines, 7);
    EXPECT_EQ(unset->ledModes[0].rate, factory->ledModes[0].rate);
}

}  // namespace
