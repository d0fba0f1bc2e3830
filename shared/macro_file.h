#pragma once
// Macro files ("<name>.macro" in the macro folder) and the macro list of "Mouse.ini".
//
// A macro file is a profile INI file with one section "Setting": "MacroFilePath" (the file's own
// path), "Count" (event records, 0..60), "LoopTime" (0..255) and "MacroSetting_0", a 180-byte block
// of 60 three-byte event records in the struct encoding (362 characters). Section "MACRO_LIST" of
// "Mouse.ini" names the listed macros under the keys "0".."6" (the service may use higher keys).
//
// Every reader that uses the events takes a "Count" above 60 as 60 and a negative one as 0.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class IniDocument;
}

namespace macro {

inline constexpr int kMaxEvents = 60;
inline constexpr size_t kEventSize = 3;
inline constexpr size_t kBlockSize = kMaxEvents * kEventSize;  // 180
inline constexpr int kListSlots = 7;                           // "MACRO_LIST" keys "0".."6"

inline constexpr const char* kSection = "Setting";
inline constexpr const char* kKeyFilePath = "MacroFilePath";
inline constexpr const char* kKeyCount = "Count";
inline constexpr const char* kKeyLoopTime = "LoopTime";
inline constexpr const char* kKeyBlock = "MacroSetting_0";
inline constexpr const char* kListSection = "MACRO_LIST";
inline constexpr const char* kExtension = ".macro";

// Record kinds (bits 0..6 of byte 0); bit 7 is the press flag (1 = down, 0 = up).
inline constexpr uint8_t kKindMouseButton = 1;
inline constexpr uint8_t kKindMove = 2;
inline constexpr uint8_t kKindKey = 4;
inline constexpr uint8_t kKindDelay = 6;
inline constexpr uint8_t kKindMask = 0x7F;
inline constexpr uint8_t kPressFlag = 0x80;

// Values of a mouse-button record.
inline constexpr uint8_t kButtonLeft = 1;
inline constexpr uint8_t kButtonRight = 2;
inline constexpr uint8_t kButtonMiddle = 4;

inline constexpr uint32_t kDelayStepMs = 10;
inline constexpr int kMaxMoveMagnitude = 120;

using Block = std::array<uint8_t, kBlockSize>;

// One 3-byte event record: byte 0 kind and press flag, bytes 1..2 a 16-bit little-endian value.
struct Event {
    std::array<uint8_t, kEventSize> bytes{};

    uint8_t kind() const { return bytes[0] & kKindMask; }
    bool pressed() const { return (bytes[0] & kPressFlag) != 0; }
    uint16_t value() const { return static_cast<uint16_t>(bytes[1] | (bytes[2] << 8)); }
    bool empty() const { return bytes[0] == 0 && bytes[1] == 0 && bytes[2] == 0; }
    bool operator==(const Event&) const = default;
};

Event makeEvent(uint8_t kind, bool pressed, uint16_t value);
Event buttonEvent(uint8_t button, bool pressed);  // kind 1: 1 left, 2 right, 4 middle
Event keyEvent(uint8_t usage, bool pressed);      // kind 4: USB HID keyboard usage ID
Event delayEvent(uint32_t milliseconds);          // kind 6: whole 10 ms steps
// Kind 2: a move along one axis (dy is ignored when dx is not 0); magnitudes above 120 are
// taken as 120. Positive is right (X) or down (Y).
Event moveEvent(int dx, int dy);

// Delay: whole 10 ms steps, at most 65535; back to milliseconds (steps times 10).
uint16_t delayStepsFromMs(uint32_t milliseconds);
uint32_t delayMsFromSteps(uint16_t steps);

// Move step byte of one axis. The one rule for both directions, writing and reading:
//   0 = no move; 1..120 = positive step of that many units; 121..255 = negative step of
//   256 minus the byte (-135..-1).
// So every magnitude 1..120 that the editor offers round-trips in both directions: +120 is byte
// 120 (0x78), -120 is byte 136 (0x88). A byte of 121..135 (-135..-121) is never written.
uint8_t encodeMoveStep(int delta);  // delta clamped to -120..120
int decodeMoveStep(uint8_t step);

Event eventAt(const Block& block, int index);  // index 0..59
void setEventAt(Block& block, int index, const Event& event);

// "Count" as the readers use it: 0..60.
int clampCount(int count);

// Events of a block read from the mouse: up to the first record that is all 0x00 or all 0xFF,
// at most 60 and at most size / 3.
int countDeviceEvents(const uint8_t* data, size_t size);

// What a macro file holds.
struct MacroFileData {
    int count = 0;            // "Count", already taken into 0..60
    int loopTime = 0;         // "LoopTime", or the caller's default when absent
    Block block{};            // "MacroSetting_0": filled only when blockValid
    bool blockValid = false;  // the block had the right length and checksum
};

// Reads a parsed macro file into data: count and loopTime always; the block only when it is
// valid (otherwise data.block keeps what it held).
void parseMacroDocument(const platform::IniDocument& doc, MacroFileData& data, int loopTimeDefault);

// Reads the file (one read) as parseMacroDocument does; a missing file gives count 0, the loop
// default and no block. Returns whether the file could be read.
bool readMacroFile(const std::string& path, MacroFileData& data, int loopTimeDefault);

// Writes "MacroFilePath" (= path), "Count" (taken into 0..60), "LoopTime" and "MacroSetting_0", in
// that order, in one atomic replace. With fresh set the file is written anew (an existing file's
// other content is dropped, as after deleting it); otherwise other keys of the file stay.
// Leftovers of killed saves of any macro file in the same folder are removed on the way.
bool writeMacroFile(const std::string& path, int count, int loopTime, const Block& block, bool fresh = false);

// A macro name that can form a file in the macro folder: not empty, not "." or "..", and without
// '/' or NUL. Anything else is refused, so a path outside the macro folder is never formed.
bool isValidMacroName(std::string_view name);

// "<folder>/<name>.macro" (no second '/' when the folder ends in one). False (path untouched) for
// a name that isValidMacroName refuses.
bool macroFilePath(const std::string& folder, std::string_view name, std::string& path);

// The macro list in "Mouse.ini" ("MACRO_LIST"). Names are compared exactly (case-sensitive).
// Non-empty names of the keys "0".."6" in slot order.
std::vector<std::string> listNames(const platform::IniDocument& settings);
std::vector<std::string> listNames(const std::string& settingsPath);
int listCount(const std::string& settingsPath);
// First slot 0..6 holding the name; -1 when none does.
int findInList(const std::string& settingsPath, std::string_view name);
// The first empty slot 0..6 receives the name; -1 and nothing written when all seven are taken
// or the name is empty. One locked read-modify-replace.
int addToList(const std::string& settingsPath, std::string_view name);
// Every slot 0..6 holding the name becomes empty; false when none did (nothing written).
bool removeFromList(const std::string& settingsPath, std::string_view name);
// The same two on a document read inside a caller's own read-modify-replace, so that a list
// change and the changes that go with it (button records) land in one replace.
int addToList(platform::IniDocument& settings, std::string_view name);
bool removeFromList(platform::IniDocument& settings, std::string_view name);
// Key "<slot>" of "MACRO_LIST" (any slot number), empty when absent.
std::string readListSlot(const std::string& settingsPath, int slot);
bool writeListSlot(const std::string& settingsPath, int slot, std::string_view name);

}  // namespace macro
