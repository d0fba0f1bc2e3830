// The read-back plan of verified writes: which windows are read, which bytes are compared, and
// how a differing or unanswered read is reported.
#include "service/device/write_verification.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using verify::ReadWindow;

struct Write {
    uint16_t address;
    std::vector<uint8_t> data;
};

verify::WrittenBytes record(const std::vector<Write>& writes) {
    verify::WrittenBytes w;
    for (const Write& x : writes) w.record(x.address, x.data.data(), static_cast<int>(x.data.size()));
    return w;
}

TEST(WriteVerification, PlanCoversEveryWrittenByteWithFewestWindows) {
    struct Case {
        const char* what;
        std::vector<Write> writes;
        std::vector<ReadWindow> plan;
    };
    const std::vector<uint8_t> slot(200, 7);
    const Case cases[] = {
        {"nothing written", {}, {}},
        {"one byte", {{0x002A, {1}}}, {{0x002A, 1}}},
        {"nearby writes share a window up to the last written byte",
         {{0x0032, {2, 0, 2, 0, 2, 0}}, {0x0038, {2, 0, 2, 0}}, {0x003E, {1, 0}}}, {{0x0032, 14}}},
        {"a window never holds more than one read", {{0x0100, std::vector<uint8_t>(60, 1)}},
         {{0x0100, 56}, {0x0138, 4}}},
        {"a macro slot in four reads", {{0x0478, slot}}, {{0x0478, 56}, {0x04B0, 56}, {0x04E8, 56}, {0x0520, 32}}},
        {"the read-only status area is never compared", {{0x046E, std::vector<uint8_t>(12, 3)}},
         {{0x046E, 12}}},
        {"only status bytes: nothing to read", {{0x0471, std::vector<uint8_t>(7, 3)}}, {}},
        {"far apart: one window each", {{0x0020, {1}}, {0x0446, {2}}}, {{0x0020, 1}, {0x0446, 1}}},
    };
    for (const Case& c : cases) {
        const verify::WrittenBytes w = record(c.writes);
        EXPECT_EQ(w.plan(), c.plan) << c.what;
    }
    // The status area inside a window is read but not compared.
    const verify::WrittenBytes w = record({{0x046E, std::vector<uint8_t>(12, 3)}});
    EXPECT_EQ(w.size(), 5u);
}

TEST(WriteVerification, ComparesWhatWasLastWrittenAndStopsAtTheFirstProblem) {
    // The same address written twice: the later value is the one the mouse must hold.
    const verify::WrittenBytes w = record({{0x0040, {1, 2, 3}}, {0x0041, {9}}, {0x0200, {5}}});
    uint8_t memory[0x300] = {};
    const uint8_t good[] = {1, 9, 3};
    std::memcpy(memory + 0x40, good, 3);
    memory[0x200] = 5;
    int reads = 0;
    bool answer = true;
    auto read = [&](uint16_t address, uint8_t* out, int count) {
        ++reads;
        std::memcpy(out, memory + address, static_cast<size_t>(count));
        return answer;
    };

    verify::Result r = verify::verifyWrittenBytes(w, read);
    EXPECT_EQ(r.outcome, verify::Outcome::Verified);
    EXPECT_EQ(r.reads, 2);

    memory[0x41] = 2;  // the first value of the address, as if the second write was lost
    r = verify::verifyWrittenBytes(w, read);
    EXPECT_EQ(r.outcome, verify::Outcome::Mismatch);
    EXPECT_EQ(r.address, 0x41);
    EXPECT_EQ(r.wrote, 9);
    EXPECT_EQ(r.read, 2);
    EXPECT_EQ(r.reads, 1);  // stops at the first window that differs
    EXPECT_EQ(verify::describe(r), "the mouse holds 02 at 0x0041 where 09 was written");

    memory[0x41] = 9;
    answer = false;
    r = verify::verifyWrittenBytes(w, read);
    EXPECT_EQ(r.outcome, verify::Outcome::NoAnswer);
    EXPECT_EQ(r.address, 0x40);
    EXPECT_EQ(verify::describe(r), "the mouse did not answer the read-back at 0x0040");
}

}  // namespace
