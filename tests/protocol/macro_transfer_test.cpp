#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "service/macro_transfer.h"
#include "shared/ini_file.h"
#include "shared/macro_file.h"
#include "tests/protocol/protocol_fixture.h"

using Bytes = std::vector<uint8_t>;

namespace {

macro::Block blockOf(std::initializer_list<uint8_t> bytes) {
    macro::Block b{};
    std::copy(bytes.begin(), bytes.end(), b.begin());
    return b;
}

}  // namespace

class MacroTransferTest : public ProtocolTest {
protected:
    void SetUp() override {
        ProtocolTest::SetUp();
        paths.settingsPath = root + "/config/Mouse.ini";
        paths.macroFolder = root + "/config/Macro";
        paths.stringsPath = root + "/Strings.xml";
        std::ofstream(paths.stringsPath)
            << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<Strings><BUTTONPAGE><NEWMACRO>New Macro</NEWMACRO></BUTTONPAGE></Strings>\n";
        transfer = std::make_unique<MacroTransfer>(*config, paths);
        transfer->attach();
    }
    std::string macroPath(const std::string& name) { return paths.macroFolder + "/" + name + ".macro"; }
    void writeMacro(const std::string& name, int count, int loop, const macro::Block& block) {
        std::filesystem::create_directories(paths.macroFolder);
        ASSERT_TRUE(macro::writeMacroFile(macroPath(name), count, loop, block));
    }
    void assignMacro(int p, int b, const char16_t* name, uint8_t byte3 = 0x40, uint8_t owner = 0) {
        ButtonRecord& r = settings->profiles[p].buttons[b];
        r.code = 6;
        r.param2 = byte3;
        r.owner = owner ? owner : static_cast<uint8_t>(b + 1);
        setMacroName(r, name);
    }
    size_t slotWrites() const {
        size_t n = 0;
        for (const SentReport& r : mouse.reports)
            if (r.bytes.size() == 1024 && r.bytes[0] == 4) ++n;
        return n;
    }

    MacroPaths paths;
    std::unique_ptr<MacroTransfer> transfer;
};

TEST_F(MacroTransferTest, AssignmentSharesSlotsByExactName) {
    writeMacro("Alpha", 2, 0, blockOf({0x84, 0x04, 0, 0x04, 0x04, 0}));
    writeMacro("Beta", 1, 3, blockOf({0x81, 0x01, 0}));
    writeMacro("alpha", 1, 2, blockOf({0x06, 0x10, 0}));
    assignMacro(0, 3, u"Alpha", 0x85);
    assignMacro(1, 5, u"Beta", 0x41, 255);
    assignMacro(2, 1, u"Alpha", 0x40);
    assignMacro(3, 0, u"alpha", 0x40);
    std::memset(mouse.memory.data() + devmap::macroSlotAddress(3), 0xEE, 200);

    ASSERT_TRUE(transfer->assignMacros());
    EXPECT_EQ(transfer->assignedNames(), (std::vector<std::string>{"Alpha", "Beta", "alpha"}));
    EXPECT_EQ(mouse.mem(devmap::buttonAddress(0, 3), 4), (Bytes{0x91, 0x80, 1, 0}));  // LoopTime 0 -> 1
    EXPECT_EQ(mouse.mem(devmap::buttonAddress(1, 5), 4), (Bytes{0x91, 0x41, 0xFF, 0xFF}));
    EXPECT_EQ(mouse.mem(devmap::buttonAddress(2, 1), 4), (Bytes{0x91, 0x40, 1, 0}));
    EXPECT_EQ(mouse.mem(devmap::buttonAddress(3, 0), 4), (Bytes{0x91, 0x42, 2, 0}));

    Bytes slot0 = mouse.mem(devmap::macroSlotAddress(0), 200);
    EXPECT_EQ(Bytes(slot0.begin(), slot0.begin() + 7), (Bytes{0x84, 0x04, 0, 0x04, 0x04, 0, 0}));
    EXPECT_EQ(mouse.mem(devmap::macroSlotAddress(1), 4), (Bytes{0x81, 0x01, 0, 0}));
    EXPECT_EQ(mouse.mem(devmap::macroSlotAddress(2), 3), (Bytes{0x06, 0x10, 0}));
    EXPECT_EQ(mouse.mem(devmap::macroSlotAddress(3), 1), Bytes{0xEE});  // unused slots keep their content
    EXPECT_EQ(slotWrites(), 3u);
    const SentReport* slotReport = nullptr;
    for (const SentReport& r : mouse.reports)
        if (r.bytes.size() == 1024) { slotReport = &r; break; }
    ASSERT_NE(slotReport, nullptr);
    EXPECT_EQ(Bytes(slotReport->bytes.begin(), slotReport->bytes.begin() + 8),
              (Bytes{0x04, 0xF3, 0x78, 0x04, 0xC8, 0, 0, 0}));
}

TEST_F(MacroTransferTest, SendAllRunsTheAssignmentOnceAfterTheOtherButtons) {
    writeMacro("Alpha", 1, 1, blockOf({0x81, 0x01, 0}));
    for (int p = 0; p < 3; ++p) assignMacro(p, 7, u"Alpha");
    ASSERT_TRUE(config->sendAll());
    EXPECT_EQ(slotWrites(), 1u);
    // Buttons are written once each: 42 ordinary ones, then the three macro buttons.
    std::vector<uint16_t> buttonWrites;
    for (const SentReport& r : mouse.writes())
        if (r.count() == 4 && r.address() >= 0x0040 && r.address() < 0x03C0) buttonWrites.push_back(r.address());
    ASSERT_EQ(buttonWrites.size(), 45u);
    EXPECT_EQ(buttonWrites[42], devmap::buttonAddress(0, 7));
    EXPECT_EQ(buttonWrites[44], devmap::buttonAddress(2, 7));
    EXPECT_EQ(mouse.mem(devmap::buttonAddress(1, 7), 4), (Bytes{0x91, 0x40, 1, 0}));
}

TEST_F(MacroTransferTest, MissingFileAndOverlongCount) {
    assignMacro(0, 0, u"Nowhere");
    std::memset(mouse.memory.data() + devmap::macroSlotAddress(0), 0xEE, 200);
    ASSERT_TRUE(transfer->assignMacros());
    EXPECT_EQ(mouse.mem(devmap::buttonAddress(0, 0), 4), (Bytes{0x91, 0x40, 1, 0}));
    EXPECT_EQ(mouse.mem(devmap::macroSlotAddress(0), 200), Bytes(200, 0));

    macro::Block full;
    full.fill(0x44);
    writeMacro("Long", 60, 1, full);
    ASSERT_TRUE(IniFile(macroPath("Long")).writeInt("Setting", "Count", 75));
    std::memset(mouse.memory.data() + devmap::macroSlotAddress(1), 0xEE, 200);
    ASSERT_TRUE(transfer->writeSlot(1, "Long"));
    Bytes slot = mouse.mem(devmap::macroSlotAddress(1), 200);
    EXPECT_EQ(Bytes(slot.begin(), slot.begin() + 180), Bytes(180, 0x44));
    EXPECT_EQ(Bytes(slot.begin() + 180, slot.end()), Bytes(20, 0));
}

TEST_F(MacroTransferTest, SlotsOutsideTheMacroAreaAreNeverWritten) {
    EXPECT_FALSE(transfer->writeSlotFromList(-1, false));
    EXPECT_FALSE(transfer->writeSlotFromList(-1, true));
    EXPECT_FALSE(transfer->writeSlotFromList(20, false));
    EXPECT_FALSE(transfer->writeSlot(-1, "x"));
    EXPECT_TRUE(mouse.reports.empty());

    // Twenty-one distinct names: the last one gets no slot and its button is left alone.
    for (int i = 0; i < 21; ++i) {
        std::u16string name = u"M" + std::u16string(1, static_cast<char16_t>(u'a' + i));
        assignMacro(i / 9, i % 9, name.c_str());
    }
    EXPECT_FALSE(transfer->assignMacros());
    EXPECT_EQ(slotWrites(), 20u);
    for (const SentReport& r : mouse.writes()) {
        EXPECT_LT(r.address(), devmap::macroSlotAddress(20));
        EXPECT_NE(r.address(), devmap::buttonAddress(2, 2));
    }
}

TEST_F(MacroTransferTest, SlotFromTheMacroList) {
    writeMacro("Gamma", 2, 1, blockOf({0x84, 0x05, 0, 0x04, 0x05, 0}));
    ASSERT_TRUE(macro::writeListSlot(paths.settingsPath, 4, "Gamma"));
    ASSERT_TRUE(transfer->writeSlotFromList(4, false));  // on no button: written nowhere
    ASSERT_TRUE(transfer->writeSlotFromList(4, true));
    EXPECT_TRUE(mouse.reports.empty());

    // List key 4, but the second macro on the buttons: slot 1.
    assignMacro(1, 2, u"Beta");
    assignMacro(3, 0, u"Gamma");
    ASSERT_TRUE(transfer->writeSlotFromList(4, false));
    EXPECT_EQ(mouse.mem(devmap::macroSlotAddress(1), 7), (Bytes{0x84, 0x05, 0, 0x04, 0x05, 0, 0}));
    EXPECT_EQ(slotWrites(), 1u);

    ASSERT_TRUE(transfer->writeSlotFromList(4, true));
    EXPECT_EQ(mouse.mem(devmap::macroSlotAddress(1), 200), Bytes(200, 0));
    const SentReport& clear = mouse.reports.back();
    EXPECT_EQ(clear.bytes.size(), 1024u);
    EXPECT_EQ(clear.address(), 0x0478 + 200);
    EXPECT_EQ(clear.count(), 200);
}

TEST_F(MacroTransferTest, ReadBackNamesAndStoresTheMacro) {
    const uint16_t slot2 = devmap::macroSlotAddress(2);
    const uint8_t events[] = {0x81, 0x01, 0, 0x06, 0x0A, 0, 0x01, 0x01, 0, 0xFF, 0xFF, 0xFF, 0x84, 4, 0};
    std::memcpy(mouse.memory.data() + slot2, events, sizeof events);
    ASSERT_FALSE(std::filesystem::exists(paths.macroFolder));

    ASSERT_TRUE(transfer->readSlotToFile(2));
    EXPECT_EQ(macro::readListSlot(paths.settingsPath, 2), "New Macro 3");
    macro::MacroFileData data;
    ASSERT_TRUE(macro::readMacroFile(macroPath("New Macro 3"), data, 1));
    EXPECT_EQ(data.count, 3);
    EXPECT_EQ(data.loopTime, 0);
    ASSERT_TRUE(data.blockValid);
    EXPECT_TRUE(std::equal(events, events + sizeof events, data.block.begin()));
    EXPECT_EQ(IniFile(macroPath("New Macro 3")).readString("Setting", "MacroFilePath"), macroPath("New Macro 3"));

    // Reads of 50 bytes with report id 3 at the slot's four quarters.
    std::vector<uint16_t> reads;
    for (const SentReport& r : mouse.reports)
        if (r.kind == SentReport::Kind::Feature && r.command() == 0xF2) {
            EXPECT_EQ(r.bytes.size(), 64u);
            EXPECT_EQ(r.bytes[0], 3);
            EXPECT_EQ(r.count(), 50);
            reads.push_back(r.address());
        }
    EXPECT_EQ(reads, (std::vector<uint16_t>{slot2, uint16_t(slot2 + 50), uint16_t(slot2 + 100), uint16_t(slot2 + 150)}));
}

TEST_F(MacroTransferTest, ReadBackOfAnEmptySlotClearsItsListEntry) {
    // Only an entry without a file: a listed macro no button uses is never written to the mouse,
    // so its list key's slot says nothing about it.
    ASSERT_TRUE(macro::writeListSlot(paths.settingsPath, 5, "Old"));
    ASSERT_TRUE(macro::writeListSlot(paths.settingsPath, 6, "Kept"));
    writeMacro("Kept", 1, 1, blockOf({0x81, 1, 0}));
    std::memset(mouse.memory.data() + devmap::macroSlotAddress(5), 0xFF, 3);
    std::memcpy(mouse.memory.data() + devmap::macroSlotAddress(6), "\x84\x09\x00", 3);
    ASSERT_TRUE(transfer->readSlotToFile(5));
    ASSERT_TRUE(transfer->readSlotToFile(6));
    EXPECT_EQ(macro::readListSlot(paths.settingsPath, 5), "");
    EXPECT_EQ(macro::readListSlot(paths.settingsPath, 6), "Kept");
    macro::MacroFileData data;
    ASSERT_TRUE(macro::readMacroFile(macroPath("Kept"), data, 1));
    EXPECT_EQ(data.block[0], 0x81);  // no file is touched
}

TEST_F(MacroTransferTest, ReadBackReplacesAnExistingFileAndStopsOnFailure) {
    // "Mine" is listed under key 3 but plays on a button: the assignment gave it slot 0, and a
    // listed macro of key 0 that no button uses is not the slot's.
    ASSERT_TRUE(macro::writeListSlot(paths.settingsPath, 0, "Other"));
    ASSERT_TRUE(macro::writeListSlot(paths.settingsPath, 3, "Mine"));
    writeMacro("Other", 1, 1, blockOf({0x81, 2, 0}));
    writeMacro("Mine", 3, 7, blockOf({0x81, 1, 0, 0x01, 1, 0, 0x06, 5, 0}));
    assignMacro(2, 4, u"Mine");
    ASSERT_TRUE(IniFile(macroPath("Mine")).writeString("Setting", "Extra", "x"));
    const uint8_t events[] = {0x84, 0x04, 0, 0x04, 0x04, 0};
    std::memcpy(mouse.memory.data() + devmap::macroSlotAddress(0), events, sizeof events);

    mouse.readsBeforeFailure = 2;
    EXPECT_FALSE(transfer->readSlotToFile(0));
    macro::MacroFileData data;
    ASSERT_TRUE(macro::readMacroFile(macroPath("Mine"), data, 1));
    EXPECT_EQ(data.count, 3);  // untouched

    mouse.readsBeforeFailure = -1;
    ASSERT_TRUE(transfer->readSlotToFile(0));
    ASSERT_TRUE(macro::readMacroFile(macroPath("Mine"), data, 1));
    EXPECT_EQ(data.count, 2);
    EXPECT_EQ(data.loopTime, 7);  // the loop count is the file's, the slot has none
    EXPECT_EQ(IniFile(macroPath("Mine")).readString("Setting", "Extra"), "");
    ASSERT_TRUE(macro::readMacroFile(macroPath("Other"), data, 1));
    EXPECT_EQ(data.block[1], 2);
    // The slot of key 3 is no one's: "Mine" keeps what slot 0 gave it.
    std::memcpy(mouse.memory.data() + devmap::macroSlotAddress(3), "\x84\x09\x00", 3);
    ASSERT_TRUE(transfer->readSlotToFile(3));
    ASSERT_TRUE(macro::readMacroFile(macroPath("Mine"), data, 1));
    EXPECT_EQ(data.block[1], 0x04);
}

TEST_F(MacroTransferTest, FullReadBackWalksAllTwentySlots) {
    const uint8_t events[] = {0x81, 0x01, 0, 0x01, 0x01, 0};
    std::memcpy(mouse.memory.data() + devmap::macroSlotAddress(19), events, sizeof events);
    ASSERT_TRUE(config->queryAll());
    EXPECT_EQ(mouse.sessionsOpened, 22);
    EXPECT_EQ(macro::readListSlot(paths.settingsPath, 19), "New Macro 20");
    EXPECT_TRUE(std::filesystem::exists(macroPath("New Macro 20")));
    EXPECT_EQ(config->stats().waitedMs, 44u * 100u);
}

TEST_F(MacroTransferTest, ReadBackNeverLeavesTheMacroFolder) {
    ASSERT_TRUE(macro::writeListSlot(paths.settingsPath, 1, "../escaped"));
    const uint8_t events[] = {0x81, 0x01, 0};
    std::memcpy(mouse.memory.data() + devmap::macroSlotAddress(1), events, sizeof events);
    EXPECT_TRUE(transfer->readSlotToFile(1));  // the mouse answered; the name is refused
    EXPECT_FALSE(std::filesystem::exists(root + "/config/escaped.macro"));
    EXPECT_FALSE(std::filesystem::exists(paths.macroFolder + "/../escaped.macro"));
}

TEST_F(MacroTransferTest, OwnConfigurationOverTheSameTransport) {
    writeMacro("Solo", 1, 4, blockOf({0x84, 0x07, 0}));
    assignMacro(4, 8, u"Solo");
    MacroTransfer own(mouse, link, *settings, paths.settingsPath, paths.macroFolder, paths.stringsPath);
    config->setMacroHooks(own.hooks());
    ASSERT_TRUE(config->writeButton(4, 8));
    EXPECT_EQ(mouse.mem(devmap::buttonAddress(4, 8), 4), (Bytes{0x91, 0x40, 4, 0}));
    EXPECT_EQ(mouse.mem(devmap::macroSlotAddress(0), 3), (Bytes{0x84, 0x07, 0}));
    EXPECT_EQ(mouse.reports.front().deviceId, kConfigId);
}
