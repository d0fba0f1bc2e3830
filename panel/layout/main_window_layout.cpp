// The rectangle tables of the main window: its frame with the start page, and its four pages.
// Everything lies on an 8 px grid: a 56 px title strip (logo, state panel, help, minimize, close),
// the page area from y 56 to 564 with the back tab and the page title at y 72..104, and a 56 px
// footer strip (web link, import/export, reset/reload, apply).
#include "panel/layout/window_layout.h"

#include <array>

namespace layout {
namespace {

constexpr Rect pill(int left, int top, int width, int height = 32) {
    return {left, top, left + width, top + height};
}

// ---- Frame and start page ("skins/skin_main.ini") ----

constexpr int kTileCaption = 176;  // tile captions start right of the emblem

constexpr Control kFrameControls[] = {
    named({1, Role::Close, 0, {904, 16, 928, 40}, Look::IconButton}, "CLOSE"),
    named({2, Role::Minimize, 0, {872, 16, 896, 40}, Look::IconButton}, "MINIMIZE"),
    named({3, Role::Help, 0, {840, 16, 864, 40}, Look::IconButton}, "HELP"),
    {4, Role::WebLink, 0, {32, 580, 200, 604}, Look::Link},
    {5, Role::Reset, 0, pill(624, 576, 96), Look::Pill},
    {6, Role::Apply, 0, pill(832, 576, 96), Look::Pill},
    {7, Role::Reload, 0, pill(728, 576, 96), Look::Pill},
    {8, Role::Import, 0, pill(400, 576, 96), Look::Pill},
    {9, Role::Export, 0, pill(504, 576, 96), Look::Pill},
    {10, Role::StateText, 0, {320, 16, 640, 40}, Look::Plain},  // text on the strip, no box
};

// The start page's tiles: on the frame's pictures, with captions of the frame's skin description
// (ids apart from the frame's).
constexpr Control kStartControls[] = {
    {11, Role::TabButtons, 0, {32, 128, 472, 328}, Look::Tile, kTileCaption},
    {12, Role::TabMacro, 0, {488, 128, 928, 328}, Look::Tile, kTileCaption},
    {13, Role::TabLighting, 0, {32, 344, 472, 544}, Look::Tile, kTileCaption},
    {14, Role::TabDpi, 0, {488, 344, 928, 544}, Look::Tile, kTileCaption},
};

// ---- Button page ("skins/skin_button.ini") ----

constexpr Rect kMousePicture = {368, 176, 592, 544};

// Where each button lies on the mouse picture: 0 left, 1 right, 2 wheel, 3 back (rear side
// button), 4 forward (front side button), 5 DPI up and 6 DPI down behind the wheel, 7 the small
// button beside the left button, 8 the round button on the back of the mouse.
constexpr Point kAnchors[9] = {
    {452, 236}, {524, 270}, {480, 246}, {387, 407}, {387, 369},
    {480, 291}, {480, 311}, {419, 276}, {480, 366},
};

constexpr int kLabelWidth = 216;
constexpr int kLeftLabel = 80;    // labels of buttons on the left half of the mouse
constexpr int kRightLabel = 664;  // labels of buttons on the right half and the middle
constexpr int kLabelText = 14;

constexpr Control label(int id, int button, int left, int top) {
    return {id, Role::ButtonLabel, button, pill(left, top, kLabelWidth), Look::Label, kLabelText};
}

constexpr Control kButtonControls[] = {
    {20, Role::TabHome, 0, {32, 72, 128, 104}, Look::Tab},
    {21, Role::TabMacro, 0, {792, 72, 928, 104}, Look::Tab},
    toggle({22, Role::Profile, 0, pill(184, 120, 112), Look::Pill}),
    toggle({23, Role::Profile, 1, pill(304, 120, 112), Look::Pill}),
    toggle({24, Role::Profile, 2, pill(424, 120, 112), Look::Pill}),
    toggle({25, Role::Profile, 3, pill(544, 120, 112), Look::Pill}),
    toggle({26, Role::Profile, 4, pill(664, 120, 112), Look::Pill}),
    // Labels sit beside the mouse in the order of their buttons from front to back, so no two
    // leader lines cross.
    label(30, 0, kLeftLabel, 224),
    label(31, 1, kRightLabel, 280),
    label(32, 2, kRightLabel, 224),
    label(33, 3, kLeftLabel, 448),
    label(34, 4, kLeftLabel, 392),
    label(35, 5, kRightLabel, 336),
    label(36, 6, kRightLabel, 392),
    label(37, 7, kLeftLabel, 280),
    label(38, 8, kRightLabel, 448),
};

constexpr Group kButtonGroups[] = {
    {{176, 112, 784, 160}},  // profiles
    {{32, 176, 928, 548}},   // the mouse and its labels
};

// ---- Macro page ("skins/skin_macro.ini") ----

constexpr Control command(int id, int index, Rect rect, Look look = Look::Pill) {
    return {id, Role::MacroCommand, index, rect, look};
}

constexpr Control kMacroControls[] = {
    {20, Role::TabHome, 0, {32, 72, 128, 104}, Look::Tab},
    {21, Role::MacroName, 0, {48, 160, 336, 192}, Look::Label, 14},
    {22, Role::MacroList, 0, {48, 200, 336, 440}, Look::Plain},
    // Recording (the line below the buttons says when recording is limited to this window)
    command(30, kMacroRecord, pill(384, 160, 120)),
    command(31, kMacroStop, pill(512, 160, 112)),
    // Delays
    toggle(command(33, kMacroDelayMeasured, pill(384, 304, 72))),
    toggle(command(34, kMacroDelayFixed, pill(464, 304, 80))),
    toggle(command(35, kMacroDelayNone, pill(552, 304, 72))),
    command(36, kMacroDelayField, pill(384, 344, 120), Look::Panel),
    // Loop
    toggle(command(37, kMacroLoopToggle, pill(384, 448, 120))),
    command(38, kMacroLoopField, pill(512, 448, 112), Look::Panel),
    // Editing the selected event; the last button opens the event menu (as a right click does)
    command(42, kMacroMoveUp, pill(672, 160, 72)),
    command(43, kMacroMoveDown, pill(752, 160, 80)),
    command(44, kMacroDelete, pill(840, 160, 72)),
    command(45, kMacroEventMenu, pill(672, 200, 240)),
    // Macro files
    command(47, kMacroNew, pill(672, 304, 116)),
    command(48, kMacroRename, pill(796, 304, 116)),
    command(49, kMacroRemove, pill(672, 344, 116)),
    command(50, kMacroImport, pill(672, 448, 116)),
    command(51, kMacroExport, pill(796, 448, 116)),
};

constexpr Group kMacroGroups[] = {
    {{32, 120, 352, 496}, "HEADMACRO"},    // macro name, event list and its counts
    {{368, 120, 640, 248}, "HEADRECORD"},  // recording
    {{368, 264, 640, 392}, "HEADDELAY"},   // delay mode and fixed delay
    {{368, 408, 640, 496}, "HEADLOOP"},    // loop
    {{656, 120, 928, 248}, "HEADEDIT"},    // editing
    {{656, 264, 928, 496}, "HEADFILE"},    // macro files
};

// ---- Lighting page ("skins/skin_color.ini") ----

constexpr Control kLightingControls[] = {
    {20, Role::TabHome, 0, {32, 72, 128, 104}, Look::Tab},
    {21, Role::LightMode, 0, {48, 160, 456, 192}, Look::Label, 14},
    {22, Role::LightDirection, 0, {48, 200, 456, 232}, Look::Label, 14},
    slider({23, Role::LightLevel, 0, {48, 308, 392, 332}, Look::Plain}, kSliderLevel, settingsrules::kLightingLevels),
    toggle({24, Role::LightRateSwitch, 0, pill(48, 408, 96), Look::Pill}),
    slider({25, Role::LightRate, 0, {160, 412, 456, 436}, Look::Plain}, kSliderRate, settingsrules::kLightingRateSlider),
    {26, Role::ColorSelector, 0, {504, 136, 734, 336}, Look::Plain},
    toggle({27, Role::LightOn, 0, pill(504, 408, 96), Look::Pill}),
    toggle({28, Role::LightOff, 0, pill(608, 408, 96), Look::Pill}),
};

constexpr Group kLightingGroups[] = {
    {{32, 120, 472, 248}, "HEADEFFECT"},       // effect: mode and direction
    {{32, 264, 472, 352}, "HEADBRIGHTNESS"},   // brightness (the level's value is written right of its slider)
    {{32, 368, 472, 456}, "HEADSPEED"},        // speed: rate switch and slider
    {{488, 120, 928, 352}},                    // colour selector (its fields go right of it)
    {{488, 368, 928, 456}, "HEADPOWER"},       // lighting on and off
};

// ---- DPI page ("skins/skin_advance.ini") ----

constexpr Control stage(int index) {
    return toggle({21 + index, Role::DpiStage, index, pill(64 + 120 * index, 136, 112, 64), Look::Pill});
}

constexpr settingsrules::Range kDpiSlider{0, settingsrules::kDpiSteps.maximum};


constexpr Control kDpiControls[] = {
    {20, Role::TabHome, 0, {32, 72, 128, 104}, Look::Tab},
    stage(0), stage(1), stage(2), stage(3), stage(4), stage(5), stage(6),
    // Resolution
    toggle({30, Role::DpiSeparate, 0, pill(48, 272, 112), Look::Pill}),
    // The DPI sliders run from 0 (the stored values from 2 steps, 100 DPI, up).
    slider({31, Role::DpiSliderCommon, 0, {48, 324, 456, 348}, Look::Plain}, kSliderCommon, kDpiSlider),
    slider({32, Role::DpiSliderX, 0, {48, 324, 456, 348}, Look::Plain}, kSliderX, kDpiSlider),
    slider({33, Role::DpiSliderY, 0, {48, 372, 456, 396}, Look::Plain}, kSliderY, kDpiSlider),
    // Pointer acceleration
    toggle({34, Role::AccelerationSwitch, 0, pill(48, 480, 96), Look::Pill}),
    slider({35, Role::AccelerationSlider, 0, {160, 484, 456, 508}, Look::Plain}, kSliderAcceleration,
           settingsrules::kAccelerationLevels),
    // Report rate
    toggle({36, Role::ReportRate, 0, pill(504, 272, 96), Look::Pill}),
    toggle({37, Role::ReportRate, 1, pill(608, 272, 96), Look::Pill}),
    toggle({38, Role::ReportRate, 2, pill(712, 272, 96), Look::Pill}),
    toggle({39, Role::ReportRate, 3, pill(816, 272, 96), Look::Pill}),
    // Double-click speed and wheel lines
    {40, Role::DoubleClickDown, 0, pill(504, 376, 32), Look::IconButton},
    {41, Role::DoubleClickValue, 0, pill(544, 376, 104), Look::Panel},
    {42, Role::DoubleClickUp, 0, pill(656, 376, 32), Look::IconButton},
    {43, Role::WheelDown, 0, pill(728, 376, 32), Look::IconButton},
    {44, Role::WheelValue, 0, pill(768, 376, 104), Look::Panel},
    {45, Role::WheelUp, 0, pill(880, 376, 32), Look::IconButton},
    // Angle snapping and lift distance
    toggle({46, Role::AngleOn, 0, pill(504, 480, 88), Look::Pill}),
    toggle({47, Role::AngleOff, 0, pill(600, 480, 88), Look::Pill}),
    toggle({48, Role::LiftHigh, 0, pill(728, 480, 88), Look::Pill}),
    toggle({49, Role::LiftLow, 0, pill(824, 480, 88), Look::Pill}),
};

constexpr Group kDpiGroups[] = {
    {{32, 120, 928, 216}},                        // the seven stages
    {{32, 232, 472, 424}, "HEADRESOLUTION"},      // resolution: separate switch, common or X and Y sliders
    {{32, 440, 472, 528}, "HEADACCELERATION"},    // pointer acceleration
    {{488, 232, 928, 320}, "HEADRATE"},           // report rate
    {{488, 336, 704, 424}, "HEADDOUBLECLICK"},    // double-click speed
    {{712, 336, 928, 424}, "HEADWHEEL"},          // wheel lines
    {{488, 440, 704, 528}, "HEADANGLE"},          // angle snapping
    {{712, 440, 928, 528}, "HEADLIFT"},           // lift distance
};

constexpr Window kFrameWindow = {"skins/skin_main.ini", "main_n.png", "main_o.png", "main_d.png", "main_x.png",
                                 kMainWidth, kMainHeight, kFrameControls};
constexpr Window kStartWindow = {"skins/skin_main.ini", "main_n.png", "main_o.png", "main_d.png", "main_x.png",
                                 kMainWidth, kMainHeight, kStartControls};
constexpr Window kButtonWindow = {"skins/skin_button.ini", "button_n.png", "button_o.png", "button_d.png",
                                  "button_x.png", kMainWidth, kMainHeight, kButtonControls, kButtonGroups,
                                  "PAGEBUTTONS"};
constexpr Window kMacroWindow = {"skins/skin_macro.ini", "macro_n.png", "macro_o.png", "macro_d.png",
                                 "macro_x.png", kMainWidth, kMainHeight, kMacroControls, kMacroGroups, "PAGEMACRO"};
constexpr Window kLightingWindow = {"skins/skin_color.ini", "color_n.png", "color_o.png", "color_d.png",
                                    "color_x.png", kMainWidth, kMainHeight, kLightingControls, kLightingGroups,
                                    "PAGELIGHTING"};
constexpr Window kDpiWindow = {"skins/skin_advance.ini", "advance_n.png", "advance_o.png", "advance_d.png",
                               "advance_x.png", kMainWidth, kMainHeight, kDpiControls, kDpiGroups, "PAGEDPI"};

}  // namespace

const Window& mainFrame() { return kFrameWindow; }
const Window& startPage() { return kStartWindow; }
const Window& buttonPage() { return kButtonWindow; }
const Window& macroPage() { return kMacroWindow; }
const Window& lightingPage() { return kLightingWindow; }
const Window& dpiPage() { return kDpiWindow; }

const Window& pageWindow(int page) {
    switch (page) {
    case kStartPage: return kStartWindow;
    case kButtonPage: return kButtonWindow;
    case kMacroPage: return kMacroWindow;
    case kLightingPage: return kLightingWindow;
    case kDpiPage: return kDpiWindow;
    default: return kFrameWindow;  // the blank page and any unknown number
    }
}

Point buttonAnchor(int button) {
    if (button < 0 || button >= static_cast<int>(std::size(kAnchors)))
        return {kMousePicture.left + kMousePicture.width() / 2, kMousePicture.top + kMousePicture.height() / 2};
    return kAnchors[button];
}

Rect mousePicture() { return kMousePicture; }

Rect logoArea() { return {32, 12, 232, 44}; }

Rect pageTitleArea(int page) {
    if (page == kStartPage || page == kBlankPage) return {32, 72, 640, 104};
    return {144, 72, 640, 104};
}

Rect macroInfoArea() { return {48, 448, 336, 480}; }
Rect macroNoteArea() { return {384, 200, 624, 232}; }

const Control* find(const Window& window, Role role, int index) {
    for (const Control& control : window.controls)
        if (control.role == role && control.index == index) return &control;
    return nullptr;
}

}  // namespace layout
