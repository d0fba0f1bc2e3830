#pragma once
// The pointer acceleration level (1..13, "Acceleration" in Mouse.ini) and the three classic
// pointer values it stands for: speed and two thresholds, kept in the registry key
// "HKEY_CURRENT_USER\Control Panel\Mouse" and handed to the display's pointer settings.
#include <string>

class RegistryKey;

struct PointerAcceleration {
    int speed = 0;       // "MouseSpeed": 0 off, 1 one threshold, 2 two thresholds
    int threshold1 = 0;  // "MouseThreshold1"
    int threshold2 = 0;  // "MouseThreshold2"
};

// The values for a level, starting from the stored ones: entries the level does not set keep
// their stored value; an unknown level (-1 included) keeps all three.
PointerAcceleration accelerationForLevel(int level, const PointerAcceleration& stored);

// Reads the three values from the open key (a failed read or a non-number gives 0), applies the
// level, writes them back in the order "MouseSpeed", "MouseThreshold2", "MouseThreshold1" and
// hands them to the display. Failures are ignored, as the pointer settings are best effort. In a
// Wayland session the display is not asked: the first such call says so in the diagnostics.
PointerAcceleration applyPointerAccelerationLevel(RegistryKey& key, int level);
