#pragma once
// The macro page's editor, free of any widget: the record buffer of the selected macro, its record
// count, the list items (text and icon code) kept in step with the records (item i shows record i),
// the selection, the clipboard record, recording with its delay modes, and every edit command.
//
// The page shows items() and selection(), passes the user's commands and the capture reports in,
// and saves and notifies whenever a command returns true (the buffer changed). The delay field's
// text lives here because recording and inserting may reset it to "10"; the page shows it.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "shared/key_tables.h"
#include "shared/macro_file.h"

namespace macro {

// Icon codes of the items.
inline constexpr int kIconDelay = 0;
inline constexpr int kIconReleased = 148;
inline constexpr int kIconPressed = 149;
inline constexpr int kIconMove = 160;

// Limits of the commands: a report is recorded below 58 records (it may add a delay and an
// event), a click or move is inserted below 56, a paste below 60.
inline constexpr int kRecordLimit = 58;
inline constexpr int kInsertLimit = 56;

// Delay modes: measured delays, the fixed delay of the delay field, no delays.
enum class DelayMode { Measured = 0, Fixed = 1, None = 2 };

// Mouse messages the capture reports (message 5121).
inline constexpr uint32_t kLeftDown = 513, kLeftUp = 514, kRightDown = 516, kRightUp = 517, kMiddleDown = 519,
                          kMiddleUp = 520;
// Key flags of message 2258: 0 or 1 press, 128 or 129 release.
inline constexpr uint32_t kKeyReleasedFlag = 128;

enum class MoveDirection { Left, Right, Up, Down };

// What the move editor shows for a move record.
struct MoveInfo {
    bool editable = false;  // false for a record that is not a move, or a move of no distance
    MoveDirection direction = MoveDirection::Right;
    int magnitude = 0;      // 1..120 (byte 136 reads as 120 left/up, byte 120 as 120 right/down)
};

struct EditorItem {
    std::string text;
    int icon = 0;
    bool operator==(const EditorItem&) const = default;
};

class MacroEditor {
public:
    using Clock = std::function<uint64_t()>;  // milliseconds of a monotonic clock

    // lookup gives the texts of section "BUTTONPAGE" (and key names' strings); clock the time of a
    // report (a steady clock when none is given).
    explicit MacroEditor(StringLookup lookup, Clock clock = {});

    const Block& block() const { return block_; }
    int count() const { return count_; }
    const std::vector<EditorItem>& items() const { return items_; }
    int selection() const { return selection_; }
    void select(int index);  // -1 or an index outside the list clears it
    uint32_t totalMilliseconds() const;  // the sum of the delays

    // The empty macro; nothing recording.
    void clear();
    // Takes a macro file's content: the buffer is cleared first, then every record of kind 1, 2,
    // 4 or 6 of a valid block is listed and packed from record 0 (item i is record i); the count
    // is the number listed and the last item is selected. An invalid block gives the empty macro.
    void load(const MacroFileData& data);
    // Reads and loads the file; returns its "LoopTime" (default 0), or nullopt when the file could
    // not be read (the macro is then empty).
    std::optional<int> loadFile(const std::string& path);

    // Delay mode and the delay field's text.
    DelayMode delayMode() const { return delayMode_; }
    void setDelayMode(DelayMode mode) { delayMode_ = mode; }
    const std::string& delayField() const { return delayField_; }
    void setDelayField(std::string text) { delayField_ = std::move(text); }

    // Recording. start clears the macro; startInsert keeps it and inserts after the selection
    // (after the last event when nothing is selected). Both restart the delay measurement.
    void start();
    void startInsert();
    void stop();
    bool recording() const { return recording_; }
    // Message 2258; true when records were added.
    bool recordKey(uint32_t virtualKey, uint32_t flags);
    // Message 5121; onStopButton: a left press or release inside the stop button (not recorded).
    bool recordButton(uint32_t mouseMessage, int64_t parameter, bool onStopButton);

    // Commands; each returns true when the buffer changed (the page then saves and notifies).
    void copy();
    bool cut();
    bool paste();
    bool insertClick(uint8_t button);  // kButtonLeft, kButtonRight, kButtonMiddle
    bool insertMove(MoveDirection direction);
    bool moveUp();
    bool moveDown();
    bool remove();
    // The delay item's new length (ms, at most 131070; below 10 stores one step).
    bool setDelay(int index, int milliseconds);
    MoveInfo moveAt(int index) const;
    // The move item's new distance (1..120) in its direction.
    bool setMove(int index, int magnitude);

    // The item of a record (text from the strings, key names through the key tables).
    EditorItem itemOf(const Event& event) const;

private:
    std::string text(const char* key, const char* fallback) const;
    std::string delayText(uint32_t milliseconds) const;
    // Where a new record goes in insert mode and for the insert commands: after the selection, or
    // after the last record when nothing is selected.
    int insertionPoint() const { return selection_ >= 0 ? selection_ + 1 : count_; }
    void insertAt(int index, const Event& event, EditorItem item);
    void place(const Event& event, EditorItem item);  // recording: append or insert
    std::optional<uint32_t> delayBeforeEvent();
    std::optional<uint32_t> insertedDelay();
    bool insertSequence(const std::vector<Event>& events, bool move);

    StringLookup lookup_;
    Clock clock_;
    Block block_{};
    int count_ = 0;
    std::vector<EditorItem> items_;
    int selection_ = -1;
    Event clipboard_{};
    bool clipboardValid_ = false;
    bool recording_ = false;
    bool insertMode_ = false;
    DelayMode delayMode_ = DelayMode::Measured;
    std::string delayField_ = "10";
    std::optional<uint64_t> lastEventTime_;
    std::optional<std::pair<uint32_t, uint32_t>> lastKey_;
    std::optional<std::pair<uint32_t, int64_t>> lastMouse_;
};

// The loop count of the page: the toggle and the field's text, with their rules.
struct LoopSetting {
    bool on = false;
    std::string field = "0";

    // From a file's "LoopTime": not 0 shows the value with the toggle on, 0 shows "0" off.
    void fromLoopTime(int loopTime);
    // The toggle flips; the field becomes "1" or "0".
    void toggle();
    // The field's text changed: a value above 255 becomes "255". Returns whether the text changed.
    bool fieldChanged(const std::string& text);
    int value() const;  // the field's integer value (0 when it holds none)
};

}  // namespace macro
