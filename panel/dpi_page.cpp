#include "panel/dpi_page.h"

#include <algorithm>

#include "shared/window_messages.h"

namespace panel {

namespace {
constexpr int kDpiStep = 50;
constexpr int kAccelerationMessage = 255;        // both parameters of 1297 for acceleration
}  // namespace

std::string stageCaption(const std::string& stageWord, int stage, const DpiStage& values) {
    const int x = (values.separate != 0 ? values.x : values.common) * kDpiStep;
    const int y = (values.separate != 0 ? values.y : values.common) * kDpiStep;
    return stageWord + " " + std::to_string(stage + 1) + "\n" + std::to_string(x) + "\n" + std::to_string(y);
}

void DpiPageRules::selectStage(int stage) {
    if (stage < 0 || stage >= kDpiStageCount) return;
    MouseSettings& s = model_.working();
    s.DPI = stage;
    s.profiles[model_.currentProfile()].DPI = stage;
    forgetSliders();
    model_.saveAndPost(msg::kDpiOrAcceleration, 0, 0);
}

void DpiPageRules::setSeparate(bool separate) {
    const int stage = model_.currentStage();
    if (stage < 0) return;
    model_.working().dpiStages[stage].separate = separate ? 1 : 0;
    // The service writes X and Y or the common value by this flag: the mouse must hear of it.
    model_.saveAndPost(msg::kDpiValues, stage, 0);
}

int32_t* DpiPageRules::sliderValue(int id) {
    const int stage = model_.currentStage();
    if (stage < 0) return nullptr;
    DpiStage& d = model_.working().dpiStages[stage];
    switch (id) {
        case kSliderCommon: return &d.common;
        case kSliderX: return &d.x;
        case kSliderY: return &d.y;
        default: return nullptr;
    }
}

bool DpiPageRules::sliderReleased(int position, int id) {
    if (position == lastRelease_.position && id == lastRelease_.id) return false;
    lastRelease_ = {position, id};
    int32_t* value = sliderValue(id);
    if (value == nullptr) return false;
    *value = std::clamp(position, kDpiMinimum, kDpiMaximum);
    model_.saveAndPost(msg::kDpiValues, model_.currentStage(), 0);
    return true;
}

bool DpiPageRules::sliderDragged(int position, int id) {
    if (position == lastDrag_.position && id == lastDrag_.id) return false;
    lastDrag_ = {position, id};
    int32_t* value = sliderValue(id);
    if (value == nullptr) return false;
    *value = std::clamp(position, kDpiMinimum, kDpiMaximum);
    return true;
}

void DpiPageRules::toggleAcceleration() {
    MouseSettings& s = model_.working();
    s.AccelerationEnabled = s.AccelerationEnabled == 1 ? 0 : 1;
    model_.saveAndSend(msg::kDpiOrAcceleration, kAccelerationMessage, kAccelerationMessage);
}

void DpiPageRules::setAcceleration(int level) {
    model_.working().Acceleration = level;
    model_.saveAndPost(msg::kDpiOrAcceleration, kAccelerationMessage, kAccelerationMessage);
}

void DpiPageRules::setReportRate(int index) {
    if (index < 0 || index >= kReportRateCount) return;
    model_.working().PollingRate = kReportIntervals[index];
    ratePending_ = true;
    model_.saveAndPost(msg::kPollingRate, 0, index);
}

bool DpiPageRules::mouseUnplugged() {
    const bool expected = ratePending_;
    ratePending_ = false;
    return expected;
}

void DpiPageRules::stepDoubleClick(bool up) {
    int32_t& v = model_.working().DoubleClickSpeed;
    v = std::clamp(v + (up ? 1 : -1), 4, 20);
    model_.saveAndPost(msg::kDoubleClickSpeed);
}

void DpiPageRules::stepWheel(bool up) {
    int32_t& v = model_.working().WheelScrollLines;
    v = std::clamp(v + (up ? 1 : -1), 1, 10);
    model_.saveAndPost(msg::kWheelLines);
}

void DpiPageRules::setAngle(bool on) {
    model_.working().AngleV = on ? 128 : 0;
    model_.saveAndPost(msg::kLiftAngle);
}

void DpiPageRules::setLift(bool high) {
    model_.working().LiftV = high ? 1 : 0;
    model_.saveAndPost(msg::kLiftAngle);
}

}  // namespace panel
