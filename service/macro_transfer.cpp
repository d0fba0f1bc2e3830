#include "service/macro_transfer.h"

#include <algorithm>
#include <cstring>

#include "platform/diagnostics.h"
#include "platform/known_folders.h"
#include "service/device/device_codes.h"
#include "shared/macro_buttons.h"
#include "shared/macro_file.h"
#include "shared/string_table.h"

namespace {

bool slotInRange(int slot) { return slot >= 0 && slot < devmap::kMacroSlotCount; }

// "Count", "LoopTime" (default 1) and the events of a macro; a name that cannot form a file in
// the macro folder reads like a missing file.
macro::MacroFileData readForDownload(const std::string& folder, const std::string& name) {
    macro::MacroFileData data;
    data.loopTime = 1;
    std::string path;
    if (!macro::macroFilePath(folder, name, path)) {
        platform::debugPrintf("macro name \"%s\" cannot name a file, sent as empty\n", name.c_str());
        return data;
    }
    macro::readMacroFile(path, data, 1);
    data.count = macro::clampCount(data.count);
    if (!data.blockValid) data.block.fill(0);
    return data;
}

}  // namespace

std::vector<std::string> macroSlotNames(const MouseSettings& s) {
    std::vector<std::string> names;
    for (int p = 0; p < kProfileCount; ++p) {
        for (int b = 0; b < kDeviceButtonCount; ++b) {
            const ButtonRecord& r = s.profiles[p].buttons[b];
            if (r.code != 6) continue;
            std::string name = macro::buttonMacroName(r);
            if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(std::move(name));
        }
    }
    return names;
}

MacroPaths MacroPaths::fromKnownFolders() {
    return {platform::settingsPath(), platform::macroFolder(), platform::stringsPath()};
}

MacroTransfer::MacroTransfer(DeviceConfig& config, MacroPaths paths) : config_(config), paths_(std::move(paths)) {}

MacroTransfer::MacroTransfer(HidDevice& device, DeviceLink& link, MouseSettings& settings, std::string settingsPath,
                             std::string macroFolder, std::string stringsPath)
    : ownConfig_(std::make_unique<DeviceConfig>(device, link, settings)),
      config_(*ownConfig_),
      paths_{std::move(settingsPath), std::move(macroFolder), std::move(stringsPath)} {}

MacroHooks MacroTransfer::hooks() {
    return {[this] { return assignMacros(); }, [this](int slot) { return readSlotToFile(slot); }};
}

void MacroTransfer::attach() { config_.setMacroHooks(hooks()); }

bool MacroTransfer::writeSlot(int slot, const std::string& name) {
    if (!slotInRange(slot)) {
        platform::debugPrintf("macro slot %d does not exist, \"%s\" not written\n", slot, name.c_str());
        return false;
    }
    const macro::MacroFileData data = readForDownload(paths_.macroFolder, name);
    uint8_t buf[devmap::kMacroSlotSize] = {};
    std::memcpy(buf, data.block.data(), static_cast<size_t>(data.count) * macro::kEventSize);
    return config_.writeMemory(devmap::macroSlotAddress(slot), buf, devmap::kMacroSlotSize);
}

bool MacroTransfer::clearSlot(int slot) {
    if (!slotInRange(slot)) {
        platform::debugPrintf("macro slot %d does not exist, not cleared\n", slot);
        return false;
    }
    const uint8_t zeros[devmap::kMacroSlotSize] = {};
    return config_.writeMemory(devmap::macroSlotAddress(slot), zeros, devmap::kMacroSlotSize);
}

bool MacroTransfer::writeSlotFromList(int listSlot, bool clear) {
    if (!slotInRange(listSlot)) {
        platform::debugPrintf("macro slot %d does not exist, nothing written\n", listSlot);
        return false;
    }
    const std::vector<std::string> used = macroSlotNames(config_.settings());
    const std::string name = macro::readListSlot(paths_.settingsPath, listSlot);
    std::vector<int> slots;
    if (!name.empty()) {
        const auto at = std::find(used.begin(), used.end(), name);
        if (at != used.end()) slots.push_back(static_cast<int>(at - used.begin()));
    } else if (clear) {
        // The list entry went before this request was read: the deleted macro is the used one that
        // has neither a list entry nor a file any more.
        const std::vector<std::string> listed = macro::listNames(paths_.settingsPath);
        for (size_t slot = 0; slot < used.size(); ++slot) {
            std::string path;
            const bool gone = std::find(listed.begin(), listed.end(), used[slot]) == listed.end() &&
                              (!macro::macroFilePath(paths_.macroFolder, used[slot], path) || !platform::fileExists(path));
            if (gone && !used[slot].empty()) slots.push_back(static_cast<int>(slot));
        }
    }
    if (slots.empty()) {
        platform::debugPrintf("macro of list entry %d is on no button: no slot written\n", listSlot);
        return true;
    }
    bool ok = true;
    for (int slot : slots) ok = (clear ? clearSlot(slot) : writeSlot(slot, name)) && ok;
    return ok;
}

bool MacroTransfer::assignMacros() {
    const MouseSettings& s = config_.settings();
    names_ = macroSlotNames(s);
    std::vector<macro::MacroFileData> files;
    for (const std::string& name : names_) files.push_back(readForDownload(paths_.macroFolder, name));
    bool ok = true;
    for (int p = 0; p < kProfileCount; ++p) {
        for (int b = 0; b < kDeviceButtonCount; ++b) {
            const ButtonRecord& r = s.profiles[p].buttons[b];
            if (r.code != 6) continue;
            const std::string name = macro::buttonMacroName(r);
            const int slot = static_cast<int>(std::find(names_.begin(), names_.end(), name) - names_.begin());
            if (!slotInRange(slot)) {
                platform::debugPrintf("macro \"%s\" of profile %d button %d gets no slot (only %d), not written\n",
                                      name.c_str(), p, b, devmap::kMacroSlotCount);
                ok = false;
                continue;
            }
            const devcodes::DeviceBytes bytes = devcodes::encodeMacroButton(r, slot, files[slot].loopTime);
            ok = config_.writeButtonBytes(p, b, bytes.data()) && ok;
        }
    }
    for (size_t slot = 0; slot < names_.size() && slotInRange(static_cast<int>(slot)); ++slot) {
        const macro::MacroFileData& data = files[slot];
        uint8_t buf[devmap::kMacroSlotSize] = {};
        std::memcpy(buf, data.block.data(), static_cast<size_t>(data.count) * macro::kEventSize);
        ok = config_.writeMemory(devmap::macroSlotAddress(static_cast<int>(slot)), buf, devmap::kMacroSlotSize) && ok;
    }
    return ok;
}

bool MacroTransfer::readSlotToFile(int slot) {
    if (!slotInRange(slot)) {
        platform::debugPrintf("macro slot %d does not exist, not read\n", slot);
        return false;
    }
    constexpr int kPart = 50;
    uint8_t data[devmap::kMacroSlotSize] = {};
    for (int k = 0; k < devmap::kMacroSlotSize / kPart; ++k) {
        const uint16_t addr = static_cast<uint16_t>(devmap::macroSlotAddress(slot) + kPart * k);
        if (!config_.readMemory(addr, data + kPart * k, kPart)) {
            platform::debugPrintf("macro slot %d could not be read, macro files kept\n", slot);
            return false;
        }
    }
    const int count = macro::countDeviceEvents(data, macro::kBlockSize);
    // The slot belongs to the macro the button assignment gives it. Only a slot no button uses is
    // named by its "MACRO_LIST" key (a mouse programmed elsewhere), and then never over a listed
    // macro that has a file or a slot of its own: the assignment does not write such slots, so
    // what they hold is older than the user's file.
    const std::vector<std::string> used = macroSlotNames(config_.settings());
    const bool buttonSlot = static_cast<size_t>(slot) < used.size() && !used[static_cast<size_t>(slot)].empty();
    std::string name = buttonSlot ? used[static_cast<size_t>(slot)] : macro::readListSlot(paths_.settingsPath, slot);
    std::string existing;
    const bool hasFile = macro::macroFilePath(paths_.macroFolder, name, existing) && platform::fileExists(existing);
    if (!buttonSlot && !name.empty() &&
        (hasFile || std::find(used.begin(), used.end(), name) != used.end())) {
        platform::debugPrintf("macro slot %d is on no button: \"%s\" kept as it is\n", slot, name.c_str());
        return true;
    }
    if (count == 0) {
        // An empty slot of a button's macro says nothing about the macro: its file stays.
        if (!buttonSlot && !name.empty()) macro::writeListSlot(paths_.settingsPath, slot, "");
        return true;
    }
    int loopTime = 0;
    if (buttonSlot && hasFile) {  // the loop count lives in the file, not in the slot
        macro::MacroFileData before;
        macro::readMacroFile(existing, before, 0);
        loopTime = before.loopTime;
    }
    if (name.empty()) {
        name = lookupString(paths_.stringsPath, "BUTTONPAGE", "NEWMACRO") + " " + std::to_string(slot + 1);
        macro::writeListSlot(paths_.settingsPath, slot, name);
    }
    std::string path;
    if (!macro::macroFilePath(paths_.macroFolder, name, path)) {
        platform::debugPrintf("macro slot %d: name \"%s\" cannot name a file, not stored\n", slot, name.c_str());
        return true;
    }
    if (!platform::ensureFolder(paths_.macroFolder)) {
        platform::debugPrintf("macro folder %s cannot be created, slot %d not stored\n", paths_.macroFolder.c_str(),
                              slot);
        return true;
    }
    macro::Block block{};
    std::memcpy(block.data(), data, macro::kBlockSize);
    // A fresh file: an existing macro of that name is replaced whole, as after deleting it.
    if (!macro::writeMacroFile(path, count, loopTime, block, true))
        platform::debugPrintf("macro file %s could not be written\n", path.c_str());
    return true;
}
