#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "service/device/device_codes.h"

namespace {

ButtonRecord recordWithCode(uint8_t code) {
    ButtonRecord r;
    std::memset(&r, 0, sizeof r);
    r.owner = 1;
    r.code = code;
    return r;
}

}  // namespace

TEST(DeviceCodes, TableKeepsItsOrderAndSize) {
    ASSERT_EQ(devcodes::kTable.size(), 51u);
    EXPECT_EQ(devcodes::kTable[0].code, 1);
    EXPECT_EQ(devcodes::kTable[8].code, 15);
    EXPECT_EQ(devcodes::kTable[28].code, 82);
    EXPECT_EQ(devcodes::kTable[29].code, 33);
    EXPECT_EQ(devcodes::kTable[40].code, 7);
    EXPECT_EQ(devcodes::kTable[42].code, 113);
    EXPECT_EQ(devcodes::kTable[50].code, 101);
}

// Every row encodes and decodes back to its own code, the rows that share their first byte too
// (0x9C: the five profiles; 0x9B: lighting on/off, hand switch, next lighting mode).
TEST(DeviceCodes, EveryRowRoundTripsToItsOwnCode) {
    for (const devcodes::CodeRow& row : devcodes::kTable) {
        ButtonRecord r = recordWithCode(row.code);
        const devcodes::DeviceBytes d = devcodes::encodeButton(r);
        ButtonRecord back = recordWithCode(255);
        ASSERT_TRUE(devcodes::decodeButton(d[0], d[1], d[2], d[3], back)) << int(row.code);
        EXPECT_EQ(back.code, row.code) << int(row.code);
    }
}

TEST(DeviceCodes, ParameterisedCodes) {
    ButtonRecord r = recordWithCode(4);
    EXPECT_EQ(devcodes::encodeButton(r), (devcodes::DeviceBytes{0x92, 0x02, 0x0A, 0x00}));

    r = recordWithCode(5);
    r.byte(5) = 0x1D;
    EXPECT_EQ(devcodes::encodeButton(r), (devcodes::DeviceBytes{0x90, 0x00, 0x1D, 0x00}));

    r = recordWithCode(9);
    r.byte(5) = 7;
    r.byte(2) = 3;
    r.byte(3) = 59;
    EXPECT_EQ(devcodes::encodeButton(r), (devcodes::DeviceBytes{0x99, 7, 3, 5}));

    const uint8_t shift[][2] = {{1, 0x02}, {2, 0x03}, {3, 0x06}, {4, 0x26}, {0, 0x00}, {9, 0x00}};
    for (const auto& c : shift) {
        r = recordWithCode(15);
        r.byte(2) = c[0];
        EXPECT_EQ(devcodes::encodeButton(r), (devcodes::DeviceBytes{0x9A, 0x01, c[1], c[1]})) << int(c[0]);
    }

    r = recordWithCode(101);
    r.byte(2) = 2;
    r.byte(3) = 95;
    r.byte(5) = 0x04;
    EXPECT_EQ(devcodes::encodeButton(r), (devcodes::DeviceBytes{0x9F, 2, 9, 0x04}));

    EXPECT_EQ(devcodes::encodeButton(recordWithCode(8)), (devcodes::DeviceBytes{0, 0, 0, 0}));
    EXPECT_EQ(devcodes::encodeButton(recordWithCode(200)), (devcodes::DeviceBytes{0, 0, 0, 0}));
}

TEST(DeviceCodes, DecodeWritesParametersBack) {
    ButtonRecord r = recordWithCode(1);
    ASSERT_TRUE(devcodes::decodeButton(0x9F, 2, 9, 0x04, r));
    EXPECT_EQ(r.code, 101);
    EXPECT_EQ(r.byte(2), 2);
    EXPECT_EQ(r.byte(3), 90);  // 95 was sent as 9
    EXPECT_EQ(r.byte(5), 0x04);

    r = recordWithCode(1);
    ASSERT_TRUE(devcodes::decodeButton(0x99, 7, 3, 30, r));
    EXPECT_EQ(r.code, 9);
    EXPECT_EQ(r.byte(5), 7);
    EXPECT_EQ(r.byte(2), 3);
    EXPECT_EQ(r.byte(3), 44);  // 300 modulo 256

    r = recordWithCode(1);
    ASSERT_TRUE(devcodes::decodeButton(0x90, 0, 0x2C, 0, r));
    EXPECT_EQ(r.code, 5);
    EXPECT_EQ(r.byte(5), 0x2C);

    r = recordWithCode(1);
    ASSERT_TRUE(devcodes::decodeButton(0x9C, 0x00, 0x03, 0x00, r));
    EXPECT_EQ(r.code, 116);  // profile shift 4
    ASSERT_TRUE(devcodes::decodeButton(0x9C, 0x07, 0x03, 0x00, r));
    EXPECT_EQ(r.code, 113);  // no row holds these bytes: the first row of 0x9C

    // A DPI shift reads back as the dialog's item; a value of no item keeps the record's.
    const uint8_t shift[][2] = {{0x02, 1}, {0x03, 2}, {0x06, 3}, {0x26, 4}, {0x11, 4}};
    for (const auto& c : shift) {
        ASSERT_TRUE(devcodes::decodeButton(0x9A, 0x01, c[0], c[0], r));
        EXPECT_EQ(r.code, 15);
        EXPECT_EQ(r.byte(2), c[1]) << int(c[0]);
    }
}

TEST(DeviceCodes, HostFunctionGroupDecodesByUsageOrCode) {
    ButtonRecord r = recordWithCode(1);
    r.byte(5) = 0x77;
    ASSERT_TRUE(devcodes::decodeButton(0x8E, 0x01, 0xFF, 0x46, r));
    EXPECT_EQ(r.code, 70);
    EXPECT_EQ(r.byte(5), 0x77);  // no write-back in this group
    ASSERT_TRUE(devcodes::decodeButton(0x8E, 0x01, 0xFF, 0x52, r));
    EXPECT_EQ(r.code, 82);
    ASSERT_TRUE(devcodes::decodeButton(0x8E, 0x01, 0xCD, 0x00, r));
    EXPECT_EQ(r.code, 32);
    ASSERT_TRUE(devcodes::decodeButton(0x8E, 0x01, 0xE2, 0x00, r));
    EXPECT_EQ(r.code, 39);
}

TEST(DeviceCodes, UnknownBytesKeepTheRecord) {
    ButtonRecord r = recordWithCode(12);
    ButtonRecord before = r;
    EXPECT_FALSE(devcodes::decodeButton(0x55, 1, 2, 3, r));
    EXPECT_FALSE(devcodes::decodeButton(0x8E, 0x01, 0xFF, 0x99, r));
    EXPECT_EQ(std::memcmp(&r, &before, sizeof r), 0);
}

TEST(DeviceCodes, MacroButtonBytes) {
    ButtonRecord r = recordWithCode(6);
    r.byte(3) = 0x85;  // flag 0x80, UI index 5: only the flag reaches the mouse
    EXPECT_EQ(devcodes::encodeMacroButton(r, 0, 3), (devcodes::DeviceBytes{0x91, 0x80, 3, 0}));
    EXPECT_EQ(devcodes::encodeMacroButton(r, 2, 0), (devcodes::DeviceBytes{0x91, 0x82, 1, 0}));
    r.owner = 255;
    r.byte(3) = 0x41;
    EXPECT_EQ(devcodes::encodeMacroButton(r, 1, 5), (devcodes::DeviceBytes{0x91, 0x41, 0xFF, 0xFF}));
}
