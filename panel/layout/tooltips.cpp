#include "panel/layout/tooltips.h"

#include "panel/layout/dialog_layout.h"

namespace layout {

namespace {

const char* macroCommandKey(int index) {
    static constexpr const char* kKeys[kMacroCommandCount] = {
        "MACRORECORD", "MACROSTOP",   "MACRODELAYMEASURED", "MACRODELAYFIXED", "MACRODELAYNONE", "MACRODELAYFIELD",
        "MACROLOOP",   "MACROLOOPFIELD", "MACROUP",         "MACRODOWN",       "MACRODELETE",    "MACROEVENTMENU",
        "MACRONEW",    "MACRORENAME", "MACROREMOVE",        "MACROIMPORT",     "MACROEXPORT",
    };
    return index >= 0 && index < kMacroCommandCount ? kKeys[index] : nullptr;
}

// The menu buttons of the dialogs each choose something else.
const char* menuFieldKey(const Window& window) {
    if (&window == &dpiShiftDialog()) return "SHIFTVALUE";
    if (&window == &xShootDialog()) return "XSHOOTOUTPUT";
    if (&window == &macroSelectDialog()) return "MACROCHOICE";
    return nullptr;
}

}  // namespace

const char* tooltipKey(const Window& window, const Control& c) {
    switch (c.role) {
        case Role::Close: return "CLOSE";
        case Role::Minimize: return "MINIMIZE";
        case Role::Help: return "HELP";
        case Role::WebLink: return "WEBSITE";
        case Role::TabButtons: return "TABBUTTONS";
        case Role::TabMacro: return "TABMACRO";
        case Role::TabLighting: return "TABLIGHTING";
        case Role::TabDpi: return "TABDPI";
        case Role::TabHome: return "TABHOME";
        case Role::Profile: return "PROFILE";
        case Role::ButtonLabel: return "BUTTONLABEL";
        case Role::Reset: return "RESET";
        case Role::Apply: return "APPLY";
        case Role::Reload: return "RELOAD";
        case Role::Import: return "IMPORT";
        case Role::Export: return "EXPORT";
        case Role::DpiStage: return "DPISTAGE";
        case Role::DpiSeparate: return "DPISEPARATE";
        case Role::DpiSliderCommon: return "DPISLIDER";
        case Role::DpiSliderX: return "DPISLIDERX";
        case Role::DpiSliderY: return "DPISLIDERY";
        case Role::AccelerationSwitch: return "ACCELSWITCH";
        case Role::AccelerationSlider: return "ACCELSLIDER";
        case Role::ReportRate: return "REPORTRATE";
        case Role::DoubleClickValue: return "DOUBLECLICK";
        case Role::WheelValue: return "WHEELLINES";
        case Role::DoubleClickUp:
        case Role::WheelUp: return "STEPUP";
        case Role::DoubleClickDown:
        case Role::WheelDown: return "STEPDOWN";
        case Role::AngleOn: return "ANGLEON";
        case Role::AngleOff: return "ANGLEOFF";
        case Role::LiftHigh: return "LIFTHIGH";
        case Role::LiftLow: return "LIFTLOW";
        case Role::LightOn: return "LIGHTON";
        case Role::LightOff: return "LIGHTOFF";
        case Role::LightMode: return "LIGHTMODE";
        case Role::LightDirection: return "LIGHTDIRECTION";
        case Role::LightLevel: return "LIGHTLEVEL";
        case Role::LightRate: return "LIGHTRATE";
        case Role::LightRateSwitch: return "LIGHTRATESWITCH";
        case Role::ColorSelector: return "COLOUR";
        case Role::MacroList: return "MACROLIST";
        case Role::MacroName: return "MACRONAME";
        case Role::MacroCommand: return macroCommandKey(c.index);
        case Role::DialogOk: return "DIALOGOK";
        case Role::DialogCancel:
        case Role::DialogClose: return "DIALOGCANCEL";
        case Role::ValueField: return c.index == 0 ? "SHOTS" : "INTERVAL";
        case Role::RateSlider:
        case Role::RateValue: return "SHOTSPEED";
        case Role::KeyDisplay: return "KEYDISPLAY";
        case Role::MenuField: return menuFieldKey(window);
        case Role::KeyField: return "XSHOOTKEY";
        case Role::PlayMode: return c.index == 0 ? "PLAYONCE" : c.index == 1 ? "PLAYREPEAT" : "PLAYHELD";
        case Role::ProgramList: return "PROGRAMLIST";
        case Role::ProgramBrowse: return "PROGRAMBROWSE";
        case Role::StateText:
        case Role::FieldCaption:
        case Role::Prompt: return nullptr;
    }
    return nullptr;
}

}  // namespace layout
