// The service's writes into the virtual mouse, driven as the UI drives them: change the settings
// file, then post or send the request; checked in the mouse's memory and counters.
#include <array>
#include <functional>

#include "platform/profile_ini.h"
#include "shared/function_codes.h"
#include "shared/mouse_settings.h"
#include "shared/window_messages.h"
#include "tests/service/e2e_support.h"

namespace {

using e2e::bytes;
using e2e::delta;
using e2e::Range;

struct ButtonCase {
    uint8_t code, b2, b3, b5;
    std::array<uint8_t, 4> device;
};

// Function codes with their parameters and the four bytes the mouse must hold for them.
const ButtonCase kButtons[] = {
    {1, 0, 0, 0, {0x81, 0, 0, 0}},        {2, 0, 0, 0, {0x82, 0, 0, 0}},
    {3, 0, 0, 0, {0x83, 0, 0, 0}},        {10, 0, 0, 0, {0x85, 0, 0, 0}},
    {11, 0, 0, 0, {0x84, 0, 0, 0}},       {14, 0, 0, 0, {0x88, 0, 0, 0}},
    {13, 0, 0, 0, {0x89, 0, 0, 0}},       {12, 0, 0, 0, {0x8A, 0, 0, 0}},
    {15, 4, 0, 0, {0x9A, 1, 0x26, 0x26}}, {15, 1, 0, 0, {0x9A, 1, 0x02, 0x02}},
    // An item of no choice is put back to the first (250 DPI) before it is written.
    {15, 3, 0, 0, {0x9A, 1, 0x06, 0x06}}, {15, 9, 0, 0, {0x9A, 1, 0x02, 0x02}},
    {48, 0, 0, 0, {0x8B, 0, 0, 0}},       {49, 0, 0, 0, {0x8C, 0, 0, 0}},
    {25, 0, 0, 0, {0x8D, 0, 0, 0}},       {23, 0, 0, 0, {0x94, 0, 0, 0}},
    {24, 0, 0, 0, {0x95, 0, 0, 0}},       {64, 0, 0, 0, {0x8E, 1, 0xFF, 0x40}},
    {72, 0, 0, 0, {0x8E, 1, 0xFF, 0x48}}, {80, 0, 0, 0, {0x8E, 1, 0xFF, 0x50}},
    {82, 0, 0, 0, {0x8E, 1, 0xFF, 0x52}}, {85, 0, 0, 0, {0x8E, 1, 0xFF, 0x55}},
    {33, 0, 0, 0, {0x8E, 1, 0xB7, 0}},    {32, 0, 0, 0, {0x8E, 1, 0xCD, 0}},
    {39, 0, 0, 0, {0x8E, 1, 0xE2, 0}},    {5, 0, 0, 0x04, {0x90, 0, 0x04, 0}},
    {4, 0, 0, 0, {0x92, 2, 0x0A, 0}},     {9, 3, 20, 1, {0x99, 1, 3, 2}},
    {7, 0, 0, 0, {0, 0, 0, 0}},           {113, 0, 0, 0, {0x9C, 0, 0, 0}},
    {117, 0, 0, 0, {0x9C, 0, 4, 0}},      {100, 0, 0, 0, {0x9B, 4, 0, 0}},
    {99, 0, 0, 0, {0x9B, 4, 0, 1}},       {102, 0, 0, 0, {0x9B, 8, 0, 0}},
    {101, 5, 90, 70, {0x9F, 5, 9, 70}},   {21, 0, 0, 0, {0, 0, 0, 0}},
    {50, 0, 0, 0, {0, 0, 0, 0}},
};
constexpr int kCaseCount = static_cast<int>(sizeof kButtons / sizeof kButtons[0]);

const ButtonCase& caseFor(int profile, int button) { return kButtons[(profile * 9 + button) % kCaseCount]; }

void setButton(ButtonRecord& r, const ButtonCase& c) {
    r.code = c.code;
    r.byte(2) = c.b2;
    r.byte(3) = c.b3;
    r.byte(5) = c.b5;
}

class Writes : public e2e::ServiceTest {};

TEST_F(Writes, FullWriteCarriesTheWholeSettingsFile) {
    auto s = h.loadSettings();
    for (int p = 0; p < kProfileCount; ++p)
        for (int b = 0; b < kDeviceButtonCount; ++b) {
            ASSERT_TRUE(isValidFunctionCode(caseFor(p, b).code));
            setButton(s->profiles[p].buttons[b], caseFor(p, b));
        }
    for (int st = 0; st < kDpiStageCount; ++st) {
        // Odd stages separate axes; even stages one value for both (x and y must then be ignored).
        if (st % 2) s->dpiStages[st] = DpiStage{1, 7, 0x100 + st, 0x20 + st};
        else s->dpiStages[st] = DpiStage{0, 0x130 + st, 3, 4};
    }
    s->LedMode = 2;
    s->LedStateOn = 1;
    s->LedColor = 0x204080;
    s->ledModes[1] = LedModeInfo{1, 2, 3};
    s->PollingRate = 3;
    s->WheelScrollLines = 5;
    s->LiftV = 3;
    s->AngleV = 0x80;
    s->Profile = 2;
    s->DPI = 4;
    ASSERT_TRUE(h.saveSettings(*s));
    h.avoidTrailerTimer(3000);
    // Parts the full write must rewrite, whatever the mouse held.
    ASSERT_TRUE(h.poke(0x3E, bytes({0, 0})));
    for (const Range& r : e2e::trailerRanges()) ASSERT_TRUE(h.poke(r.address, bytes({0, 0})));

    ASSERT_TRUE(h.resetStats());
    ASSERT_TRUE(h.postAndSettle(msg::kApplyAll));
    auto stats = h.stats();
    EXPECT_EQ(stats["sessions"], 1u);
    EXPECT_EQ(stats["commits"], 7u);  // lighting, wheel, lift, profile, then profile, DPI, profile

    for (int p = 0; p < kProfileCount; ++p) {
        const uint16_t base = devmap::kProfileBase[p];
        for (int b = 0; b < kDeviceButtonCount; ++b) {
            const auto& want = caseFor(p, b).device;
            EXPECT_EQ(h.dump(devmap::buttonAddress(p, b), 4), std::vector<uint8_t>(want.begin(), want.end()))
                << "profile " << p << " button " << b << " code " << int(caseFor(p, b).code);
        }
        for (int st = 0; st < kDpiStageCount; ++st) {
            auto want = st % 2 ? bytes({1, st, 1, 0x20 + st, 0}) : bytes({1, 0x30 + st, 1, 0x30 + st, 1});
            EXPECT_EQ(h.dump(base + 4 + 6 * st, 5), want) << "profile block " << p << " stage " << st;
        }
        EXPECT_EQ(h.dump(base + 0xAA, 2), bytes({0xFF, 0xFF})) << "trailer " << p;
    }
    EXPECT_EQ(h.dump(devmap::kProfileBase[2] + 2, 1), bytes({4}));  // stage index of the current profile
    EXPECT_EQ(h.dump(0x0446, 1), bytes({0x02}));
    EXPECT_EQ(h.dump(0x0450, 4), bytes({0x87, 0x80, 0x40, 0x20}));
    EXPECT_EQ(h.dump(0x0455, 1), bytes({9 - 3}));
    EXPECT_EQ(h.dump(0x0457, 1), bytes({2 - 1}));
    EXPECT_EQ(h.dump(0x0032, 6), bytes({3, 0, 3, 0, 3, 0}));
    EXPECT_EQ(h.dump(0x0038, 4), bytes({3, 0, 3, 0}));
    EXPECT_EQ(h.dump(0x0020, 10), e2e::repeat(bytes({5, 0}), 5));
    EXPECT_EQ(h.dump(0x002A, 1), bytes({0x83}));
    EXPECT_EQ(h.dump(0x002C, 2), bytes({2, 0}));
    EXPECT_EQ(h.dump(0x003E, 2), bytes({1, 0}));
    EXPECT_NE(h.serviceLog().find("SendAll2Mouse"), std::string::npos);
}

TEST_F(Writes, EachSingleRequestWritesOnlyItsPartWithItsCommit) {
    auto s = h.loadSettings();
    struct Step {
        const char* what;
        uint32_t message;
        int64_t wParam, lParam;
        std::vector<Range> allowed;
        uint64_t commits;
        std::function<void(MouseSettings&)> change;
        std::function<void()> check;
    };
    const uint16_t p1 = devmap::kProfileBase[1], p3 = devmap::kProfileBase[3];
    std::vector<Step> steps = {
        {"polling 1277", msg::kPollingRate, 0, 0, {{0x32, 6}, {0x38, 4}}, 1,
         [](MouseSettings& m) { m.PollingRate = 4; },
         [&] {
             EXPECT_EQ(h.dump(0x32, 6), bytes({4, 0, 4, 0, 4, 0}));
             EXPECT_EQ(h.dump(0x38, 4), bytes({4, 0, 4, 0}));
         }},
        {"wheel 1295", msg::kWheelLines, 0, 0, {{0x20, 10}}, 1, [](MouseSettings& m) { m.WheelScrollLines = 7; },
         [&] { EXPECT_EQ(h.dump(0x20, 10), e2e::repeat(bytes({7, 0}), 5)); }},
        {"lift/angle 1229", msg::kLiftAngle, 0, 0, {{0x2A, 1}}, 1,
         [](MouseSettings& m) {
             m.LiftV = 5;
             m.AngleV = 0x80;
         },
         [&] { EXPECT_EQ(h.dump(0x2A, 1), bytes({0x85})); }},
        // Lighting off with mode 2: the mask of record 4, the colour there, rate and level still from
        // mode 2's record (rate 12 taken as 8, level 9 as 4); the status area follows the record.
        {"lighting 1227", msg::kLighting, 0, 0, {{0x446, 1}, {0x468, 8}, {0x471, 7}}, 1,
         [](MouseSettings& m) {
             m.LedMode = 2;
             m.LedStateOn = 0;
             m.LedColor = 0x000100;
             m.ledModes[1] = LedModeInfo{1, 9, 12};
         },
         [&] {
             EXPECT_EQ(h.dump(0x446, 1), bytes({0x10}));
             EXPECT_EQ(h.dump(0x468, 4), bytes({0x82, 0x00, 0x01, 0x00}));
             EXPECT_EQ(h.dump(0x46D, 1), bytes({1}));
             EXPECT_EQ(h.dump(0x46F, 1), bytes({3}));
         }},
        {"DPI index 1297 (0,0)", msg::kDpiOrAcceleration, 0, 0, {{p3 + 2u, 1}}, 1,
         [](MouseSettings& m) {
             m.Profile = 3;
             m.DPI = 5;
         },
         [&] { EXPECT_EQ(h.dump(p3 + 2, 1), bytes({5})); }},
        {"DPI index 1297 (255,0)", msg::kDpiOrAcceleration, 255, 0, {{p3 + 2u, 1}}, 1,
         [](MouseSettings& m) { m.DPI = 6; }, [&] { EXPECT_EQ(h.dump(p3 + 2, 1), bytes({6})); }},
        {"Windows settings 1297 (255,255)", msg::kDpiOrAcceleration, 255, 255, {}, 0,
         [](MouseSettings& m) { m.DPI = 2; }, [] {}},
        // The profile, the stage it keeps in its block, its trailer.
        {"profile 1298", msg::kProfile, 0, 0, {{0x2C, 2}, {p1 + 2u, 1}, {p1 + 0xAAu, 2}}, 2,
         [](MouseSettings& m) { m.Profile = 1; },
         [&] {
             EXPECT_EQ(h.dump(0x2C, 2), bytes({1, 0}));
             EXPECT_EQ(h.dump(p1 + 2, 1), bytes({2}));  // "DPI" as the step before left it
             EXPECT_EQ(h.dump(p1 + 0xAA, 2), bytes({0xFF, 0xFF}));
         }},
        {"DPI stage 1302", msg::kDpiValues, 3, 0,
         {{0x40 + 22, 5}, {0x100 + 22, 5}, {0x1B0 + 22, 5}, {0x260 + 22, 5}, {0x310 + 22, 5}}, 1,
         [](MouseSettings& m) { m.dpiStages[3] = DpiStage{1, 9, 0x123, 0x45}; },
         [&] {
             for (uint16_t base : devmap::kProfileBase)
                 EXPECT_EQ(h.dump(base + 4 + 18, 5), bytes({1, 0x23, 0x01, 0x45, 0x00})) << base;
         }},
        {"DPI stage 1302 out of range", msg::kDpiValues, 7, 0, {}, 0, [](MouseSettings&) {}, [] {}},
    };
    for (Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.change(*s);
        ASSERT_TRUE(h.saveSettings(*s));
        // The start-up timer's trailer writes must not fall inside the measurement.
        h.avoidTrailerTimer(2500);
        // The trailers must be written only where a request says so.
        for (const Range& r : e2e::trailerRanges()) ASSERT_TRUE(h.poke(r.address, bytes({0, 0})));
        auto before = image();
        ASSERT_TRUE(h.resetStats());
        ASSERT_TRUE(h.postAndSettle(step.message, step.wParam, step.lParam));
        auto stats = h.stats();
        auto after = image();
        EXPECT_EQ(e2e::changedOutside(before, after, step.allowed), std::vector<uint32_t>{});
        EXPECT_EQ(stats["commits"], step.commits);
        if (step.allowed.empty()) {
            EXPECT_EQ(stats["feature_reports"], 0u) << "a request that writes nothing opens no session";
        } else {
            EXPECT_EQ(stats["sessions"], 1u);
        }
        step.check();
    }
}

TEST_F(Writes, ButtonRequestWritesOneButtonAndTheTrailersInOneSession) {
    auto s = h.loadSettings();
    s->profiles[2].buttons[4].code = 4;
    ASSERT_TRUE(h.saveSettings(*s));
    // The protocol's own traffic, without the read-back of verified writes.
    ASSERT_TRUE(platform::writeProfileInt(h.settingsPath(), settings::kSettingSection, settings::kVerifyWritesKey, 0));
    h.avoidTrailerTimer(4000);
    for (const Range& r : e2e::trailerRanges()) ASSERT_TRUE(h.poke(r.address, bytes({0, 0})));
    auto before = image();

    ASSERT_TRUE(h.resetStats());
    int64_t result = -1;
    ASSERT_TRUE(h.send(msg::kButton, 2, 4, &result));
    EXPECT_EQ(result, 0);
    auto stats = h.stats();
    EXPECT_EQ(stats["sessions"], 1u);
    // Session open, one button write, five trailer writes, session close.
    EXPECT_EQ(stats["feature_reports"], 8u);
    EXPECT_EQ(stats["commits"], 0u);
    auto allowed = e2e::trailerRanges();
    allowed.push_back({devmap::buttonAddress(2, 4), 4});
    auto after = image();
    EXPECT_EQ(e2e::changedOutside(before, after, allowed), std::vector<uint32_t>{});
    EXPECT_EQ(h.dump(devmap::buttonAddress(2, 4), 4), bytes({0x92, 0x02, 0x0A, 0x00}));
    for (const Range& r : e2e::trailerRanges()) EXPECT_EQ(h.dump(r.address, 2), bytes({0xFF, 0xFF}));

    // Record 10 lives in the settings file only: the session and the trailers, no button write.
    ASSERT_TRUE(h.resetStats());
    ASSERT_TRUE(h.send(msg::kButton, 2, 9));
    EXPECT_EQ(h.stats()["feature_reports"], 7u);

    // A profile or button outside the record reaches nothing.
    before = image();
    ASSERT_TRUE(h.resetStats());
    ASSERT_TRUE(h.send(msg::kButton, 5, 0));
    ASSERT_TRUE(h.send(msg::kButton, -1, 3));
    ASSERT_TRUE(h.send(msg::kButton, 0, 11));
    EXPECT_EQ(h.stats()["feature_reports"], 0u);
    EXPECT_EQ(image(), before);
    EXPECT_TRUE(h.serviceRunning());
}

}  // namespace
