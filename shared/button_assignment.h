#pragma once
// What a button does beyond its function code, as the window's function dialogs and korvantectl
// give it, and how that sits in the button record: byte 0 the owner, byte 1 the function code,
// bytes 2.. the parameters, from byte 124 a macro's name. Every writer of a button record goes
// through write(), so the window and the command line store a function byte for byte alike.
// Qt-free.
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "shared/settings_record.h"

namespace assignment {

// ---- Key (code 5) ----
// Byte 2 = 1 (played once), byte 3 = the number of strokes, from byte 4 two bytes per stroke (the
// delay before it in 2 ms units, bit 7 set for a release; then the key's HID usage), the rest up
// to byte 123 cleared.
inline constexpr int kMaxKeyStrokes = 60;
struct KeyStroke {
    uint8_t usage = 0;
    bool released = false;
    uint8_t delay = 0;  // 0..127
    bool operator==(const KeyStroke&) const = default;
};
struct KeyList {
    std::vector<KeyStroke> strokes;  // an empty list turns the button off (code 7)
};

// ---- X-shoot (code 9) ----
// Byte 2 shots and byte 3 interval (1..255 each; a value outside is stored as 1), bytes 4..123
// cleared, then byte 5 the output: a mouse button or a key's HID usage.
inline constexpr uint8_t kOutputLeftButton = 0x81;
inline constexpr uint8_t kOutputRightButton = 0x82;
inline constexpr uint8_t kOutputMiddleButton = 0x84;
struct XShoot {
    int shots = 3;
    int interval = 10;
    uint8_t output = 0;
};

// ---- DPI shift (code 15) ----
// Byte 2 = the item 1..4 (settingsrules::kDpiShiftItems): 250, 500, 750 or 1000 DPI.
struct DpiShift {
    int item = 1;
};

// ---- Rapid fire (code 101) ----
// Bytes 2 (shots), 3 (interval) and 5 (speed), each the low 8 bits of its value; nothing else.
struct RapidFire {
    int shots = 3;
    int interval = 10;
    int speed = 30;
};

// ---- Macro (code 6) ----
// Byte 3 = the macro's position in the name list (bits 0..5) or-ed with 0x40 (play modes once and
// endless) or 0x80 (hold), byte 2 = its file's loop time (held in 0..255), byte 0 = 255 for the
// endless mode (the mouse loops until told otherwise) or else the button's number (record index
// + 1), and the macro's name from byte 124.
enum PlayMode : int { kPlayOnce = 0, kPlayEndless = 1, kPlayHold = 2 };
struct MacroChoice {
    std::string name;
    int index = 0;
    int playMode = kPlayOnce;
    int loopTime = 1;
};

// Nothing beyond the code (left click, copy, ...), or the value of one of the five codes above.
using Value = std::variant<std::monostate, KeyList, XShoot, DpiShift, RapidFire, MacroChoice>;

// The code of the function a value belongs to (5, 9, 15, 101 or 6); 0 for no value.
uint8_t codeOf(const Value& value);

// The assignment step for record recordIndex (0..10): byte 1 = code and the value's bytes as
// described above. False, with the record untouched, when the value belongs to another code than
// the one given, a DPI shift item is not 1..4, a key list is longer than 60, or the record index
// is out of range.
bool write(ButtonRecord& record, int recordIndex, uint8_t code, const Value& value);

// What a record holds, for the dialogs' starting values and the command line's tables: the
// record's values when it holds that function's code, otherwise the defaults above.
KeyList readKeyList(const ButtonRecord& record);  // empty for a count above 60
XShoot readXShoot(const ButtonRecord& record);
DpiShift readDpiShift(const ButtonRecord& record);  // item 1 unless byte 2 holds 1..4
RapidFire readRapidFire(const ButtonRecord& record);
int readPlayMode(const ButtonRecord& record);

}  // namespace assignment
