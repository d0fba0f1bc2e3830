#pragma once
// Rectangle tables of the configuration window: where every skinned control of every page lies,
// what it does and how its pictures look. The skin art generator paints the window pictures from
// these tables and the window places its controls from the same tables, so art and controls always
// line up. Qt-free: the generator, the window and the tests all read them.
//
// Coordinates are logical pixels of the window (1x). The generator also writes every picture at 2x;
// the window uses those on high-density screens.
#include <span>

#include "shared/settings_rules.h"

namespace layout {

struct Rect {
    int left, top, right, bottom;
    constexpr int width() const { return right - left; }
    constexpr int height() const { return bottom - top; }
};

struct Point {
    int x, y;
};

// What a control does; the window decides behaviour by role (and index), never by position.
enum class Role {
    // Frame: on every page.
    Close, Minimize, Help, WebLink,
    // Page tabs: the four tiles of the start page, the back tab of every other page, and the
    // button page's shortcut to the macro page.
    TabButtons, TabMacro, TabLighting, TabDpi, TabHome,
    // Button page.
    Profile,        // index 0..4
    ButtonLabel,    // index 0..8: opens that button's function menu
    // Commands of the frame's footer.
    Reset, Apply, Reload, Import, Export,
    // State panel shown when the mouse or the service is missing.
    StateText,
    // DPI page (behaviour follows with the DPI page): stage buttons 0..6, the separate switch, the
    // three DPI sliders, acceleration switch and slider, report-rate buttons 0..3, stepped values
    // with their up/down buttons, angle and lift pairs.
    DpiStage, DpiSeparate, DpiSliderCommon, DpiSliderX, DpiSliderY,
    AccelerationSwitch, AccelerationSlider, ReportRate,
    DoubleClickValue, DoubleClickUp, DoubleClickDown,
    WheelValue, WheelUp, WheelDown,
    AngleOn, AngleOff, LiftHigh, LiftLow,
    // Lighting page: on/off, mode and direction menu buttons, level and rate sliders, rate switch,
    // colour selector area.
    LightOn, LightOff, LightMode, LightDirection, LightLevel, LightRate, LightRateSwitch,
    ColorSelector,
    // Macro page (panel/macro/macro_page.h): event list area, macro name menu button and the
    // recording, editing and file commands (MacroCommandIndex below).
    MacroList, MacroName, MacroCommand,
    // Function dialogs (dialog_layout.h): their commands, field captions (drawn by the dialog from
    // the skin's captions), value fields, the rapid-fire slider and its number, the key display or
    // name field, a prompt line, menu buttons, the typed-key field and the macro dialog's play-mode
    // buttons (index = play mode 0..2); index tells them apart.
    DialogOk, DialogCancel, DialogClose,
    FieldCaption, ValueField, RateSlider, RateValue, KeyDisplay, Prompt, MenuField, KeyField, PlayMode,
    // The program dialog of a profile: the list of running programs and its Browse command.
    ProgramList, ProgramBrowse,
};

// A slider's identifier (the lParam of its messages) and range.
struct Slider {
    int identifier = 0;  // 0: not a slider
    int minimum = 0, maximum = 0;
};

// Identifiers of the main window's sliders.
inline constexpr int kSliderCommon = 10001;
inline constexpr int kSliderX = 10002;
inline constexpr int kSliderY = 10003;
inline constexpr int kSliderRate = 10008;
inline constexpr int kSliderLevel = 10009;
inline constexpr int kSliderAcceleration = 10010;

// How the generator paints a control's four state pictures.
enum class Look {
    Plain,          // nothing painted: the control draws itself (sliders, colour selector, lists)
    IconButton,     // small square frame button with a glyph (close, minimize, help)
    Tile,           // large start-page tile with an emblem
    Tab,            // page tab
    Pill,           // rounded text button (commands, profiles, stages, option buttons)
    Label,          // button label on the button page: text field with a chevron
    Link,           // text only (web link)
    Panel,          // flat inset panel, no states (state text, value fields)
};

struct Control {
    int id;          // "BUTTONPOS" key of the window's skin description file (caption), unique per window
    Role role;
    int index;       // which of several controls of the same role (0-based)
    Rect rect;
    Look look;
    int captionOffset = 0;  // caption x offset from the control's left edge (0 = centred)
    // What the window makes of the entry beyond its picture (set with the helpers below):
    bool toggles = false;           // a click turns it on or off; it shows which
    Slider slider = {};             // a slider (Look::Plain): its identifier and range
    const char* nameKey = nullptr;  // "MAIN" key of the accessible name of a button without caption
};

constexpr Control toggle(Control c) {
    c.toggles = true;
    return c;
}
// A slider through the values of a settings rule's range.
constexpr Control slider(Control c, int identifier, const settingsrules::Range& range) {
    c.slider = {identifier, range.minimum, range.maximum};
    return c;
}
constexpr Control named(Control c, const char* key) {
    c.nameKey = key;
    return c;
}

// An inset group panel the art paints behind related controls, and the "MAIN" key of the heading
// the window writes into its heading band (nullptr: none). A group whose first control lies 40 to
// 44 px below its top (44: a slider centred in a 32 px row) has a heading band (top + 8 to top + 32,
// from left + 16).
struct Group {
    Rect rect;
    const char* heading = nullptr;
};

// One skin description file ("skins/skin_main.ini", ...) and the pictures it names.
struct Window {
    const char* skinFile;    // relative to the program folder, e.g. "skins/skin_main.ini"
    const char* mainImage;   // "Screen"/"Main": background and normal state
    const char* overImage;   // "Screen"/"Over": hover state
    const char* downImage;   // pressed state picture ("" = painted only where the window says)
    const char* disabledImage;
    int width, height;
    std::span<const Control> controls;
    std::span<const Group> groups = {};
    const char* titleKey = nullptr;  // "MAIN" key of a page's title
};

// Page numbers of the main window.
inline constexpr int kStartPage = 100000;
inline constexpr int kButtonPage = 100001;
inline constexpr int kMacroPage = 100002;
inline constexpr int kLightingPage = 100003;
inline constexpr int kDpiPage = 100004;
inline constexpr int kBlankPage = 100005;

// Size of the main window (every page picture has this size).
inline constexpr int kMainWidth = 960;
inline constexpr int kMainHeight = 620;

// The main window's frame ("skins/skin_main.ini": window pictures and frame controls), the start
// page (its four tiles, on the frame's pictures: "skin_main.ini" names the captions of both) and
// the other pages ("skin_button.ini", "skin_macro.ini", "skin_color.ini", "skin_advance.ini").
// Every page picture repeats the frame, so frame controls look the same on every page.
const Window& mainFrame();
const Window& startPage();
const Window& buttonPage();
const Window& macroPage();
const Window& lightingPage();
const Window& dpiPage();
// The table of a page number (the frame's for the blank page and any unknown number).
const Window& pageWindow(int page);

// Button page: where each of the nine buttons lies on the mouse picture (the end of the thin line
// that joins it to its label), and the rectangle of the mouse picture.
Point buttonAnchor(int button);
Rect mousePicture();

// Indexes of the macro page's MacroCommand controls.
enum MacroCommandIndex : int {
    kMacroRecord, kMacroStop,
    kMacroDelayMeasured, kMacroDelayFixed, kMacroDelayNone,  // the three delay modes
    kMacroDelayField,  // the fixed-delay edit field (Look::Panel)
    kMacroLoopToggle,
    kMacroLoopField,   // the loop count edit field (Look::Panel)
    kMacroMoveUp, kMacroMoveDown, kMacroDelete,
    kMacroEventMenu,   // opens the event list's menu
    kMacroNew, kMacroRename, kMacroRemove, kMacroImport, kMacroExport,  // the macro files
    kMacroCommandCount
};

// Areas every page picture keeps free for what the window draws itself: the logo wordmark is
// painted into every page picture at logoArea(); the page's title text goes into pageTitleArea(page);
// the macro page prints its event count and total time into macroInfoArea().
Rect logoArea();
Rect pageTitleArea(int page);
Rect macroInfoArea();
// The macro page's note line in the recording group (recording limited to the window).
Rect macroNoteArea();

// The DPI page's common slider lies exactly under its X slider: the window shows either the common
// slider or the X and Y sliders, never both. Every other pair of controls of one window is disjoint.

// The first control of a window with that role and index, or nullptr.
const Control* find(const Window& window, Role role, int index = 0);

}  // namespace layout
