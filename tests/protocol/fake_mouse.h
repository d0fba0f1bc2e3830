#pragma once
// A mouse in memory for the protocol tests: records every report and keeps an 8192-byte device
// memory that it updates from memory writes (0xF3) and answers memory reads (0xF2) from, as the
// mouse does. Commits (0xF1) and sessions (0xF5) are counted.
#include <array>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "service/device/hid_device.h"

struct SentReport {
    enum class Kind { Feature, Output, Read };
    Kind kind;
    uint32_t deviceId;
    std::vector<uint8_t> bytes;

    uint8_t command() const { return bytes.size() > 1 ? bytes[1] : 0; }
    uint16_t address() const { return static_cast<uint16_t>(bytes[2] | (bytes[3] << 8)); }
    int count() const { return bytes[4]; }
    const uint8_t* data() const { return bytes.data() + 8; }
};

class FakeMouse : public HidDevice {
public:
    std::array<uint8_t, 8192> memory{};
    std::vector<SentReport> reports;
    DeviceFilter filter{};
    bool filterSet = false;
    bool inputCallbackSet = false;
    bool registerResult = true;
    int closeCalls = 0;
    int sessionsOpened = 0;
    int sessionsClosed = 0;
    std::vector<std::pair<uint8_t, uint8_t>> commits;
    // Reads answered before the mouse stops answering (-1: always answers).
    int readsBeforeFailure = -1;
    bool failSends = false;

    void setFilter(const DeviceFilter& f) override {
        filter = f;
        filterSet = true;
    }
    void setInputCallback(InputCallback) override { inputCallbackSet = true; }
    bool registerLink(LinkCallback) override { return registerResult; }
    void close() override { ++closeCalls; }

    bool sendOutputReport(uint32_t id, const uint8_t* data, int length) override {
        reports.push_back({SentReport::Kind::Output, id, std::vector<uint8_t>(data, data + length)});
        return !failSends;
    }

    bool sendFeatureReport(uint32_t id, const uint8_t* data, int length) override {
        reports.push_back({SentReport::Kind::Feature, id, std::vector<uint8_t>(data, data + length)});
        if (failSends) return false;
        if (length < 8) return true;  // report id 7 commands: recorded only
        const uint16_t addr = static_cast<uint16_t>(data[2] | (data[3] << 8));
        const int count = data[4];
        switch (data[1]) {
        case 0xF3:
            if (addr + count <= static_cast<int>(memory.size()) && 8 + count <= length)
                std::memcpy(memory.data() + addr, data + 8, static_cast<size_t>(count));
            break;
        case 0xF2:
            pendingAddress_ = addr;
            pendingCount_ = count;
            break;
        case 0xF1:
            commits.emplace_back(data[2], data[3]);
            break;
        case 0xF5:
            (data[2] == 0 ? sessionsOpened : sessionsClosed)++;
            break;
        default:
            break;
        }
        return true;
    }

    bool getFeatureReport(uint32_t id, uint8_t* data, int length) override {
        reports.push_back({SentReport::Kind::Read, id, std::vector<uint8_t>(data, data + length)});
        if (readsBeforeFailure == 0) return false;
        if (readsBeforeFailure > 0) --readsBeforeFailure;
        for (int i = 0; i < pendingCount_ && 8 + i < length; ++i)
            data[8 + i] = memory[(pendingAddress_ + i) % memory.size()];
        return true;
    }

    // Memory writes (0xF3 feature reports) in order.
    std::vector<SentReport> writes() const {
        std::vector<SentReport> out;
        for (const SentReport& r : reports)
            if (r.kind == SentReport::Kind::Feature && r.bytes.size() >= 8 && r.command() == 0xF3) out.push_back(r);
        return out;
    }
    std::vector<uint8_t> mem(uint16_t addr, int count) const {
        return std::vector<uint8_t>(memory.begin() + addr, memory.begin() + addr + count);
    }

private:
    uint16_t pendingAddress_ = 0;
    int pendingCount_ = 0;
};
