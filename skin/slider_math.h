#pragma once
// Value and thumb position of a horizontal picture slider. Qt-free.
//
// left and right are the track's edges, thumbWidth the thumb's width, minimum and maximum the
// range; x is the thumb's left edge (or the x of a click on the track). Integer arithmetic that
// truncates toward zero, as the slider always computed it.
//
// A track no wider than its thumb (right - thumbWidth - left <= 0) or an empty range
// (maximum <= minimum) has no positions to divide: its value is the minimum and its thumb sits at
// the left edge.
namespace skin {

// value = min + (x - L) * (max - min) / (R - T - L); step = (R - L) / (max - min); one more when
// x - L - step * (value - 1) > step / 2; limited to [min, max].
int sliderValueFromPosition(int x, int left, int right, int thumbWidth, int minimum, int maximum);

// The thumb's left edge for a value: L + (R - L - T) * (value - min) / (max - min); a value
// outside [min, max] counts as min.
int sliderPositionFromValue(int value, int left, int right, int thumbWidth, int minimum, int maximum);

}  // namespace skin
