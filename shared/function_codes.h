#pragma once
// Button function codes: the one-byte number stored in byte 1 of every ButtonRecord, shared by
// the UI (menu and labels), the settings file and the service (device encoding, host actions).
// Pure constants and functions; no I/O.
#include <cstdint>
#include <string_view>

#include "shared/settings_record.h"

// Named codes.
inline constexpr uint8_t kCodeNone = 0;           // records 10 and 11 by default
inline constexpr uint8_t kCodeLeftClick = 1;
inline constexpr uint8_t kCodeRightClick = 2;
inline constexpr uint8_t kCodeMiddleClick = 3;
inline constexpr uint8_t kCodeDoubleClick = 4;
inline constexpr uint8_t kCodeSingleKey = 5;      // key combination dialog; usage in record byte 5
inline constexpr uint8_t kCodeMacro = 6;          // macro selection; bytes 0, 2, 3 and the name
inline constexpr uint8_t kCodeOff = 7;
inline constexpr uint8_t kCodeXShoot = 9;
inline constexpr uint8_t kCodeBack = 10;
inline constexpr uint8_t kCodeForward = 11;
inline constexpr uint8_t kCodeDpiUp = 12;
inline constexpr uint8_t kCodeDpiDown = 13;
inline constexpr uint8_t kCodeDpiSwitch = 14;
inline constexpr uint8_t kCodeDpiShift = 15;      // choice in record byte 2
inline constexpr uint8_t kCodeGameKey = 21;
inline constexpr uint8_t kCodeProfileUp = 23;
inline constexpr uint8_t kCodeProfileDown = 24;
inline constexpr uint8_t kCodePlayPause = 32;
inline constexpr uint8_t kCodeStop = 33;
inline constexpr uint8_t kCodePrevious = 34;
inline constexpr uint8_t kCodeNext = 35;
inline constexpr uint8_t kCodeVolumeUp = 37;
inline constexpr uint8_t kCodeVolumeDown = 38;
inline constexpr uint8_t kCodeMute = 39;
inline constexpr uint8_t kCodeScrollUp = 48;
inline constexpr uint8_t kCodeScrollDown = 49;
inline constexpr uint8_t kCodeScrollLeft = 50;
inline constexpr uint8_t kCodeScrollRight = 51;
inline constexpr uint8_t kCodeCut = 64;
inline constexpr uint8_t kCodeCopy = 65;
inline constexpr uint8_t kCodePaste = 66;
inline constexpr uint8_t kCodeUndo = 67;
inline constexpr uint8_t kCodeSelectAll = 68;
inline constexpr uint8_t kCodeFind = 69;
inline constexpr uint8_t kCodeNew = 70;
inline constexpr uint8_t kCodePrint = 71;
inline constexpr uint8_t kCodeSave = 72;
inline constexpr uint8_t kCodeSwapWindows = 80;
inline constexpr uint8_t kCodeCloseWindow = 81;
inline constexpr uint8_t kCodeLockPc = 82;
inline constexpr uint8_t kCodeOpenExplorer = 83;
inline constexpr uint8_t kCodeRun = 84;
inline constexpr uint8_t kCodeShowDesktop = 85;
inline constexpr uint8_t kCodeDpiFunction = 96;
inline constexpr uint8_t kCodeHandSwitch = 99;
inline constexpr uint8_t kCodeLedSwitch = 100;
inline constexpr uint8_t kCodeRapidFire = 101;
inline constexpr uint8_t kCodeLedModeSwitch = 102;
inline constexpr uint8_t kCodeShift1 = 113;       // profile number n (0..4) is 113 + n
inline constexpr uint8_t kCodeShift5 = 117;

// Item numbers of the function groups in the first menu level.
inline constexpr int kGroupMacro = 6;             // "MACROCOMMAND" (a first-level item, not a submenu)
inline constexpr int kGroupAdvanced = 8;          // "ADVANCEDCOMMAND"
inline constexpr int kGroupShift = 15;            // "SHIFT"
inline constexpr int kGroupBasic = 18;            // "BASICCOMMAND"
inline constexpr int kGroupMedia = 19;            // "MEDIACOMMAND"
inline constexpr int kGroupAdditional = 20;       // "ADDITIONALCOMMAND"

// Where the function menu offers a code.
enum class MenuPlace : uint8_t {
    NotOffered,  // code 0 and codes without a table entry
    Top,         // first-level item; its item number is the code
    Group,       // item of a group submenu (FunctionCodeInfo::group)
    LabelOnly,   // labels know it, the menu does not offer it
};

struct FunctionCodeInfo {
    uint8_t code;
    const char* labelKey;  // "BUTTONPAGE" key of the label and menu text; "" for code 0
    MenuPlace place;
    int group;             // group item number when place == Group, else 0
};

// The table entry of a code; nullptr for codes without an entry (8, 16..20, 25, 36, ...).
const FunctionCodeInfo* functionCodeInfo(uint8_t code);

// All table entries in code order (54 entries, code 0 included).
const FunctionCodeInfo* functionCodeTable(int* count);

// "BUTTONPAGE" key of the code's label; empty for code 0 and codes without an entry.
// Codes 5 and 6 return their menu texts "ASSIGNKEY" and "MACROCOMMAND": their button labels are
// the key name and the macro name instead (see hasDynamicLabel).
std::string_view labelKeyFor(uint8_t code);

// True for codes 5 and 6, whose label is computed from the record (key name, macro name).
bool hasDynamicLabel(uint8_t code);

// Label key of a group item number (8 → "ADVANCEDCOMMAND", ...); empty for other numbers.
std::string_view groupLabelKey(int groupItemNumber);

// True for a group item number with a submenu (8, 15, 18, 19, 20).
bool isFunctionGroup(int itemNumber);

// The set that validation of the settings accepts (54 codes).
bool isValidFunctionCode(uint8_t code);

// Default code of record 0..10 (1, 2, 3, 10, 11, 12, 13, 100, 102, 0, 0); 0 outside that range.
uint8_t defaultFunctionCode(int recordIndex);

// Codes the mouse reports back and the host carries out: profile steps 23, 24 and the editing
// and window functions 64..72, 80..85.
bool isHostPerformedCode(uint8_t code);

// Consumer-page usage the mouse sends for a media code (32..35, 37..39); 0 for other codes.
uint16_t mediaConsumerUsage(uint8_t code);

// Keyboard shortcut behind an editing or window code (64..72, 80..85): modifier usage
// (224 left Ctrl, 226 left Alt, 227 left GUI) and key usage. False for other codes.
bool shortcutUsages(uint8_t code, uint8_t* modifierUsage, uint8_t* keyUsage);

// Left-click guard. True when a record of the profile other than `selected` holds code 1.
bool otherRecordHasLeftClick(const ButtonRecord* records, int recordCount, int selected);

enum class GuardDecision : uint8_t {
    Proceed,  // the assignment may go on
    Ignore,   // choosing "CLICK" again for the last left-click button: silently no change
    Warn,     // the last left-click button would lose it: "WARN3" warning, nothing stored
};

// Decision for the selected record (0..10) of a profile's 11 records when the first-level item
// `groupItem` is chosen. Only the record that is itself the last one holding code 1 is protected;
// a profile that has lost every left click can still be given one.
GuardDecision leftClickGuard(const ButtonRecord* records, int recordCount, int selected,
                             int groupItem);

enum class MenuAction : uint8_t {
    StoreCode,            // store MenuDecision::code
    OpenKeyDialog,        // code 5 on OK
    OpenXShootDialog,     // code 9 on OK
    OpenDpiShiftDialog,   // code 15 (+ choice in byte 2) on OK
    OpenRapidFireDialog,  // code 101 on OK
    SelectMacro,          // macro selection dialog (or the macro page when the list is empty)
    Nothing,              // store nothing
};

struct MenuDecision {
    MenuAction action;
    uint8_t code;  // the code stored by StoreCode, or on OK of a dialog; 0 for Nothing
};

// What a menu selection with group number G (high word) and item number S (low word) does.
// A value that is not a valid function code (only possible from an outside sender) is not stored.
MenuDecision decideMenuSelection(int groupItem, int subItem);
