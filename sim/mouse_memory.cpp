#include "sim/mouse_memory.h"

#include "platform/diagnostics.h"

#include <algorithm>
#include <cstring>

namespace sim {
namespace {

constexpr size_t kDataOffset = 8;

// The report length the mouse defines for a report id of the memory commands; 0 for others.
size_t definedLength(uint8_t reportId) {
    switch (reportId) {
        case 2: return 16;
        case 3: return 64;
        case 4: return 1024;
        default: return 0;
    }
}

void keep(std::deque<std::vector<uint8_t>>& history, const uint8_t* data, size_t length) {
    history.emplace_back(data, data + length);
    while (history.size() > kKeptReports) history.pop_front();
}

}  // namespace

std::string formatCounters(const Counters& c) {
    std::string out;
    out += "feature_reports " + std::to_string(c.featureReports) + "\n";
    out += "output_reports " + std::to_string(c.outputReports) + "\n";
    out += "feature_reads " + std::to_string(c.featureReads) + "\n";
    out += "sessions " + std::to_string(c.sessions) + "\n";
    out += "commits " + std::to_string(c.commits) + "\n";
    return out;
}

std::string formatFaults(const Faults& f) {
    return "drop-writes " + std::to_string(f.dropWrites) + "\ncorrupt-writes " + std::to_string(f.corruptWrites) +
           "\nstall-reads " + (f.stallReads ? "1" : "0") + "\n";
}

MouseMemory::MouseMemory() = default;

MouseMemory::MouseMemory(const std::vector<uint8_t>& image) {
    std::copy_n(image.begin(), std::min<size_t>(image.size(), kMemorySize), memory_.begin());
}

bool MouseMemory::setFeature(const uint8_t* data, size_t length) {
    ++counters_.featureReports;
    if (data == nullptr || length == 0) return false;
    if (data[0] == 7) {
        keep(legacy_, data, length);
        return true;
    }
    if (definedLength(data[0]) == 0) {
        platform::debugPrintf("mousesim: feature report id %u not accepted", data[0]);
        return false;
    }
    return memoryCommand(data, length);
}

bool MouseMemory::memoryCommand(const uint8_t* data, size_t length) {
    if (length < kDataOffset) {
        platform::debugPrintf("mousesim: feature report of %zu bytes too short", length);
        return false;
    }
    // The mouse reads no further than its own report length, whatever buffer the host passes.
    size_t reportLength = std::min(length, definedLength(data[0]));
    uint32_t address = data[2] | (static_cast<uint32_t>(data[3]) << 8);
    uint32_t count = data[4];
    switch (data[1]) {
        case 0xF3: {
            size_t available = reportLength - kDataOffset;
            if (count > available) {
                platform::debugPrintf("mousesim: write of %u bytes clipped to the report's %zu", count,
                                      available);
                count = static_cast<uint32_t>(available);
            }
            if (address >= kMemorySize) {
                platform::debugPrintf("mousesim: write at 0x%04x beyond the memory ignored", address);
                return false;
            }
            if (address + count > kMemorySize) {
                platform::debugPrintf("mousesim: write at 0x%04x clipped at the end of the memory",
                                      address);
                count = kMemorySize - address;
            }
            if (faults_.dropWrites > 0) {
                --faults_.dropWrites;
                return true;  // acknowledged, never stored
            }
            if (faults_.corruptWrites > 0) {
                --faults_.corruptWrites;
                std::vector<uint8_t> inverted(data + kDataOffset, data + kDataOffset + count);
                for (uint8_t& b : inverted) b = static_cast<uint8_t>(~b);
                writeMemory(address, inverted.data(), count, false);
                return true;
            }
            writeMemory(address, data + kDataOffset, count, false);
            return true;
        }
        case 0xF2:
            readAddress_ = address;
            readCount_ = count;
            readPending_ = true;
            return true;
        case 0xF1:
            ++counters_.commits;
            commitA_ = data[2];
            commitB_ = data[3];
            return true;
        case 0xF5:
            if (data[2] == 0) {
                ++counters_.sessions;
                sessionOpen_ = true;
            } else if (data[2] == 1) {
                sessionOpen_ = false;
            } else {
                platform::debugPrintf("mousesim: session value %u not accepted", data[2]);
                return false;
            }
            return true;
        default:
            platform::debugPrintf("mousesim: command 0x%02x not accepted", data[1]);
            return false;
    }
}

bool MouseMemory::getFeature(uint8_t* data, size_t length) {
    ++counters_.featureReads;
    if (data == nullptr || length == 0) return false;
    uint8_t id = data[0];
    std::memset(data + 1, 0, length - 1);
    if (id != 2 && id != 3) {
        platform::debugPrintf("mousesim: get-feature of report id %u not answered", id);
        return false;
    }
    if (length < 2) return true;
    data[1] = 0xF2;
    if (!readPending_ || length <= kDataOffset) return true;
    size_t room = std::min(length, definedLength(id)) - kDataOffset;
    size_t n = std::min<size_t>(readCount_, room);
    for (size_t i = 0; i < n; ++i) {
        size_t at = static_cast<size_t>(readAddress_) + i;
        data[kDataOffset + i] = at < kMemorySize ? memory_[at] : 0;
    }
    return true;
}

bool MouseMemory::output(const uint8_t* data, size_t length) {
    ++counters_.outputReports;
    if (data == nullptr || length == 0) return false;
    keep(outputs_, data, length);
    return true;
}

bool MouseMemory::poke(uint32_t address, const uint8_t* data, size_t length) {
    if (address > kMemorySize || length > kMemorySize - address) return false;
    writeMemory(address, data, length, true);
    return true;
}

bool MouseMemory::peek(uint32_t address, size_t length, std::vector<uint8_t>& out) const {
    out.clear();
    if (address > kMemorySize || length > kMemorySize - address) return false;
    out.assign(memory_.begin() + address, memory_.begin() + address + length);
    return true;
}

void MouseMemory::writeMemory(uint32_t address, const uint8_t* data, size_t count, bool statusWritable) {
    bool changed = false;
    bool touchesLighting = false;
    bool touchesStatus = false;
    for (size_t i = 0; i < count; ++i) {
        uint32_t at = address + static_cast<uint32_t>(i);
        bool inStatus = at >= kStatusArea && at < kStatusArea + kStatusAreaSize;
        if (inStatus) {
            touchesStatus = true;
            if (!statusWritable) continue;
        }
        if (at >= kLightingMask && at < kStatusArea) touchesLighting = true;
        if (memory_[at] != data[i]) {
            memory_[at] = data[i];
            changed = true;
        }
    }
    // A direct write of the status area wins over the mouse's own bookkeeping.
    if (touchesLighting && !(statusWritable && touchesStatus)) {
        uint64_t before = changes_;
        refreshStatusArea();
        changed = changed || changes_ != before;
    }
    if (changed) ++changes_;
}

// The status area reports the colour of the active lighting record (the one the mask names)
// and that the lighting is on.
void MouseMemory::refreshStatusArea() {
    uint8_t mask = memory_[kLightingMask];
    int record = -1;
    for (int d = 0; d < 5; ++d)
        if (mask == (1u << d)) record = d;
    if (record < 0) return;
    const uint8_t* colour = &memory_[kLightingRecords + 8 * record + 1];
    uint8_t status[4] = {colour[0], colour[1], colour[2], 1};
    if (std::memcmp(&memory_[kStatusArea], status, 4) != 0) {
        std::memcpy(&memory_[kStatusArea], status, 4);
        ++changes_;
    }
}

}  // namespace sim
