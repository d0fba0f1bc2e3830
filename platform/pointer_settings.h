#pragma once
// The pointer acceleration of the desktop: the SPI_SETMOUSE stand-in. The classic values are a
// speed (0 none, 1 doubling above the first threshold, 2 also doubling again above the second)
// and two thresholds in device counts per report.
//
// X has one threshold and one factor, so the classic curve is reduced to:
//   - threshold: the first point where the classic curve leaves 1 (the first threshold for speed
//     1, the lower threshold for speed 2; clamped to 0..1000);
//   - factor: speed 0 gives 1/1 (no acceleration); otherwise the mean of the classic gain over
//     the movements from just above the threshold up to 16 counts, in quarter steps (speed 1 is
//     always 2/1; speed 2 lies between 2 and 4, higher as the second threshold comes closer).
// libinput pointers ignore those values and take their own properties:
//   - speed 0 selects the flat profile with "libinput Accel Speed" 0;
//   - otherwise the adaptive profile, with an accel speed from the mean classic gain over 1..16
//     counts: the classic default (speed 1, thresholds 6 and 10) gives 0, no acceleration -1 and
//     the strongest curve (gain 4 throughout) +1, linear in between on either side.
#include <cstdint>

namespace platform {

struct XPointerAcceleration {
    int numerator;
    int denominator;
    int threshold;
    bool operator==(const XPointerAcceleration&) const = default;
};

struct LibinputAcceleration {
    bool flat;    // flat profile instead of adaptive
    float speed;  // "libinput Accel Speed", -1..1
};

// The classic gain of a movement of `counts` per report: 1, 2 or 4.
int classicGain(int threshold1, int threshold2, int speed, int counts);

XPointerAcceleration xAccelerationFor(int threshold1, int threshold2, int speed);
LibinputAcceleration libinputAccelerationFor(int threshold1, int threshold2, int speed);

// Hands the values to the display named by $DISPLAY: XChangePointerControl for the core pointer
// and, on every enabled pointer device that has them, the libinput acceleration properties
// (through XInput2, loaded at run time). Without a reachable display: one diagnostics line and
// false. False also when the display refused a request. Nothing is persisted.
bool applyPointerAcceleration(int threshold1, int threshold2, int speed);

}  // namespace platform
