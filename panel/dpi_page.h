#pragma once
// The DPI page's rules: stage buttons, the separate switch and the three DPI sliders, pointer
// acceleration, report rate, double-click speed, wheel lines, angle snapping and lift distance.
// Each change is stored in the working record, saved, and announced with its message.
#include <cstdint>
#include <string>

#include "panel/layout/window_layout.h"
#include "panel/panel_model.h"

namespace panel {

using layout::kSliderAcceleration;
using layout::kSliderCommon;
using layout::kSliderX;
using layout::kSliderY;
inline constexpr int kDpiMinimum = 2;    // 100 DPI
inline constexpr int kDpiMaximum = 320;  // 16000 DPI
// "PollingRate" of the four report rates (ms between reports: 125, 250, 500, 1000 Hz).
inline constexpr int kReportRateCount = 4;
inline constexpr int32_t kReportIntervals[kReportRateCount] = {8, 4, 2, 1};

// "Stage 3\n1500\n1500": the stage word, the stage number 1..7, X and Y in DPI (both from the
// common value when the stage does not set them separately).
std::string stageCaption(const std::string& stageWord, int stage, const DpiStage& values);

class DpiPageRules {
public:
    explicit DpiPageRules(PanelModel& model) : model_(model) {}

    void selectStage(int stage);                  // 0..6; saves, posts 1297 (0, 0)
    void setSeparate(bool separate);              // the current stage; saves, posts 1302 (stage)
    // The sliders were set from code (stage, profile, refresh): the next notification counts
    // whatever it repeats.
    void forgetSliders() { lastRelease_ = lastDrag_ = {}; }
    // Slider messages: a notification repeating the previous one of the same message is ignored.
    bool sliderReleased(int position, int id);    // 1094: limited to 2..320, saved, 1302 (stage)
    bool sliderDragged(int position, int id);     // 1095: stored (limited alike), nothing sent
    void toggleAcceleration();                    // saves, sends 1297 (255, 255)
    void setAcceleration(int level);              // saves, posts 1297 (255, 255)
    void setReportRate(int index);                // 0..3 → 125..1000 Hz; saves, marks, posts 1277
    // 1280 from the service: the mouse reconnects after a rate change; true when that was expected.
    bool mouseUnplugged();
    void stepDoubleClick(bool up);                // 4..20; saves, posts 1296
    void stepWheel(bool up);                      // 1..10; saves, posts 1295
    void setAngle(bool on);                       // "AngleV" 128 or 0; saves, posts 1229
    void setLift(bool high);                      // "LiftV" 1 or 0; saves, posts 1229

private:
    int32_t* sliderValue(int id);
    struct Last {
        int position = -1, id = -1;
    };
    PanelModel& model_;
    Last lastRelease_, lastDrag_;
    bool ratePending_ = false;
};

}  // namespace panel
