// The macro page's editor without widgets: recording with a controllable clock, every edit
// command, the limits, the loop rules, and the faults mended in loading, delays and inserting.
#include "panel/macro/macro_editor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace macro;

namespace {

using Bytes = std::vector<uint32_t>;  // three bytes per record, flattened

Bytes records(const MacroEditor& e) {
    Bytes out;
    for (int i = 0; i < e.count(); ++i)
        for (uint8_t b : eventAt(e.block(), i).bytes) out.push_back(b);
    return out;
}

std::string lookup(std::string_view, std::string_view key) {
    if (key == "MS") return "MS";
    if (key == "CLICK") return "Click";
    if (key == "MOVEUP") return "Up";
    return {};
}

struct Fixture {
    uint64_t now = 1000;
    MacroEditor editor{&lookup, [this] { return now; }};

    // Records as a file holds them; the editor loads them.
    void load(const Bytes& bytes) {
        MacroFileData data;
        data.blockValid = true;
        for (size_t i = 0; i < bytes.size() && i < kBlockSize; ++i) data.block[i] = static_cast<uint8_t>(bytes[i]);
        editor.load(data);
    }
    void fill(int delays) {
        Bytes b;
        for (int i = 0; i < delays; ++i) b.insert(b.end(), {6, 1, 0});
        load(b);
    }
};

// A report to the recorder at a time: key (vk, flags) or mouse (message, parameter).
struct Report {
    uint64_t at;
    bool key;
    uint32_t code;
    int64_t flags;
    bool onStop = false;
};

}  // namespace

TEST(MacroEditor, RecordsWithTheThreeDelayModes) {
    const uint32_t A = 65;
    struct Case {
        const char* name;
        DelayMode mode;
        std::string field;
        std::vector<Report> reports;
        Bytes expected;
        std::string fieldAfter;
    };
    const Case cases[] = {
        {"measured", DelayMode::Measured, "10", {{1000, true, A, 0}, {1250, true, A, 128}},
         {0x84, 4, 0, 6, 25, 0, 4, 4, 0}, "10"},
        {"fixed below 10", DelayMode::Fixed, "5", {{1000, true, A, 0}, {9000, true, A, 128}},
         {0x84, 4, 0, 6, 1, 0, 4, 4, 0}, "10"},
        {"fixed", DelayMode::Fixed, "1230", {{1000, true, A, 1}, {1001, true, A, 129}},
         {0x84, 4, 0, 6, 123, 0, 4, 4, 0}, "1230"},
        {"none", DelayMode::None, "10", {{1000, true, A, 0}, {5000, true, A, 128}}, {0x84, 4, 0, 4, 4, 0}, "10"},
        {"7 ms dropped", DelayMode::Measured, "10", {{1000, true, A, 0}, {1007, true, A, 128}},
         {0x84, 4, 0, 4, 4, 0}, "10"},
        {"70000 ms", DelayMode::Measured, "10", {{1000, true, A, 0}, {71000, true, A, 128}},
         {0x84, 4, 0, 6, 0x99, 0x19, 4, 4, 0}, "10"},
        {"auto-repeat once", DelayMode::None, "10", {{1000, true, A, 0}, {1030, true, A, 0}, {1060, true, A, 128}},
         {0x84, 4, 0, 4, 4, 0}, "10"},
        {"key without usage", DelayMode::None, "10", {{1000, true, 0xFF, 0}}, {}, "10"},
        {"buttons, stop button left out", DelayMode::None, "10",
         {{1000, false, kRightDown, 7}, {1000, false, kRightUp, 7}, {1000, false, kLeftDown, 1, true},
          {1000, false, kMiddleDown, 2}, {1000, false, kMiddleDown, 2}, {1000, false, 512, 3}},
         {0x81, 2, 0, 1, 2, 0, 0x81, 4, 0}, "10"},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.load({0x84, 5, 0});  // the previous content goes
        f.editor.setDelayMode(c.mode);
        f.editor.setDelayField(c.field);
        f.editor.start();
        for (const Report& r : c.reports) {
            f.now = r.at;
            if (r.key) f.editor.recordKey(r.code, static_cast<uint32_t>(r.flags));
            else f.editor.recordButton(r.code, r.flags, r.onStop);
        }
        EXPECT_EQ(records(f.editor), c.expected) << c.name;
        EXPECT_EQ(f.editor.delayField(), c.fieldAfter) << c.name;
        EXPECT_EQ(f.editor.selection(), f.editor.count() - 1) << c.name;
        ASSERT_EQ(f.editor.items().size(), size_t(f.editor.count())) << c.name;
    }
    Fixture f;
    f.editor.start();
    f.editor.recordKey(A, 0);
    f.now += 120;
    f.editor.recordKey(A, 128);
    f.editor.recordKey(91, 0);  // left Windows key: its own position's name
    const std::vector<EditorItem> expected = {
        {"A", kIconPressed}, {"120 MS", kIconDelay}, {"A", kIconReleased},
        {std::string(fixedKeyPositionName(244)), kIconPressed}};
    EXPECT_EQ(f.editor.items(), expected);
    f.editor.stop();
    EXPECT_FALSE(f.editor.recordKey(66, 0));  // nothing after stop
}

TEST(MacroEditor, InsertRecordingGoesAfterTheSelection) {
    Fixture f;
    f.load({0x84, 4, 0, 4, 4, 0});
    f.editor.select(0);
    f.editor.setDelayMode(DelayMode::None);
    f.editor.startInsert();
    f.editor.recordKey(66, 0);  // B
    f.editor.recordKey(66, 128);
    EXPECT_EQ(records(f.editor), (Bytes{0x84, 4, 0, 0x84, 5, 0, 4, 5, 0, 4, 4, 0}));
    EXPECT_EQ(f.editor.selection(), 2);
    f.editor.stop();
    f.editor.select(-1);  // nothing selected: after the last
    f.editor.startInsert();
    f.editor.recordKey(66, 0);
    EXPECT_EQ(f.editor.selection(), 4);
}

TEST(MacroEditor, RecordingKeepsRoomForReleasesAndInsertsAt56PastesAt60) {
    struct Case {
        int before;
        const char* command;
        int after;
    };
    const Case cases[] = {
        // The release of a held key or button always finds its room.
        {57, "key", 59}, {58, "key", 60}, {57, "button", 59}, {58, "button", 60},
        {55, "click", 59}, {56, "click", 56}, {55, "move", 57}, {56, "move", 56},  // after a delay
        {59, "paste", 60}, {60, "paste", 60},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.fill(c.before);
        f.editor.select(0);
        f.editor.copy();
        f.editor.select(1);
        const std::string command = c.command;
        if (command == "key" || command == "button") {
            // One event without a delay brings the count to `before`; the next adds a delay and
            // its event, or nothing.
            f.fill(c.before - 1);
            f.editor.startInsert();
            command == "key" ? f.editor.recordKey(65, 0) : f.editor.recordButton(kLeftDown, 0, false);
            f.now += 1000;
            command == "key" ? f.editor.recordKey(65, 128) : f.editor.recordButton(kLeftUp, 0, false);
        }
        if (command == "click") f.editor.insertClick(kButtonLeft);
        if (command == "move") f.editor.insertMove(MoveDirection::Left);
        if (command == "paste") f.editor.paste();
        EXPECT_EQ(f.editor.count(), c.after) << c.before << " " << c.command;
    }
}

TEST(MacroEditor, ARecordingThatFillsTheMacroEndsWithEverythingReleased) {
    const uint32_t A = 65, B = 66;
    struct Case {
        int before;  // records before the recording (delays)
        std::vector<Report> reports;  // 100 ms apart
        Bytes tail;  // the last records afterwards
        int count;
        bool limit;
    };
    const Case cases[] = {
        // Fast typing: the release of A does not fit beside B's; both releases end the macro.
        {55, {{0, true, A, 0}, {0, true, B, 0}, {0, true, A, 128}, {0, true, B, 128}},
         {0x84, 4, 0, 6, 10, 0, 0x84, 5, 0, 4, 5, 0, 4, 4, 0}, 60, true},
        {57, {{0, false, kLeftDown, 1}, {0, false, kRightDown, 2}}, {6, 1, 0, 0x81, 1, 0, 1, 1, 0}, 59, true},
        // A release of a key pressed before the recording takes the last record; the next press ends it.
        {59, {{0, true, A, 128}, {0, true, A, 0}}, {6, 1, 0, 4, 4, 0}, 60, true},
        {0, {{0, true, A, 0}, {0, true, A, 128}}, {0x84, 4, 0, 6, 10, 0, 4, 4, 0}, 3, false},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.fill(c.before);
        f.editor.select(-1);
        f.editor.startInsert();
        for (const Report& r : c.reports) {
            r.key ? f.editor.recordKey(r.code, uint32_t(r.flags)) : f.editor.recordButton(r.code, r.flags, false);
            f.now += 100;
        }
        const Bytes all = records(f.editor);
        const Bytes tail(all.end() - std::min(all.size(), c.tail.size()), all.end());
        EXPECT_EQ(tail, c.tail) << c.before;
        EXPECT_EQ(f.editor.count(), c.count) << c.before;
        EXPECT_EQ(f.editor.recording(), !c.limit) << c.before;
        EXPECT_EQ(f.editor.limitReached(), c.limit) << c.before;
        EXPECT_EQ(f.editor.items().size(), size_t(c.count));
    }
}

TEST(MacroEditor, InsertClickAndMove) {
    struct Case {
        const char* name;
        Bytes start;
        int selected;
        DelayMode mode;
        bool click;
        Bytes expected;
        int selectionAfter;
    };
    const Bytes key = {0x84, 4, 0}, delay = {6, 5, 0};
    auto join = [](std::initializer_list<Bytes> parts) {
        Bytes out;
        for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
        return out;
    };
    const Bytes down = {0x81, 1, 0}, up = {1, 1, 0}, g = {6, 1, 0}, left = {2, 0xF6, 0}, upMove = {2, 0, 0xF6};
    const Case cases[] = {
        {"after a key, no delays", key, 0, DelayMode::None, true, join({key, down, up}), 2},
        {"after a key", key, 0, DelayMode::Measured, true, join({key, g, down, g, up}), 4},
        {"after a delay", join({delay, key}), 0, DelayMode::Measured, true, join({delay, down, g, up, g, key}), 4},
        {"empty", {}, -1, DelayMode::Measured, true, join({down, g, up, g}), 3},
        {"no selection: after the last", join({key, key}), -1, DelayMode::None, true, join({key, key, down, up}), 3},
        {"move after a key", key, 0, DelayMode::Measured, false, join({key, g, left, g}), 3},
        {"move after a delay", delay, 0, DelayMode::Measured, false, join({delay, left, g}), 2},
        {"move into empty", {}, -1, DelayMode::Measured, false, left, 0},
        {"move, no selection", join({key, delay}), -1, DelayMode::None, false, join({key, delay, left}), 2},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.load(c.start);
        f.editor.select(c.selected);
        f.editor.setDelayMode(c.mode);
        EXPECT_TRUE(c.click ? f.editor.insertClick(kButtonLeft) : f.editor.insertMove(MoveDirection::Left)) << c.name;
        EXPECT_EQ(records(f.editor), c.expected) << c.name;
        EXPECT_EQ(f.editor.selection(), c.selectionAfter) << c.name;
    }
    Fixture f;  // the fixed delay, its field reset when below 10; moves up are byte 246 in Y
    f.editor.setDelayMode(DelayMode::Fixed);
    f.editor.setDelayField("0");
    f.load(key);
    f.editor.insertMove(MoveDirection::Up);
    EXPECT_EQ(records(f.editor), join({key, g, upMove, g}));
    EXPECT_EQ(f.editor.delayField(), "10");
    EXPECT_EQ(f.editor.items()[2], (EditorItem{"Up : 10", kIconMove}));
}

TEST(MacroEditor, LoadingClearsAndPacksTheListedRecords) {
    Fixture f;
    f.load({0x84, 4, 0, 0, 0, 0, 3, 1, 0, 6, 2, 0, 0x81, 1, 0, 2, 10, 0, 4, 4, 0});
    EXPECT_EQ(records(f.editor), (Bytes{0x84, 4, 0, 6, 2, 0, 0x81, 1, 0, 2, 10, 0, 4, 4, 0}));
    EXPECT_EQ(f.editor.count(), 5);
    EXPECT_EQ(f.editor.selection(), 4);
    EXPECT_EQ(f.editor.items()[1], (EditorItem{"20 MS", kIconDelay}));
    EXPECT_EQ(f.editor.items()[2], (EditorItem{"Click", kIconPressed}));
    f.editor.select(3);
    f.editor.remove();  // list index 3 is record 3
    EXPECT_EQ(records(f.editor), (Bytes{0x84, 4, 0, 6, 2, 0, 0x81, 1, 0, 4, 4, 0}));

    MacroFileData unreadable;  // the block failed its checksum
    unreadable.count = 3;
    f.editor.load(unreadable);
    EXPECT_EQ(f.editor.count(), 0);
    EXPECT_TRUE(f.editor.items().empty());
    EXPECT_EQ(f.editor.selection(), -1);
    EXPECT_EQ(eventAt(f.editor.block(), 0), Event{});
    EXPECT_EQ(f.editor.loadFile("/nonexistent/x.macro"), std::nullopt);
}

TEST(MacroEditor, ReorderCutCopyPasteAndDelete) {
    Fixture f;
    f.load({0x84, 4, 0, 0x84, 5, 0, 0x84, 6, 0});
    f.editor.select(0);
    EXPECT_FALSE(f.editor.moveUp());
    EXPECT_TRUE(f.editor.moveDown());
    EXPECT_EQ(records(f.editor), (Bytes{0x84, 5, 0, 0x84, 4, 0, 0x84, 6, 0}));
    EXPECT_EQ(f.editor.selection(), 1);
    EXPECT_TRUE(f.editor.moveDown());
    EXPECT_FALSE(f.editor.moveDown());
    EXPECT_TRUE(f.editor.moveUp());
    EXPECT_EQ(f.editor.selection(), 1);
    EXPECT_FALSE(f.editor.paste());  // nothing copied yet
    EXPECT_TRUE(f.editor.cut());     // 5 4 6 -> clipboard 4
    EXPECT_EQ(records(f.editor), (Bytes{0x84, 5, 0, 0x84, 6, 0}));
    EXPECT_EQ(f.editor.selection(), 1);
    f.editor.select(0);
    EXPECT_TRUE(f.editor.paste());
    EXPECT_EQ(records(f.editor), (Bytes{0x84, 5, 0, 0x84, 4, 0, 0x84, 6, 0}));
    EXPECT_EQ(f.editor.selection(), 1);
    f.editor.select(2);
    EXPECT_TRUE(f.editor.remove());  // the last: the one before is selected
    EXPECT_EQ(f.editor.selection(), 1);
    f.editor.select(0);
    EXPECT_TRUE(f.editor.remove());
    EXPECT_TRUE(f.editor.remove());
    EXPECT_EQ(f.editor.count(), 0);
    EXPECT_EQ(f.editor.selection(), -1);
    EXPECT_EQ(eventAt(f.editor.block(), 0), Event{});
    EXPECT_FALSE(f.editor.remove());
    EXPECT_EQ(f.editor.items().size(), 0u);
}

TEST(MacroEditor, DelayAndMoveEditing) {
    struct DelayCase { int ms; Bytes expected; const char* text; };
    for (const DelayCase& c : {DelayCase{5, {6, 1, 0}, "10 MS"}, DelayCase{1235, {6, 123, 0}, "1230 MS"},
                               DelayCase{200000, {6, 0x33, 0x33}, "131070 MS"}}) {
        Fixture f;
        f.load({0x84, 4, 0, 6, 9, 0});
        EXPECT_FALSE(f.editor.setDelay(0, 100));  // not a delay
        EXPECT_TRUE(f.editor.setDelay(1, c.ms));
        EXPECT_EQ(records(f.editor), (Bytes{0x84, 4, 0, c.expected[0], c.expected[1], c.expected[2]})) << c.ms;
        EXPECT_EQ(f.editor.items()[1].text, c.text);
    }
    struct MoveCase { Bytes record; bool editable; MoveDirection direction; int magnitude; int to; Bytes after; };
    const MoveCase moves[] = {
        {{2, 0xF6, 0}, true, MoveDirection::Left, 10, 120, {2, 0x88, 0}},
        {{2, 1, 0}, true, MoveDirection::Right, 1, 120, {2, 0x78, 0}},
        {{2, 0, 0x88}, true, MoveDirection::Up, 120, 5, {2, 0, 0xFB}},
        {{2, 0, 0x78}, true, MoveDirection::Down, 120, 200, {2, 0, 0x78}},
        {{2, 0, 0}, false, MoveDirection::Right, 0, 5, {2, 0, 0}},
        {{6, 3, 0}, false, MoveDirection::Right, 0, 5, {6, 3, 0}},
    };
    for (const MoveCase& c : moves) {
        Fixture f;
        f.load(c.record);
        const MoveInfo info = f.editor.moveAt(0);
        EXPECT_EQ(info.editable, c.editable);
        if (c.editable) {
            EXPECT_EQ(info.direction, c.direction);
            EXPECT_EQ(info.magnitude, c.magnitude);
        }
        EXPECT_EQ(f.editor.setMove(0, c.to), c.editable);
        EXPECT_EQ(records(f.editor), c.after);
    }
}

TEST(MacroEditor, TotalTime) {
    Fixture f;
    f.load({6, 12, 0, 0x84, 4, 0, 6, 0x99, 0x19});
    EXPECT_EQ(f.editor.totalMilliseconds(), 120u + 65530u);
}

TEST(LoopSetting, ToggleFieldAndFile) {
    LoopSetting loop;
    struct Case { int loopTime; bool on; const char* field; };
    for (const Case& c : {Case{0, false, "0"}, Case{7, true, "7"}, Case{300, true, "255"}, Case{-2, false, "0"}}) {
        loop.fromLoopTime(c.loopTime);
        EXPECT_EQ(loop.on, c.on) << c.loopTime;
        EXPECT_EQ(loop.field, c.field) << c.loopTime;
    }
    loop.fromLoopTime(0);
    loop.toggle();
    EXPECT_TRUE(loop.on);
    EXPECT_EQ(loop.value(), 1);
    loop.toggle();
    EXPECT_EQ(loop.field, "0");
    EXPECT_TRUE(loop.fieldChanged("256"));
    EXPECT_EQ(loop.field, "255");
    EXPECT_FALSE(loop.fieldChanged("42"));
    EXPECT_EQ(loop.value(), 42);
    EXPECT_FALSE(loop.fieldChanged(""));
    EXPECT_EQ(loop.value(), 0);
}
