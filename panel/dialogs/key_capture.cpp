#include "panel/dialogs/key_capture.h"

#include <linux/input-event-codes.h>

#include "platform/keyboard_layout.h"
#include "platform/vk_keysym.h"
#include "shared/key_tables.h"

namespace dialogs {
namespace {

constexpr uint32_t kVkShift = 16, kVkControl = 17, kVkAlt = 18, kVkEnter = 13, kVkSpace = 32;
constexpr uint32_t kScanLeftShift = 0x2A, kScanRightShift = 0x36;

bool isWindowsKey(uint32_t vk) { return vk >= 91 && vk <= 93; }

}  // namespace

uint32_t normaliseVirtualKey(uint32_t vk, uint32_t flags) {
    const bool extended = (flags & kKeyExtended) != 0;
    switch (vk) {
    case kVkControl: return extended ? 163 : 162;
    case kVkAlt: return extended ? 165 : 164;
    case kVkShift: {
        const uint32_t scan = flags & kKeyScanCodeMask;
        if (scan == kScanLeftShift) return 160;
        if (scan == kScanRightShift) return 161;
        return vk;
    }
    case kVkEnter: return extended ? 108 : vk;
    default: return vk;
    }
}

KeyRoute routeKeyDown(uint32_t vk, uint32_t flags) {
    const bool repeat = (flags & kKeyRepeat) != 0;
    if (isWindowsKey(vk)) return KeyRoute::Pass;
    if (vk == kVkSpace) return repeat ? KeyRoute::Eat : KeyRoute::CaptureAndEat;
    return repeat ? KeyRoute::Pass : KeyRoute::CaptureAndPass;
}

KeyRoute routeKeyUp(uint32_t vk) { return isWindowsKey(vk) ? KeyRoute::Pass : KeyRoute::CaptureAndPass; }

bool virtualKeyOfEvdev(uint32_t code, uint32_t* vk, uint32_t* flags) {
    struct Special {
        uint32_t code, vk, flags;
    };
    static constexpr Special kSpecial[] = {
        {KEY_LEFTSHIFT, kVkShift, kScanLeftShift}, {KEY_RIGHTSHIFT, kVkShift, kScanRightShift},
        {KEY_LEFTCTRL, kVkControl, 0},             {KEY_RIGHTCTRL, kVkControl, kKeyExtended},
        {KEY_LEFTALT, kVkAlt, 0},                  {KEY_RIGHTALT, kVkAlt, kKeyExtended},
        {KEY_ENTER, kVkEnter, 0},                  {KEY_KPENTER, kVkEnter, kKeyExtended},
    };
    for (const Special& s : kSpecial) {
        if (s.code != code) continue;
        *vk = s.vk;
        *flags = s.flags;
        return true;
    }
    for (const platform::VirtualKeyMapping& m : platform::virtualKeyTable()) {
        if (m.linuxCode != code || code == 0) continue;
        *vk = m.virtualKey;
        *flags = 0;
        return true;
    }
    return false;
}

uint32_t virtualKeyForCharacter(char32_t c) {
    const char32_t upper = c >= U'a' && c <= U'z' ? c - U'a' + U'A' : c;
    static constexpr uint32_t kPunctuation[] = {32, 186, 187, 188, 189, 190, 191, 192, 219, 220, 221, 222, 226};
    for (uint32_t vk = '0'; vk <= 'Z'; ++vk)
        if ((vk <= '9' || vk >= 'A') && platform::characterForVirtualKey(vk) == upper) return vk;
    for (uint32_t vk : kPunctuation)
        if (platform::characterForVirtualKey(vk) == upper) return vk;
    // Shifted symbols of the US layout.
    static constexpr struct {
        char32_t c;
        uint32_t vk;
    } kShifted[] = {{U'!', '1'}, {U'@', '2'}, {U'#', '3'}, {U'$', '4'}, {U'%', '5'}, {U'^', '6'}, {U'&', '7'},
                    {U'*', '8'}, {U'(', '9'}, {U')', '0'}, {U'_', 189}, {U'+', 187}, {U'{', 219}, {U'}', 221},
                    {U'|', 220}, {U':', 186}, {U'"', 222}, {U'<', 188}, {U'>', 190}, {U'?', 191}, {U'~', 192}};
    for (const auto& s : kShifted)
        if (s.c == c) return s.vk;
    return 0;
}

void KeyCapture::openEmpty() {
    started_ = false;
    entries_.clear();
}

void KeyCapture::open(const ButtonRecord& record) {
    openEmpty();
    const assignment::KeyList stored = assignment::readKeyList(record);
    if (singleKey_ && stored.strokes.size() > 1) return;
    for (const assignment::KeyStroke& k : stored.strokes) {
        uint32_t vk = 0;
        if (!hidUsageToVirtualKey(k.usage, &vk)) continue;
        entries_.push_back({static_cast<int32_t>(vk), k.released ? 1 : 0, k.delay});
    }
}

uint32_t usageOfKey(uint32_t virtualKey) {
    uint32_t usage = 0;
    if (virtualKeyToHidUsage(virtualKey, &usage)) return usage;
    // Print Screen arrives as VK_SNAPSHOT (44); the usage table pairs its usage (70) with 42.
    return virtualKey == 44 ? 70 : 0;
}

bool KeyCapture::capture(uint32_t vk, uint32_t flags, bool released) {
    const int32_t key = static_cast<int32_t>(normaliseVirtualKey(vk, flags));
    const size_t limit = singleKey_ ? 1 : kMaxKeyEntries;
    if (released) {
        // A release counts only after its own press in this dialog: one arriving first (the Alt of
        // an Alt+Tab back into the dialog) leaves the list, and the key it shows, as they are.
        if (!started_ || entries_.size() >= limit) return false;
        const KeyEntry* latest = nullptr;
        for (const KeyEntry& e : entries_)
            if (e.key == key) latest = &e;
        if (latest == nullptr || latest->released != 0) return false;
    } else {
        // A key the mouse cannot send (no usage) is not taken: the key captured before stays.
        if (usageOfKey(static_cast<uint32_t>(key)) == 0) return false;
        // The first press replaces the stored list; in single-key mode every press does.
        if (singleKey_ || !started_) entries_.clear();
        if (entries_.size() >= limit) return false;
    }
    entries_.push_back({key, released ? 1 : 0, 0});
    started_ = true;
    return true;
}

std::string KeyCapture::displayText() const {
    std::string text;
    for (const KeyEntry& e : entries_) {
        if (e.released != 0) continue;
        text += e.key == 144 ? std::string("Numl") : virtualKeyName(static_cast<uint32_t>(e.key));
        text += ' ';
        if (e.delay != 0) text += "(" + std::to_string(e.delay * 2) + "ms)";
    }
    return text;
}

assignment::KeyList KeyCapture::keyList() const {
    assignment::KeyList keys;
    for (const KeyEntry& e : entries_)
        keys.strokes.push_back({static_cast<uint8_t>(usageOfKey(static_cast<uint32_t>(e.key))), e.released != 0,
                                static_cast<uint8_t>(e.delay & 0x7F)});
    return keys;
}

}  // namespace dialogs
