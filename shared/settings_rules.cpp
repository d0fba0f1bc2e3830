#include "shared/settings_rules.h"

#include <algorithm>
#include <cstddef>
#include <functional>

#include "shared/function_codes.h"
#include "shared/mouse_settings.h"
#include "shared/window_messages.h"

namespace settingsrules {
namespace {

constexpr int kAccelerationMessage = 255;  // both parameters of 1297 for the desktop's pointer

bool validStage(int stage) { return kStages.contains(stage); }

Request post(uint32_t message, int64_t wParam = 0, int64_t lParam = 0) { return {message, wParam, lParam, false}; }

Request lighting() { return post(msg::kLighting); }

}  // namespace

bool Range::contains(int64_t value) const {
    return value >= minimum && value <= maximum && (value - minimum) % step == 0;
}

int32_t Range::snap(int64_t value) const {
    if (value <= minimum) return minimum;
    if (value >= maximum) return maximum;
    const int64_t steps = (value - minimum + step / 2) / step;
    return static_cast<int32_t>(std::min<int64_t>(minimum + steps * step, maximum));
}

std::vector<int32_t> Range::values() const {
    std::vector<int32_t> out;
    for (int64_t v = minimum; v <= maximum; v += step) out.push_back(static_cast<int32_t>(v));
    return out;
}

// ---- DPI ----

int currentProfile(const MouseSettings& s) { return kProfiles.contains(s.Profile) ? s.Profile : 0; }

int currentStage(const MouseSettings& s) {
    const int stage = s.profiles[currentProfile(s)].DPI;
    return validStage(stage) ? stage : -1;
}

Request selectStage(MouseSettings& s, int stage) {
    if (!validStage(stage)) return {};
    s.DPI = stage;
    s.profiles[currentProfile(s)].DPI = stage;
    return post(msg::kDpiOrAcceleration, 0, 0);
}

Request setSeparate(MouseSettings& s, int stage, bool separate) {
    if (!validStage(stage)) return {};
    s.dpiStages[stage].separate = separate ? 1 : 0;
    return post(msg::kDpiValues, stage);
}

Request setStageValue(MouseSettings& s, int stage, int axis, int steps) {
    if (!validStage(stage)) return {};
    DpiStage& d = s.dpiStages[stage];
    int32_t* value = axis == kAxisCommon ? &d.common : axis == kAxisX ? &d.x : axis == kAxisY ? &d.y : nullptr;
    if (value == nullptr) return {};
    *value = kDpiSteps.snap(steps);
    return post(msg::kDpiValues, stage);
}

Request setStageDpi(MouseSettings& s, int stage, int steps) {
    if (!validStage(stage)) return {};
    const int32_t v = kDpiSteps.snap(steps);
    s.dpiStages[stage] = DpiStage{0, v, v, v};
    return post(msg::kDpiValues, stage);
}

Request setStageAxes(MouseSettings& s, int stage, int xSteps, int ySteps) {
    if (!validStage(stage)) return {};
    DpiStage& d = s.dpiStages[stage];
    d = DpiStage{1, d.common, kDpiSteps.snap(xSteps), kDpiSteps.snap(ySteps)};
    return post(msg::kDpiValues, stage);
}

// ---- report rate ----

int reportRateIndex(int32_t interval) {
    for (int i = 0; i < kReportRateCount; ++i)
        if (kReportIntervals[i] == interval) return i;
    return -1;
}

int reportsPerSecond(int32_t interval) { return interval >= 1 && interval <= 8 ? 1000 / interval : -1; }

Request setReportRate(MouseSettings& s, int index) {
    if (index < 0 || index >= kReportRateCount) return {};
    s.PollingRate = kReportIntervals[index];
    return post(msg::kPollingRate, 0, index);
}

// ---- pointer settings ----

Request toggleAcceleration(MouseSettings& s) {
    s.AccelerationEnabled = s.AccelerationEnabled == 1 ? 0 : 1;
    return {msg::kDpiOrAcceleration, kAccelerationMessage, kAccelerationMessage, true};
}

Request setAcceleration(MouseSettings& s, int level) {
    s.Acceleration = kAccelerationLevels.snap(level);
    return post(msg::kDpiOrAcceleration, kAccelerationMessage, kAccelerationMessage);
}

Request stepDoubleClick(MouseSettings& s, bool up) { return setDoubleClick(s, s.DoubleClickSpeed + (up ? 1 : -1)); }

Request setDoubleClick(MouseSettings& s, int speed) {
    s.DoubleClickSpeed = kDoubleClickSpeeds.snap(speed);
    return post(msg::kDoubleClickSpeed);
}

// ---- wheel, angle, lift ----

Request stepWheel(MouseSettings& s, bool up) { return setWheelLines(s, s.WheelScrollLines + (up ? 1 : -1)); }

Request setWheelLines(MouseSettings& s, int lines) {
    s.WheelScrollLines = kWheelLines.snap(lines);
    return post(msg::kWheelLines);
}

Request setAngle(MouseSettings& s, bool on) {
    s.AngleV = on ? kAngleOn : 0;
    return post(msg::kLiftAngle);
}

Request setLift(MouseSettings& s, bool high) {
    s.LiftV = high ? 1 : 0;
    return post(msg::kLiftAngle);
}

// ---- lighting ----

bool modeHasDirection(int mode) { return mode == 2 || mode == 5; }

Range lightingDirections(int mode) {
    if (mode == 2) return {1, 2};
    if (mode == 5) return {3, 4};
    return {0, 0};
}

int levelShown(int level) { return kLightingLevels.snap(level); }

int currentLightingMode(const MouseSettings& s) { return s.LedMode >= 1 && s.LedMode <= kLedModeCount ? s.LedMode : 1; }

LedModeInfo& currentModeInfo(MouseSettings& s) { return s.ledModes[currentLightingMode(s) - 1]; }

Request setLightingMode(MouseSettings& s, int mode) {
    if (!kLightingModes.contains(mode)) return {};
    s.LedMode = mode;
    return lighting();
}

Request setLightingDirection(MouseSettings& s, int direction) {
    const int mode = currentLightingMode(s);
    if (!modeHasDirection(mode) || !lightingDirections(mode).contains(direction)) return {};
    currentModeInfo(s).direction = direction;
    return lighting();
}

Request setLightingLevel(MouseSettings& s, int level) {
    currentModeInfo(s).level = kLightingLevels.snap(level);
    return lighting();
}

Request setLightingRate(MouseSettings& s, int rate) {
    currentModeInfo(s).rate = kLightingRates.snap(rate);
    return lighting();
}

Request toggleLightingRate(MouseSettings& s) {
    LedModeInfo& mode = currentModeInfo(s);
    mode.rate = mode.rate == 0 ? kRateSwitchedOn : 0;
    return lighting();
}

Request setLightingOn(MouseSettings& s, bool on) {
    s.LedStateOn = on ? 1 : 0;
    return lighting();
}

Request setLightingColour(MouseSettings& s, uint32_t colorRef) {
    s.LedColor = static_cast<int32_t>(colorRef & 0xFFFFFF);
    return lighting();
}

// ---- profiles, buttons, everything ----

Request selectProfile(MouseSettings& s, int profile) {
    if (!kProfiles.contains(profile) || profile == s.Profile) return {};
    s.Profile = profile;
    // Each profile keeps its own stage in the mouse: the one it had becomes the current stage.
    if (validStage(s.profiles[profile].DPI)) s.DPI = s.profiles[profile].DPI;
    return post(msg::kProfile);
}

Request buttonChanged(int profile, int button) { return {msg::kButton, profile, button, true}; }

Request macroSlotChanged(int slot, bool cleared) { return post(msg::kMacroSlot, slot, cleared ? 1 : 0); }

Request writeEverything() { return post(msg::kApplyAll); }

// ---- button function parameters ----

int dpiShiftDpi(int item) { return kDpiShiftItems.contains(item) ? item * 250 : 0; }

int dpiShiftItem(int dpi) {
    for (int item : kDpiShiftItems.values())
        if (dpiShiftDpi(item) == dpi) return item;
    return 0;
}

// ---- values of a stored record ----

namespace {

// One checked value: where it lies in the record, what it may hold and what replaces it.
struct Rule {
    const char* label;  // within its key: "" for a key of its own, "X", "rate", ...
    size_t offset;      // of the int32_t in MouseSettings
    std::function<bool(int32_t)> allowed;
    std::function<int32_t(int32_t)> replacement;  // for a value that is not allowed
    bool desktop = false;  // a setting of the desktop's pointer: unset (-1) always stays unset
};

struct KeyRules {
    std::string key;
    std::vector<Rule> rules;
};

int32_t& at(MouseSettings& s, size_t offset) { return *reinterpret_cast<int32_t*>(reinterpret_cast<char*>(&s) + offset); }
int32_t at(const MouseSettings& s, size_t offset) {
    return *reinterpret_cast<const int32_t*>(reinterpret_cast<const char*>(&s) + offset);
}

std::function<bool(int32_t)> within(Range r) {
    return [r](int32_t v) { return r.contains(v); };
}

std::function<int32_t(int32_t)> always(int32_t v) {
    return [v](int32_t) { return v; };
}

const MouseSettings& factory() {
    static const MouseSettings record = [] {
        MouseSettings s{};
        settings::shippedDefaults(s);
        return s;
    }();
    return record;
}

std::vector<KeyRules> recordRules() {
    const MouseSettings& f = factory();
    std::vector<KeyRules> keys;
    auto global = [&](const char* key, size_t offset, std::function<bool(int32_t)> allowed, bool desktop = false) {
        keys.push_back({key, {{"", offset, std::move(allowed), always(at(f, offset)), desktop}}});
    };
#define KR_FIELD(member) offsetof(MouseSettings, member)
    // The mouse holds any interval of 1..8 ms and lift distance of 7 bits, where the window and
    // korvantectl offer four intervals and two distances.
    global("PollingRate", KR_FIELD(PollingRate), within({1, 8}));
    global("WheelScrollLines", KR_FIELD(WheelScrollLines), within(kWheelLines));
    // Not the mouse's: an unset pointer acceleration leaves the desktop's own settings alone.
    global("DoubleClickSpeed", KR_FIELD(DoubleClickSpeed), within(kDoubleClickSpeeds), true);
    global("AccelerationEnabled", KR_FIELD(AccelerationEnabled), within({0, 1}), true);
    global("Acceleration", KR_FIELD(Acceleration), within(kAccelerationLevels), true);
    global("AngleV", KR_FIELD(AngleV), [](int32_t v) { return v == 0 || v == kAngleOn; });
    global("LiftV", KR_FIELD(LiftV), within({0, 0x7F}));
    for (int i = 0; i < kDpiStageCount; ++i) {
        const size_t stage = KR_FIELD(dpiStages) + i * sizeof(DpiStage);
        const int32_t steps = f.dpiStages[i].common;
        keys.push_back({"DPI_INFO" + std::to_string(i + 1),
                        {// Any value but 0 means separate axes.
                         {"separate", stage + offsetof(DpiStage, separate), within({0, 1}), always(1)},
                         {"common", stage + offsetof(DpiStage, common), within(kDpiSteps), always(steps)},
                         {"X", stage + offsetof(DpiStage, x), within(kDpiSteps), always(steps)},
                         {"Y", stage + offsetof(DpiStage, y), within(kDpiSteps), always(steps)}}});
    }
    for (int i = 0; i < kLedModeCount; ++i) {
        const size_t mode = KR_FIELD(ledModes) + i * sizeof(LedModeInfo);
        const Range directions = lightingDirections(i + 1);
        const int32_t rate = f.ledModes[i].rate;
        keys.push_back(
            {"LED_MODE_INFO" + std::to_string(i + 1),
             {{"direction", mode + offsetof(LedModeInfo, direction), within(directions), always(directions.minimum)},
              {"level", mode + offsetof(LedModeInfo, level), within(kLightingLevels), always(f.ledModes[i].level)},
              // A rate faster than the mouse runs is run as its fastest.
              {"rate", mode + offsetof(LedModeInfo, rate), within(kLightingRates),
               [rate](int32_t v) { return v > kLightingRates.maximum ? kLightingRates.maximum : rate; }}}});
    }
    global("DPI", KR_FIELD(DPI), within(kStages));
    global("LedStateOn", KR_FIELD(LedStateOn), within({0, 1}));
    global("LedColor", KR_FIELD(LedColor), within({0, 0xFFFFFF}));
    global("LedMode", KR_FIELD(LedMode), within({1, kLedModeCount}));
    for (int p = 0; p < kProfileCount; ++p) {
        const size_t dpi = KR_FIELD(profiles) + p * sizeof(ProfileGroup) + offsetof(ProfileGroup, DPI);
        keys.push_back({settings::profileSection(p) + "/DPI", {{"", dpi, within(kStages), always(at(f, dpi))}}});
    }
#undef KR_FIELD
    return keys;
}

// The parameters of a button function that reach the mouse, by function code. A value outside
// the range takes the factory value, or the nearest allowed one when factory is -1.
struct ByteRule {
    uint8_t code;
    int byte;
    const char* label;
    Range range;
    int32_t factory;
};
constexpr ByteRule kButtonRules[] = {
    {kCodeXShoot, 2, "A", kXShootCounts, -1},
    {kCodeXShoot, 3, "B", kXShootIntervals, -1},
    {kCodeRapidFire, 3, "B", kRapidFireB, -1},
    {kCodeRapidFire, 5, "speed", kRapidFireSpeeds, -1},
    {kCodeDpiShift, 2, "item", kDpiShiftItems, 1},
};

void describe(std::string& change, const char* label, int64_t from, int64_t to) {
    if (!change.empty()) change += ", ";
    if (*label) change += std::string(label) + " ";
    change += std::to_string(from) + " -> " + std::to_string(to);
}

}  // namespace

std::vector<Correction> keepInRange(MouseSettings& s, const MouseSettings* fallback, bool keepUnset) {
    static const std::vector<KeyRules> rules = recordRules();
    std::vector<Correction> corrections;
    for (const KeyRules& key : rules) {
        std::string change;
        for (const Rule& rule : key.rules) {
            int32_t& value = at(s, rule.offset);
            if (rule.allowed(value) || ((keepUnset || rule.desktop) && value == -1)) continue;
            const int32_t replaced =
                fallback && rule.allowed(at(*fallback, rule.offset)) ? at(*fallback, rule.offset) : rule.replacement(value);
            describe(change, rule.label, value, replaced);
            value = replaced;
        }
        if (!change.empty()) corrections.push_back({key.key, change});
    }
    for (int p = 0; p < kProfileCount; ++p) {
        for (int b = 0; b < kButtonRecordCount; ++b) {
            ButtonRecord& r = s.profiles[p].buttons[b];
            std::string change;
            for (const ByteRule& rule : kButtonRules) {
                const uint8_t value = r.byte(rule.byte);
                if (r.code != rule.code || rule.range.contains(value)) continue;
                const bool outside = value < rule.range.minimum || value > rule.range.maximum;
                const int32_t replaced = outside && rule.factory >= 0 ? rule.factory : rule.range.snap(value);
                describe(change, rule.label, value, replaced);
                r.byte(rule.byte) = static_cast<uint8_t>(replaced);
            }
            if (!change.empty())
                corrections.push_back({settings::profileSection(p) + "/ButtonAssigned" + std::to_string(b + 1), change});
        }
    }
    return corrections;
}

}  // namespace settingsrules
