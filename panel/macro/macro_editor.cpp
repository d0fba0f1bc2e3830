#include "panel/macro/macro_editor.h"

#include <algorithm>
#include <charconv>
#include <chrono>

namespace macro {
namespace {

constexpr uint32_t kMinDelayMs = 10;
constexpr uint32_t kMaxRecordedDelayMs = 65535;
constexpr int kMaxEditedDelayMs = 131070;
constexpr int kMaxLoop = 255;
constexpr int kInsertedMove = 10;

// The integer value of an edit field's text (its leading digits), 0 when it has none.
long fieldValue(const std::string& text) {
    long value = 0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return result.ec == std::errc() ? value : 0;
}

uint64_t steadyMilliseconds() {
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
}

bool listedKind(uint8_t kind) {
    return kind == kKindMouseButton || kind == kKindMove || kind == kKindKey || kind == kKindDelay;
}

}  // namespace

MacroEditor::MacroEditor(StringLookup lookup, Clock clock)
    : lookup_(std::move(lookup)), clock_(clock ? std::move(clock) : Clock(&steadyMilliseconds)) {}

std::string MacroEditor::text(const char* key, const char* fallback) const {
    std::string t = lookup_ ? lookup_("BUTTONPAGE", key) : std::string();
    return t.empty() ? std::string(fallback) : t;
}

std::string MacroEditor::delayText(uint32_t milliseconds) const {
    return std::to_string(milliseconds) + " " + text("MS", "ms");
}

EditorItem MacroEditor::itemOf(const Event& event) const {
    switch (event.kind()) {
        case kKindDelay: return {delayText(delayMsFromSteps(event.value())), kIconDelay};
        case kKindMouseButton: {
            const uint8_t button = event.bytes[1];
            const char* key = button == kButtonLeft ? "CLICK" : button == kButtonRight ? "MENU" : "MIDDLE";
            const char* fallback = button == kButtonLeft ? "Left Click" : button == kButtonRight ? "Right Click"
                                                                                                 : "Middle Click";
            return {text(key, fallback), event.pressed() ? kIconPressed : kIconReleased};
        }
        case kKindKey: {
            std::string name = macroKeyName(event.bytes[1], lookup_);
            if (name.empty()) name = "Key " + std::to_string(event.bytes[1]);
            return {name, event.pressed() ? kIconPressed : kIconReleased};
        }
        case kKindMove: break;
        default: return {"", kIconDelay};
    }
    // A move: the label of its direction and its distance.
    const int y = decodeMoveStep(event.bytes[2]);
    const int x = decodeMoveStep(event.bytes[1]);
    if (x == 0 && y == 0) return {text("MOVERIGHT", "Move Right"), kIconMove};
    const char* key = y != 0 ? (y < 0 ? "MOVEUP" : "MOVEDOWN") : (x < 0 ? "MOVELEFT" : "MOVERIGHT");
    const char* fallback = y != 0 ? (y < 0 ? "Move Up" : "Move Down") : (x < 0 ? "Move Left" : "Move Right");
    const int magnitude = y != 0 ? std::abs(y) : std::abs(x);
    return {text(key, fallback) + " : " + std::to_string(magnitude), kIconMove};
}

void MacroEditor::select(int index) { selection_ = index >= 0 && index < int(items_.size()) ? index : -1; }

uint32_t MacroEditor::totalMilliseconds() const {
    uint32_t total = 0;
    for (int i = 0; i < count_; ++i) {
        const Event e = eventAt(block_, i);
        if (e.kind() == kKindDelay) total += delayMsFromSteps(e.value());
    }
    return total;
}

void MacroEditor::clear() {
    block_.fill(0);
    count_ = 0;
    items_.clear();
    selection_ = -1;
    recording_ = false;
    insertMode_ = false;
}

void MacroEditor::load(const MacroFileData& data) {
    clear();
    if (!data.blockValid) return;
    for (int i = 0; i < kMaxEvents; ++i) {
        const Event e = eventAt(data.block, i);
        if (e.empty() || !listedKind(e.kind())) continue;
        setEventAt(block_, count_++, e);
        items_.push_back(itemOf(e));
    }
    selection_ = count_ - 1;
}

std::optional<int> MacroEditor::loadFile(const std::string& path) {
    MacroFileData data;
    const bool read = readMacroFile(path, data, 0);
    load(data);
    if (!read) return std::nullopt;
    return data.loopTime;
}

void MacroEditor::insertAt(int index, const Event& event, EditorItem item) {
    index = std::clamp(index, 0, count_);
    if (count_ >= kMaxEvents) return;
    for (int i = count_; i > index; --i) setEventAt(block_, i, eventAt(block_, i - 1));
    setEventAt(block_, index, event);
    ++count_;
    items_.insert(items_.begin() + index, std::move(item));
    selection_ = index;
}

void MacroEditor::place(const Event& event, EditorItem item) {
    insertAt(insertMode_ ? insertionPoint() : count_, event, std::move(item));
}

std::optional<uint32_t> MacroEditor::delayBeforeEvent() {
    const uint64_t now = clock_();
    uint64_t d = 0;
    switch (delayMode_) {
        case DelayMode::None: return std::nullopt;
        case DelayMode::Measured:
            if (!lastEventTime_) lastEventTime_ = now;
            d = now - *lastEventTime_;
            break;
        case DelayMode::Fixed:
            if (!lastEventTime_) {
                lastEventTime_ = now;
                d = 0;
            } else {
                const long field = fieldValue(delayField_);
                if (field < long(kMinDelayMs)) {
                    delayField_ = "10";
                    d = kMinDelayMs;
                } else {
                    d = static_cast<uint64_t>(field);
                }
            }
            break;
    }
    d -= d % kMinDelayMs;
    if (d == 0) return std::nullopt;
    return static_cast<uint32_t>(std::min<uint64_t>(d, kMaxRecordedDelayMs));
}

std::optional<uint32_t> MacroEditor::insertedDelay() {
    switch (delayMode_) {
        case DelayMode::None: return std::nullopt;
        case DelayMode::Measured: return kMinDelayMs;
        case DelayMode::Fixed: {
            const long field = fieldValue(delayField_);
            if (field < long(kMinDelayMs)) {
                delayField_ = "10";
                return kMinDelayMs;
            }
            return static_cast<uint32_t>(std::min<long>(field, kMaxRecordedDelayMs));
        }
    }
    return std::nullopt;
}

void MacroEditor::start() {
    clear();
    startInsert();
    insertMode_ = false;
}

void MacroEditor::startInsert() {
    recording_ = true;
    insertMode_ = true;
    limitReached_ = false;
    held_.clear();
    lastEventTime_.reset();
    lastKey_.reset();
    lastMouse_.reset();
}

void MacroEditor::stop() {
    recording_ = false;
    insertMode_ = false;
    held_.clear();
}

bool MacroEditor::recordEvent(const Event& event, EditorItem item) {
    // The event's release, and whether the event lets go of something held.
    Event release = event;
    release.bytes[0] &= static_cast<uint8_t>(~kPressFlag);
    const auto heldAt = std::find_if(held_.begin(), held_.end(), [&](const auto& h) { return h.first == release; });
    const bool holds = event.pressed() && heldAt == held_.end();
    const bool letsGo = !event.pressed() && heldAt != held_.end();
    const std::optional<uint32_t> d = delayBeforeEvent();
    const int heldAfter = int(held_.size()) + (holds ? 1 : 0) - (letsGo ? 1 : 0);
    if (count_ + (d ? 1 : 0) + 1 + heldAfter > kMaxEvents) {
        stopAtLimit();
        return true;
    }
    if (d) place(delayEvent(*d), itemOf(delayEvent(*d)));
    if (holds) held_.push_back({release, {item.text, kIconReleased}});  // named as the press was
    if (letsGo) held_.erase(heldAt);
    place(event, std::move(item));
    lastEventTime_ = clock_();
    return true;
}

void MacroEditor::stopAtLimit() {
    // Let go of everything still down, latest first, right after the last recorded event.
    for (auto h = held_.rbegin(); h != held_.rend(); ++h) place(h->first, h->second);
    stop();
    limitReached_ = true;
}

bool MacroEditor::recordKey(uint32_t virtualKey, uint32_t flags) {
    if (!recording_) return false;
    const std::pair<uint32_t, uint32_t> report{virtualKey, flags};
    if (lastKey_ == report) return false;  // auto-repeat
    uint32_t usage = 0;
    // A key the mouse cannot send would be a record that plays nothing: it is not taken.
    if (!virtualKeyToHidUsage(virtualKey, &usage) || usage == 0 || usage > 0xFF) return false;
    const bool pressed = (flags & kKeyReleasedFlag) == 0;
    const Event e = keyEvent(static_cast<uint8_t>(usage), pressed);
    EditorItem item = itemOf(e);
    // The Windows keys are named by their own positions while recording.
    if (virtualKey == 91 || virtualKey == 92) {
        const std::string name = keyPositionName(virtualKey == 91 ? 244 : 245, lookup_);
        if (!name.empty()) item.text = name;
    }
    lastKey_ = report;
    return recordEvent(e, std::move(item));
}

bool MacroEditor::recordButton(uint32_t mouseMessage, int64_t parameter, bool onStopButton) {
    if (!recording_) return false;
    const std::pair<uint32_t, int64_t> report{mouseMessage, parameter};
    if (lastMouse_ == report) return false;
    uint8_t button = 0;
    bool pressed = false;
    switch (mouseMessage) {
        case kLeftDown: button = kButtonLeft; pressed = true; break;
        case kLeftUp: button = kButtonLeft; break;
        case kRightDown: button = kButtonRight; pressed = true; break;
        case kRightUp: button = kButtonRight; break;
        case kMiddleDown: button = kButtonMiddle; pressed = true; break;
        case kMiddleUp: button = kButtonMiddle; break;
        default: return false;
    }
    if (onStopButton && button == kButtonLeft) return false;
    const Event e = buttonEvent(button, pressed);
    lastMouse_ = report;
    return recordEvent(e, itemOf(e));
}

void MacroEditor::copy() {
    if (selection_ < 0) return;
    clipboard_ = eventAt(block_, selection_);
    clipboardValid_ = true;
}

bool MacroEditor::cut() {
    if (selection_ < 0) return false;
    copy();
    return remove();
}

bool MacroEditor::paste() {
    if (!clipboardValid_ || count_ >= kMaxEvents) return false;
    insertAt(insertionPoint(), clipboard_, itemOf(clipboard_));
    return true;
}

bool MacroEditor::insertSequence(const std::vector<Event>& events, bool move) {
    // With events and no selection the sequence goes after the last event, as if it were selected.
    const bool empty = count_ == 0;
    const bool afterDelay = !empty && eventAt(block_, insertionPoint() - 1).kind() == kKindDelay;
    const std::optional<uint32_t> g = insertedDelay();
    std::vector<Event> sequence;
    if (!empty && !afterDelay && g) sequence.push_back(delayEvent(*g));
    for (size_t i = 0; i < events.size(); ++i) {
        sequence.push_back(events[i]);
        if (!g) continue;
        // Between a click's press and release always. After the last event: a click ends with a
        // delay after a delay and in an empty macro; a move ends with one unless the macro was empty.
        const bool last = i + 1 == events.size();
        if (!last || (move ? !empty : afterDelay || empty)) sequence.push_back(delayEvent(*g));
    }
    int at = insertionPoint();
    for (const Event& e : sequence) insertAt(at++, e, itemOf(e));
    return !sequence.empty();
}

bool MacroEditor::insertClick(uint8_t button) {
    if (count_ >= kInsertLimit) return false;
    return insertSequence({buttonEvent(button, true), buttonEvent(button, false)}, false);
}

bool MacroEditor::insertMove(MoveDirection direction) {
    if (count_ >= kInsertLimit) return false;
    Event move;
    switch (direction) {
        case MoveDirection::Left: move = moveEvent(-kInsertedMove, 0); break;
        case MoveDirection::Right: move = moveEvent(kInsertedMove, 0); break;
        case MoveDirection::Up: move = moveEvent(0, -kInsertedMove); break;
        case MoveDirection::Down: move = moveEvent(0, kInsertedMove); break;
    }
    return insertSequence({move}, true);
}

bool MacroEditor::insertDelay() {
    if (count_ >= kMaxEvents) return false;
    const long field = fieldValue(delayField_);
    const auto ms = static_cast<uint32_t>(std::clamp<long>(field, kMinDelayMs, kMaxRecordedDelayMs));
    const Event e = delayEvent(ms);
    insertAt(insertionPoint(), e, itemOf(e));
    return true;
}

bool MacroEditor::moveUp() {
    if (selection_ <= 0) return false;
    const Event a = eventAt(block_, selection_), b = eventAt(block_, selection_ - 1);
    setEventAt(block_, selection_, b);
    setEventAt(block_, selection_ - 1, a);
    std::swap(items_[selection_], items_[selection_ - 1]);
    --selection_;
    return true;
}

bool MacroEditor::moveDown() {
    if (selection_ < 0 || selection_ >= count_ - 1) return false;
    const Event a = eventAt(block_, selection_), b = eventAt(block_, selection_ + 1);
    setEventAt(block_, selection_, b);
    setEventAt(block_, selection_ + 1, a);
    std::swap(items_[selection_], items_[selection_ + 1]);
    ++selection_;
    return true;
}

bool MacroEditor::remove() {
    if (selection_ < 0 || selection_ >= count_) return false;
    for (int i = selection_; i < count_ - 1; ++i) setEventAt(block_, i, eventAt(block_, i + 1));
    setEventAt(block_, count_ - 1, Event{});
    --count_;
    items_.erase(items_.begin() + selection_);
    if (selection_ >= count_) selection_ = count_ - 1;
    return true;
}

bool MacroEditor::setDelay(int index, int milliseconds) {
    if (index < 0 || index >= count_ || eventAt(block_, index).kind() != kKindDelay) return false;
    const int ms = std::clamp(milliseconds, 0, kMaxEditedDelayMs);
    // One step at least: an all-zero record would end the macro where the mouse reads it.
    const uint16_t steps = static_cast<uint16_t>(std::max(1, ms / int(kDelayStepMs)));
    const Event e = makeEvent(kKindDelay, false, steps);
    setEventAt(block_, index, e);
    items_[index] = itemOf(e);
    selection_ = index;
    return true;
}

MoveInfo MacroEditor::moveAt(int index) const {
    MoveInfo info;
    if (index < 0 || index >= count_) return info;
    const Event e = eventAt(block_, index);
    if (e.kind() != kKindMove) return info;
    const int x = decodeMoveStep(e.bytes[1]), y = decodeMoveStep(e.bytes[2]);
    if (y != 0) {
        info = {true, y < 0 ? MoveDirection::Up : MoveDirection::Down, std::abs(y)};
    } else if (x != 0) {
        info = {true, x < 0 ? MoveDirection::Left : MoveDirection::Right, std::abs(x)};
    }
    info.magnitude = std::min(info.magnitude, kMaxMoveMagnitude);
    return info;
}

bool MacroEditor::setMove(int index, int magnitude) {
    const MoveInfo info = moveAt(index);
    if (!info.editable) return false;
    const int m = std::clamp(magnitude, 1, kMaxMoveMagnitude);
    Event e;
    switch (info.direction) {
        case MoveDirection::Left: e = moveEvent(-m, 0); break;
        case MoveDirection::Right: e = moveEvent(m, 0); break;
        case MoveDirection::Up: e = moveEvent(0, -m); break;
        case MoveDirection::Down: e = moveEvent(0, m); break;
    }
    setEventAt(block_, index, e);
    items_[index] = itemOf(e);
    selection_ = index;
    return true;
}

void LoopSetting::fromLoopTime(int loopTime) {
    const int value = std::clamp(loopTime, 0, kMaxLoop);
    on = value != 0;
    field = std::to_string(value);
}

void LoopSetting::toggle() {
    on = !on;
    field = on ? "1" : "0";
}

bool LoopSetting::fieldChanged(const std::string& text) {
    field = text;
    if (fieldValue(text) > kMaxLoop || text.size() > 3) {
        field = "255";
        return true;
    }
    return false;
}

int LoopSetting::value() const { return static_cast<int>(std::clamp<long>(fieldValue(field), 0, kMaxLoop)); }

}  // namespace macro
