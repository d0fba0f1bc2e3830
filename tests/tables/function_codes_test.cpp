#include "shared/function_codes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

namespace {

struct Profile {
    ButtonRecord records[kButtonRecordCount];
    Profile() {
        std::memset(records, 0, sizeof records);
        for (int i = 0; i < kButtonRecordCount; ++i) records[i].code = defaultFunctionCode(i);
    }
};

TEST(FunctionCodes, ValidSetHasExactlyTheFiftyFourCodes) {
    const std::set<int> expected = {1,  2,  3,  4,  5,  6,  7,  9,  10,  11,  12,  13,  14,  15,
                                    21, 23, 24, 25, 32, 33, 34, 35, 36,  37,  38,  39,  48,  49,
                                    50, 51, 64, 65, 66, 67, 68, 69, 70,  71,  72,  80,  81,  82,
                                    83, 84, 85, 99, 100, 101, 102, 113, 114, 115, 116, 117};
    ASSERT_EQ(expected.size(), 54u);
    for (int c = 0; c < 256; ++c)
        EXPECT_EQ(isValidFunctionCode(static_cast<uint8_t>(c)), expected.count(c) == 1) << c;
}

TEST(FunctionCodes, DefaultsOfTheElevenRecords) {
    const uint8_t expected[] = {1, 2, 3, 10, 11, 12, 13, 100, 102, 0, 0};
    for (int i = 0; i < 11; ++i) EXPECT_EQ(defaultFunctionCode(i), expected[i]) << i;
    EXPECT_EQ(defaultFunctionCode(-1), 0);
    EXPECT_EQ(defaultFunctionCode(11), 0);
}

TEST(FunctionCodes, LabelKeys) {
    EXPECT_EQ(labelKeyFor(1), "CLICK");
    EXPECT_EQ(labelKeyFor(7), "OFFBUTTON");
    EXPECT_EQ(labelKeyFor(37), "VOLUMEUP");
    EXPECT_EQ(labelKeyFor(81), "CLOSE_WINDOWS");
    EXPECT_EQ(labelKeyFor(96), "DPIFUN");  // labelled although validation does not accept it
    EXPECT_EQ(labelKeyFor(101), "GUNFIREKEY");
    EXPECT_EQ(labelKeyFor(117), "SHIFT5");
    // Code 0, the valid but unlabelled 25 and 36, and anything else: empty.
    for (int c : {0, 8, 25, 36, 40, 103, 118, 255}) EXPECT_TRUE(labelKeyFor(c).empty()) << c;
    EXPECT_TRUE(hasDynamicLabel(5));
    EXPECT_TRUE(hasDynamicLabel(6));
    EXPECT_FALSE(hasDynamicLabel(7));
}

TEST(FunctionCodes, MenuPlacesAndGroups) {
    int count = 0;
    const FunctionCodeInfo* table = functionCodeTable(&count);
    EXPECT_EQ(count, 54);
    int offered = 0;
    for (int i = 0; i < count; ++i) {
        if (table[i].place == MenuPlace::Top || table[i].place == MenuPlace::Group) ++offered;
        if (i > 0) {
            EXPECT_LT(table[i - 1].code, table[i].code);
        }
        EXPECT_EQ(table[i].place == MenuPlace::Group, table[i].group != 0) << int(table[i].code);
    }
    // 8 first-level items and 11 + 9 + 6 + 7 + 5 submenu items (rapid fire is among the advanced).
    EXPECT_EQ(offered, 8 + 11 + 9 + 6 + 7 + 5);
    EXPECT_EQ(functionCodeInfo(0)->place, MenuPlace::NotOffered);
    EXPECT_EQ(functionCodeInfo(5)->group, kGroupAdvanced);
    EXPECT_EQ(functionCodeInfo(100)->group, kGroupAdvanced);
    EXPECT_EQ(functionCodeInfo(68)->group, kGroupBasic);
    EXPECT_EQ(functionCodeInfo(82)->group, kGroupAdditional);
    EXPECT_EQ(functionCodeInfo(39)->group, kGroupMedia);
    EXPECT_EQ(functionCodeInfo(113)->group, kGroupShift);
    EXPECT_EQ(functionCodeInfo(101)->group, kGroupAdvanced);
    EXPECT_EQ(functionCodeInfo(99)->place, MenuPlace::LabelOnly);
    EXPECT_EQ(functionCodeInfo(36), nullptr);
    EXPECT_EQ(groupLabelKey(8), "ADVANCEDCOMMAND");
    EXPECT_EQ(groupLabelKey(15), "SHIFT");
    EXPECT_EQ(groupLabelKey(18), "BASICCOMMAND");
    EXPECT_EQ(groupLabelKey(19), "MEDIACOMMAND");
    EXPECT_EQ(groupLabelKey(20), "ADDITIONALCOMMAND");
    EXPECT_FALSE(isFunctionGroup(6));
}

TEST(FunctionCodes, HostPerformedCodesAndDeviceSideValues) {
    std::set<int> host;
    for (int c = 0; c < 256; ++c)
        if (isHostPerformedCode(static_cast<uint8_t>(c))) host.insert(c);
    EXPECT_EQ(host, (std::set<int>{23, 24, 64, 65, 66, 67, 68, 69, 70, 71, 72, 80, 81, 82, 83, 84, 85}));
    EXPECT_EQ(mediaConsumerUsage(32), 0xCD);
    EXPECT_EQ(mediaConsumerUsage(39), 0xE2);
    EXPECT_EQ(mediaConsumerUsage(36), 0);
    uint8_t m = 0, k = 0;
    ASSERT_TRUE(shortcutUsages(66, &m, &k));
    EXPECT_EQ(m, 224);
    EXPECT_EQ(k, 25);
    ASSERT_TRUE(shortcutUsages(82, &m, &k));
    EXPECT_EQ(m, 227);
    EXPECT_EQ(k, 15);
    EXPECT_FALSE(shortcutUsages(23, &m, &k));
}

TEST(LeftClickGuard, LastLeftClickIsProtected) {
    Profile p;  // record 0 is the only left click
    EXPECT_FALSE(otherRecordHasLeftClick(p.records, 11, 0));
    EXPECT_EQ(leftClickGuard(p.records, 11, 0, kCodeRightClick), GuardDecision::Warn);
    EXPECT_EQ(leftClickGuard(p.records, 11, 0, kGroupAdvanced), GuardDecision::Warn);
    EXPECT_EQ(leftClickGuard(p.records, 11, 0, kCodeLeftClick), GuardDecision::Ignore);
    // Other buttons may change freely.
    EXPECT_EQ(leftClickGuard(p.records, 11, 3, kCodeOff), GuardDecision::Proceed);
}

TEST(LeftClickGuard, SecondLeftClickAllowsChange) {
    Profile p;
    p.records[10].code = kCodeLeftClick;  // a record without a label still counts
    EXPECT_TRUE(otherRecordHasLeftClick(p.records, 11, 0));
    EXPECT_EQ(leftClickGuard(p.records, 11, 0, kCodeRightClick), GuardDecision::Proceed);
}

TEST(LeftClickGuard, ProfileWithoutAnyLeftClickCanBeRepaired) {
    Profile p;
    p.records[0].code = kCodeOff;
    EXPECT_EQ(leftClickGuard(p.records, 11, 0, kCodeLeftClick), GuardDecision::Proceed);
    EXPECT_EQ(leftClickGuard(p.records, 11, 2, kCodeDoubleClick), GuardDecision::Proceed);
    EXPECT_EQ(leftClickGuard(p.records, 11, -1, kCodeDoubleClick), GuardDecision::Proceed);
    EXPECT_EQ(leftClickGuard(nullptr, 11, 0, kCodeDoubleClick), GuardDecision::Proceed);
}

TEST(MenuSelection, FirstLevelItemsStoreTheirNumber) {
    for (int g : {1, 2, 3, 4, 7, 10, 11}) {
        MenuDecision d = decideMenuSelection(g, 0);
        EXPECT_EQ(d.action, MenuAction::StoreCode);
        EXPECT_EQ(d.code, g);
    }
    EXPECT_EQ(decideMenuSelection(6, 0).action, MenuAction::SelectMacro);
}

TEST(MenuSelection, GroupItemsStoreOrOpenDialogs) {
    for (int g : {8, 15, 18, 19, 20}) {
        EXPECT_EQ(decideMenuSelection(g, 5).action, MenuAction::OpenKeyDialog);
        EXPECT_EQ(decideMenuSelection(g, 9).action, MenuAction::OpenXShootDialog);
        EXPECT_EQ(decideMenuSelection(g, 15).action, MenuAction::OpenDpiShiftDialog);
        EXPECT_EQ(decideMenuSelection(g, 15).code, 15);
        EXPECT_EQ(decideMenuSelection(g, 101).action, MenuAction::OpenRapidFireDialog);
        EXPECT_EQ(decideMenuSelection(g, 6).action, MenuAction::Nothing);  // 6 inside a group
    }
    MenuDecision d = decideMenuSelection(kGroupBasic, 66);
    EXPECT_EQ(d.action, MenuAction::StoreCode);
    EXPECT_EQ(d.code, 66);
    d = decideMenuSelection(kGroupShift, 114);
    EXPECT_EQ(d.action, MenuAction::StoreCode);
    EXPECT_EQ(d.code, 114);
}

TEST(MenuSelection, ValuesThatAreNoFunctionCodeAreNotStored) {
    EXPECT_EQ(decideMenuSelection(kGroupMedia, 8).action, MenuAction::Nothing);
    EXPECT_EQ(decideMenuSelection(kGroupMedia, 300).action, MenuAction::Nothing);
    EXPECT_EQ(decideMenuSelection(0, 0).action, MenuAction::Nothing);
    EXPECT_EQ(decideMenuSelection(257, 0).action, MenuAction::Nothing);  // would wrap to 1
    EXPECT_EQ(decideMenuSelection(-1, 0).action, MenuAction::Nothing);
}

}  // namespace
