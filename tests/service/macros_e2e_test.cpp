// Macro slots and macro buttons written by the service, from macro files and "MACRO_LIST".
#include <filesystem>
#include <string>

#include "shared/macro_library.h"
#include "platform/known_folders.h"
#include "shared/macro_file.h"
#include "shared/text_decoding.h"
#include "shared/window_messages.h"
#include "tests/service/e2e_support.h"

namespace {

using e2e::bytes;

void setMacroButton(ButtonRecord& r, const std::u16string& name, uint8_t byte3 = 0, uint8_t owner = 1) {
    r.owner = owner;
    r.code = 6;
    r.byte(3) = byte3;
    std::fill(std::begin(r.name), std::end(r.name), u'\0');
    std::copy(name.begin(), name.end(), r.name);
}

class Macros : public e2e::ServiceTest {
protected:
    // Writes a macro file; returns the event bytes it holds.
    std::vector<uint8_t> writeMacro(const std::string& name, const std::vector<macro::Event>& events, int loopTime) {
        std::filesystem::create_directories(h.macroFolder());
        macro::Block block{};
        for (size_t i = 0; i < events.size(); ++i) macro::setEventAt(block, static_cast<int>(i), events[i]);
        std::string path;
        EXPECT_TRUE(macro::macroFilePath(h.macroFolder(), name, path));
        EXPECT_TRUE(macro::writeMacroFile(path, static_cast<int>(events.size()), loopTime, block, true));
        return std::vector<uint8_t>(block.begin(), block.begin() + 3 * events.size());
    }

    static std::vector<uint8_t> slotImage(const std::vector<uint8_t>& events) {
        std::vector<uint8_t> slot(devmap::kMacroSlotSize, 0);
        std::copy(events.begin(), events.end(), slot.begin());
        return slot;
    }
};

TEST_F(Macros, FullWriteFillsTheUsedSlotsAndPointsTheMacroButtonsAtThem) {
    auto alpha = writeMacro("Alpha", {macro::keyEvent(0x04, true), macro::delayEvent(50), macro::keyEvent(0x04, false)}, 2);
    auto beta = writeMacro("Beta", {macro::buttonEvent(macro::kButtonLeft, true), macro::buttonEvent(macro::kButtonLeft, false)}, 0);
    ASSERT_TRUE(macro::writeListSlot(h.settingsPath(), 0, "Alpha"));
    ASSERT_TRUE(macro::writeListSlot(h.settingsPath(), 1, "Beta"));

    auto s = h.loadSettings();
    setMacroButton(s->profiles[0].buttons[3], u"Alpha");
    setMacroButton(s->profiles[1].buttons[4], u"Beta", 0x85);        // flag 0x80 travels with the slot
    setMacroButton(s->profiles[2].buttons[5], u"Alpha");             // same name, same slot
    setMacroButton(s->profiles[3].buttons[0], u"Alpha", 0, 255);     // endless loop
    ASSERT_TRUE(h.saveSettings(*s));
    // Stale bytes in the slots must not survive behind the new events.
    ASSERT_TRUE(h.poke(devmap::macroSlotAddress(0), std::vector<uint8_t>(200, 0x5A)));
    ASSERT_TRUE(h.poke(devmap::macroSlotAddress(1), std::vector<uint8_t>(200, 0x5A)));

    ASSERT_TRUE(h.postAndSettle(msg::kApplyAll));
    EXPECT_EQ(h.dump(devmap::macroSlotAddress(0), 200), slotImage(alpha));
    EXPECT_EQ(h.dump(devmap::macroSlotAddress(1), 200), slotImage(beta));
    EXPECT_EQ(h.dump(devmap::buttonAddress(0, 3), 4), bytes({0x91, 0x00, 2, 0}));
    EXPECT_EQ(h.dump(devmap::buttonAddress(1, 4), 4), bytes({0x91, 0x81, 1, 0}));  // loop time 0 plays once
    EXPECT_EQ(h.dump(devmap::buttonAddress(2, 5), 4), bytes({0x91, 0x00, 2, 0}));
    EXPECT_EQ(h.dump(devmap::buttonAddress(3, 0), 4), bytes({0x91, 0x00, 0xFF, 0xFF}));

    // 1300: clear flag set clears the slot; otherwise the slot is rewritten from its list name.
    ASSERT_TRUE(h.postAndSettle(msg::kMacroSlot, 1, 1));
    EXPECT_EQ(h.dump(devmap::macroSlotAddress(1), 200), std::vector<uint8_t>(200, 0));
    ASSERT_TRUE(h.poke(devmap::macroSlotAddress(0), std::vector<uint8_t>(200, 0x33)));
    ASSERT_TRUE(h.postAndSettle(msg::kMacroSlot, 0, 0));
    EXPECT_EQ(h.dump(devmap::macroSlotAddress(0), 200), slotImage(alpha));

    // A button request for a macro button runs the whole assignment again.
    ASSERT_TRUE(h.poke(devmap::buttonAddress(3, 0), bytes({0, 0, 0, 0})));
    ASSERT_TRUE(h.send(msg::kButton, 1, 4));
    EXPECT_EQ(h.dump(devmap::buttonAddress(3, 0), 4), bytes({0x91, 0x00, 0xFF, 0xFF}));
    EXPECT_EQ(h.dump(devmap::macroSlotAddress(1), 200), slotImage(beta));
}

TEST_F(Macros, SlotRequestsOutsideTheTwentySlotsWriteNothing) {
    h.avoidTrailerTimer(2500);
    ASSERT_TRUE(h.poke(devmap::macroSlotAddress(3), std::vector<uint8_t>(200, 0x33)));
    auto before = image();
    ASSERT_TRUE(h.resetStats());
    // -1 is what the UI sends for a macro that is not in its list; its address would fall into
    // profile block 4 and the lighting records.
    ASSERT_TRUE(h.postAndSettle(msg::kMacroSlot, -1, 0));
    ASSERT_TRUE(h.postAndSettle(msg::kMacroSlot, -1, 1));
    ASSERT_TRUE(h.postAndSettle(msg::kMacroSlot, 20, 1));
    ASSERT_TRUE(h.postAndSettle(msg::kMacroSlot, 0x7FFFFFFF, 0));
    // The whole 64-bit value counts: its low half alone would name slot 3.
    ASSERT_TRUE(h.postAndSettle(msg::kMacroSlot, 0x100000003, 1));
    ASSERT_TRUE(h.postAndSettle(msg::kMacroSlot, 0x100000003, 0));
    EXPECT_EQ(image(), before);
    auto stats = h.stats();
    // At most the session bracket of each request reaches the mouse.
    EXPECT_EQ(stats["feature_reports"], 2 * stats["sessions"]);
    EXPECT_NE(h.serviceLog().find("macro slot -1 does not exist"), std::string::npos);
}

TEST_F(Macros, SlotOfAMissingMacroFileIsCleared) {
    ASSERT_TRUE(macro::writeListSlot(h.settingsPath(), 2, "Nowhere"));
    auto s = h.loadSettings();
    setMacroButton(s->profiles[0].buttons[3], u"Nowhere");  // the first macro on a button: slot 0
    ASSERT_TRUE(h.saveSettings(*s));
    ASSERT_TRUE(h.send(msg::kButton, 0, 3));
    ASSERT_TRUE(h.poke(devmap::macroSlotAddress(0), std::vector<uint8_t>(200, 0x11)));
    ASSERT_TRUE(h.poke(devmap::macroSlotAddress(2), std::vector<uint8_t>(200, 0x11)));
    ASSERT_TRUE(h.postAndSettle(msg::kMacroSlot, 2, 0));
    EXPECT_EQ(h.dump(devmap::macroSlotAddress(0), 200), std::vector<uint8_t>(200, 0));
    EXPECT_EQ(h.dump(devmap::macroSlotAddress(2), 200), std::vector<uint8_t>(200, 0x11));  // not the list key's
}

// Two macros, the second on a button: editing the first, renaming the second and deleting the
// first never reach the slot the button plays, and the button keeps pointing at it.
TEST_F(Macros, EditRenameAndDeleteKeepTheButtonsMacroInItsSlot) {
    macro::MacroLibrary library(h.settingsPath(), h.macroFolder());
    std::string first, second;
    ASSERT_EQ(library.createNew("Macro", 1, first), macro::LibraryResult::Ok);
    ASSERT_EQ(library.createNew("Macro", 1, second), macro::LibraryResult::Ok);
    writeMacro(first, {macro::keyEvent(0x04, true), macro::keyEvent(0x04, false)}, 1);
    auto played = writeMacro(second, {macro::buttonEvent(macro::kButtonRight, true), macro::delayEvent(30),
                                      macro::buttonEvent(macro::kButtonRight, false)}, 3);

    auto s = h.loadSettings();
    ButtonRecord& r = s->profiles[1].buttons[4];
    setMacroButton(r, textcodec::fromUtf8(second), 0x41, 5);
    r.param1 = 3;
    ASSERT_TRUE(h.saveSettings(*s));
    ASSERT_TRUE(h.send(msg::kButton, 1, 4));
    const auto pointsAtSlot0 = bytes({0x91, 0x40, 3, 0});
    ASSERT_EQ(h.dump(devmap::macroSlotAddress(0), 200), slotImage(played));
    ASSERT_EQ(h.dump(devmap::buttonAddress(1, 4), 4), pointsAtSlot0);

    writeMacro(first, {macro::keyEvent(0x05, true)}, 1);  // the editor saved the first macro
    ASSERT_TRUE(h.postAndSettle(msg::kMacroSlot, library.slotOf(first), 0));
    EXPECT_EQ(h.dump(devmap::macroSlotAddress(0), 200), slotImage(played));

    ASSERT_EQ(library.rename(second, "Burst"), macro::LibraryResult::Ok);
    ASSERT_TRUE(h.postAndSettle(msg::kApplyAll));
    EXPECT_EQ(h.dump(devmap::macroSlotAddress(0), 200), slotImage(played));
    EXPECT_EQ(h.dump(devmap::buttonAddress(1, 4), 4), pointsAtSlot0);

    int slot = -1;
    ASSERT_EQ(library.remove(first, slot), macro::LibraryResult::Ok);
    ASSERT_TRUE(h.postAndSettle(msg::kMacroSlot, slot, 1));
    ASSERT_TRUE(h.postAndSettle(msg::kApplyAll));
    EXPECT_EQ(h.dump(devmap::macroSlotAddress(0), 200), slotImage(played));
    EXPECT_EQ(h.dump(devmap::buttonAddress(1, 4), 4), pointsAtSlot0);

    // Deleting the macro the button plays empties its slot and turns the button off.
    ASSERT_EQ(library.remove("Burst", slot), macro::LibraryResult::Ok);
    ASSERT_TRUE(h.postAndSettle(msg::kMacroSlot, slot, 1));
    EXPECT_EQ(h.dump(devmap::macroSlotAddress(0), 200), std::vector<uint8_t>(200, 0));
    ASSERT_TRUE(h.postAndSettle(msg::kApplyAll));
    EXPECT_EQ(h.loadSettings()->profiles[1].buttons[4].code, 7);
    EXPECT_NE(h.dump(devmap::buttonAddress(1, 4), 4)[0], 0x91);
}

}  // namespace
