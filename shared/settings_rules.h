#pragma once
// The rules of every value the configuration window and korvantectl set: the values each one may
// hold (exactly those the mouse keeps, so that a value written into it reads back as it was set),
// snapping to them, and each change itself: applied to a MouseSettings record, with the request
// that tells the service what to write. No widgets, files or bus: the window's pages and
// korvantectl call the same functions on their working record, save it, and deliver the request.
//
// Changes take the value the user chose and snap it to the nearest value the mouse keeps; a
// choice that cannot apply (a stage, mode or direction that does not exist) changes nothing and
// asks for nothing. A page that only stores a value while a slider is dragged ignores the request.
#include <cstdint>
#include <string>
#include <vector>

#include "shared/settings_record.h"

namespace settingsrules {

// What the service must hear after a change has been saved: the message (0: nothing to send),
// its parameters, and whether the sender waits for the handler's result (SendMessageW) instead
// of posting.
struct Request {
    uint32_t message = 0;
    int64_t wParam = 0;
    int64_t lParam = 0;
    bool wait = false;

    explicit operator bool() const { return message != 0; }
    bool operator==(const Request&) const = default;
};

// The values a setting may hold: minimum, minimum + step, ... up to maximum.
struct Range {
    int32_t minimum;
    int32_t maximum;
    int32_t step = 1;

    bool contains(int64_t value) const;
    // The allowed value nearest to `value` (halfway between two goes up); the ends below and above.
    int32_t snap(int64_t value) const;
    std::vector<int32_t> values() const;
};

// ---- DPI stages ("DPI_INFO1".."7", "DPI", each profile's "DPI") ----
inline constexpr int kDpiPerStep = 50;
inline constexpr Range kDpiSteps{2, 320};   // the stored step numbers: 100 .. 16000 DPI
inline constexpr Range kStages{0, kDpiStageCount - 1};
inline constexpr int kAxisCommon = 0, kAxisX = 1, kAxisY = 2;

// The current profile (an invalid "Profile" counts as 0, as the service writes it) and its DPI
// stage (-1 when the stored value is no stage).
int currentProfile(const MouseSettings& s);
int currentStage(const MouseSettings& s);

// A stage button: the current stage of the record and of the current profile. 1297 (0, 0).
Request selectStage(MouseSettings& s, int stage);
// The separate switch of a stage. 1302 (stage): the service writes X and Y or the common value.
Request setSeparate(MouseSettings& s, int stage, bool separate);
// One of the stage's three values (kAxisCommon, kAxisX, kAxisY), snapped to kDpiSteps. 1302 (stage).
Request setStageValue(MouseSettings& s, int stage, int axis, int steps);
// Both axes at once: one value ({0, v, v, v}), or separate X and Y (the common value stays).
Request setStageDpi(MouseSettings& s, int stage, int steps);
Request setStageAxes(MouseSettings& s, int stage, int xSteps, int ySteps);

// ---- report rate ("PollingRate": milliseconds between reports) ----
inline constexpr int kReportRateCount = 4;
inline constexpr int32_t kReportIntervals[kReportRateCount] = {8, 4, 2, 1};  // 125, 250, 500, 1000 reports/s
// The button index 0..3 of an interval, -1 for none; reports per second of an interval the mouse
// holds (1..8 ms; the buttons offer four of them), -1 for none.
int reportRateIndex(int32_t interval);
int reportsPerSecond(int32_t interval);
// A report-rate button, index 0..3. 1277 (0, index).
Request setReportRate(MouseSettings& s, int index);

// ---- pointer settings of the desktop (not written into the mouse) ----
inline constexpr Range kAccelerationLevels{1, 13};
inline constexpr Range kDoubleClickSpeeds{4, 20};
Request toggleAcceleration(MouseSettings& s);            // 1297 (255, 255), waited for
Request setAcceleration(MouseSettings& s, int level);    // snapped; 1297 (255, 255)
Request stepDoubleClick(MouseSettings& s, bool up);      // one step, held at the ends; 1296
Request setDoubleClick(MouseSettings& s, int speed);     // snapped; 1296

// ---- wheel, angle, lift ----
inline constexpr Range kWheelLines{1, 10};
inline constexpr int32_t kAngleOn = 128;
Request stepWheel(MouseSettings& s, bool up);            // one step, held at the ends; 1295
Request setWheelLines(MouseSettings& s, int lines);      // snapped; 1295
Request setAngle(MouseSettings& s, bool on);             // "AngleV" 128 or 0; 1229
Request setLift(MouseSettings& s, bool high);            // "LiftV" 1 or 0; 1229

// ---- lighting ("LedMode", "LED_MODE_INFO1".."6", "LedStateOn", "LedColor") ----
inline constexpr Range kLightingModes{1, 5};   // offered; mode 6 is only shown when the mouse reports it
inline constexpr Range kLightingLevels{1, 4};
inline constexpr Range kLightingRates{0, 8};   // 0 = off; the mouse runs no faster than 8
inline constexpr Range kLightingRateSlider{1, 8};
inline constexpr int32_t kRateSwitchedOn = 3;  // the rate switch turns an off rate into this

// Modes 2 and 5 have a direction: 1 or 2 for mode 2, 3 or 4 for mode 5 (its first one is the
// default); the others have none (0).
bool modeHasDirection(int mode);
Range lightingDirections(int mode);
// The number shown for a level: the level the mouse keeps, 1..4 (never 0, which would read as off).
int levelShown(int level);
// The current mode 1..6 (an unknown stored mode shows as 1, as the service writes it) and its record.
int currentLightingMode(const MouseSettings& s);
LedModeInfo& currentModeInfo(MouseSettings& s);

// Each of these is announced with 1227. Level, rate and direction belong to the current mode.
Request setLightingMode(MouseSettings& s, int mode);            // 1..5
Request setLightingDirection(MouseSettings& s, int direction);  // one of the current mode's
Request setLightingLevel(MouseSettings& s, int level);          // snapped to kLightingLevels
Request setLightingRate(MouseSettings& s, int rate);            // snapped to kLightingRates
Request toggleLightingRate(MouseSettings& s);                   // off -> kRateSwitchedOn, else off
Request setLightingOn(MouseSettings& s, bool on);
Request setLightingColour(MouseSettings& s, uint32_t colorRef); // red in the low byte; 24 bits kept

// ---- profiles, buttons, everything ----
inline constexpr Range kProfiles{0, kProfileCount - 1};
// Makes the profile current, with the DPI stage it last had (so the window, the file and the
// mouse agree on the stage). The current profile or one out of range changes nothing. 1298.
Request selectProfile(MouseSettings& s, int profile);
Request buttonChanged(int profile, int button);   // 1299 (profile, button), waited for
Request macroSlotChanged(int slot, bool cleared); // 1300 (slot, cleared)
Request writeEverything();                         // 1279: the whole record

// ---- the parameters of button functions ----
inline constexpr Range kXShootCounts{1, 255};          // value A, record byte 2
inline constexpr Range kXShootIntervals{10, 250, 10};  // value B, byte 3: the mouse keeps B / 10
inline constexpr Range kRapidFireA{0, 255};            // byte 2
inline constexpr Range kRapidFireB{0, 250, 10};        // byte 3: the mouse keeps B / 10
inline constexpr Range kRapidFireSpeeds{10, 200};      // byte 5
inline constexpr Range kDpiShiftItems{1, 4};           // byte 2: 250, 500, 750, 1000 DPI
int dpiShiftDpi(int item);  // 0 outside 1..4
int dpiShiftItem(int dpi);  // 0 for other values

// ---- values of a stored record ----

// A value that lay outside what the mouse keeps and was replaced: the key that holds it ("WheelScrollLines",
// "DPI_INFO3", "GROUP2/ButtonAssigned4") and what was replaced by what.
struct Correction {
    std::string key;
    std::string change;  // "0 -> 1", "X 0 -> 30, Y 65535 -> 30"
};

// Puts every value the window and korvantectl set, and the service writes into the mouse, into its
// range. A value outside it takes the fallback record's value when that one is in range (the
// read-back keeps the file's value for what the mouse holds no sound value of), else its factory
// value, or the nearest allowed value where that is plainly meant (a value between two steps, a
// lighting rate above the fastest, a rapid-fire speed past an end). With keepUnset, -1 ("not set")
// stays; it always does for the desktop's pointer settings (acceleration, double-click speed),
// which the mouse never gets. Returns one correction per key, in the file's order.
std::vector<Correction> keepInRange(MouseSettings& s, const MouseSettings* fallback = nullptr,
                                    bool keepUnset = false);

}  // namespace settingsrules
