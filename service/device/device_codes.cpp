#include "service/device/device_codes.h"

namespace devcodes {

const std::array<CodeRow, kRowCount> kTable = {{
    {1, 0x81, 0, 0, 0},
    {2, 0x82, 0, 0, 0},
    {3, 0x83, 0, 0, 0},
    {10, 0x85, 0, 0, 0},
    {11, 0x84, 0, 0, 0},
    {14, 0x88, 0, 0, 0},
    {13, 0x89, 0, 0, 0},
    {12, 0x8A, 0, 0, 0},
    {15, 0x9A, 0x01, 0x01, 0x01},
    {48, 0x8B, 0, 0, 0},
    {49, 0x8C, 0, 0, 0},
    {25, 0x8D, 0, 0, 0},
    {23, 0x94, 0, 0, 0},
    {24, 0x95, 0, 0, 0},
    // Functions the host carries out: the mouse reports them with the code in d3.
    {64, 0x8E, 0x01, 0xFF, 0x40},
    {65, 0x8E, 0x01, 0xFF, 0x41},
    {66, 0x8E, 0x01, 0xFF, 0x42},
    {67, 0x8E, 0x01, 0xFF, 0x43},
    {68, 0x8E, 0x01, 0xFF, 0x44},
    {69, 0x8E, 0x01, 0xFF, 0x45},
    {70, 0x8E, 0x01, 0xFF, 0x46},
    {71, 0x8E, 0x01, 0xFF, 0x47},
    {72, 0x8E, 0x01, 0xFF, 0x48},
    {80, 0x8E, 0x01, 0xFF, 0x50},
    {81, 0x8E, 0x01, 0xFF, 0x51},
    {83, 0x8E, 0x01, 0xFF, 0x53},
    {84, 0x8E, 0x01, 0xFF, 0x54},
    {85, 0x8E, 0x01, 0xFF, 0x55},
    {82, 0x8E, 0x01, 0xFF, 0x52},
    // Media keys: the mouse sends the consumer-page usage in d2.
    {33, 0x8E, 0x01, 0xB7, 0},
    {32, 0x8E, 0x01, 0xCD, 0},
    {34, 0x8E, 0x01, 0xB6, 0},
    {35, 0x8E, 0x01, 0xB5, 0},
    {37, 0x8E, 0x01, 0xE9, 0},
    {38, 0x8E, 0x01, 0xEA, 0},
    {39, 0x8E, 0x01, 0xE2, 0},
    {5, 0x90, 0, 0, 0},
    {6, 0x91, 0, 0, 0},
    {4, 0x92, 0, 0, 0},
    {9, 0x99, 0, 0, 0},
    {7, 0x00, 0, 0, 0},
    {96, 0x30, 0, 0, 0},
    {113, 0x9C, 0, 0, 0},
    {114, 0x9C, 0, 1, 0},
    {115, 0x9C, 0, 2, 0},
    {116, 0x9C, 0, 3, 0},
    {117, 0x9C, 0, 4, 0},
    {100, 0x9B, 0x04, 0, 0},
    {99, 0x9B, 0x04, 0, 0x01},
    {102, 0x9B, 0x08, 0, 0},
    {101, 0x9F, 0, 0, 0},
}};

namespace {

constexpr uint8_t kDpiShiftItemCount = 4;

// The device value of a DPI shift item 1..4 (250, 500, 750, 1000 DPI); 0 for anything else.
uint8_t dpiShiftValue(uint8_t item) {
    static const uint8_t values[kDpiShiftItemCount] = {0x02, 0x03, 0x06, 0x26};
    return item >= 1 && item <= kDpiShiftItemCount ? values[item - 1] : 0;
}

}  // namespace

const CodeRow* rowForCode(uint8_t code) {
    for (const CodeRow& row : kTable)
        if (row.code == code) return &row;
    return nullptr;
}

DeviceBytes encodeButton(const ButtonRecord& r) {
    const CodeRow* row = rowForCode(r.code);
    if (!row) return {0, 0, 0, 0};
    switch (r.code) {
    case 4:  // double click
        return {row->d0, 0x02, 0x0A, 0x00};
    case 5:  // single key: usage in byte 5
        return {row->d0, 0x00, r.byte(5), 0x00};
    case 9:  // X-shoot
        return {row->d0, r.byte(5), r.byte(2), static_cast<uint8_t>(r.byte(3) / 10)};
    case 15: {  // DPI shift: the dialog's choice in byte 2
        const uint8_t v = dpiShiftValue(r.byte(2));
        return {row->d0, 0x01, v, v};
    }
    case 101:  // rapid fire
        return {row->d0, r.byte(2), static_cast<uint8_t>(r.byte(3) / 10), r.byte(5)};
    default:
        return {row->d0, row->d1, row->d2, row->d3};
    }
}

DeviceBytes encodeMacroButton(const ButtonRecord& r, int slot, int loopTime) {
    unsigned loop = loopTime == 0 ? 1u : static_cast<unsigned>(loopTime) & 0xFFFF;
    if (r.owner == 255) loop = 0xFFFF;
    return {0x91, static_cast<uint8_t>((slot & 0xFF) | (r.param2 & 0xC0)),
            static_cast<uint8_t>(loop & 0xFF), static_cast<uint8_t>(loop >> 8)};
}

bool decodeButton(uint8_t d0, uint8_t d1, uint8_t d2, uint8_t d3, ButtonRecord& r) {
    const CodeRow* found = nullptr;
    if (d0 == 0x8E) {
        for (const CodeRow& row : kTable) {
            if (d2 == 0xFF ? row.d3 == d3 : row.d2 == d2) {
                found = &row;
                break;
            }
        }
    } else {
        // The row that holds all four bytes first: rows sharing their first byte (0x9C: the
        // five profiles, 0x9B: lighting on/off, hand switch, next lighting mode) differ in the
        // others, and each must read back as itself. Otherwise the first row of that first byte
        // (the functions whose other bytes are parameters).
        for (const CodeRow& row : kTable) {
            if (row.d0 == d0 && row.d1 == d1 && row.d2 == d2 && row.d3 == d3) {
                found = &row;
                break;
            }
        }
        for (const CodeRow& row : kTable) {
            if (found) break;
            if (row.d0 == d0) found = &row;
        }
    }
    if (!found) return false;
    r.code = found->code;
    if (d0 == 0x8E) return true;
    switch (found->code) {
    case 5:
        r.byte(5) = d2;
        break;
    case 9:
        r.byte(5) = d1;
        r.byte(2) = d2;
        r.byte(3) = static_cast<uint8_t>(d3 * 10);
        break;
    case 15:  // the dialog's item whose device value the mouse holds
        for (uint8_t item = 1; item <= kDpiShiftItemCount; ++item)
            if (dpiShiftValue(item) == d2) r.byte(2) = item;
        break;
    case 101:
        r.byte(2) = d1;
        r.byte(5) = d3;
        r.byte(3) = static_cast<uint8_t>(d2 * 10);
        break;
    default:
        break;
    }
    return true;
}

}  // namespace devcodes
