#include "shared/function_codes.h"

#include <iterator>

namespace {

using P = MenuPlace;

constexpr FunctionCodeInfo kTable[] = {
    {0, "", P::NotOffered, 0},
    {1, "CLICK", P::Top, 0},
    {2, "MENU", P::Top, 0},
    {3, "MIDDLE", P::Top, 0},
    {4, "DBCLICK", P::Top, 0},
    {5, "ASSIGNKEY", P::Group, kGroupAdvanced},
    {6, "MACROCOMMAND", P::Top, 0},
    {7, "OFFBUTTON", P::Top, 0},
    {9, "XSHOOT", P::Group, kGroupAdvanced},
    {10, "BUTTON4", P::Top, 0},
    {11, "BUTTON5", P::Top, 0},
    {12, "DPIUP", P::Group, kGroupAdvanced},
    {13, "DPIDOWN", P::Group, kGroupAdvanced},
    {14, "DPISWITCH", P::Group, kGroupAdvanced},
    {15, "DPISHIFT", P::Group, kGroupAdvanced},
    {21, "GAMEKEY", P::LabelOnly, 0},
    {23, "PROFILEUP", P::Group, kGroupAdvanced},
    {24, "PROFILEDOWN", P::Group, kGroupAdvanced},
    {32, "PLAYPAUSE", P::Group, kGroupMedia},
    {33, "STOP", P::Group, kGroupMedia},
    {34, "PREVIOUS", P::Group, kGroupMedia},
    {35, "NEXT", P::Group, kGroupMedia},
    {37, "VOLUMEUP", P::Group, kGroupMedia},
    {38, "VOLUMEDOWN", P::Group, kGroupMedia},
    {39, "MUTE", P::Group, kGroupMedia},
    {48, "SCROLLUP", P::LabelOnly, 0},
    {49, "SCROLLDOWN", P::LabelOnly, 0},
    {50, "SCROLLLEFT", P::LabelOnly, 0},
    {51, "SCROLLRIGHT", P::LabelOnly, 0},
    {64, "CUT", P::Group, kGroupBasic},
    {65, "COPY", P::Group, kGroupBasic},
    {66, "PASTE", P::Group, kGroupBasic},
    {67, "UNDO", P::Group, kGroupBasic},
    {68, "SELECTALL", P::Group, kGroupBasic},
    {69, "FIND", P::Group, kGroupBasic},
    {70, "NEW", P::Group, kGroupBasic},
    {71, "PRINT", P::Group, kGroupBasic},
    {72, "SAVE", P::Group, kGroupBasic},
    {80, "SWAP_WINDOWS", P::Group, kGroupAdditional},
    {81, "CLOSE_WINDOWS", P::Group, kGroupAdditional},
    {82, "LOCK_PC", P::Group, kGroupAdditional},
    {83, "OPEN_EXPLORER", P::Group, kGroupAdditional},
    {84, "RUN", P::Group, kGroupAdditional},
    {85, "SHOW_DESKTOP", P::Group, kGroupAdditional},
    {96, "DPIFUN", P::LabelOnly, 0},
    {99, "HANDSWITCH", P::LabelOnly, 0},
    {100, "LEDSWITCH", P::Group, kGroupAdvanced},
    {101, "GUNFIREKEY", P::Group, kGroupAdvanced},
    {102, "LEDMODESWITCH", P::Group, kGroupAdvanced},
    {113, "SHIFT1", P::Group, kGroupShift},
    {114, "SHIFT2", P::Group, kGroupShift},
    {115, "SHIFT3", P::Group, kGroupShift},
    {116, "SHIFT4", P::Group, kGroupShift},
    {117, "SHIFT5", P::Group, kGroupShift},
};

constexpr uint8_t kDefaults[kButtonRecordCount] = {1, 2, 3, 10, 11, 12, 13, 100, 102, 0, 0};

struct Shortcut {
    uint8_t code, modifier, key;
};
constexpr Shortcut kShortcuts[] = {
    {64, 224, 27}, {65, 224, 6},  {66, 224, 25}, {67, 224, 29}, {68, 224, 4},
    {69, 224, 9},  {70, 224, 17}, {71, 224, 19}, {72, 224, 22}, {80, 226, 43},
    {81, 226, 61}, {82, 227, 15}, {83, 227, 8},  {84, 227, 21}, {85, 227, 7},
};

}  // namespace

const FunctionCodeInfo* functionCodeInfo(uint8_t code) {
    for (const auto& e : kTable)
        if (e.code == code) return &e;
    return nullptr;
}

const FunctionCodeInfo* functionCodeTable(int* count) {
    if (count) *count = static_cast<int>(std::size(kTable));
    return kTable;
}

std::string_view labelKeyFor(uint8_t code) {
    const FunctionCodeInfo* e = functionCodeInfo(code);
    return e ? std::string_view(e->labelKey) : std::string_view();
}

bool hasDynamicLabel(uint8_t code) { return code == kCodeSingleKey || code == kCodeMacro; }

std::string_view groupLabelKey(int groupItemNumber) {
    switch (groupItemNumber) {
        case kGroupAdvanced: return "ADVANCEDCOMMAND";
        case kGroupShift: return "SHIFT";
        case kGroupBasic: return "BASICCOMMAND";
        case kGroupMedia: return "MEDIACOMMAND";
        case kGroupAdditional: return "ADDITIONALCOMMAND";
        default: return {};
    }
}

bool isFunctionGroup(int itemNumber) { return !groupLabelKey(itemNumber).empty(); }

bool isValidFunctionCode(uint8_t c) {
    return (c >= 1 && c <= 7) || (c >= 9 && c <= 15) || c == 21 || (c >= 23 && c <= 25) ||
           (c >= 32 && c <= 39) || (c >= 48 && c <= 51) || (c >= 64 && c <= 72) ||
           (c >= 80 && c <= 85) || (c >= 99 && c <= 102) || (c >= 113 && c <= 117);
}

uint8_t defaultFunctionCode(int recordIndex) {
    if (recordIndex < 0 || recordIndex >= kButtonRecordCount) return 0;
    return kDefaults[recordIndex];
}

bool isHostPerformedCode(uint8_t c) {
    return c == kCodeProfileUp || c == kCodeProfileDown || (c >= 64 && c <= 72) ||
           (c >= 80 && c <= 85);
}

uint16_t mediaConsumerUsage(uint8_t code) {
    switch (code) {
        case kCodePlayPause: return 0xCD;
        case kCodeStop: return 0xB7;
        case kCodePrevious: return 0xB6;
        case kCodeNext: return 0xB5;
        case kCodeVolumeUp: return 0xE9;
        case kCodeVolumeDown: return 0xEA;
        case kCodeMute: return 0xE2;
        default: return 0;
    }
}

bool shortcutUsages(uint8_t code, uint8_t* modifierUsage, uint8_t* keyUsage) {
    for (const auto& s : kShortcuts) {
        if (s.code != code) continue;
        if (modifierUsage) *modifierUsage = s.modifier;
        if (keyUsage) *keyUsage = s.key;
        return true;
    }
    return false;
}

bool otherRecordHasLeftClick(const ButtonRecord* records, int recordCount, int selected) {
    if (!records) return false;
    for (int i = 0; i < recordCount; ++i)
        if (i != selected && records[i].code == kCodeLeftClick) return true;
    return false;
}

GuardDecision leftClickGuard(const ButtonRecord* records, int recordCount, int selected,
                             int groupItem) {
    if (!records || selected < 0 || selected >= recordCount) return GuardDecision::Proceed;
    // Only the last holder of the left click is protected. Refusing every change when no record
    // holds code 1 at all would leave such a profile (e.g. an imported one) unrepairable.
    if (records[selected].code != kCodeLeftClick) return GuardDecision::Proceed;
    if (otherRecordHasLeftClick(records, recordCount, selected)) return GuardDecision::Proceed;
    return groupItem == kCodeLeftClick ? GuardDecision::Ignore : GuardDecision::Warn;
}

MenuDecision decideMenuSelection(int groupItem, int subItem) {
    if (groupItem == kGroupMacro) return {MenuAction::SelectMacro, kCodeMacro};
    if (isFunctionGroup(groupItem)) {
        switch (subItem) {
            case kCodeSingleKey: return {MenuAction::OpenKeyDialog, kCodeSingleKey};
            case kCodeXShoot: return {MenuAction::OpenXShootDialog, kCodeXShoot};
            case kCodeDpiShift: return {MenuAction::OpenDpiShiftDialog, kCodeDpiShift};
            case kCodeRapidFire: return {MenuAction::OpenRapidFireDialog, kCodeRapidFire};
            case kCodeMacro: return {MenuAction::Nothing, 0};
            default: break;
        }
        if (subItem < 0 || subItem > 255 || !isValidFunctionCode(static_cast<uint8_t>(subItem)))
            return {MenuAction::Nothing, 0};
        return {MenuAction::StoreCode, static_cast<uint8_t>(subItem)};
    }
    if (groupItem < 0 || groupItem > 255 || !isValidFunctionCode(static_cast<uint8_t>(groupItem)))
        return {MenuAction::Nothing, 0};
    return {MenuAction::StoreCode, static_cast<uint8_t>(groupItem)};
}
