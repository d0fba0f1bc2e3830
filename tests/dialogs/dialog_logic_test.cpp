// The dialogs' Qt-free rules: number fields, key normalisation and capture, the key list's record.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include "panel/dialogs/dialog_values.h"
#include "panel/dialogs/key_capture.h"
#include "shared/button_assignment.h"
#include "shared/function_codes.h"

namespace {

using namespace dialogs;

TEST(DialogValues, NumberFieldsAreRewrittenToTheirLimits) {
    using settingsrules::Range;
    const Range tens{10, 250, 10}, narrow{40, 90};
    const struct {
        const char* text;
        Range range;
        std::optional<std::string> rewritten;  // while typing
        int kept;                              // once finished
    } cases[] = {
        {"300", {0, 255}, "255", 255},  {"255", {0, 255}, std::nullopt, 255}, {"3000", tens, "250", 250},
        {"0", {1, 255}, "1", 1},        {"999", {1, 255}, "255", 255},       {"", {1, 255}, std::nullopt, 1},
        {"99999999999999999999", {1, 255}, "255", 255},
        {"2", tens, std::nullopt, 10},  {"25", tens, std::nullopt, 30},      {"0", tens, "10", 10},
        {"3", narrow, "40", 40},        {"4", narrow, std::nullopt, 40},     {"9", narrow, std::nullopt, 40},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(limitedFieldText(c.text, c.range), c.rewritten) << c.text;
        EXPECT_EQ(fieldValue(c.text, c.range), c.kept) << c.text;
    }
}

TEST(DialogValues, XShootOutputsAreTheMenuItems) {
    ButtonRecord r{};
    std::memset(&r, 0x5A, sizeof r);
    ASSERT_TRUE(assignment::write(r, 0, kCodeXShoot, assignment::XShoot{0, 300, outputOfItem(kOutputMiddle)}));
    EXPECT_EQ(r.byte(5), 132);
    EXPECT_EQ(itemOfOutput(assignment::readXShoot(r).output), kOutputMiddle);
    for (int item : {kOutputLeft, kOutputRight, kOutputMiddle}) EXPECT_EQ(itemOfOutput(outputOfItem(item)), item);
    EXPECT_EQ(outputOfItem(kOutputKeyboard), 0);
    r.byte(5) = 77;
    EXPECT_EQ(itemOfOutput(assignment::readXShoot(r).output), kOutputKeyboard);
}

TEST(KeyCapture, NormalisesModifiersAndEnter) {
    const struct {
        uint32_t vk, flags, expected;
    } cases[] = {
        {17, 0, 162}, {17, kKeyExtended, 163}, {18, 0, 164}, {18, kKeyExtended, 165}, {16, 0x2A, 160},
        {16, 0x36, 161}, {13, 0, 13}, {13, kKeyExtended, 108}, {'A', kKeyExtended, 'A'},
    };
    for (const auto& c : cases) EXPECT_EQ(normaliseVirtualKey(c.vk, c.flags), c.expected) << c.vk << " " << c.flags;
    uint32_t vk = 0, flags = 0;
    ASSERT_TRUE(virtualKeyOfEvdev(97, &vk, &flags));  // right Ctrl
    EXPECT_EQ(normaliseVirtualKey(vk, flags), 163u);
    ASSERT_TRUE(virtualKeyOfEvdev(54, &vk, &flags));  // right Shift
    EXPECT_EQ(normaliseVirtualKey(vk, flags), 161u);
    ASSERT_TRUE(virtualKeyOfEvdev(30, &vk, &flags));  // A
    EXPECT_EQ(vk, uint32_t('A'));
}

TEST(KeyCapture, SingleKeyKeepsTheLastPressAndWritesItsUsage) {
    KeyCapture keys;
    keys.openEmpty();
    EXPECT_TRUE(keys.capture(16, 0x2A, false));
    EXPECT_TRUE(keys.capture('A', 0, false));
    EXPECT_FALSE(keys.capture('A', 0, true));
    EXPECT_FALSE(keys.capture(16, 0x2A, true));
    ASSERT_EQ(keys.entries().size(), 1u);
    EXPECT_EQ(keys.displayText(), "A ");
    EXPECT_EQ(routeKeyDown(91, 0), KeyRoute::Pass);
    EXPECT_EQ(routeKeyDown(32, 0), KeyRoute::CaptureAndEat);
    EXPECT_EQ(routeKeyDown('A', kKeyRepeat), KeyRoute::Pass);

    ButtonRecord r{};
    std::memset(&r, 0x33, sizeof r);
    ASSERT_TRUE(assignment::write(r, 0, kCodeSingleKey, keys.keyList()));
    EXPECT_EQ(r.code, kCodeSingleKey);
    const uint8_t expected[] = {1, 1, 0, 4, 0, 0};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(r.byte(2 + i), expected[i]) << 2 + i;
    EXPECT_EQ(r.byte(123), 0);

    // A release arriving before any press keeps the stored key; the first press replaces it.
    keys.open(r);
    EXPECT_FALSE(keys.capture(18, 0, true));
    EXPECT_EQ(keys.displayText(), "A ");
    EXPECT_TRUE(keys.capture('B', 0, false));
    EXPECT_EQ(keys.displayText(), "B ");

    r.byte(3) = 2;  // more than single-key mode holds: read as none
    keys.open(r);
    EXPECT_TRUE(keys.entries().empty());
    EXPECT_EQ(virtualKeyForCharacter(U'a'), uint32_t('A'));
    EXPECT_EQ(virtualKeyForCharacter(U'!'), uint32_t('1'));
}

TEST(KeyCapture, PrintScreenHasItsUsageAndKeysWithoutOneAreNotTaken) {
    KeyCapture keys;
    keys.openEmpty();
    EXPECT_TRUE(keys.capture(44, 0, false));  // VK_SNAPSHOT
    EXPECT_FALSE(keys.capture(0xE8, 0, false));  // no usage: the captured key stays
    ButtonRecord r{};
    ASSERT_TRUE(assignment::write(r, 0, kCodeSingleKey, keys.keyList()));
    EXPECT_EQ(r.byte(5), 70);
}

}  // namespace
