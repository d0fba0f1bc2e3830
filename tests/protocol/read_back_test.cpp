// Every value the window and korvantectl can set, changed by the settings rules, written into the
// virtual mouse's device model by the full write and read back: each one comes back as set, and
// nothing else of the record moves. (The service-level proof, through hidagent and its requests,
// is in tests/service; this one walks every value of every range, which only in-process is quick.)
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>

#include "platform/diagnostics.h"
#include "service/device/config_protocol.h"
#include "service/device/device_link.h"
#include "shared/function_codes.h"
#include "shared/mouse_settings.h"
#include "shared/settings_rules.h"
#include "sim/factory_image.h"
#include "sim/model_device.h"

namespace {

namespace sr = settingsrules;

struct Control {
    const char* name;
    std::vector<int32_t> values;
    std::function<void(MouseSettings&, int32_t)> set;
};

std::vector<int32_t> upTo(int32_t count) { return sr::Range{0, count - 1}.values(); }

ButtonRecord& button(MouseSettings& s, int32_t v) { return s.profiles[v % kProfileCount].buttons[v % kDeviceButtonCount]; }

std::vector<Control> controls() {
    std::vector<Control> out = {
        {"stage", sr::kStages.values(), [](MouseSettings& s, int32_t v) { sr::selectStage(s, v); }},
        {"common value", sr::kDpiSteps.values(),
         [](MouseSettings& s, int32_t v) { sr::setStageValue(s, v % kDpiStageCount, sr::kAxisCommon, v); }},
        {"X value", sr::kDpiSteps.values(),
         [](MouseSettings& s, int32_t v) {
             sr::setSeparate(s, v % kDpiStageCount, true);
             sr::setStageValue(s, v % kDpiStageCount, sr::kAxisX, v);
         }},
        {"Y value", sr::kDpiSteps.values(),
         [](MouseSettings& s, int32_t v) {
             sr::setSeparate(s, v % kDpiStageCount, true);
             sr::setStageValue(s, v % kDpiStageCount, sr::kAxisY, v);
         }},
        // Separate with equal axes, and back: the mouse holds the same bytes for both.
        {"separate", upTo(2 * kDpiStageCount), [](MouseSettings& s, int32_t v) { sr::setSeparate(s, v / 2, v % 2); }},
        {"report rate", upTo(sr::kReportRateCount), [](MouseSettings& s, int32_t v) { sr::setReportRate(s, v); }},
        {"wheel", sr::kWheelLines.values(), [](MouseSettings& s, int32_t v) { sr::setWheelLines(s, v); }},
        {"angle", upTo(2), [](MouseSettings& s, int32_t v) { sr::setAngle(s, v); }},
        {"lift", upTo(2), [](MouseSettings& s, int32_t v) { sr::setLift(s, v); }},
        {"profile", sr::kProfiles.values(), [](MouseSettings& s, int32_t v) { sr::selectProfile(s, v); }},
        {"colour", {0, 0xFF, 0xFF00, 0xFF0000, 0x123456, 0xFFFFFF},
         [](MouseSettings& s, int32_t v) { sr::setLightingColour(s, static_cast<uint32_t>(v)); }},
    };
    // Every mode with each of its levels, rates and directions, on and off.
    for (int32_t on : {1, 0}) {
        for (int32_t mode : sr::kLightingModes.values()) {
            auto select = [mode, on](MouseSettings& s) {
                sr::setLightingMode(s, mode);
                sr::setLightingOn(s, on);
            };
            out.push_back({"level", sr::kLightingLevels.values(),
                           [select](MouseSettings& s, int32_t v) { select(s); sr::setLightingLevel(s, v); }});
            out.push_back({"rate", sr::kLightingRates.values(),
                           [select](MouseSettings& s, int32_t v) { select(s); sr::setLightingRate(s, v); }});
            out.push_back({"direction", sr::lightingDirections(mode).values(),
                           [select](MouseSettings& s, int32_t v) { select(s); sr::setLightingDirection(s, v); }});
        }
    }
    // Every function the menu offers without parameters (the macro needs its files: the service
    // test has it), then the parameters of those that have them.
    const std::vector<int32_t> plain = {1, 2, 3, 4, 7, 10, 11, 12, 13, 14, 23, 24, 32, 33, 34, 35, 37, 38, 39, 64,
                                        65, 66, 67, 68, 69, 70, 71, 72, 80, 81, 82, 83, 84, 85, 100, 102, 113,
                                        114, 115, 116, 117};
    out.push_back({"function", plain, [](MouseSettings& s, int32_t v) { button(s, v).code = static_cast<uint8_t>(v); }});
    auto withCode = [](uint8_t code, int byte) {
        return [code, byte](MouseSettings& s, int32_t v) {
            ButtonRecord& r = button(s, v);
            if (r.code != code) {  // the function with its dialog's starting values
                r.code = code;
                r.byte(2) = code == kCodeDpiShift ? 1 : 3;
                r.byte(3) = 10;
                r.byte(5) = code == kCodeRapidFire ? 30 : 0x81;
            }
            r.byte(byte) = static_cast<uint8_t>(v);
        };
    };
    out.push_back({"key", sr::Range{4, 231}.values(), withCode(kCodeSingleKey, 5)});
    out.push_back({"x-shoot A", sr::kXShootCounts.values(), withCode(kCodeXShoot, 2)});
    out.push_back({"x-shoot B", sr::kXShootIntervals.values(), withCode(kCodeXShoot, 3)});
    out.push_back({"x-shoot output", sr::Range{0, 255}.values(), withCode(kCodeXShoot, 5)});
    out.push_back({"rapid-fire A", sr::kRapidFireA.values(), withCode(kCodeRapidFire, 2)});
    out.push_back({"rapid-fire B", sr::kRapidFireB.values(), withCode(kCodeRapidFire, 3)});
    out.push_back({"rapid-fire speed", sr::kRapidFireSpeeds.values(), withCode(kCodeRapidFire, 5)});
    out.push_back({"DPI shift", sr::kDpiShiftItems.values(), withCode(kCodeDpiShift, 2)});
    return out;
}

TEST(ReadBack, EverySettableValueComesBackAsSet) {
    platform::QuietDiagnostics quiet;
    sim::MouseMemory memory(sim::factoryImage());
    sim::ModelHidDevice device(memory);
    DeviceLink link;
    link.handleLinkMessage(1, CollectionRecord{1, sim::ModelHidDevice::kConsumerId, 0, kUsagePageConsumer});
    link.handleLinkMessage(1, CollectionRecord{1, sim::ModelHidDevice::kConfigId, 0, kUsagePageConfig});
    link.setLinked(true);

    auto set = std::make_unique<MouseSettings>();
    settings::shippedDefaults(*set);
    auto back = std::make_unique<MouseSettings>();
    int roundTrips = 0;
    for (const Control& control : controls()) {
        for (int32_t value : control.values) {
            control.set(*set, value);
            DeviceConfig writer(device, link, *set);
            writer.setWaitFunction([](int) {});
            writer.openSession();  // callers bracket the full write with a session
            ASSERT_TRUE(writer.sendAll()) << control.name << " " << value;
            writer.closeSession();
            *back = *set;
            DeviceConfig reader(device, link, *back);
            reader.setWaitFunction([](int) {});
            reader.setMacroHooks({nullptr, [](int) { return true; }});
            ASSERT_TRUE(reader.queryAll());
            ++roundTrips;
            if (std::memcmp(set.get(), back.get(), sizeof(MouseSettings)) == 0) continue;
            ADD_FAILURE() << control.name << " " << value << " did not read back as set";
            *set = *back;  // go on from what the mouse gave, so one fault is named once
        }
    }
    EXPECT_GT(roundTrips, 2000);
}

}  // namespace
