#include "shared/button_assignment.h"

#include <algorithm>
#include <cstring>

#include "shared/function_codes.h"
#include "shared/macro_buttons.h"
#include "shared/settings_rules.h"

namespace assignment {
namespace {

constexpr uint8_t kReleased = 0x80;
constexpr uint8_t kDelayMask = 0x7F;
constexpr uint8_t kHoldFlag = 0x80;
constexpr uint8_t kPlayFlag = 0x40;
constexpr uint8_t kEndlessOwner = 255;

void clearParameters(ButtonRecord& record) { std::memset(&record.byte(4), 0, 120); }

uint8_t lowByte(int value) { return static_cast<uint8_t>(value & 0xFF); }

struct Writer {
    ButtonRecord& r;
    int recordIndex;

    void operator()(std::monostate) const {}
    void operator()(const KeyList& keys) const {
        r.byte(2) = 1;
        r.byte(3) = static_cast<uint8_t>(keys.strokes.size());
        clearParameters(r);
        for (size_t i = 0; i < keys.strokes.size(); ++i) {
            const KeyStroke& k = keys.strokes[i];
            r.byte(4 + 2 * int(i)) = static_cast<uint8_t>((k.delay & kDelayMask) | (k.released ? kReleased : 0));
            r.byte(5 + 2 * int(i)) = k.usage;
        }
        if (keys.strokes.empty()) r.code = kCodeOff;
    }
    void operator()(const XShoot& x) const {
        auto stored = [](int v) { return static_cast<uint8_t>(v <= 0 || v >= 256 ? 1 : v); };
        r.byte(2) = stored(x.shots);
        r.byte(3) = stored(x.interval);
        clearParameters(r);
        r.byte(5) = x.output;
    }
    void operator()(const DpiShift& d) const { r.byte(2) = static_cast<uint8_t>(d.item); }
    void operator()(const RapidFire& f) const {
        r.byte(2) = lowByte(f.shots);
        r.byte(3) = lowByte(f.interval);
        r.byte(5) = lowByte(f.speed);
    }
    void operator()(const MacroChoice& m) const {
        r.param2 = static_cast<uint8_t>((m.index & macro::kIndexMask) | (m.playMode == kPlayHold ? kHoldFlag : kPlayFlag));
        r.param1 = static_cast<uint8_t>(std::clamp(m.loopTime, 0, 255));
        r.owner = m.playMode == kPlayEndless ? kEndlessOwner : static_cast<uint8_t>(recordIndex + 1);
        macro::setButtonMacroName(r, m.name);
    }
};

}  // namespace

uint8_t codeOf(const Value& value) {
    static constexpr uint8_t kCodes[] = {0, kCodeSingleKey, kCodeXShoot, kCodeDpiShift, kCodeRapidFire, kCodeMacro};
    static_assert(std::size(kCodes) == std::variant_size_v<Value>);
    return kCodes[value.index()];
}

bool write(ButtonRecord& record, int recordIndex, uint8_t code, const Value& value) {
    if (recordIndex < 0 || recordIndex >= kButtonRecordCount) return false;
    if (!std::holds_alternative<std::monostate>(value) && codeOf(value) != code) return false;
    if (const auto* d = std::get_if<DpiShift>(&value); d != nullptr && !settingsrules::kDpiShiftItems.contains(d->item))
        return false;
    if (const auto* k = std::get_if<KeyList>(&value); k != nullptr && k->strokes.size() > size_t(kMaxKeyStrokes))
        return false;
    record.code = code;
    std::visit(Writer{record, recordIndex}, value);
    return true;
}

KeyList readKeyList(const ButtonRecord& record) {
    KeyList keys;
    const int count = record.byte(3);
    if (record.code != kCodeSingleKey || count > kMaxKeyStrokes) return keys;
    for (int i = 0; i < count; ++i) {
        const uint8_t mark = record.byte(4 + 2 * i);
        keys.strokes.push_back({record.byte(5 + 2 * i), (mark & kReleased) != 0, static_cast<uint8_t>(mark & kDelayMask)});
    }
    return keys;
}

XShoot readXShoot(const ButtonRecord& record) {
    if (record.code != kCodeXShoot) return {};
    return {record.byte(2), record.byte(3), record.byte(5)};
}

DpiShift readDpiShift(const ButtonRecord& record) {
    const int item = record.byte(2);
    return {record.code == kCodeDpiShift && settingsrules::kDpiShiftItems.contains(item) ? item : 1};
}

RapidFire readRapidFire(const ButtonRecord& record) {
    if (record.code != kCodeRapidFire) return {};
    return {record.byte(2), record.byte(3), record.byte(5)};
}

int readPlayMode(const ButtonRecord& record) {
    if (record.owner == kEndlessOwner) return kPlayEndless;
    return (record.param2 & kHoldFlag) != 0 ? kPlayHold : kPlayOnce;
}

}  // namespace assignment
