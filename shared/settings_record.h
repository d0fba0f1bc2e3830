#pragma once
// The settings record shared by every program: a plain, fixed-size record that is copied whole.
// Field names follow the keys of "Mouse.ini"; -1 means "not set" throughout.
#include <cstddef>
#include <cstdint>
#include <type_traits>

constexpr int kProfileCount = 5;
constexpr int kButtonRecordCount = 11;   // records per profile ("ButtonAssigned1".."11")
constexpr int kDeviceButtonCount = 9;    // buttons the mouse itself has (records 0..8)
constexpr int kDpiStageCount = 7;
constexpr int kLedModeCount = 6;
constexpr int kNameLength = 260;         // UTF-16 units, terminator included

// One button's assignment, 644 bytes. Bytes 0..123 are addressed by position as well
// (the device encoding speaks of "byte 5"), hence byte().
struct ButtonRecord {
    uint8_t owner;          // byte 0: button number 1..11, or 255 for a play-mode-1 macro
    uint8_t code;           // byte 1: function code
    uint8_t param1;         // byte 2
    uint8_t param2;         // byte 3
    uint8_t extra[120];     // bytes 4..123
    char16_t name[kNameLength];  // from byte 124: macro name, UTF-16, NUL-terminated

    uint8_t& byte(int i) { return reinterpret_cast<uint8_t*>(this)[i]; }
    uint8_t byte(int i) const { return reinterpret_cast<const uint8_t*>(this)[i]; }
};
static_assert(sizeof(ButtonRecord) == 644);
static_assert(offsetof(ButtonRecord, name) == 124);

struct ProfileGroup {
    char16_t Name[kNameLength];
    char16_t Exe[kNameLength];
    ButtonRecord buttons[kButtonRecordCount];
    int32_t DPI;
};

// "DPI_INFO%d": values are the mouse's DPI steps (50 DPI each).
struct DpiStage {
    int32_t separate;   // 0: one value for both axes
    int32_t common;
    int32_t x;
    int32_t y;
};
static_assert(sizeof(DpiStage) == 16);

// "LED_MODE_INFO%d": the three parameters of one lighting mode.
struct LedModeInfo {
    int32_t direction;  // first
    int32_t level;      // second
    int32_t rate;       // third
};
static_assert(sizeof(LedModeInfo) == 12);

struct MouseSettings {
    int32_t LeftCount;
    int32_t RightCount;
    int32_t MouseButtons;
    int32_t Profile;
    int32_t TrayEnabled;
    ProfileGroup profiles[kProfileCount];
    int32_t UniversalScrollEnabled;
    int32_t MouseSensitivity;
    int32_t AccelerationEnabled;
    int32_t LedStateOn;
    int32_t LedColor;
    int32_t DPI;
    DpiStage dpiStages[kDpiStageCount];
    int32_t PollingRate;
    int32_t DoubleClickSpeed;
    int32_t WheelScrollLines;
    int32_t LedMode;
    LedModeInfo ledModes[kLedModeCount];
    int32_t Acceleration;
    int32_t AngleV;
    int32_t LiftV;
};
static_assert(std::is_trivially_copyable_v<MouseSettings>);
