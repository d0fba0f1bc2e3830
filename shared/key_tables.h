#pragma once
// Key numberings and names: Windows virtual-key codes, USB HID keyboard usages (page 0x07, kept
// in button records and macro events) and the mouse's own key position codes (1..245, shown in
// the macro display). Constant tables and pure conversions; the only outside lookups are the
// keyboard layout (characters of keys without a fixed name) and the strings file, passed in.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

struct KeyPair {
    uint32_t first;
    uint32_t second;
};

// Table A: (virtual key, HID usage), 104 pairs of a 104-key keyboard.
const KeyPair* virtualKeyUsageTable(int* count);
// Table B: (key position code, virtual key), 145 pairs; virtual key 0 = no Windows key.
const KeyPair* positionVirtualKeyTable(int* count);

// HID usage → virtual key; the last matching pair wins. False (vk untouched) when no pair.
bool hidUsageToVirtualKey(uint32_t usage, uint32_t* virtualKey);
// Virtual key → HID usage; the last matching pair wins. False (usage untouched) when no pair.
bool virtualKeyToHidUsage(uint32_t virtualKey, uint32_t* usage);
// Virtual key → key position code; the last matching pair wins (91 and 92 → 156, 177 → 148).
// 0 when nothing matches. Virtual key 0 marks positions without a key and never matches.
uint32_t virtualKeyToPosition(uint32_t virtualKey);

// Name of a virtual key: the fixed name ("Backspace", "Num0", "F1", ...) or else the one
// character the key produces in the active keyboard layout (letters upper case), UTF-8.
// Empty when the key produces no printable character.
std::string virtualKeyName(uint32_t virtualKey);

// String lookup in the strings file: (section, key) → text (UTF-8).
using StringLookup = std::function<std::string(std::string_view section, std::string_view key)>;

// Name of a key position code. Codes 1, 2 and 4 take the "BUTTONPAGE" texts "CLICK", "MENU" and
// "MIDDLE" through `lookup` (empty when no lookup is given); codes without a name give "".
std::string keyPositionName(uint32_t positionCode, const StringLookup& lookup);

// Fixed name of a key position code, without the strings-file entries (1, 2, 4 give "").
std::string_view fixedKeyPositionName(uint32_t positionCode);

// Label of a single-key button (code 5) from its HID usage (record byte 5): the virtual key's
// name, or the plain text "key" when the usage has no pair in table A.
std::string singleKeyButtonLabel(uint32_t usage);

// Name of a keyboard event of a macro: usage → virtual key → key position → name.
// Empty when any step finds nothing.
std::string macroKeyName(uint32_t usage, const StringLookup& lookup);
