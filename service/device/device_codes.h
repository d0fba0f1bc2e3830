#pragma once
// The mouse's four-byte encoding of button function codes, and its reverse.
//
// The table order matters where several rows match: the host functions (0x8E) decode to the first
// row of their usage or code; rows that share a first byte decode to the one that holds all four.
#include <array>
#include <cstdint>

#include "shared/settings_record.h"

namespace devcodes {

struct CodeRow {
    uint8_t code;
    uint8_t d0, d1, d2, d3;
};

inline constexpr int kRowCount = 51;
extern const std::array<CodeRow, kRowCount> kTable;

using DeviceBytes = std::array<uint8_t, 4>;

// First row holding this function code; nullptr when the mouse has no encoding for it.
const CodeRow* rowForCode(uint8_t code);

// The four device bytes of a button record. Codes 4, 5, 9, 15 and 101 carry parameters from the
// record; a code without a row encodes as 00 00 00 00. Code 6 gives its table row (0x91 ...):
// the real bytes of a macro button come from encodeMacroButton(), which needs the slot.
DeviceBytes encodeButton(const ButtonRecord& record);

// A macro button: 0x91, slot | (byte 3 & 0xC0), loop low, loop high. The loop count is the macro
// file's "LoopTime" (0 taken as 1); a record whose byte 0 is 255 loops for ever (0xFFFF).
DeviceBytes encodeMacroButton(const ButtonRecord& record, int slot, int loopTime);

// Decodes four device bytes into the record: the matching row's code becomes byte 1 (outside the
// 0x8E group the row holding all four bytes, else the first row of the first byte) and, outside
// the 0x8E group, codes 5, 9, 15 and 101 write their parameters back. Returns false (record
// untouched) when no row matches.
bool decodeButton(uint8_t d0, uint8_t d1, uint8_t d2, uint8_t d3, ButtonRecord& record);

}  // namespace devcodes
