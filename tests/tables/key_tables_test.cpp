#include "shared/key_tables.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <set>

#include "platform/keyboard_layout.h"

namespace {

// Key names of characters come from the built-in US layout: no display in these tests.
class KeyNames : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("DISPLAY");
        platform::closeKeyboardLayoutDisplay();
    }
};

std::string stringsLookup(std::string_view section, std::string_view key) {
    if (section != "BUTTONPAGE") return "?";
    if (key == "CLICK") return "Left Button";
    if (key == "MENU") return "Right Button";
    if (key == "MIDDLE") return "Middle Button";
    return "?";
}

TEST(KeyTables, TableAIsAOneToOne104KeyMap) {
    int count = 0;
    const KeyPair* a = virtualKeyUsageTable(&count);
    ASSERT_EQ(count, 104);
    std::set<uint32_t> vks, usages;
    for (int i = 0; i < count; ++i) {
        vks.insert(a[i].first);
        usages.insert(a[i].second);
    }
    EXPECT_EQ(vks.size(), 104u);
    EXPECT_EQ(usages.size(), 104u);
    for (uint32_t generic : {16u, 17u, 18u}) EXPECT_EQ(vks.count(generic), 0u);
    // Every pair converts both ways.
    for (int i = 0; i < count; ++i) {
        uint32_t vk = 0, usage = 0;
        ASSERT_TRUE(hidUsageToVirtualKey(a[i].second, &vk));
        EXPECT_EQ(vk, a[i].first);
        ASSERT_TRUE(virtualKeyToHidUsage(a[i].first, &usage));
        EXPECT_EQ(usage, a[i].second);
    }
}

TEST(KeyTables, TableANotedPairs) {
    const std::map<uint32_t, uint32_t> noted = {
        {13, 40},   {108, 88},  {42, 70},   {19, 72},   {145, 71},  {93, 101},
        {91, 227},  {92, 231},  {160, 225}, {161, 229}, {162, 224}, {163, 228},
        {164, 226}, {165, 230}, {144, 83},  {20, 57},   {27, 41},   {65, 4},
        {90, 29},   {49, 30},   {48, 39},   {32, 44},   {112, 58},  {123, 69},
        {186, 51},  {222, 52},  {192, 53},  {220, 49},  {96, 98},   {110, 99}};
    for (auto [vk, usage] : noted) {
        uint32_t got = 0;
        ASSERT_TRUE(virtualKeyToHidUsage(vk, &got)) << vk;
        EXPECT_EQ(got, usage) << vk;
    }
}

TEST(KeyTables, UnknownUsageLeavesOutputUnchanged) {
    uint32_t vk = 12345;
    EXPECT_FALSE(hidUsageToVirtualKey(0x32, &vk));  // non-US hash key: not on a 104-key board
    EXPECT_FALSE(hidUsageToVirtualKey(0, &vk));
    EXPECT_FALSE(hidUsageToVirtualKey(232, &vk));
    EXPECT_EQ(vk, 12345u);
    uint32_t usage = 77;
    EXPECT_FALSE(virtualKeyToHidUsage(16, &usage));
    EXPECT_EQ(usage, 77u);
}

TEST(KeyTables, TableBPositionsAndLastMatchWins) {
    int count = 0;
    const KeyPair* b = positionVirtualKeyTable(&count);
    ASSERT_EQ(count, 145);
    EXPECT_EQ(b[0].first, 16u);
    EXPECT_EQ(b[count - 1].first, 159u);
    EXPECT_EQ(b[count - 1].second, 251u);
    std::multiset<uint32_t> codes;
    for (int i = 0; i < count; ++i) codes.insert(b[i].first);
    for (uint32_t c = 16; c <= 159; ++c) EXPECT_EQ(codes.count(c), c == 156 ? 2u : 1u) << c;

    EXPECT_EQ(virtualKeyToPosition(91), 156u);
    EXPECT_EQ(virtualKeyToPosition(92), 156u);
    EXPECT_EQ(virtualKeyToPosition(177), 148u);  // 147 and 148 both hold 177
    EXPECT_EQ(virtualKeyToPosition(32), 87u);
    EXPECT_EQ(virtualKeyToPosition(13), 86u);
    EXPECT_EQ(virtualKeyToPosition(192), 16u);
    EXPECT_EQ(virtualKeyToPosition(16), 0u);   // generic Shift: no position
    EXPECT_EQ(virtualKeyToPosition(108), 116u);
    // 0 marks positions without a key; it is not a key of its own.
    EXPECT_EQ(virtualKeyToPosition(0), 0u);
}

TEST_F(KeyNames, FixedVirtualKeyNames) {
    EXPECT_EQ(virtualKeyName(13), "Enter");
    EXPECT_EQ(virtualKeyName(108), "Enter");
    EXPECT_EQ(virtualKeyName(32), "Space");
    EXPECT_EQ(virtualKeyName(96), "Num0");
    EXPECT_EQ(virtualKeyName(105), "Num9");
    EXPECT_EQ(virtualKeyName(111), "Num/");
    EXPECT_EQ(virtualKeyName(112), "F1");
    EXPECT_EQ(virtualKeyName(123), "F12");
    EXPECT_EQ(virtualKeyName(165), "RAlt");
    EXPECT_EQ(virtualKeyName(43), "Exe");
    EXPECT_EQ(virtualKeyName(44), "Snapshot");
}

TEST_F(KeyNames, CharacterNamesFromTheLayout) {
    EXPECT_EQ(virtualKeyName('A'), "A");
    EXPECT_EQ(virtualKeyName('Z'), "Z");
    EXPECT_EQ(virtualKeyName('7'), "7");
    EXPECT_EQ(virtualKeyName(186), ";");
    EXPECT_EQ(virtualKeyName(220), "\\");
    EXPECT_EQ(virtualKeyName(222), "'");
    // Keys that produce no printable character have no name.
    EXPECT_EQ(virtualKeyName(0), "");
    EXPECT_EQ(virtualKeyName(255), "");
    EXPECT_EQ(virtualKeyName(173), "");
}

TEST_F(KeyNames, SingleKeyButtonLabel) {
    EXPECT_EQ(singleKeyButtonLabel(0x2C), "Space");
    EXPECT_EQ(singleKeyButtonLabel(88), "Enter");  // keypad Enter
    EXPECT_EQ(singleKeyButtonLabel(4), "A");
    EXPECT_EQ(singleKeyButtonLabel(227), "");      // LWin has no name of its own
    EXPECT_EQ(singleKeyButtonLabel(0), "key");
    EXPECT_EQ(singleKeyButtonLabel(0x32), "key");
    EXPECT_EQ(singleKeyButtonLabel(255), "key");
}

TEST(KeyPositionNames, FixedNamesAndGaps) {
    EXPECT_EQ(keyPositionName(87, stringsLookup), "Space Bar");
    EXPECT_EQ(keyPositionName(84, stringsLookup), "\\");
    EXPECT_EQ(keyPositionName(76, stringsLookup), ";");
    EXPECT_EQ(keyPositionName(16, stringsLookup), "~");
    EXPECT_EQ(keyPositionName(156, stringsLookup), "Win");
    EXPECT_EQ(keyPositionName(244, stringsLookup), "Left Windows");
    EXPECT_EQ(keyPositionName(245, stringsLookup), "Right Windows");
    EXPECT_EQ(keyPositionName(135, stringsLookup), "Profile");
    for (uint32_t c : {0u, 3u, 29u, 31u, 126u, 128u, 137u, 144u, 153u, 246u, 1000u})
        EXPECT_EQ(keyPositionName(c, stringsLookup), "") << c;
    for (uint32_t c = 5; c <= 15; ++c) EXPECT_EQ(keyPositionName(c, stringsLookup), "") << c;
    for (uint32_t c = 160; c <= 243; ++c) EXPECT_EQ(keyPositionName(c, stringsLookup), "") << c;
}

TEST(KeyPositionNames, MouseButtonsComeFromTheStrings) {
    EXPECT_EQ(keyPositionName(1, stringsLookup), "Left Button");
    EXPECT_EQ(keyPositionName(2, stringsLookup), "Right Button");
    EXPECT_EQ(keyPositionName(4, stringsLookup), "Middle Button");
    EXPECT_EQ(keyPositionName(1, nullptr), "");
    EXPECT_EQ(fixedKeyPositionName(1), "");
}

TEST(KeyPositionNames, MacroKeyNameChain) {
    EXPECT_EQ(macroKeyName(0x2C, stringsLookup), "Space Bar");
    EXPECT_EQ(macroKeyName(4, stringsLookup), "A");
    EXPECT_EQ(macroKeyName(88, stringsLookup), "Num Enter");
    EXPECT_EQ(macroKeyName(227, stringsLookup), "Win");   // LWin → 156
    EXPECT_EQ(macroKeyName(231, stringsLookup), "Win");   // RWin → 156
    EXPECT_EQ(macroKeyName(225, stringsLookup), "Shift");
    EXPECT_EQ(macroKeyName(49, stringsLookup), "\\");
    // Usages without a virtual key have no name (not the name of some unrelated position).
    EXPECT_EQ(macroKeyName(0, stringsLookup), "");
    EXPECT_EQ(macroKeyName(0x32, stringsLookup), "");
}

}  // namespace
