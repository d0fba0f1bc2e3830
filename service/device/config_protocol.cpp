#include "service/device/config_protocol.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "platform/diagnostics.h"
#include "service/device/device_codes.h"
#include "shared/settings_rules.h"

namespace {

constexpr int kHeader = 8;

struct ReportShape {
    uint8_t id;
    int length;
};

// The smallest report that carries `count` data bytes after the 8-byte header.
bool shapeFor(int count, ReportShape& shape) {
    if (count < 0) return false;
    if (count <= 8) shape = {2, 16};
    else if (count <= 64 - kHeader) shape = {3, 64};
    else if (count <= 1024 - kHeader) shape = {4, 1024};
    else return false;
    return true;
}

void hexLine(const uint8_t* nine) {
    platform::debugPrintf("%02x %02x %02x %02x %02x %02x %02x %02x %02x\n", nine[0], nine[1], nine[2], nine[3],
                          nine[4], nine[5], nine[6], nine[7], nine[8]);
}

bool profileInRange(int p) { return p >= 0 && p < kProfileCount; }

}  // namespace

DeviceConfig::DeviceConfig(HidDevice& device, DeviceLink& link, MouseSettings& settings)
    : device_(device), link_(link), settings_(settings),
      wait_([](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }) {}

void DeviceConfig::wait(int ms) {
    stats_.waitedMs += static_cast<uint64_t>(ms);
    if (wait_) wait_(ms);
}

bool DeviceConfig::sendFeature(uint32_t deviceId, const uint8_t* data, int length) {
    ++stats_.featureReports;
    bool ok = device_.sendFeatureReport(deviceId, data, length);
    if (!ok) ++stats_.failedTransfers;
    return ok;
}

bool DeviceConfig::sendOutput(uint32_t deviceId, const uint8_t* data, int length) {
    ++stats_.outputReports;
    bool ok = device_.sendOutputReport(deviceId, data, length);
    if (!ok) ++stats_.failedTransfers;
    return ok;
}

int DeviceConfig::currentProfileIndex() const {
    // The record is validated on every reload; a stray value still never indexes past the blocks.
    return profileInRange(settings_.Profile) ? settings_.Profile : 0;
}

bool DeviceConfig::writeMemory(uint16_t address, const uint8_t* data, int count) {
    ReportShape shape;
    if (!shapeFor(count, shape)) {
        platform::debugPrintf("memory write of %d bytes refused\n", count);
        return false;
    }
    std::vector<uint8_t> buf(static_cast<size_t>(shape.length), 0);
    buf[0] = shape.id;
    buf[1] = devcmd::kWrite;
    buf[2] = static_cast<uint8_t>(address & 0xFF);
    buf[3] = static_cast<uint8_t>(address >> 8);
    buf[4] = static_cast<uint8_t>(count);
    if (count > 0) std::memcpy(buf.data() + kHeader, data, static_cast<size_t>(count));
    if (written_) written_->record(address, data, count);
    return sendFeature(link_.lookup(kSelectorConfig), buf.data(), shape.length);
}

bool DeviceConfig::readMemory(uint16_t address, uint8_t* out, int count) {
    ReportShape shape;
    if (!shapeFor(count, shape) || shape.id == 4) {
        platform::debugPrintf("memory read of %d bytes refused\n", count);
        return false;
    }
    uint8_t buf[64] = {};
    buf[0] = shape.id;
    buf[1] = devcmd::kRead;
    buf[2] = static_cast<uint8_t>(address & 0xFF);
    buf[3] = static_cast<uint8_t>(address >> 8);
    buf[4] = static_cast<uint8_t>(count);
    uint32_t id = link_.lookup(kSelectorConfig);
    if (!sendFeature(id, buf, shape.length)) return false;

    uint8_t answer[64] = {};
    answer[0] = shape.id;
    answer[1] = devcmd::kRead;
    ++stats_.featureReads;
    if (!device_.getFeatureReport(id, answer, shape.length)) {
        ++stats_.failedTransfers;
        return false;
    }
    std::memcpy(out, answer + kHeader, static_cast<size_t>(count));
    return true;
}

bool DeviceConfig::commit(uint8_t a, uint8_t b) {
    uint8_t buf[16] = {2, devcmd::kCommit, a, b};
    return sendFeature(link_.lookup(kSelectorConfig), buf, sizeof buf);
}

bool DeviceConfig::session(uint8_t value) {
    uint8_t buf[16] = {2, devcmd::kSession, value};
    bool ok = sendFeature(link_.lookup(kSelectorConfig), buf, sizeof buf);
    wait(kSessionWaitMs);
    return ok;
}

bool DeviceConfig::write3EPair() {
    uint8_t buf[16] = {2, devcmd::kWrite, devmap::kPair3E & 0xFF, devmap::kPair3E >> 8, 2, 0, 0, 0, 0x01, 0x00};
    if (written_) written_->record(devmap::kPair3E, buf + kHeader, 2);
    return sendFeature(link_.currentDeviceId(), buf, sizeof buf);
}

namespace {

// The lighting record a mode runs from: modes 1..4 have records 0..3, modes 5 and 6 share record 4,
// any other mode counts as mode 1; while the lighting is off the mouse runs record 4.
int lightingRecordOf(int mode, int on) {
    if (on == 0) return 4;
    return (mode >= 1 && mode <= 4) ? mode - 1 : (mode == 5 || mode == 6) ? 4 : 0;
}

// The direction byte of modes 2 and 5: 1 for their first direction (1, 3), 0 for their second
// (2, 4). -1: the mode has none, or the value is none of its directions (the byte is left alone).
int directionByte(int mode, int direction) {
    if (mode == 2 || mode == 5) {
        const int first = mode == 2 ? 1 : 3;
        if (direction == first) return 1;
        if (direction == first + 1) return 0;
    }
    return -1;
}

// The reverse, for the mode whose parameters a record holds; `kept` for a byte that is neither.
int directionOf(int mode, uint8_t value, int kept) {
    if (mode != 2 && mode != 5) return kept;
    const int first = mode == 2 ? 1 : 3;
    return value == 1 ? first : value == 0 ? first + 1 : kept;
}

}  // namespace

bool DeviceConfig::writeLightingRecord(int d, int mode) {
    MouseSettings& s = settings_;
    const uint32_t colour = static_cast<uint32_t>(s.LedColor);
    uint8_t rec[4] = {0x80, static_cast<uint8_t>(colour & 0xFF), static_cast<uint8_t>((colour >> 8) & 0xFF),
                      static_cast<uint8_t>((colour >> 16) & 0xFF)};
    if (mode != 1 && mode != 4 && mode != 5 && mode != 6) {  // those four take the flag alone
        if (rec[1]) rec[0] |= 0x01;
        if (rec[2]) rec[0] |= 0x02;
        if (rec[3]) rec[0] |= 0x04;
    }
    bool ok = writeMemory(static_cast<uint16_t>(devmap::kLedRecord + 8 * d), rec, 4);

    // A mode outside 1..6 has no parameters of its own; the first mode's stand in for it.
    LedModeInfo& info = s.ledModes[(mode >= 1 && mode <= 6) ? mode - 1 : 0];
    if (static_cast<uint32_t>(info.rate) >= 8) info.rate = 8;
    const uint8_t rate = static_cast<uint8_t>(9 - info.rate);
    ok = writeMemory(static_cast<uint16_t>(devmap::kLedRate + 8 * d), &rate, 1) && ok;
    const int direction = directionByte(mode, info.direction);
    if (direction >= 0) {
        const uint8_t value = static_cast<uint8_t>(direction);
        ok = writeMemory(static_cast<uint16_t>(devmap::kLedDirection + 8 * d), &value, 1) && ok;
    }
    const uint8_t level = static_cast<uint8_t>((info.level >= 1 && info.level <= 4) ? info.level - 1 : 3);
    ok = writeMemory(static_cast<uint16_t>(devmap::kLedLevel + 8 * d), &level, 1) && ok;
    return ok;
}

bool DeviceConfig::writeLighting() {
    const int m = settings_.LedMode;
    const int d = lightingRecordOf(m, settings_.LedStateOn);
    const uint8_t mask = static_cast<uint8_t>(1u << d);
    bool ok = writeMemory(devmap::kLedMask, &mask, 1);
    ok = writeLightingRecord(d, m) && ok;
    // Record 4 is mode 5's, lent to any mode while the lighting is off (and to mode 6): once
    // another record runs, it gets mode 5's parameters back, so that nothing of the mode that
    // borrowed it stays there as mode 5's.
    if (d != 4) ok = writeLightingRecord(4, 5) && ok;
    ok = commit(0x02, 0x04) && ok;
    return ok;
}

bool DeviceConfig::writeEveryLightingRecord() {
    // Records 0..3 hold modes 1..4; writeLighting writes record 4 (mode 5's, or the current mode's).
    bool ok = true;
    for (int d = 0; d < 4; ++d) ok = writeLightingRecord(d, d + 1) && ok;
    return ok;
}

bool DeviceConfig::writePollingRate(bool withCommit) {
    const uint8_t r = static_cast<uint8_t>(settings_.PollingRate & 0xFF);
    const uint8_t a[6] = {r, 0, r, 0, r, 0};
    const uint8_t b[4] = {r, 0, r, 0};
    bool ok = writeMemory(devmap::kPollingA, a, 6);
    ok = writeMemory(devmap::kPollingB, b, 4) && ok;
    if (withCommit) ok = commit(0x02, 0x08) && ok;
    return ok;
}

bool DeviceConfig::writeWheelLines() {
    const uint8_t w = static_cast<uint8_t>(settings_.WheelScrollLines & 0xFF);
    const uint8_t data[10] = {w, 0, w, 0, w, 0, w, 0, w, 0};
    bool ok = writeMemory(devmap::kWheelLines, data, 10);  // 10 bytes: report id 3
    ok = commit(0x01, 0x01) && ok;
    return ok;
}

bool DeviceConfig::writeDpiStageIndex(bool withCommit) {
    if (settings_.DPI < 0 || settings_.DPI >= kDpiStageCount) {
        platform::debugPrintf("DPI stage index %d out of range, not written\n", settings_.DPI);
        return false;
    }
    const uint8_t v = static_cast<uint8_t>(settings_.DPI & 0xFF);
    const uint16_t addr = static_cast<uint16_t>(devmap::kProfileBase[currentProfileIndex()] + devmap::kDpiIndexOffset);
    bool ok = writeMemory(addr, &v, 1);
    if (withCommit) ok = commit(0x02, 0x02) && ok;
    return ok;
}

bool DeviceConfig::writeDpiStage(int stage, bool withCommit) {
    if (stage < 0 || stage >= kDpiStageCount) {
        platform::debugPrintf("DPI stage %d out of range, not written\n", stage);
        return false;
    }
    const DpiStage& st = settings_.dpiStages[stage];
    const uint32_t x = static_cast<uint32_t>(st.separate ? st.x : st.common);
    const uint32_t y = static_cast<uint32_t>(st.separate ? st.y : st.common);
    const uint8_t data[5] = {0x01, static_cast<uint8_t>(x & 0xFF), static_cast<uint8_t>((x >> 8) & 0xFF),
                             static_cast<uint8_t>(y & 0xFF), static_cast<uint8_t>((y >> 8) & 0xFF)};
    bool ok = true;
    for (uint16_t base : devmap::kProfileBase)
        ok = writeMemory(static_cast<uint16_t>(base + devmap::kDpiStageOffset + 6 * stage), data, 5) && ok;
    if (withCommit) ok = commit(0x02, 0x02) && ok;
    return ok;
}

bool DeviceConfig::writeLiftAngle(bool withCommit) {
    const uint8_t v = static_cast<uint8_t>((settings_.LiftV + settings_.AngleV) & 0xFF);
    bool ok = writeMemory(devmap::kLiftAngle, &v, 1);
    if (withCommit) ok = commit(0x02, 0x08) && ok;
    return ok;
}

bool DeviceConfig::writeProfile(bool withCommit) {
    const uint8_t data[2] = {static_cast<uint8_t>(settings_.Profile & 0xFF), 0};
    bool ok = writeMemory(devmap::kProfile, data, 2);
    if (withCommit) ok = commit(0x02, 0x01) && ok;
    return ok;
}

bool DeviceConfig::writeButtonBytes(int profile, int button, const uint8_t bytes[4]) {
    if (!profileInRange(profile) || button < 0 || button >= kDeviceButtonCount) {
        platform::debugPrintf("button %d of profile %d is not on the mouse, not written\n", button, profile);
        return false;
    }
    return writeMemory(devmap::buttonAddress(profile, button), bytes, 4);
}

bool DeviceConfig::writeButton(int profile, int button) {
    if (!profileInRange(profile) || button < 0 || button >= kButtonRecordCount) {
        platform::debugPrintf("button %d of profile %d out of range, not written\n", button, profile);
        return false;
    }
    if (button >= kDeviceButtonCount) return true;  // records 9 and 10 live in the settings file only
    const ButtonRecord& r = settings_.profiles[profile].buttons[button];
    if (r.code == 6) {
        if (!macro_.assign) {
            platform::debugLine("macro assignment not attached, macro button not written");
            return false;
        }
        return macro_.assign();
    }
    const devcodes::DeviceBytes bytes = devcodes::encodeButton(r);
    return writeButtonBytes(profile, button, bytes.data());
}

bool DeviceConfig::writeTrailers(int which) {
    static const uint8_t trailer[2] = {0xFF, 0xFF};
    if (which == devmap::kAllTrailers) {
        bool ok = true;
        for (uint16_t base : devmap::kProfileBase)
            ok = writeMemory(static_cast<uint16_t>(base + devmap::kTrailerOffset), trailer, 2) && ok;
        return ok;
    }
    if (!profileInRange(which)) {
        platform::debugPrintf("block trailer %d out of range, not written\n", which);
        return false;
    }
    return writeMemory(static_cast<uint16_t>(devmap::kProfileBase[which] + devmap::kTrailerOffset), trailer, 2);
}

bool DeviceConfig::sendAll() {
    if (!link_.linked()) return false;
    bool ok = write3EPair();
    // Every mode's parameters, so that the mouse's own mode button and a later read-back find them,
    // then the current mode's.
    ok = writeEveryLightingRecord() && ok;
    ok = writeLighting() && ok;
    ok = writePollingRate(false) && ok;
    ok = writeWheelLines() && ok;
    ok = writeDpiStageIndex(false) && ok;
    for (int s = 0; s < kDpiStageCount; ++s) ok = writeDpiStage(s, false) && ok;
    ok = writeLiftAngle(true) && ok;
    ok = writeProfile(true) && ok;

    // The macro assignment rewrites every macro button and every used slot, so it runs once,
    // after the other buttons, however many macro buttons there are.
    bool anyMacro = false;
    for (int p = 0; p < kProfileCount; ++p) {
        for (int b = 0; b < kDeviceButtonCount; ++b) {
            const ButtonRecord& r = settings_.profiles[p].buttons[b];
            if (r.code == 6) {
                anyMacro = true;
                continue;
            }
            const devcodes::DeviceBytes bytes = devcodes::encodeButton(r);
            ok = writeButtonBytes(p, b, bytes.data()) && ok;
        }
    }
    if (anyMacro) {
        if (macro_.assign) {
            ok = macro_.assign() && ok;
        } else {
            platform::debugLine("macro assignment not attached, macro buttons not written");
            ok = false;
        }
    }
    ok = writeTrailers(devmap::kAllTrailers) && ok;
    ok = commit(0x02, 0x01) && ok;
    ok = commit(0x02, 0x02) && ok;
    ok = commit(0x02, 0x01) && ok;
    platform::debugLine("SendAll2Mouse\n");
    return ok;
}

bool DeviceConfig::readSettingsInto(MouseSettings& t) {
    // t starts as the saved settings. What the mouse holds exactly as their write left it keeps
    // the saved values: the mouse cannot tell mode 5 from a lighting that is off, nor one value
    // for both axes from equal separate ones. Everything else is decoded from the mouse.
    const MouseSettings& saved = settings_;
    uint8_t v[8] = {};
    if (!readMemory(devmap::kProfile, v, 1)) return false;
    if (v[0] < kProfileCount) t.Profile = v[0];  // anything else is no profile: the saved one stays

    if (!readMemory(devmap::kLedMask, v, 1)) return false;
    const uint8_t mask = v[0];
    uint8_t state[7] = {};
    if (!readMemory(devmap::kLedState, state, 7)) return false;
    t.LedColor = state[0] + state[1] * 256 + state[2] * 65536;
    const int written = lightingRecordOf(saved.LedMode, saved.LedStateOn);
    int running = -1;  // the record the mouse runs, which holds the current mode's parameters
    if (mask == (1u << written)) {
        t.LedMode = saved.LedMode;
        t.LedStateOn = saved.LedStateOn == 0 || state[3] == 0 ? 0 : 1;
        running = written;
    } else {
        switch (mask) {
        case 2: t.LedMode = 2; break;
        case 4: t.LedMode = 3; break;
        case 8: t.LedMode = 4; break;
        case 16: t.LedMode = 5; break;
        case 32: t.LedMode = 6; break;  // as the mouse's own notice of it; no record of its own
        default: t.LedMode = 1; break;
        }
        t.LedStateOn = state[3] != 0 ? 1 : 0;
        for (int d = 0; d < devmap::kLedRecordCount; ++d)
            if (mask == (1u << d)) running = d;
    }
    for (int d = 0; d < devmap::kLedRecordCount; ++d) {
        if (!readMemory(static_cast<uint16_t>(devmap::kLedRate + 8 * d), v, 3)) return false;
        // Record d holds mode d + 1, except the record the mouse runs, which holds the current
        // mode's (record 4 lends itself to any mode while the lighting is off, and to mode 6).
        const int mode = d == running ? t.LedMode : d + 1;
        if (d != running && running >= 0 && mode == t.LedMode) continue;  // an older copy of it
        if (mode < 1 || mode > kLedModeCount) continue;
        LedModeInfo& info = t.ledModes[mode - 1];
        info.rate = 9 - v[0];
        info.direction = directionOf(mode, v[1], info.direction);
        const int level = v[2] + 1;
        info.level = (level >= 1 && level <= 3) ? level : 4;
    }

    if (!readMemory(devmap::kPollingA, v, 1)) return false;
    t.PollingRate = v[0];

    // The stage index lives in each profile's block and the writer stores the current profile's;
    // read it from the block of the profile just read, so a written index reads back.
    const int current = (t.Profile >= 0 && t.Profile < kProfileCount) ? t.Profile : 0;
    if (!readMemory(static_cast<uint16_t>(devmap::kProfileBase[current] + devmap::kDpiIndexOffset), v, 1))
        return false;
    t.DPI = v[0];
    if (t.DPI < kDpiStageCount) t.profiles[current].DPI = t.DPI;
    for (int s = 0; s < kDpiStageCount; ++s) {
        // Every block holds all seven stages; stages 5 and 6 come from block 0.
        const uint16_t base = devmap::kProfileBase[s < kProfileCount ? s : 0];
        if (!readMemory(static_cast<uint16_t>(base + devmap::kDpiStageOffset + 6 * s), v, 5)) return false;
        const int x = v[1] | (v[2] << 8);
        const int y = v[3] | (v[4] << 8);
        const DpiStage& before = saved.dpiStages[s];
        if (x == (before.separate ? before.x : before.common) && y == (before.separate ? before.y : before.common))
            continue;  // as written: the separate flag and the value the mouse does not hold stay
        DpiStage& st = t.dpiStages[s];
        st.x = x;
        st.y = y;
        st.common = x;
        st.separate = x != y ? 1 : 0;
    }

    if (!readMemory(devmap::kLiftAngle, v, 1)) return false;
    t.AngleV = v[0] & 0x80;
    t.LiftV = v[0] & 0x7F;
    return true;
}

bool DeviceConfig::readButtonsInto(MouseSettings& t) {
    for (int p = 0; p < kProfileCount; ++p) {
        for (int b = 0; b < kDeviceButtonCount; ++b) {
            uint8_t d[4] = {};
            if (!readMemory(devmap::buttonAddress(p, b), d, 4)) return false;
            devcodes::decodeButton(d[0], d[1], d[2], d[3], t.profiles[p].buttons[b]);
        }
    }
    return true;
}

bool DeviceConfig::stopRequested() const {
    if (!stop_ || !stop_()) return false;
    platform::debugLine("QueryAllFrMouse: stopped, the service is ending; settings kept");
    return true;
}

bool DeviceConfig::queryAll() {
    platform::debugLine("QueryAllFrMouse\n");
    // Everything is read into a copy first; the working record changes only when all reads worked.
    auto scratch = std::make_unique<MouseSettings>(settings_);

    if (stopRequested()) return false;
    openSession();
    if (!readSettingsInto(*scratch)) {
        closeSession();
        platform::debugLine("QueryAllFrMouse: the mouse did not answer a read, settings kept");
        return false;
    }
    closeSession();

    if (macro_.readSlot) {
        // Twenty slots of two sessions each take seconds: a stop is honoured between them.
        for (int n = 0; n < devmap::kMacroSlotCount; ++n) {
            if (stopRequested()) return false;
            openSession();
            bool ok = macro_.readSlot(n);
            closeSession();
            if (!ok) return false;  // the slot reader has said which slot failed
        }
    } else {
        platform::debugLine("QueryAllFrMouse: macro read-back not attached, slots skipped");
    }

    if (stopRequested()) return false;
    openSession();
    if (!readButtonsInto(*scratch)) {
        closeSession();
        platform::debugLine("QueryAllFrMouse: the mouse did not answer a button read, settings kept");
        return false;
    }
    closeSession();

    // What the mouse holds outside the ranges this software writes (programmed elsewhere, or never
    // written) is not taken: the saved value stays.
    for (const settingsrules::Correction& c : settingsrules::keepInRange(*scratch, &settings_))
        platform::debugPrintf("QueryAllFrMouse: \"%s\" read back outside its range, kept the saved value (%s)",
                              c.key.c_str(), c.change.c_str());
    std::memcpy(&settings_, scratch.get(), sizeof(MouseSettings));
    return true;
}

namespace {

// Keyboard usages the mouse types itself for the shortcut functions of the legacy table.
bool shortcutKeys(uint8_t code, uint8_t& modifier, uint8_t& key) {
    static const uint8_t editKeys[9] = {0x1B, 0x06, 0x19, 0x1D, 0x04, 0x09, 0x11, 0x13, 0x16};
    static const uint8_t windowKeys[6] = {0x2B, 0x3D, 0x0F, 0x08, 0x15, 0x07};
    if (code >= 64 && code <= 72) {
        modifier = 0xE0;
        key = editKeys[code - 64];
        return true;
    }
    if (code >= 80 && code <= 85) {
        modifier = code <= 81 ? 0xE2 : 0xE3;
        key = windowKeys[code - 80];
        return true;
    }
    return false;
}

// One button's word and extra block of the legacy table.
void legacyEntry(const ButtonRecord& r, int b, const ButtonRecord& record10, uint8_t w[4], uint8_t extra[96]) {
    const uint8_t W = static_cast<uint8_t>(b <= 9 ? b : 0x0E);
    auto extraWord = [&](uint8_t length) {
        w[0] = 0x53;
        w[2] = W;
        w[3] = length;
    };
    uint8_t m = 0, k = 0;
    switch (r.code) {
    case 1: w[1] = 0xF0; break;
    case 2: w[1] = 0xF1; break;
    case 3: w[1] = 0xF2; break;
    case 10: w[1] = 0xF4; break;
    case 11: w[1] = 0xF3; break;
    case 7: w[1] = 0x00; break;
    case 48: w[1] = 0xF8; break;
    case 49: w[1] = 0xF9; break;
    case 12: w[0] = 0x71; w[1] = 1; break;
    case 13: w[0] = 0x71; w[1] = 2; break;
    case 21: w[0] = 4; w[3] = 0xF0; break;
    case 23: w[0] = 4; w[3] = 0xF5; break;
    case 24: w[0] = 4; w[3] = 0xF6; break;
    case 50: w[0] = 4; w[3] = 0xF3; break;
    case 51: w[0] = 4; w[3] = 0xF4; break;
    case 32: w[0] = 4; w[3] = 0xCD; break;
    case 33: w[0] = 4; w[3] = 0xB7; break;
    case 34: w[0] = 4; w[3] = 0xB6; break;
    case 35: w[0] = 4; w[3] = 0xB5; break;
    case 37: w[0] = 4; w[3] = 0xE9; break;
    case 38: w[0] = 4; w[3] = 0xEA; break;
    case 39: w[0] = 4; w[3] = 0xE2; break;
    case 5:
        if (b <= 9) {
            w[1] = r.byte(5);
        } else {
            const uint8_t key = record10.byte(5);
            const uint8_t e[6] = {0x00, 0x01, 0x00, key, 0x80, key};
            std::memcpy(extra, e, sizeof e);
            extraWord(6);
        }
        break;
    case 4: {
        const uint8_t e[6] = {0x00, 0x02, 0x00, 0xF0, 0x80, 0xF0};
        std::memcpy(extra, e, sizeof e);
        extraWord(6);
        break;
    }
    case 9: {
        const uint8_t t = r.byte(5) != 0 ? 0xF0 : 0xF1;
        const uint8_t e[6] = {0x00, r.byte(2), 0x00, t, 0x80, t};
        std::memcpy(extra, e, sizeof e);
        extraWord(6);
        break;
    }
    case 6: {
        // Two header bytes, then 2 x byte 3 macro bytes from record byte 4: never more than the
        // 96-byte block holds; the length word says what was really stored.
        int copy = 2 * r.byte(3);
        if (copy > 94) {
            platform::debugPrintf("legacy upload: macro of button %d cut from %d to 94 bytes\n", b, copy);
            copy = 94;
        }
        extra[0] = 0x00;
        extra[1] = r.byte(2);
        std::memcpy(extra + 2, reinterpret_cast<const uint8_t*>(&r) + 4, static_cast<size_t>(copy));
        extraWord(static_cast<uint8_t>(copy + 2));
        break;
    }
    default:
        if (shortcutKeys(r.code, m, k)) {
            const uint8_t e[10] = {0x00, 0x01, 0x00, m, 0x00, k, 0x80, k, 0x80, m};
            std::memcpy(extra, e, sizeof e);
            extraWord(0x0A);
        }
        break;
    }
}

}  // namespace

bool DeviceConfig::legacyButtonUpload() {
    if (!transform_ || !transform_->available()) {
        if (transform_) {
            transform_->reportMissingOnce();
        } else if (!transformMissingReported_) {
            transformMissingReported_ = true;
            platform::debugLine("report transform not loaded, legacy button upload skipped");
        }
        return false;
    }
    const ProfileGroup& group = settings_.profiles[currentProfileIndex()];
    uint8_t words[16 * 4] = {};
    std::vector<uint8_t> blocks(16 * 96, 0);
    for (int b = 0; b < kButtonRecordCount; ++b) {
        const int slot = b <= 9 ? b : 14;
        legacyEntry(group.buttons[b], b, group.buttons[10], words + 4 * slot, blocks.data() + 96 * slot);
    }

    bool ok = true;
    const uint8_t start[8] = {0x07, 0x04, 0x01, 0x40, 0x00, 0x00, 0x00, 0x00};
    ok = sendFeature(link_.lookup(kSelectorConfig), start, 8) && ok;

    uint32_t consumer = link_.lookup(kSelectorConsumer);
    for (int k = 0; k < 8; ++k) {
        uint8_t nine[9] = {};
        std::memcpy(nine + 1, words + 8 * k, 8);
        hexLine(nine);
        transform_->apply(nine);
        ok = sendOutput(consumer, nine + 1, 8) && ok;
        wait(kLegacyWaitMs);
    }

    uint8_t tail[9] = {0x00, 0x07, 0x05, 0x01, 0x00, 0x06, 0x00, 0x00, 0x00};
    transform_->apply(tail);
    ok = sendFeature(link_.lookup(kSelectorConfig), tail + 1, 8) && ok;

    consumer = link_.lookup(kSelectorConsumer);
    for (int i = 0; i < 192; ++i) {
        ok = sendOutput(consumer, blocks.data() + 8 * i, 8) && ok;
        wait(kLegacyWaitMs);
    }
    return ok;
}
