#pragma once
// Shared pieces of the end-to-end tests: a fixture with the mouse and the service running and
// read back, and helpers to compare memory images.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/event_loop.h"
#include "platform/message_bus.h"
#include "service/device/config_protocol.h"
#include "tests/service/harness.h"

namespace e2e {

inline std::vector<uint8_t> bytes(std::initializer_list<int> values) {
    std::vector<uint8_t> out;
    for (int v : values) out.push_back(static_cast<uint8_t>(v));
    return out;
}

inline std::vector<uint8_t> repeat(std::vector<uint8_t> unit, int times) {
    std::vector<uint8_t> out;
    for (int i = 0; i < times; ++i) out.insert(out.end(), unit.begin(), unit.end());
    return out;
}

inline uint64_t delta(const std::map<std::string, uint64_t>& before, const std::map<std::string, uint64_t>& after,
                      const std::string& name) {
    auto b = before.find(name);
    auto a = after.find(name);
    if (a == after.end()) return ~0ull;
    return a->second - (b == before.end() ? 0 : b->second);
}

struct Range {
    uint32_t address;
    uint32_t length;
};

// Addresses whose byte differs between the two images and lies outside every allowed range.
inline std::vector<uint32_t> changedOutside(const std::vector<uint8_t>& before, const std::vector<uint8_t>& after,
                                            const std::vector<Range>& allowed) {
    std::vector<uint32_t> stray;
    if (before.size() != after.size()) return {0xFFFFFFFF};
    for (uint32_t a = 0; a < before.size(); ++a) {
        if (before[a] == after[a]) continue;
        bool ok = false;
        for (const Range& r : allowed) ok = ok || (a >= r.address && a < r.address + r.length);
        if (!ok) stray.push_back(a);
    }
    return stray;
}

inline std::vector<Range> trailerRanges() {
    std::vector<Range> out;
    for (uint16_t base : devmap::kProfileBase) out.push_back({static_cast<uint32_t>(base + devmap::kTrailerOffset), 2});
    return out;
}

// The mouse and the service are running, the start-up read-back is done and the settings file
// holds the mouse's configuration.
class ServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(h.ready());
        ASSERT_TRUE(h.installSettings());
        ASSERT_TRUE(h.startMouse());
        ASSERT_TRUE(h.startService()) << h.serviceLog();
    }

    // The service ends cleanly, and neither program reported a sanitizer finding on the way.
    void TearDown() override {
        if (h.serviceRunning()) {
            EXPECT_EQ(h.stopService(), 0) << h.serviceLog();
        }
        for (const std::string& log : {h.serviceLog(), readFile(h.root() + "/mousesim.log")}) {
            EXPECT_EQ(log.find("Sanitizer"), std::string::npos) << log;
            EXPECT_EQ(log.find("runtime error"), std::string::npos) << log;
        }
    }

    // The whole memory of the mouse.
    std::vector<uint8_t> image() { return h.dump(0, 8192); }

    Harness h;
};

}  // namespace e2e
