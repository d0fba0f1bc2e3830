// The one encoding of a button function into its record, as the window and korvantectl store it.
#include "shared/button_assignment.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "shared/function_codes.h"
#include "shared/macro_buttons.h"

namespace {

using namespace assignment;

constexpr uint8_t kFill = 0x5A;

ButtonRecord filled() {
    ButtonRecord r;
    std::memset(&r, kFill, sizeof r);
    return r;
}

TEST(ButtonAssignment, EachFunctionWritesItsBytesAndNothingElse) {
    const struct {
        const char* name;
        int recordIndex;
        uint8_t code;
        Value value;
        std::map<int, int> bytes;  // byte -> value; the others keep the fill, or 0 where cleared
        bool clearsParameters;     // bytes 4..123
    } cases[] = {
        {"copy", 3, kCodeCopy, std::monostate{}, {{1, 65}}, false},
        {"key A", 3, kCodeSingleKey, KeyList{{{4, false, 0}}}, {{1, 5}, {2, 1}, {3, 1}, {4, 0}, {5, 4}}, true},
        {"key press and release with delays", 0, kCodeSingleKey, KeyList{{{224, false, 0}, {224, true, 200}}},
         {{1, 5}, {2, 1}, {3, 2}, {4, 0}, {5, 224}, {6, 0x80 | 72}, {7, 224}}, true},
        {"empty key list turns the button off", 0, kCodeSingleKey, KeyList{}, {{1, 7}, {2, 1}, {3, 0}}, true},
        {"x-shoot middle", 2, kCodeXShoot, XShoot{5, 40, kOutputMiddleButton}, {{1, 9}, {2, 5}, {3, 40}, {5, 132}}, true},
        {"x-shoot out of range stores 1", 2, kCodeXShoot, XShoot{0, 256, 4}, {{1, 9}, {2, 1}, {3, 1}, {5, 4}}, true},
        {"dpi shift 750", 1, kCodeDpiShift, DpiShift{3}, {{1, 15}, {2, 3}}, false},
        {"rapid fire, low bytes", 4, kCodeRapidFire, RapidFire{255, 256 + 7, 200}, {{1, 101}, {2, 255}, {3, 7}, {5, 200}}, false},
        {"macro once", 4, kCodeMacro, MacroChoice{"Beta", 1, kPlayOnce, 4}, {{0, 5}, {1, 6}, {2, 4}, {3, 0x41}}, false},
        {"macro endless", 4, kCodeMacro, MacroChoice{"Beta", 2, kPlayEndless, 300}, {{0, 255}, {1, 6}, {2, 255}, {3, 0x42}}, false},
        {"macro hold", 10, kCodeMacro, MacroChoice{"Beta", 65, kPlayHold, -1}, {{0, 11}, {1, 6}, {2, 0}, {3, 0x81}}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ButtonRecord r = filled();
        ASSERT_TRUE(write(r, c.recordIndex, c.code, c.value));
        for (int i = 0; i < 124; ++i) {
            const auto it = c.bytes.find(i);
            const int expected = it != c.bytes.end() ? it->second : c.clearsParameters && i >= 4 ? 0 : kFill;
            EXPECT_EQ(r.byte(i), expected) << "byte " << i;
        }
        if (c.code == kCodeMacro) EXPECT_EQ(macro::buttonMacroName(r), "Beta");
        else EXPECT_EQ(r.byte(124), kFill) << "the name is the macro's only";
    }
}

TEST(ButtonAssignment, RefusedValuesLeaveTheRecordAlone) {
    const struct {
        const char* name;
        int recordIndex;
        uint8_t code;
        Value value;
    } cases[] = {
        {"value of another code", 0, kCodeSingleKey, XShoot{}},
        {"dpi shift item 0", 0, kCodeDpiShift, DpiShift{0}},
        {"dpi shift item 5", 0, kCodeDpiShift, DpiShift{5}},
        {"61 strokes", 0, kCodeSingleKey, KeyList{std::vector<KeyStroke>(61, KeyStroke{4, false, 0})}},
        {"record 11", 11, kCodeCopy, std::monostate{}},
        {"record -1", -1, kCodeMacro, MacroChoice{"A"}},
    };
    for (const auto& c : cases) {
        ButtonRecord r = filled();
        EXPECT_FALSE(write(r, c.recordIndex, c.code, c.value)) << c.name;
        const ButtonRecord untouched = filled();
        EXPECT_EQ(std::memcmp(&r, &untouched, sizeof r), 0) << c.name;
    }
}

TEST(ButtonAssignment, ReadingGivesWhatWasWrittenOrTheDefaults) {
    ButtonRecord r = filled();
    const KeyList keys{{{4, false, 0}, {4, true, 5}}};
    ASSERT_TRUE(write(r, 0, kCodeSingleKey, keys));
    EXPECT_EQ(readKeyList(r).strokes, keys.strokes);
    EXPECT_EQ(readXShoot(r).output, 0);  // not an X-shoot: the defaults
    EXPECT_EQ(readDpiShift(r).item, 1);
    EXPECT_EQ(readRapidFire(r).speed, 30);

    ASSERT_TRUE(write(r, 0, kCodeXShoot, XShoot{7, 8, kOutputRightButton}));
    EXPECT_EQ(readXShoot(r).output, kOutputRightButton);
    EXPECT_EQ(readXShoot(r).interval, 8);
    EXPECT_TRUE(readKeyList(r).strokes.empty());
    ASSERT_TRUE(write(r, 0, kCodeRapidFire, RapidFire{1, 2, 150}));
    EXPECT_EQ(readRapidFire(r).speed, 150);
    ASSERT_TRUE(write(r, 0, kCodeDpiShift, DpiShift{4}));
    EXPECT_EQ(readDpiShift(r).item, 4);
    r.byte(2) = 9;  // not an item
    EXPECT_EQ(readDpiShift(r).item, 1);
    for (int mode : {kPlayOnce, kPlayEndless, kPlayHold}) {
        ASSERT_TRUE(write(r, 3, kCodeMacro, MacroChoice{"M", 0, mode, 1}));
        EXPECT_EQ(readPlayMode(r), mode);
    }
}

}  // namespace
