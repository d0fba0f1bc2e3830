#include "service/macro_transfer.h"

#include <cstring>

#include "platform/diagnostics.h"
#include "platform/known_folders.h"
#include "service/device/device_codes.h"
#include "shared/macro_file.h"
#include "shared/string_table.h"
#include "shared/text_decoding.h"

namespace {

bool slotInRange(int slot) { return slot >= 0 && slot < devmap::kMacroSlotCount; }

std::string buttonMacroName(const ButtonRecord& r) {
    size_t n = 0;
    while (n < static_cast<size_t>(kNameLength) && r.name[n] != 0) ++n;
    return textcodec::toUtf8(std::u16string_view(r.name, n));
}

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

bool MacroTransfer::writeSlotFromList(int slot, bool clear) {
    if (!slotInRange(slot)) {
        platform::debugPrintf("macro slot %d does not exist, nothing written\n", slot);
        return false;
    }
    if (clear) return clearSlot(slot);
    return writeSlot(slot, macro::readListSlot(paths_.settingsPath, slot));
}

bool MacroTransfer::assignMacros() {
    names_.clear();
    std::vector<macro::MacroFileData> files;
    bool ok = true;
    MouseSettings& s = config_.settings();
    for (int p = 0; p < kProfileCount; ++p) {
        for (int b = 0; b < kDeviceButtonCount; ++b) {
            const ButtonRecord& r = s.profiles[p].buttons[b];
            if (r.code != 6) continue;
            const std::string name = buttonMacroName(r);
            size_t slot = 0;
            while (slot < names_.size() && names_[slot] != name) ++slot;
            if (slot == names_.size()) {
                names_.push_back(name);
                files.push_back(readForDownload(paths_.macroFolder, name));
            }
            if (!slotInRange(static_cast<int>(slot))) {
                platform::debugPrintf("macro \"%s\" of profile %d button %d gets no slot (only %d), not written\n",
                                      name.c_str(), p, b, devmap::kMacroSlotCount);
                ok = false;
                continue;
            }
            const devcodes::DeviceBytes bytes =
                devcodes::encodeMacroButton(r, static_cast<int>(slot), files[slot].loopTime);
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
    std::string name = macro::readListSlot(paths_.settingsPath, slot);
    if (count == 0) {
        if (!name.empty()) macro::writeListSlot(paths_.settingsPath, slot, "");
        return true;
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
    if (!macro::writeMacroFile(path, count, 0, block, true))
        platform::debugPrintf("macro file %s could not be written\n", path.c_str());
    return true;
}
