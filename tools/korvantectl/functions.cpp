#include "tools/korvantectl/functions.h"

#include <algorithm>
#include <cctype>

#include "platform/keyboard_layout.h"
#include "shared/button_assignment.h"
#include "shared/function_codes.h"
#include "shared/key_tables.h"
#include "shared/macro_buttons.h"
#include "shared/settings_rules.h"
#include "shared/text_decoding.h"

namespace ctl {
namespace {

using A = FunctionArgs;

// In the order of the window's function menu; the codes it never offers come last.
constexpr FunctionName kFunctions[] = {
    {"left-click", kCodeLeftClick, A::None, true},
    {"right-click", kCodeRightClick, A::None, true},
    {"middle-click", kCodeMiddleClick, A::None, true},
    {"double-click", kCodeDoubleClick, A::None, true},
    {"back", kCodeBack, A::None, true},
    {"forward", kCodeForward, A::None, true},
    {"macro", kCodeMacro, A::Macro, true},
    {"lighting-on-off", kCodeLedSwitch, A::None, true},
    {"next-lighting-mode", kCodeLedModeSwitch, A::None, true},
    {"dpi-up", kCodeDpiUp, A::None, true},
    {"dpi-down", kCodeDpiDown, A::None, true},
    {"dpi-cycle", kCodeDpiSwitch, A::None, true},
    {"dpi-shift", kCodeDpiShift, A::DpiShift, true},
    {"profile-next", kCodeProfileUp, A::None, true},
    {"profile-previous", kCodeProfileDown, A::None, true},
    {"x-shoot", kCodeXShoot, A::XShoot, true},
    {"key", kCodeSingleKey, A::Key, true},
    {"cut", kCodeCut, A::None, true},
    {"copy", kCodeCopy, A::None, true},
    {"paste", kCodePaste, A::None, true},
    {"undo", kCodeUndo, A::None, true},
    {"select-all", kCodeSelectAll, A::None, true},
    {"find", kCodeFind, A::None, true},
    {"new", kCodeNew, A::None, true},
    {"print", kCodePrint, A::None, true},
    {"save", kCodeSave, A::None, true},
    {"switch-window", kCodeSwapWindows, A::None, true},
    {"close-window", kCodeCloseWindow, A::None, true},
    {"open-file-manager", kCodeOpenExplorer, A::None, true},
    {"run-command", kCodeRun, A::None, true},
    {"show-desktop", kCodeShowDesktop, A::None, true},
    {"lock-screen", kCodeLockPc, A::None, true},
    {"play-pause", kCodePlayPause, A::None, true},
    {"stop", kCodeStop, A::None, true},
    {"previous-track", kCodePrevious, A::None, true},
    {"next-track", kCodeNext, A::None, true},
    {"volume-up", kCodeVolumeUp, A::None, true},
    {"volume-down", kCodeVolumeDown, A::None, true},
    {"mute", kCodeMute, A::None, true},
    {"profile-1", kCodeShift1, A::None, true},
    {"profile-2", kCodeShift1 + 1, A::None, true},
    {"profile-3", kCodeShift1 + 2, A::None, true},
    {"profile-4", kCodeShift1 + 3, A::None, true},
    {"profile-5", kCodeShift5, A::None, true},
    {"disabled", kCodeOff, A::None, true},
    {"rapid-fire", kCodeRapidFire, A::RapidFire, true},
    {"game-key", kCodeGameKey, A::None, false},
    {"scroll-up", kCodeScrollUp, A::None, false},
    {"scroll-down", kCodeScrollDown, A::None, false},
    {"scroll-left", kCodeScrollLeft, A::None, false},
    {"scroll-right", kCodeScrollRight, A::None, false},
    {"dpi-function", kCodeDpiFunction, A::None, false},
    {"hand-switch", kCodeHandSwitch, A::None, false},
};

struct Alias {
    const char* alias;
    const char* name;
};
constexpr Alias kFunctionAliases[] = {
    {"click", "left-click"},       {"off", "disabled"},
    {"next-profile", "profile-next"}, {"previous-profile", "profile-previous"},
    {"profile-prev", "profile-previous"}, {"assign-key", "key"},
    {"lighting-toggle", "lighting-on-off"}, {"lighting-next", "next-lighting-mode"},
    {"dpi-switch", "dpi-cycle"},   {"lock", "lock-screen"},
};

constexpr Alias kKeyAliases[] = {
    {"ctrl", "lctrl"},  {"control", "lctrl"}, {"shift", "lshift"}, {"alt", "lalt"},
    {"win", "lwin"},    {"super", "lwin"},    {"return", "enter"}, {"escape", "esc"},
    {"delete", "del"},  {"insert", "ins"},    {"pgup", "pageup"},  {"pgdn", "pagedown"},
    {"space", "space"}, {"numlock", "numlock"},
};

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string lower(std::string text) {
    for (char& ch : text) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return text;
}

// Keys that produce a character: named by it (US layout, so names do not depend on the desktop's
// keyboard layout). Win and Apps keys have no name in the window's table.
std::string virtualKeyCliName(uint32_t vk) {
    if ((vk >= 48 && vk <= 57) || (vk >= 65 && vk <= 90) || (vk >= 186 && vk <= 192) || (vk >= 219 && vk <= 223) ||
        vk == 226) {
        const uint32_t ch = platform::usLayoutCharacter(vk);
        if (ch > 0x20 && ch < 0x7F) return std::string(1, static_cast<char>(std::tolower(static_cast<int>(ch))));
        return {};
    }
    if (vk == 91) return "lwin";
    if (vk == 92) return "rwin";
    if (vk == 93) return "apps";
    return lower(virtualKeyName(vk));
}

}  // namespace

const FunctionName* findFunction(std::string_view name) {
    for (const Alias& a : kFunctionAliases)
        if (equalsIgnoreCase(name, a.alias)) name = a.name;
    for (const FunctionName& f : kFunctions)
        if (equalsIgnoreCase(name, f.name)) return &f;
    return nullptr;
}

std::string functionNameOf(uint8_t code) {
    if (code == kCodeNone) return "none";
    for (const FunctionName& f : kFunctions)
        if (f.code == code) return f.name;
    return "code-" + std::to_string(code);
}

std::vector<std::string> assignableFunctionNames() {
    std::vector<std::string> out;
    for (const FunctionName& f : kFunctions)
        if (f.assignable) out.emplace_back(f.name);
    return out;
}

bool parseKeyName(std::string_view text, uint8_t* usage, std::string* error) {
    if (text.size() > 1 && text.find('+') != std::string_view::npos) {
        *error = "\"" + std::string(text) +
                 "\" is a key combination; a button holds one key (the mouse sends only that key)";
        return false;
    }
    std::string want = lower(std::string(text));
    for (const Alias& a : kKeyAliases)
        if (want == a.alias) want = a.name;
    int count = 0;
    const KeyPair* pairs = virtualKeyUsageTable(&count);
    for (int i = 0; i < count; ++i) {
        if (!want.empty() && virtualKeyCliName(pairs[i].first) == want) {
            *usage = static_cast<uint8_t>(pairs[i].second);
            return true;
        }
    }
    *error = "unknown key \"" + std::string(text) + "\" (korvantectl button --help lists the key names)";
    return false;
}

std::string keyNameOfUsage(uint8_t usage) {
    uint32_t vk = 0;
    if (!hidUsageToVirtualKey(usage, &vk)) return {};
    return virtualKeyCliName(vk);
}

std::vector<std::string> keyNames() {
    std::vector<std::string> out;
    int count = 0;
    const KeyPair* pairs = virtualKeyUsageTable(&count);
    for (int i = 0; i < count; ++i) {
        std::string name = virtualKeyCliName(pairs[i].first);
        if (!name.empty() && std::find(out.begin(), out.end(), name) == out.end()) out.push_back(name);
    }
    return out;
}

bool parseNumber(std::string_view text, int lo, int hi, int* out) {
    if (text.empty() || text.size() > 9) return false;
    int value = 0;
    for (char ch : text) {
        if (ch < '0' || ch > '9') return false;
        value = value * 10 + (ch - '0');
    }
    if (value < lo || value > hi) return false;
    *out = value;
    return true;
}

int macroPlayMode(std::string_view text) {
    if (equalsIgnoreCase(text, "once")) return 0;
    if (equalsIgnoreCase(text, "repeat")) return 1;
    if (equalsIgnoreCase(text, "hold")) return 2;
    return -1;
}

const char* macroPlayModeName(int mode) {
    switch (mode) {
        case 1: return "repeat";
        case 2: return "hold";
        default: return "once";
    }
}

bool parseAssignment(const std::vector<std::string>& words, Assignment& out, std::string* error) {
    if (words.empty()) {
        *error = "a function name is missing";
        return false;
    }
    const FunctionName* f = findFunction(words[0]);
    if (f == nullptr || !f->assignable) {
        *error = "unknown function \"" + words[0] + "\" (korvantectl button --help lists them)";
        return false;
    }
    out = Assignment{};
    out.function = f;
    const size_t extra = words.size() - 1;
    auto wrongCount = [&](const char* form) {
        *error = std::string("usage: button N ") + form;
        return false;
    };
    switch (f->args) {
        case A::None:
            if (extra != 0) return wrongCount(f->name);
            return true;
        case A::Key:
            if (extra != 1) return wrongCount("key KEY");
            return parseKeyName(words[1], &out.usage, error);
        case A::Macro:
            if (extra < 1 || extra > 2) return wrongCount("macro NAME [once|repeat|hold]");
            out.macroName = words[1];
            if (extra == 2) {
                out.playMode = macroPlayMode(words[2]);
                if (out.playMode < 0) {
                    *error = "play mode \"" + words[2] + "\" is not once, repeat or hold";
                    return false;
                }
            }
            return true;
        case A::DpiShift: {
            int dpi = 0;
            if (extra != 1) return wrongCount("dpi-shift 250|500|750|1000");
            if (!parseNumber(words[1], 0, 100000, &dpi) || settingsrules::dpiShiftItem(dpi) == 0) {
                *error = "DPI shift takes 250, 500, 750 or 1000, not \"" + words[1] + "\"";
                return false;
            }
            out.a = settingsrules::dpiShiftItem(dpi);
            return true;
        }
        case A::XShoot: {
            if (extra != 3) return wrongCount("x-shoot A B left|right|middle|KEY");
            // The mouse keeps B in tens (it holds B / 10): only such values read back as set.
            const settingsrules::Range& a = settingsrules::kXShootCounts;
            const settingsrules::Range& b = settingsrules::kXShootIntervals;
            if (!parseNumber(words[1], a.minimum, a.maximum, &out.a) || !parseNumber(words[2], b.minimum, b.maximum, &out.b) ||
                !b.contains(out.b)) {
                *error = "x-shoot takes A 1 to 255 and B 10 to 250 in tens (the mouse keeps tens)";
                return false;
            }
            const std::string output = lower(words[3]);
            if (output == "left") out.usage = assignment::kOutputLeftButton;
            else if (output == "right") out.usage = assignment::kOutputRightButton;
            else if (output == "middle") out.usage = assignment::kOutputMiddleButton;
            else return parseKeyName(words[3], &out.usage, error);
            return true;
        }
        case A::RapidFire:
            if (extra == 0) return true;
            if (extra != 3) return wrongCount("rapid-fire [A B SPEED]");
            // The mouse keeps B in tens (it holds B / 10), and the record keeps it in one byte.
            if (!parseNumber(words[1], settingsrules::kRapidFireA.minimum, settingsrules::kRapidFireA.maximum, &out.a) ||
                !parseNumber(words[2], 0, settingsrules::kRapidFireB.maximum, &out.b) ||
                !settingsrules::kRapidFireB.contains(out.b) ||
                !parseNumber(words[3], settingsrules::kRapidFireSpeeds.minimum, settingsrules::kRapidFireSpeeds.maximum,
                             &out.c)) {
                *error = "rapid-fire takes A 0 to 255, B 0 to 250 in tens (the mouse keeps tens) and SPEED 10 to 200";
                return false;
            }
            out.hasValues = true;
            return true;
    }
    return false;
}

bool applyAssignment(ButtonRecord& r, int recordIndex, const Assignment& as, int macroIndex, int loopTime) {
    assignment::Value value;
    switch (as.function->args) {
        case A::None: break;
        case A::Key: value = assignment::KeyList{{{as.usage, false, 0}}}; break;  // one press, no delay
        case A::Macro: value = assignment::MacroChoice{as.macroName, macroIndex, as.playMode, loopTime}; break;
        case A::DpiShift: value = assignment::DpiShift{as.a}; break;
        case A::XShoot: value = assignment::XShoot{as.a, as.b, as.usage}; break;
        case A::RapidFire:
            // Without values the dialog's starting values: the record's own for a rapid-fire
            // button, else 3, 10, 30.
            value = as.hasValues ? assignment::RapidFire{as.a, as.b, as.c} : assignment::readRapidFire(r);
            break;
    }
    return assignment::write(r, recordIndex, as.function->code, value);
}

std::string describeParameters(const ButtonRecord& r) {
    switch (r.code) {
        case kCodeSingleKey: {
            std::string name = keyNameOfUsage(r.byte(5));
            return name.empty() ? "key" : name;
        }
        case kCodeMacro:
            return macro::buttonMacroName(r) + " " + macroPlayModeName(assignment::readPlayMode(r));
        case kCodeDpiShift: {
            const int dpi = settingsrules::dpiShiftDpi(r.param1);
            return dpi != 0 ? std::to_string(dpi) : std::string();
        }
        case kCodeXShoot: {
            const assignment::XShoot x = assignment::readXShoot(r);
            std::string output = x.output == assignment::kOutputLeftButton     ? "left"
                                 : x.output == assignment::kOutputRightButton  ? "right"
                                 : x.output == assignment::kOutputMiddleButton ? "middle"
                                                                               : keyNameOfUsage(x.output);
            return std::to_string(x.shots) + " " + std::to_string(x.interval) + " " + output;
        }
        case kCodeRapidFire: {
            const assignment::RapidFire f = assignment::readRapidFire(r);
            return std::to_string(f.shots) + " " + std::to_string(f.interval) + " " + std::to_string(f.speed);
        }
        default:
            return {};
    }
}

int utf16Length(std::string_view utf8) {
    if (!textcodec::isValidUtf8(utf8)) return -1;
    return static_cast<int>(textcodec::fromUtf8(utf8).size());
}

}  // namespace ctl
