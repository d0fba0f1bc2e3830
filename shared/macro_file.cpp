#include "shared/macro_file.h"

#include <algorithm>

#include "platform/atomic_file.h"
#include "platform/known_folders.h"
#include "platform/profile_ini.h"

namespace macro {
namespace {

std::string slotKey(int slot) { return std::to_string(slot); }

}  // namespace

Event makeEvent(uint8_t kind, bool pressed, uint16_t value) {
    Event e;
    e.bytes[0] = static_cast<uint8_t>((kind & kKindMask) | (pressed ? kPressFlag : 0));
    e.bytes[1] = static_cast<uint8_t>(value & 0xFF);
    e.bytes[2] = static_cast<uint8_t>(value >> 8);
    return e;
}

Event buttonEvent(uint8_t button, bool pressed) { return makeEvent(kKindMouseButton, pressed, button); }

Event keyEvent(uint8_t usage, bool pressed) { return makeEvent(kKindKey, pressed, usage); }

Event delayEvent(uint32_t milliseconds) { return makeEvent(kKindDelay, false, delayStepsFromMs(milliseconds)); }

Event moveEvent(int dx, int dy) {
    Event e;
    e.bytes[0] = kKindMove;
    if (dx != 0) {
        e.bytes[1] = encodeMoveStep(dx);
    } else {
        e.bytes[2] = encodeMoveStep(dy);
    }
    return e;
}

uint16_t delayStepsFromMs(uint32_t milliseconds) {
    return static_cast<uint16_t>(std::min<uint32_t>(milliseconds / kDelayStepMs, 0xFFFF));
}

uint32_t delayMsFromSteps(uint16_t steps) { return steps * kDelayStepMs; }

uint8_t encodeMoveStep(int delta) {
    delta = std::clamp(delta, -kMaxMoveMagnitude, kMaxMoveMagnitude);
    return static_cast<uint8_t>(delta < 0 ? 256 + delta : delta);
}

int decodeMoveStep(uint8_t step) { return step <= kMaxMoveMagnitude ? step : step - 256; }

Event eventAt(const Block& block, int index) {
    Event e;
    if (index < 0 || index >= kMaxEvents) return e;
    std::copy_n(block.begin() + index * kEventSize, kEventSize, e.bytes.begin());
    return e;
}

void setEventAt(Block& block, int index, const Event& event) {
    if (index < 0 || index >= kMaxEvents) return;
    std::copy(event.bytes.begin(), event.bytes.end(), block.begin() + index * kEventSize);
}

int clampCount(int count) { return std::clamp(count, 0, kMaxEvents); }

int countDeviceEvents(const uint8_t* data, size_t size) {
    int count = 0;
    for (size_t at = 0; count < kMaxEvents && at + kEventSize <= size; at += kEventSize, ++count) {
        const uint8_t* r = data + at;
        bool zeros = r[0] == 0x00 && r[1] == 0x00 && r[2] == 0x00;
        bool ones = r[0] == 0xFF && r[1] == 0xFF && r[2] == 0xFF;
        if (zeros || ones) break;
    }
    return count;
}

void parseMacroDocument(const platform::IniDocument& doc, MacroFileData& data, int loopTimeDefault) {
    data.count = clampCount(platform::parseProfileInt(doc.get(kSection, kKeyCount), 0));
    data.loopTime = platform::parseProfileInt(doc.get(kSection, kKeyLoopTime), loopTimeDefault);
    std::optional<std::string> block = doc.get(kSection, kKeyBlock);
    data.blockValid = block && platform::decodeStruct(*block, data.block.data(), data.block.size());
}

bool readMacroFile(const std::string& path, MacroFileData& data, int loopTimeDefault) {
    bool exists = false;
    platform::IniDocument doc = platform::readProfileDocument(path, &exists);
    parseMacroDocument(doc, data, loopTimeDefault);
    return exists;
}

bool writeMacroFile(const std::string& path, int count, int loopTime, const Block& block, bool fresh) {
    platform::ProfileBatch file(path);
    file.writeString(kSection, kKeyFilePath, path);
    file.writeInt(kSection, kKeyCount, clampCount(count));
    file.writeInt(kSection, kKeyLoopTime, loopTime);
    file.writeStruct(kSection, kKeyBlock, block.data(), block.size());
    const bool written = file.commit(fresh);
    // What killed saves of any macro left in the folder (also of one renamed or deleted since)
    // goes with the next save, as in the settings folder.
    platform::removeStaleTemporariesInFolder(platform::parentFolder(path), kExtension);
    return written;
}

bool isValidMacroName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

bool macroFilePath(const std::string& folder, std::string_view name, std::string& path) {
    if (!isValidMacroName(name)) return false;
    std::string result = folder;
    if (!result.empty() && result.back() != '/') result += '/';
    result.append(name);
    result += kExtension;
    path = std::move(result);
    return true;
}

std::vector<std::string> listNames(const platform::IniDocument& settings) {
    std::vector<std::string> names;
    for (int slot = 0; slot < kListSlots; ++slot) {
        std::optional<std::string> name = settings.get(kListSection, slotKey(slot));
        if (name && !name->empty()) names.push_back(std::move(*name));
    }
    return names;
}

std::vector<std::string> listNames(const std::string& settingsPath) {
    return listNames(platform::readProfileDocument(settingsPath));
}

int listCount(const std::string& settingsPath) { return static_cast<int>(listNames(settingsPath).size()); }

int findInList(const std::string& settingsPath, std::string_view name) {
    if (name.empty()) return -1;
    platform::IniDocument doc = platform::readProfileDocument(settingsPath);
    for (int slot = 0; slot < kListSlots; ++slot) {
        if (doc.get(kListSection, slotKey(slot)).value_or(std::string()) == name) return slot;
    }
    return -1;
}

int addToList(platform::IniDocument& doc, std::string_view name) {
    if (name.empty()) return -1;
    for (int slot = 0; slot < kListSlots; ++slot) {
        if (doc.get(kListSection, slotKey(slot)).value_or(std::string()).empty()) {
            doc.set(kListSection, slotKey(slot), name);
            return slot;
        }
    }
    return -1;
}

bool removeFromList(platform::IniDocument& doc, std::string_view name) {
    if (name.empty()) return false;
    bool removed = false;
    for (int slot = 0; slot < kListSlots; ++slot) {
        if (doc.get(kListSection, slotKey(slot)).value_or(std::string()) == name) {
            doc.set(kListSection, slotKey(slot), "");
            removed = true;
        }
    }
    return removed;
}

int addToList(const std::string& settingsPath, std::string_view name) {
    if (name.empty()) return -1;
    int taken = -1;
    bool ok = platform::updateProfile(settingsPath, [&](platform::IniDocument& doc) {
        taken = addToList(doc, name);
        return taken >= 0;
    });
    return ok ? taken : -1;
}

bool removeFromList(const std::string& settingsPath, std::string_view name) {
    if (name.empty()) return false;
    bool removed = false;
    bool ok = platform::updateProfile(settingsPath, [&](platform::IniDocument& doc) {
        removed = removeFromList(doc, name);
        return removed;
    });
    return ok && removed;
}

std::string readListSlot(const std::string& settingsPath, int slot) {
    return platform::readProfileString(settingsPath, kListSection, slotKey(slot));
}

bool writeListSlot(const std::string& settingsPath, int slot, std::string_view name) {
    return platform::writeProfileString(settingsPath, kListSection, slotKey(slot), name);
}

}  // namespace macro
