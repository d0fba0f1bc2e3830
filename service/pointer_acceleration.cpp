#include "service/pointer_acceleration.h"

#include <cstdlib>

#include "platform/diagnostics.h"
#include "platform/key_synthesis.h"
#include "platform/pointer_settings.h"
#include "shared/registry_key.h"

namespace {

// Levels 1..13: speed, threshold 1, threshold 2; -1 keeps the stored value.
struct LevelRow {
    int speed, threshold1, threshold2;
};
constexpr LevelRow kLevels[13] = {
    {0, -1, -1}, {1, 10, -1}, {1, 8, -1}, {1, 6, -1}, {1, 4, -1}, {1, 2, -1}, {2, 2, 12},
    {2, 2, 10},  {2, 2, 8},   {2, 2, 6},  {2, 2, 5},  {2, 2, 4},  {2, 2, 3},
};

int readNumber(RegistryKey& key, const char* name) {
    std::string text;
    if (!key.readString(name, text)) return 0;
    return std::atoi(text.c_str());  // the platform's decimal conversion: non-numbers give 0
}

}  // namespace

PointerAcceleration accelerationForLevel(int level, const PointerAcceleration& stored) {
    PointerAcceleration result = stored;
    if (level < 1 || level > 13) return result;
    const LevelRow& row = kLevels[level - 1];
    result.speed = row.speed;
    if (row.threshold1 >= 0) result.threshold1 = row.threshold1;
    if (row.threshold2 >= 0) result.threshold2 = row.threshold2;
    return result;
}

PointerAcceleration applyPointerAccelerationLevel(RegistryKey& key, int level) {
    PointerAcceleration stored;
    stored.speed = readNumber(key, "MouseSpeed");
    stored.threshold2 = readNumber(key, "MouseThreshold2");
    stored.threshold1 = readNumber(key, "MouseThreshold1");
    PointerAcceleration applied = accelerationForLevel(level, stored);
    key.writeString("MouseSpeed", std::to_string(applied.speed));
    key.writeString("MouseThreshold2", std::to_string(applied.threshold2));
    key.writeString("MouseThreshold1", std::to_string(applied.threshold1));
    if (!platform::inWaylandSession()) {
        platform::applyPointerAcceleration(applied.threshold1, applied.threshold2, applied.speed);
        return applied;
    }
    // The X pointer calls would reach only XWayland's own pointer: nothing the user moves.
    static bool said = false;
    if (!said)
        platform::debugLine("pointer acceleration: not applied in a Wayland session, the desktop's own mouse "
                            "settings apply (the level is kept in the settings)");
    said = true;
    return applied;
}
