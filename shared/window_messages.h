#pragma once
// Window titles and message numbers exchanged between hidagent, cfgpanel, traylet and outside senders.
#include <cstdint>

namespace title {
inline constexpr const char* kService = "KORVANTEHidAgent";
inline constexpr const char* kPanel = "KORVANTE";
inline constexpr const char* kTraylet = "KORVANTEMouseTraylet";
}  // namespace title

namespace msg {
// Standard window messages that cross the bus.
inline constexpr uint32_t kClose = 0x0010;  // WM_CLOSE
inline constexpr uint32_t kQuit = 0x0012;   // WM_QUIT
inline constexpr uint32_t kLeftButtonUp = 0x0202;
inline constexpr uint32_t kRightButtonUp = 0x0205;

// Requests to the service window.
inline constexpr uint32_t kClickCount = 1196;
inline constexpr uint32_t kLighting = 1227;
inline constexpr uint32_t kLiftAngle = 1229;
inline constexpr uint32_t kDpiStageIndex = 1274;
inline constexpr uint32_t kLegacyButtonUpload = 1275;
inline constexpr uint32_t kTraySetting = 1276;
inline constexpr uint32_t kPollingRate = 1277;
inline constexpr uint32_t kSendAll = 1278;
inline constexpr uint32_t kApplyAll = 1279;
inline constexpr uint32_t kScrollTrayFlags = 1284;
inline constexpr uint32_t kWheelLines = 1295;
inline constexpr uint32_t kDoubleClickSpeed = 1296;
inline constexpr uint32_t kDpiOrAcceleration = 1297;
inline constexpr uint32_t kProfile = 1298;
inline constexpr uint32_t kButton = 1299;
inline constexpr uint32_t kMacroSlot = 1300;
inline constexpr uint32_t kDpiValues = 1302;
// Our own: a profile's program rule ("Exe") changed; the service reloads and applies the rules to
// the program that has the focus now.
inline constexpr uint32_t kProgramRules = 1312;
inline constexpr uint32_t kMouseData = 2027;
// How far the emulated shortcuts reach: the result (also sent back as notice kShortcutState) is
// 0 everywhere, 1 off (no key backend: no X display, no access to /dev/uinput), 2 X programs
// only (a Wayland session without access to /dev/uinput).
inline constexpr uint32_t kShortcutQuery = 1310;
inline constexpr uint32_t kDeviceLink = 1282;  // collection record, inside the service only

// Messages other programs send the UI window, beside the service's notifications below.
inline constexpr uint32_t kRemoteCommand = 1034;    // lParam 11 reset profile, 12 apply, 22 help
inline constexpr uint32_t kReloadDpiStages = 1224;  // re-read the seven DPI stages
inline constexpr uint32_t kBlankPage = 1294;        // show the blank page

// Notifications from the service to the UI window.
inline constexpr uint32_t kMouseUnplug = 1280;
inline constexpr uint32_t kCounters = 1282;
inline constexpr uint32_t kMouseChanged = 1285;
inline constexpr int32_t kChangedReload = 0;
inline constexpr int32_t kChangedDpiStage = 8;
inline constexpr int32_t kChangedProfile = 9;
inline constexpr int32_t kChangedLighting = 10;
// A write request that did not reach the mouse: after its writes the service read the written
// bytes back, and they differed even after writing them once more, or the mouse did not answer.
// wParam = the request's message number (1227 ... 1302), lParam = the reason below. A sender that
// waits for a write request (SendMessageW) gets the same reason as the result; 0 means written and
// read back (or not checked: "VerifyWrites" = 0).
inline constexpr uint32_t kWriteFailed = 1286;
inline constexpr int32_t kWriteMismatch = 1;  // the mouse kept other values
inline constexpr int32_t kWriteNoAnswer = 2;  // the mouse did not answer the read-back
// The result (only) of a write request while the settings file exists but cannot be read (a
// folder, a FIFO, a device, too large): nothing was written into the mouse.
inline constexpr int32_t kWriteSettingsUnreadable = 3;
// Only as a write request's result, never notified: the mouse was not there when the request's
// turn came. The change stays saved and reaches the mouse when it is plugged in.
inline constexpr int32_t kWriteNoMouse = 4;
// The answer to kShortcutQuery, and the news when it changes: wParam = how far shortcuts reach.
inline constexpr uint32_t kShortcutState = 1311;
inline constexpr int32_t kShortcutsEverywhere = 0;
inline constexpr int32_t kShortcutsOff = 1;
inline constexpr int32_t kShortcutsXOnly = 2;

// Whether a request asks the service to write saved settings into the mouse (the pointer
// settings of 1297 with 255, 255 and the program rules of 1312 stay on the computer).
inline constexpr bool writesTheMouse(uint32_t message, int64_t wParam, int64_t lParam) {
    switch (message) {
        case kLighting: case kLiftAngle: case kDpiStageIndex: case kLegacyButtonUpload: case kPollingRate:
        case kSendAll: case kApplyAll: case kWheelLines: case kDoubleClickSpeed: case kProfile: case kButton:
        case kMacroSlot: case kDpiValues:
            return true;
        case kDpiOrAcceleration:
            return !(wParam == 255 && lParam == 255);
        default:
            return false;
    }
}

// Event codes of message 2027.
inline constexpr uint32_t kMouseArrived = 0xFFFE;
inline constexpr uint32_t kMouseRemoved = 0xFFFD;

// Service timer.
inline constexpr int kTrailerTimerId = 10001;
inline constexpr int kTrailerTimerMs = 15000;
}  // namespace msg
