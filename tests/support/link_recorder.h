#pragma once
// Collects what a HidDevice reports on its transport threads (collection records, input
// reports) and lets a test wait, bounded, until enough has arrived.
#include "service/device/hid_device.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

namespace testsupport {

struct LinkRecorder {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<CollectionRecord> records;
    std::vector<std::vector<uint8_t>> inputs;

    void record(const CollectionRecord& r) {
        std::lock_guard<std::mutex> lock(mutex);
        records.push_back(r);
        changed.notify_all();
    }
    void input(const uint8_t* data, int length) {
        std::lock_guard<std::mutex> lock(mutex);
        inputs.emplace_back(data, data + length);
        changed.notify_all();
    }
    bool waitRecords(size_t n) {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(10), [&] { return records.size() >= n; });
    }
    bool waitInputs(size_t n) {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(10), [&] { return inputs.size() >= n; });
    }
    std::vector<CollectionRecord> snapshot() {
        std::lock_guard<std::mutex> lock(mutex);
        return records;
    }
    // The device id of the newest record of the usage page (0 when none).
    uint32_t newestId(uint32_t usagePage) {
        auto all = snapshot();
        for (auto it = all.rbegin(); it != all.rend(); ++it)
            if (it->usagePage == usagePage) return it->deviceId & 0xFFFF;
        return 0;
    }
};

}  // namespace testsupport
