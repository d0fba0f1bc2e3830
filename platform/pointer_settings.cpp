#include "platform/pointer_settings.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <numeric>
#include <vector>

#include "platform/diagnostics.h"
#include "platform/xtest_keys.h"

namespace platform {
namespace {

constexpr int kMaxThreshold = 1000;
constexpr int kSampleCounts = 16;  // movements up to this many counts per report are averaged

int clampThreshold(int threshold) { return std::clamp(threshold, 0, kMaxThreshold); }
int clampSpeed(int speed) { return std::clamp(speed, 0, 2); }

// Mean classic gain over the movements first..last counts (inclusive).
double meanGain(int threshold1, int threshold2, int speed, int first, int last) {
    double sum = 0;
    for (int d = first; d <= last; ++d) sum += classicGain(threshold1, threshold2, speed, d);
    return sum / (last - first + 1);
}

// XInput2 entry points. libXi is loaded at run time, so a desktop without it only loses the
// libinput part.
struct XInput2 {
    decltype(&XIQueryVersion) queryVersion = nullptr;
    decltype(&XIQueryDevice) queryDevice = nullptr;
    decltype(&XIFreeDeviceInfo) freeDeviceInfo = nullptr;
    decltype(&XIGetProperty) getProperty = nullptr;
    decltype(&XIChangeProperty) changeProperty = nullptr;
    bool loaded = false;
};

const XInput2& xinput2() {
    static const XInput2 api = [] {
        XInput2 a;
        void* lib = dlopen("libXi.so.6", RTLD_NOW | RTLD_LOCAL);
        if (!lib) return a;
        a.queryVersion = reinterpret_cast<decltype(a.queryVersion)>(dlsym(lib, "XIQueryVersion"));
        a.queryDevice = reinterpret_cast<decltype(a.queryDevice)>(dlsym(lib, "XIQueryDevice"));
        a.freeDeviceInfo = reinterpret_cast<decltype(a.freeDeviceInfo)>(dlsym(lib, "XIFreeDeviceInfo"));
        a.getProperty = reinterpret_cast<decltype(a.getProperty)>(dlsym(lib, "XIGetProperty"));
        a.changeProperty = reinterpret_cast<decltype(a.changeProperty)>(dlsym(lib, "XIChangeProperty"));
        a.loaded = a.queryVersion && a.queryDevice && a.freeDeviceInfo && a.getProperty && a.changeProperty;
        return a;
    }();
    return api;
}

struct PropertyValue {
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    std::vector<unsigned char> data;  // items * (format / 8) bytes
};

bool readProperty(const XInput2& xi, Display* display, int device, Atom property, PropertyValue* out) {
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    XErrorTrap trap(display);
    Status status = xi.getProperty(display, device, property, 0, 16, False, AnyPropertyType, &type,
                                   &format, &items, &after, &data);
    bool ok = trap.sync() && status == Success && type != None && data;
    if (ok) {
        // Unlike window properties, device properties arrive packed: format / 8 bytes per item.
        size_t itemSize = static_cast<size_t>(format) / 8;
        out->type = type;
        out->format = format;
        out->items = items;
        out->data.assign(data, data + items * itemSize);
    }
    if (data) XFree(data);
    return ok;
}

// Sets the libinput properties of one pointer device; devices without them are left alone.
// False when the device has them but refused the change.
bool applyLibinput(const XInput2& xi, Display* display, int device, const LibinputAcceleration& accel) {
    const Atom profileAtom = XInternAtom(display, "libinput Accel Profile Enabled", True);
    const Atom speedAtom = XInternAtom(display, "libinput Accel Speed", True);
    bool ok = true;

    PropertyValue profile;
    if (profileAtom != None && readProperty(xi, display, device, profileAtom, &profile) &&
        profile.format == 8 && profile.items >= 2) {
        // Items: adaptive, flat, then any newer profiles, which are switched off.
        std::vector<unsigned char> value(profile.items, 0);
        value[accel.flat ? 1 : 0] = 1;
        XErrorTrap trap(display);
        xi.changeProperty(display, device, profileAtom, profile.type, 8, PropModeReplace,
                          value.data(), static_cast<int>(value.size()));
        ok = trap.sync() && ok;
    }

    PropertyValue speed;
    if (speedAtom != None && readProperty(xi, display, device, speedAtom, &speed) &&
        speed.format == 32 && speed.items == 1) {
        // Device properties travel packed, so the one 32-bit item is the float itself.
        float item = std::clamp(accel.speed, -1.0f, 1.0f);
        static_assert(sizeof item == 4);
        XErrorTrap trap(display);
        xi.changeProperty(display, device, speedAtom, speed.type, 32, PropModeReplace,
                          reinterpret_cast<unsigned char*>(&item), 1);
        ok = trap.sync() && ok;
    }
    return ok;
}

bool applyLibinputToPointers(Display* display, const LibinputAcceleration& accel) {
    const XInput2& xi = xinput2();
    int opcode = 0, event = 0, error = 0;
    if (!xi.loaded || !XQueryExtension(display, "XInputExtension", &opcode, &event, &error)) return true;
    int major = 2, minor = 0;
    {
        XErrorTrap trap(display);
        Status status = xi.queryVersion(display, &major, &minor);
        if (!trap.sync() || status != Success) return true;
    }
    int count = 0;
    XIDeviceInfo* devices = nullptr;
    {
        XErrorTrap trap(display);
        devices = xi.queryDevice(display, XIAllDevices, &count);
        if (!trap.sync()) devices = nullptr;
    }
    if (!devices) return true;
    bool ok = true;
    for (int i = 0; i < count; ++i) {
        if (devices[i].use != XISlavePointer || !devices[i].enabled) continue;
        if (!applyLibinput(xi, display, devices[i].deviceid, accel)) {
            debugPrintf("pointer settings: device \"%s\" refused the acceleration", devices[i].name);
            ok = false;
        }
    }
    xi.freeDeviceInfo(devices);
    return ok;
}

}  // namespace

int classicGain(int threshold1, int threshold2, int speed, int counts) {
    speed = clampSpeed(speed);
    int gain = 1;
    if (speed >= 1 && counts > clampThreshold(threshold1)) gain *= 2;
    if (speed >= 2 && counts > clampThreshold(threshold2)) gain *= 2;
    return gain;
}

XPointerAcceleration xAccelerationFor(int threshold1, int threshold2, int speed) {
    speed = clampSpeed(speed);
    const int t1 = clampThreshold(threshold1), t2 = clampThreshold(threshold2);
    if (speed == 0) return {1, 1, t1};
    const int threshold = speed == 1 ? t1 : std::min(t1, t2);
    const int first = threshold + 1;
    const int last = std::max(first, kSampleCounts);
    const double mean = meanGain(t1, t2, speed, first, last);
    int numerator = static_cast<int>(mean * 4 + 0.5);
    int denominator = 4;
    const int common = std::gcd(numerator, denominator);
    return {numerator / common, denominator / common, threshold};
}

LibinputAcceleration libinputAccelerationFor(int threshold1, int threshold2, int speed) {
    if (clampSpeed(speed) == 0) return {true, 0.0f};
    const double mean = meanGain(threshold1, threshold2, speed, 1, kSampleCounts);
    const double classicDefault = meanGain(6, 10, 1, 1, kSampleCounts);
    double s = mean <= classicDefault ? (mean - classicDefault) / (classicDefault - 1.0)
                                      : (mean - classicDefault) / (4.0 - classicDefault);
    return {false, static_cast<float>(std::clamp(s, -1.0, 1.0))};
}

bool applyPointerAcceleration(int threshold1, int threshold2, int speed) {
    const char* name = std::getenv("DISPLAY");
    Display* display = name && *name ? XOpenDisplay(name) : nullptr;
    if (!display) {
        debugPrintf("pointer settings: no X display reachable, acceleration (%d, %d, %d) not applied",
                    threshold1, threshold2, speed);
        return false;
    }
    bool lost = false;
    watchConnection(display, &lost);

    const XPointerAcceleration x = xAccelerationFor(threshold1, threshold2, speed);
    bool ok;
    {
        XErrorTrap trap(display);
        XChangePointerControl(display, True, True, x.numerator, x.denominator, x.threshold);
        ok = trap.sync();
    }
    if (!ok) debugLine("pointer settings: the display refused the pointer control values");
    if (!lost && !applyLibinputToPointers(display, libinputAccelerationFor(threshold1, threshold2, speed)))
        ok = false;
    if (lost) {
        debugLine("pointer settings: connection to the X display lost");
        ok = false;
    }
    closeWatchedConnection(display);
    return ok;
}

}  // namespace platform
