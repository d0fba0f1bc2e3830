// Macro files, event records and the macro list of "Mouse.ini".
#include <gtest/gtest.h>

#include <cstring>

#include "platform/atomic_file.h"
#include "platform/profile_ini.h"
#include "shared/macro_file.h"
#include "tests/store/temp_dir.h"

using namespace macro;

namespace {

std::string hex(const Event& e) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02X %02X %02X", e.bytes[0], e.bytes[1], e.bytes[2]);
    return buf;
}

}  // namespace

TEST(MacroEvents, ButtonAndKeyRecords) {
    EXPECT_EQ(hex(buttonEvent(kButtonRight, true)), "81 02 00");
    EXPECT_EQ(hex(buttonEvent(kButtonRight, false)), "01 02 00");
    EXPECT_EQ(hex(buttonEvent(kButtonMiddle, true)), "81 04 00");
    EXPECT_EQ(hex(keyEvent(0x04, true)), "84 04 00");  // HID usage of A
    Event e = keyEvent(0xE0, false);
    EXPECT_EQ(e.kind(), kKindKey);
    EXPECT_FALSE(e.pressed());
    EXPECT_EQ(e.value(), 0xE0);
    EXPECT_FALSE(e.empty());
    EXPECT_TRUE(Event{}.empty());
}

TEST(MacroEvents, DelaysAreTenMillisecondSteps) {
    EXPECT_EQ(hex(delayEvent(1230)), "06 7B 00");
    EXPECT_EQ(hex(delayEvent(65535)), "06 99 19");
    EXPECT_EQ(delayStepsFromMs(131070), 13107);
    EXPECT_EQ(delayStepsFromMs(9), 0);
    EXPECT_EQ(delayStepsFromMs(10'000'000), 0xFFFF);
    EXPECT_EQ(delayMsFromSteps(123), 1230u);
    EXPECT_EQ(delayEvent(1230).value(), 123);
}

TEST(MacroEvents, MoveSteps) {
    EXPECT_EQ(hex(moveEvent(-10, 0)), "02 F6 00");  // 10 left
    EXPECT_EQ(hex(moveEvent(0, 10)), "02 00 0A");   // 10 down
    EXPECT_EQ(hex(moveEvent(0, -120)), "02 00 88"); // 120 up
    EXPECT_EQ(hex(moveEvent(10, 0)), "02 0A 00");   // 10 right
    EXPECT_EQ(hex(moveEvent(120, 0)), "02 78 00");  // 120 right: byte 120, read back as +120
    EXPECT_EQ(hex(moveEvent(500, 0)), "02 78 00");  // magnitudes above 120 are 120
    EXPECT_EQ(hex(moveEvent(0, -500)), "02 00 88");
    for (int m = 1; m <= kMaxMoveMagnitude; ++m) {
        EXPECT_EQ(decodeMoveStep(encodeMoveStep(m)), m);
        EXPECT_EQ(decodeMoveStep(encodeMoveStep(-m)), -m);
    }
    EXPECT_EQ(decodeMoveStep(0), 0);
    EXPECT_EQ(decodeMoveStep(119), 119);
    EXPECT_EQ(decodeMoveStep(120), 120);
    EXPECT_EQ(decodeMoveStep(121), -135);
    EXPECT_EQ(decodeMoveStep(246), -10);
    EXPECT_EQ(decodeMoveStep(255), -1);
}

TEST(MacroEvents, BlockAccessAndDeviceCount) {
    Block block{};
    setEventAt(block, 0, buttonEvent(kButtonLeft, true));
    setEventAt(block, 1, delayEvent(100));
    setEventAt(block, 2, buttonEvent(kButtonLeft, false));
    setEventAt(block, 60, buttonEvent(kButtonLeft, false));  // ignored
    EXPECT_EQ(eventAt(block, 1), delayEvent(100));
    EXPECT_TRUE(eventAt(block, -1).empty());
    EXPECT_EQ(countDeviceEvents(block.data(), block.size()), 3);

    Block ff;
    ff.fill(0xFF);
    EXPECT_EQ(countDeviceEvents(ff.data(), ff.size()), 0);  // first record FF FF FF: empty macro
    setEventAt(ff, 0, keyEvent(4, true));
    setEventAt(ff, 1, keyEvent(4, false));
    EXPECT_EQ(countDeviceEvents(ff.data(), ff.size()), 2);

    Block full;
    full.fill(0x06);
    EXPECT_EQ(countDeviceEvents(full.data(), full.size()), 60);
    uint8_t big[300];
    std::memset(big, 0x84, sizeof big);
    EXPECT_EQ(countDeviceEvents(big, sizeof big), 60);  // never more than 60
    EXPECT_EQ(countDeviceEvents(big, 8), 2);            // whole records only
    EXPECT_EQ(countDeviceEvents(nullptr, 0), 0);
}

TEST(MacroFile, ThreeRecordFile) {
    TempDir dir;
    std::string path;
    ASSERT_TRUE(macroFilePath(dir.path(), "Macro 1", path));
    EXPECT_EQ(path, dir.path() + "/Macro 1.macro");
    Block block{};
    setEventAt(block, 0, buttonEvent(kButtonRight, true));
    setEventAt(block, 1, delayEvent(1230));
    setEventAt(block, 2, buttonEvent(kButtonRight, false));
    uint64_t before = platform::fileReplaceCount();
    ASSERT_TRUE(writeMacroFile(path, 3, 5, block));
    EXPECT_EQ(platform::fileReplaceCount() - before, 1u);

    platform::IniDocument doc = platform::readProfileDocument(path);
    EXPECT_EQ(doc.keyNames("Setting"),
              (std::vector<std::string>{"MacroFilePath", "Count", "LoopTime", "MacroSetting_0"}));
    EXPECT_EQ(doc.get("Setting", "MacroFilePath"), path);
    EXPECT_EQ(doc.get("Setting", "Count"), "3");
    EXPECT_EQ(doc.get("Setting", "LoopTime"), "5");
    std::string text = *doc.get("Setting", "MacroSetting_0");
    ASSERT_EQ(text.size(), 362u);
    EXPECT_EQ(text.substr(0, 18), "810200067B00010200");
    EXPECT_EQ(text.substr(18, 342), std::string(342, '0'));
    // checksum: 0x81 + 2 + 6 + 0x7B + 1 + 2 = 0x107 -> 07
    EXPECT_EQ(text.substr(360), "07");

    MacroFileData data;
    ASSERT_TRUE(readMacroFile(path, data, 1));
    EXPECT_EQ(data.count, 3);
    EXPECT_EQ(data.loopTime, 5);
    EXPECT_TRUE(data.blockValid);
    EXPECT_EQ(data.block, block);
}

TEST(MacroFile, MissingFileAndDefaults) {
    TempDir dir;
    MacroFileData data;
    data.block.fill(0x11);
    EXPECT_FALSE(readMacroFile(dir.file("none.macro"), data, 1));
    EXPECT_EQ(data.count, 0);
    EXPECT_EQ(data.loopTime, 1);
    EXPECT_FALSE(data.blockValid);
    EXPECT_EQ(data.block[0], 0x11);  // untouched
    readMacroFile(dir.file("none.macro"), data, 0);
    EXPECT_EQ(data.loopTime, 0);
}

TEST(MacroFile, CountAboveSixtyIsSixtyNegativeIsZero) {
    TempDir dir;
    std::string path = dir.file("big.macro");
    writeText(path, "[Setting]\nCount=500\nLoopTime=2\n");
    MacroFileData data;
    readMacroFile(path, data, 1);
    EXPECT_EQ(data.count, 60);
    writeText(path, "[Setting]\nCount=-4\n");
    readMacroFile(path, data, 1);
    EXPECT_EQ(data.count, 0);
    EXPECT_EQ(data.loopTime, 1);
    Block block{};
    ASSERT_TRUE(writeMacroFile(path, 99, 0, block));
    EXPECT_EQ(platform::readProfileInt(path, "Setting", "Count", 0), 60);  // never written above 60
}

TEST(MacroFile, DamagedBlockIsNotRead) {
    TempDir dir;
    std::string path = dir.file("bad.macro");
    Block block{};
    setEventAt(block, 0, keyEvent(4, true));
    ASSERT_TRUE(writeMacroFile(path, 1, 0, block));
    std::string text = platform::readProfileString(path, "Setting", "MacroSetting_0");
    text[1] = '5';
    ASSERT_TRUE(platform::writeProfileString(path, "Setting", "MacroSetting_0", text));
    MacroFileData data;
    data.block.fill(0x22);
    readMacroFile(path, data, 0);
    EXPECT_FALSE(data.blockValid);
    EXPECT_EQ(data.block[0], 0x22);
    EXPECT_EQ(data.count, 1);
    ASSERT_TRUE(platform::writeProfileString(path, "Setting", "MacroSetting_0", text.substr(0, 360)));
    readMacroFile(path, data, 0);
    EXPECT_FALSE(data.blockValid);
}

TEST(MacroFile, FreshWriteReplacesAnOldFileWhole) {
    TempDir dir;
    std::string path = dir.file("back.macro");
    writeText(path, "[Setting]\nLoopTime=9\nStray=1\n[Other]\nx=1\n");
    Block block{};
    ASSERT_TRUE(writeMacroFile(path, 0, 0, block, true));
    platform::IniDocument doc = platform::readProfileDocument(path);
    EXPECT_EQ(doc.sectionNames(), std::vector<std::string>{"Setting"});
    EXPECT_EQ(doc.keyNames("Setting"),
              (std::vector<std::string>{"MacroFilePath", "Count", "LoopTime", "MacroSetting_0"}));
    // A merging write keeps what it does not own.
    writeText(path, "[Setting]\nStray=1\n");
    ASSERT_TRUE(writeMacroFile(path, 0, 0, block));
    EXPECT_EQ(platform::readProfileString(path, "Setting", "Stray"), "1");
}

TEST(MacroFile, NamesThatWouldLeaveTheFolderAreRefused) {
    std::string path = "unchanged";
    const std::vector<std::string> refused = {"", ".", "..", "a/b", "../x", "/etc/passwd", "x/",
                                              std::string("x\0y", 3)};
    for (const std::string& bad : refused) {
        EXPECT_FALSE(isValidMacroName(bad)) << bad;
        EXPECT_FALSE(macroFilePath("/m", bad, path)) << bad;
        EXPECT_EQ(path, "unchanged");
    }
    for (std::string good : {"Macro 1", "...", ".hidden", "a\\b", "Größe", "x.."}) {
        EXPECT_TRUE(macroFilePath("/m/", good, path)) << good;
        EXPECT_EQ(path, "/m/" + good + ".macro");
    }
}

TEST(MacroList, AddFindRemoveAndFullList) {
    TempDir dir;
    std::string ini = dir.file("Mouse.ini");
    writeText(ini, "[Setting]\nProfile=2\n");
    for (int i = 0; i < kListSlots; ++i) EXPECT_EQ(addToList(ini, "m" + std::to_string(i)), i);
    EXPECT_EQ(listCount(ini), 7);
    std::string full = readText(ini);
    uint64_t before = platform::fileReplaceCount();
    EXPECT_EQ(addToList(ini, "eighth"), -1);
    EXPECT_EQ(platform::fileReplaceCount(), before);  // nothing written
    EXPECT_EQ(readText(ini), full);

    EXPECT_TRUE(removeFromList(ini, "m3"));
    EXPECT_EQ(readListSlot(ini, 3), "");
    EXPECT_TRUE(platform::readProfileDocument(ini).get("MACRO_LIST", "3").has_value());  // key kept, empty
    EXPECT_EQ(listNames(ini), (std::vector<std::string>{"m0", "m1", "m2", "m4", "m5", "m6"}));
    EXPECT_EQ(findInList(ini, "m4"), 4);
    EXPECT_EQ(findInList(ini, "m3"), -1);
    EXPECT_EQ(addToList(ini, "new"), 3);
    EXPECT_EQ(findInList(ini, "new"), 3);
    EXPECT_EQ(platform::readProfileInt(ini, "Setting", "Profile", 0), 2);
    EXPECT_FALSE(removeFromList(ini, "absent"));
}

TEST(MacroList, NamesAreCaseSensitiveAndExact) {
    TempDir dir;
    std::string ini = dir.file("Mouse.ini");
    EXPECT_EQ(addToList(ini, "Macro"), 0);
    EXPECT_EQ(addToList(ini, "macro"), 1);
    EXPECT_EQ(addToList(ini, "Macro"), 2);  // adding does not look for the name
    EXPECT_EQ(findInList(ini, "macro"), 1);
    EXPECT_EQ(findInList(ini, "MACRO"), -1);
    EXPECT_EQ(findInList(ini, "Macr"), -1);
    EXPECT_TRUE(removeFromList(ini, "Macro"));  // every slot holding it
    EXPECT_EQ(listNames(ini), std::vector<std::string>{"macro"});
    EXPECT_EQ(addToList(ini, ""), -1);
    EXPECT_EQ(findInList(ini, ""), -1);
    EXPECT_FALSE(removeFromList(ini, ""));
}

TEST(MacroList, NamesKeepTheirSpacesAndQuotes) {
    TempDir dir;
    std::string ini = dir.file("Mouse.ini");
    for (std::string name : {" padded ", "\"quoted\"", "'q'"}) {
        int slot = addToList(ini, name);
        ASSERT_GE(slot, 0);
        EXPECT_EQ(readListSlot(ini, slot), name);
        EXPECT_EQ(findInList(ini, name), slot);
    }
}

TEST(MacroList, SlotsBeyondSixAreReadAndWrittenButNotListed) {
    TempDir dir;
    std::string ini = dir.file("Mouse.ini");
    ASSERT_TRUE(writeListSlot(ini, 19, "from mouse"));
    EXPECT_EQ(readListSlot(ini, 19), "from mouse");
    EXPECT_EQ(readListSlot(ini, 18), "");
    EXPECT_EQ(listCount(ini), 0);
    EXPECT_EQ(findInList(ini, "from mouse"), -1);
    ASSERT_TRUE(writeListSlot(ini, 0, "zero"));
    EXPECT_EQ(listNames(ini), std::vector<std::string>{"zero"});
}

TEST(MacroList, TakesTheListFromADocument) {
    platform::IniDocument doc = platform::IniDocument::parse("[macro_list]\n1=b\n0=a\n3=\n7=late\n");
    EXPECT_EQ(listNames(doc), (std::vector<std::string>{"a", "b"}));
}

// What killed saves left in the macro folder goes with the next save of any macro, also for a
// macro deleted since; a save in progress (its lock held) keeps its temporary file, and files of
// other kinds stay. No lock file stays either.
TEST(MacroFile, ASaveClearsWhatKilledSavesLeftInTheFolder) {
    TempDir dir;
    const std::vector<std::string> leftovers = {".Gone.macro.save-Ab12Cd", ".Gone.macro.lock",
                                                ".Old Name.macro.save-x0x0x0"};
    const std::vector<std::string> kept = {".Busy.macro.save-Zz99zz", ".notes.txt.save-Ab12Cd", "notes.txt"};
    for (const auto& name : leftovers) writeText(dir.file(name), "half a save");
    for (const auto& name : kept) writeText(dir.file(name), "other");
    platform::FileLock busy(dir.file("Busy.macro"));  // another program saving "Busy" right now
    ASSERT_TRUE(busy.locked());

    ASSERT_TRUE(writeMacroFile(dir.file("Fast.macro"), 0, 1, Block{}, true));
    std::vector<std::string> expected = kept;
    expected.push_back(".Busy.macro.lock");
    expected.push_back("Fast.macro");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(entriesOf(dir.path()), expected);
}
