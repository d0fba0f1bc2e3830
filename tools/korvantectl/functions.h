#pragma once
// Names of button functions and keys as korvantectl users type them, and the parameters a
// function takes. Pure tables and parsing: no files, no bus.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "shared/settings_record.h"

namespace ctl {

// What follows a function name on the command line.
enum class FunctionArgs : uint8_t {
    None,
    Key,        // key NAME
    Macro,      // macro NAME [once|repeat|hold]
    DpiShift,   // dpi-shift 250|500|750|1000
    XShoot,     // x-shoot A B left|right|middle|KEY
    RapidFire,  // rapid-fire [A B SPEED]
};

struct FunctionName {
    const char* name;  // as typed: the window's menu text in lower case with '-' for spaces
    uint8_t code;      // function code stored in record byte 1
    FunctionArgs args;
    bool assignable;   // false: shown in tables only (codes the window's menu never offers)
};

// The entry of a name or of one of its aliases (case-insensitive); nullptr when unknown.
const FunctionName* findFunction(std::string_view name);
// Name of a code for tables: its entry's name, "none" for 0, "code-N" for codes without one.
std::string functionNameOf(uint8_t code);
// Every assignable name, in menu order (for --help and completion).
std::vector<std::string> assignableFunctionNames();

// Key names: "a".."z", "0".."9", punctuation as typed on a US keyboard, and the window's key
// names in lower case ("enter", "f5", "num7", "lctrl", ...), with aliases "ctrl", "shift", "alt",
// "win". Gives the key's HID usage; false with a reason when the text names no key or several
// ("ctrl+c": a button holds one key only).
bool parseKeyName(std::string_view text, uint8_t* usage, std::string* error);
// The name of a HID usage as parseKeyName accepts it; "" when the usage has no key.
std::string keyNameOfUsage(uint8_t usage);
std::vector<std::string> keyNames();

// A decimal number of lo..hi, digits only.
bool parseNumber(std::string_view text, int lo, int hi, int* out);

// Macro play modes as typed: once (0), repeat (1), hold (2); -1 for other text.
int macroPlayMode(std::string_view text);
const char* macroPlayModeName(int mode);

// A parsed "button N FUNCTION [ARGS]" request (before the store is consulted).
struct Assignment {
    const FunctionName* function = nullptr;
    uint8_t usage = 0;      // Key; XShoot output byte
    std::string macroName;  // Macro
    int playMode = 0;       // Macro
    int a = 0, b = 0, c = 0;
    bool hasValues = false;  // RapidFire: values given (else the dialog's starting values)
};

// Parses FUNCTION [ARGS] with the window's ranges; false with a reason.
bool parseAssignment(const std::vector<std::string>& words, Assignment& out, std::string* error);

// Writes the function into the record as the window's assignment step does (the one encoding of
// shared/button_assignment). Macro: macroIndex is the name's position in the macro list, loopTime
// the file's "LoopTime". recordIndex is 0..10. False, with the record untouched, for values the
// record cannot keep.
bool applyAssignment(ButtonRecord& record, int recordIndex, const Assignment& assignment, int macroIndex,
                     int loopTime);

// Parameters of a record in the command line's words ("ctrl", "Fast repeat", "750", ...).
std::string describeParameters(const ButtonRecord& record);

// Length of a UTF-8 text in UTF-16 units; -1 when it is not valid UTF-8.
int utf16Length(std::string_view utf8);

}  // namespace ctl
