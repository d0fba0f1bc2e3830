#include "service/device/write_verification.h"

#include <cstdio>

namespace verify {

void WrittenBytes::record(uint16_t address, const uint8_t* data, int count) {
    for (int i = 0; i < count; ++i) {
        const uint32_t at = static_cast<uint32_t>(address) + static_cast<uint32_t>(i);
        if (at > 0xFFFF) break;  // the 16-bit address of the command cannot reach further
        if (at >= kStatusArea && at < static_cast<uint32_t>(kStatusArea + kStatusAreaSize)) continue;
        bytes_[static_cast<uint16_t>(at)] = data[i];
    }
}

std::vector<ReadWindow> WrittenBytes::plan() const {
    // Greedy from the lowest written byte: each window starts at the first byte the previous one
    // left out, which gives the fewest windows of fixed size that cover them all.
    std::vector<ReadWindow> windows;
    auto it = bytes_.begin();
    while (it != bytes_.end()) {
        const uint32_t start = it->first;
        uint32_t last = start;
        while (it != bytes_.end() && it->first < start + kMaxReadBytes) {
            last = it->first;
            ++it;
        }
        windows.push_back({static_cast<uint16_t>(start), static_cast<int>(last - start + 1)});
    }
    return windows;
}

int WrittenBytes::firstMismatch(const ReadWindow& window, const uint8_t* got) const {
    auto it = bytes_.lower_bound(window.address);
    const uint32_t end = static_cast<uint32_t>(window.address) + static_cast<uint32_t>(window.count);
    for (; it != bytes_.end() && it->first < end; ++it)
        if (got[it->first - window.address] != it->second) return it->first;
    return -1;
}

uint8_t WrittenBytes::at(uint16_t address) const {
    auto it = bytes_.find(address);
    return it == bytes_.end() ? 0 : it->second;
}

Result verifyWrittenBytes(const WrittenBytes& written, const ReadFunction& read) {
    Result result;
    for (const ReadWindow& w : written.plan()) {
        uint8_t got[kMaxReadBytes] = {};
        ++result.reads;
        if (!read(w.address, got, w.count)) {
            result.outcome = Outcome::NoAnswer;
            result.address = w.address;
            return result;
        }
        const int at = written.firstMismatch(w, got);
        if (at >= 0) {
            result.outcome = Outcome::Mismatch;
            result.address = at;
            result.read = got[at - w.address];
            result.wrote = written.at(static_cast<uint16_t>(at));
            return result;
        }
    }
    return result;
}

std::string describe(const Result& r) {
    char line[160];
    switch (r.outcome) {
        case Outcome::Verified:
            std::snprintf(line, sizeof line, "verified (%d reads)", r.reads);
            break;
        case Outcome::Mismatch:
            std::snprintf(line, sizeof line, "the mouse holds %02x at 0x%04x where %02x was written", r.read,
                          r.address, r.wrote);
            break;
        case Outcome::NoAnswer:
            std::snprintf(line, sizeof line, "the mouse did not answer the read-back at 0x%04x", r.address);
            break;
    }
    return line;
}

}  // namespace verify
