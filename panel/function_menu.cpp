#include "panel/function_menu.h"

#include <algorithm>

#include "shared/button_assignment.h"
#include "shared/function_codes.h"
#include "shared/key_tables.h"
#include "shared/macro_buttons.h"
#include "shared/settings_rules.h"
#include "shared/string_table.h"

namespace panel {

namespace {
constexpr int kMenuWidth = 157;
constexpr int kMenuHeight = 264;
}  // namespace

std::vector<FunctionMenuItem> buildFunctionMenu(int currentProfile) {
    std::vector<FunctionMenuEntry> profiles;
    if (currentProfile >= 0 && currentProfile <= 4) {
        for (int p = 0; p < 5; ++p)
            if (p != currentProfile) profiles.push_back({"SHIFT" + std::to_string(p + 1), kCodeShift1 + p});
    }
    return {
        {"CLICK", 1, {}},
        {"MENU", 2, {}},
        {"MIDDLE", 3, {}},
        {"DBCLICK", 4, {}},
        {"BUTTON4", 10, {}},
        {"BUTTON5", 11, {}},
        {"MACROCOMMAND", 6, {}},
        {"ADVANCEDCOMMAND", 8,
         {{"LEDSWITCH", 100}, {"LEDMODESWITCH", 102}, {"DPIUP", 12}, {"DPIDOWN", 13}, {"DPISWITCH", 14},
          {"DPISHIFT", 15}, {"PROFILEUP", 23}, {"PROFILEDOWN", 24}, {"XSHOOT", 9}, {"GUNFIREKEY", 101}, {"ASSIGNKEY", 5}}},
        {"BASICCOMMAND", 18,
         {{"CUT", 64}, {"COPY", 65}, {"PASTE", 66}, {"UNDO", 67}, {"SELECTALL", 68}, {"FIND", 69}, {"NEW", 70},
          {"PRINT", 71}, {"SAVE", 72}}},
        {"ADDITIONALCOMMAND", 20,
         {{"SWAP_WINDOWS", 80}, {"CLOSE_WINDOWS", 81}, {"OPEN_EXPLORER", 83}, {"RUN", 84}, {"SHOW_DESKTOP", 85},
          {"LOCK_PC", 82}}},
        {"MEDIACOMMAND", 19,
         {{"PLAYPAUSE", 32}, {"STOP", 33}, {"PREVIOUS", 34}, {"NEXT", 35}, {"VOLUMEUP", 37}, {"VOLUMEDOWN", 38},
          {"MUTE", 39}}},
        {"SHIFT", 15, profiles},
        {"OFFBUTTON", 7, {}},
    };
}

MenuCorner functionMenuCorner(int labelLeft, int labelBottom, int areaRight, int areaBottom) {
    MenuCorner c{labelLeft + 1, labelBottom};
    if (c.x + kMenuWidth > areaRight) c.x -= kMenuWidth;
    if (c.y + kMenuHeight > areaBottom) c.y -= kMenuHeight;
    return c;
}

namespace {

std::string macroLabel(const ButtonRecord& record, const std::vector<std::string>& macroNames, const TextLookup& text,
                       const std::vector<int>& loopTimes) {
    const size_t index = record.param2 & macro::kIndexMask;
    const std::string& name = macroNames[index];
    switch (assignment::readPlayMode(record)) {
        case assignment::kPlayEndless: return fillIn(text("MACROLABELREPEAT"), {name});
        case assignment::kPlayHold: return fillIn(text("MACROLABELHOLD"), {name});
        default: {
            const int loopTime = index < loopTimes.size() ? loopTimes[index] : record.param1;
            return fillIn(text("MACROLABELONCE"), {name, std::to_string(std::max(loopTime, 1))});
        }
    }
}

}  // namespace

std::string buttonLabel(ButtonRecord& record, const std::vector<std::string>& macroNames, const TextLookup& text,
                        const std::vector<int>& loopTimes) {
    switch (record.code) {
        case kCodeSingleKey: return singleKeyButtonLabel(record.byte(5));
        case kCodeMacro:
            switch (macro::resolveMacroButton(record, macroNames)) {
                case macro::MacroButtonState::Resolved: return macroLabel(record, macroNames, text, loopTimes);
                case macro::MacroButtonState::TurnedOff: return text("OFFBUTTON");
                default: return text("MACROCOMMAND");
            }
        case kCodeDpiShift: {
            const int dpi = settingsrules::dpiShiftDpi(record.byte(2));
            return dpi != 0 ? fillIn(text("DPISHIFTLABEL"), {std::to_string(dpi)}) : text("DPISHIFT");
        }
        default: {
            const std::string_view key = labelKeyFor(record.code);
            return key.empty() ? std::string() : text(key);
        }
    }
}

}  // namespace panel
