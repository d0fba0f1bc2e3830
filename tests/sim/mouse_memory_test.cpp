#include "sim/mouse_memory.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<uint8_t> command(uint8_t reportId, uint8_t cmd, uint32_t address, uint8_t count,
                             const std::vector<uint8_t>& data = {}) {
    size_t length = reportId == 2 ? 16 : reportId == 3 ? 64 : 1024;
    std::vector<uint8_t> r(length, 0);
    r[0] = reportId;
    r[1] = cmd;
    r[2] = static_cast<uint8_t>(address);
    r[3] = static_cast<uint8_t>(address >> 8);
    r[4] = count;
    for (size_t i = 0; i < data.size() && 8 + i < length; ++i) r[8 + i] = data[i];
    return r;
}

std::vector<uint8_t> readBack(sim::MouseMemory& m, uint8_t reportId, uint32_t address, uint8_t count) {
    auto req = command(reportId, 0xF2, address, count);
    EXPECT_TRUE(m.setFeature(req.data(), req.size()));
    std::vector<uint8_t> answer(reportId == 2 ? 16 : 64, 0);
    answer[0] = reportId;
    answer[1] = 0xF2;
    EXPECT_TRUE(m.getFeature(answer.data(), answer.size()));
    return answer;
}

TEST(MouseMemory, WriteThenReadAnswersWithHeaderAndZeroPadding) {
    sim::MouseMemory m;
    auto w = command(2, 0xF3, 0x0142, 4, {0x9A, 0x01, 0x26, 0x26});
    ASSERT_TRUE(m.setFeature(w.data(), w.size()));
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(m.peek(0x0142, 4, bytes));
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x9A, 0x01, 0x26, 0x26}));

    auto answer = readBack(m, 2, 0x0141, 5);
    EXPECT_EQ(answer[0], 2);
    EXPECT_EQ(answer[1], 0xF2);
    for (int i = 2; i < 8; ++i) EXPECT_EQ(answer[i], 0) << i;
    EXPECT_EQ((std::vector<uint8_t>(answer.begin() + 8, answer.begin() + 13)),
              (std::vector<uint8_t>{0x00, 0x9A, 0x01, 0x26, 0x26}));
    for (size_t i = 13; i < answer.size(); ++i) EXPECT_EQ(answer[i], 0) << i;

    // The same read answers again until the next read request.
    std::vector<uint8_t> again(16, 0);
    again[0] = 2;
    m.getFeature(again.data(), again.size());
    EXPECT_EQ(again, answer);
    EXPECT_EQ(m.counters().featureReads, 2u);
    EXPECT_EQ(m.counters().featureReports, 2u);
}

TEST(MouseMemory, WritesAreClippedToTheReportAndTheEndOfMemory) {
    sim::MouseMemory m;
    // A count larger than the 8 data bytes of report id 2 writes only what the report carries.
    auto w = command(2, 0xF3, 0x0100, 50, {1, 2, 3, 4, 5, 6, 7, 8});
    ASSERT_TRUE(m.setFeature(w.data(), w.size()));
    std::vector<uint8_t> bytes;
    m.peek(0x0100, 10, bytes);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 0, 0}));

    // A buffer shorter than its report id's length: nothing is read past the buffer.
    std::vector<uint8_t> shortReport = {2, 0xF3, 0x00, 0x02, 8, 0, 0, 0, 0xAA, 0xBB};
    ASSERT_TRUE(m.setFeature(shortReport.data(), shortReport.size()));
    m.peek(0x0200, 3, bytes);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0xAA, 0xBB, 0}));

    // Past the end: clipped at 8192, never beyond.
    auto tail = command(2, 0xF3, 8190, 4, {0x11, 0x22, 0x33, 0x44});
    EXPECT_TRUE(m.setFeature(tail.data(), tail.size()));
    m.peek(8190, 2, bytes);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x11, 0x22}));
    auto outside = command(2, 0xF3, 0xFFF0, 4, {1, 2, 3, 4});
    EXPECT_FALSE(m.setFeature(outside.data(), outside.size()));

    // A read that runs off the end answers zeros for the missing part.
    auto answer = readBack(m, 2, 8190, 4);
    EXPECT_EQ(answer[8], 0x11);
    EXPECT_EQ(answer[9], 0x22);
    EXPECT_EQ(answer[10], 0);
    EXPECT_EQ(answer[11], 0);

    EXPECT_FALSE(m.poke(8190, bytes.data(), 3));
    EXPECT_FALSE(m.peek(8192, 1, bytes));
    EXPECT_TRUE(m.peek(8192, 0, bytes));
}

TEST(MouseMemory, MacroReportWritesTwoHundredBytesAndReadsBackInFifties) {
    sim::MouseMemory m;
    std::vector<uint8_t> events(200);
    for (int i = 0; i < 200; ++i) events[i] = static_cast<uint8_t>(i + 1);
    uint32_t slot3 = 0x0478 + 200 * 3;
    auto w = command(4, 0xF3, slot3, 0xC8, events);
    ASSERT_EQ(w.size(), 1024u);
    ASSERT_TRUE(m.setFeature(w.data(), w.size()));
    std::vector<uint8_t> got;
    for (int k = 0; k < 4; ++k) {
        auto answer = readBack(m, 3, slot3 + 50 * k, 50);
        got.insert(got.end(), answer.begin() + 8, answer.begin() + 58);
        for (size_t i = 58; i < 64; ++i) EXPECT_EQ(answer[i], 0);
    }
    EXPECT_EQ(got, events);
    std::vector<uint8_t> around;
    m.peek(slot3 - 1, 1, around);
    EXPECT_EQ(around[0], 0);
    m.peek(slot3 + 200, 1, around);
    EXPECT_EQ(around[0], 0);
}

TEST(MouseMemory, CountsSessionsCommitsLegacyAndOutputReports) {
    sim::MouseMemory m;
    auto open = command(2, 0xF5, 0, 0);
    auto close = command(2, 0xF5, 1, 0);
    auto commit = command(2, 0xF1, 0x0402, 0);  // pair (0x02, 0x04)
    m.setFeature(open.data(), open.size());
    EXPECT_TRUE(m.sessionOpen());
    m.setFeature(commit.data(), commit.size());
    m.setFeature(close.data(), close.size());
    EXPECT_FALSE(m.sessionOpen());
    EXPECT_EQ(m.counters().sessions, 1u);
    EXPECT_EQ(m.counters().commits, 1u);
    EXPECT_EQ(m.lastCommitA(), 0x02);
    EXPECT_EQ(m.lastCommitB(), 0x04);

    uint8_t legacy[8] = {7, 4, 1, 0x40, 0, 0, 0, 0};
    EXPECT_TRUE(m.setFeature(legacy, 8));
    for (int i = 0; i < 300; ++i) {
        uint8_t out[8] = {static_cast<uint8_t>(i), 1, 2, 3, 4, 5, 6, 7};
        EXPECT_TRUE(m.output(out, 8));
    }
    EXPECT_EQ(m.counters().featureReports, 4u);
    EXPECT_EQ(m.counters().outputReports, 300u);
    ASSERT_EQ(m.legacyHistory().size(), 1u);
    EXPECT_EQ(m.legacyHistory().back()[3], 0x40);
    EXPECT_EQ(m.outputHistory().size(), sim::kKeptReports);  // bounded
    EXPECT_EQ(m.outputHistory().back()[0], static_cast<uint8_t>(299));

    // Unknown report ids and commands are refused but counted; memory stays untouched.
    uint64_t changes = m.changeCount();
    uint8_t unknownId[16] = {9, 0xF3, 0, 0, 1, 0, 0, 0, 0x55};
    EXPECT_FALSE(m.setFeature(unknownId, 16));
    auto unknownCmd = command(2, 0xF7, 0, 1, {0x55});
    EXPECT_FALSE(m.setFeature(unknownCmd.data(), unknownCmd.size()));
    uint8_t tiny[3] = {2, 0xF3, 0};
    EXPECT_FALSE(m.setFeature(tiny, 3));
    EXPECT_EQ(m.changeCount(), changes);
    EXPECT_EQ(m.counters().featureReports, 7u);

    m.resetCounters();
    EXPECT_EQ(sim::formatCounters(m.counters()),
              "feature_reports 0\noutput_reports 0\nfeature_reads 0\nsessions 0\ncommits 0\n");
}

TEST(MouseMemory, StatusAreaFollowsTheActiveLightingRecordAndIsReadOnlyToWrites) {
    sim::MouseMemory m;
    auto mask = command(2, 0xF3, 0x0446, 1, {0x02});
    auto record1 = command(2, 0xF3, 0x0450, 4, {0x83, 0x10, 0x20, 0x00});
    m.setFeature(mask.data(), mask.size());
    m.setFeature(record1.data(), record1.size());
    auto answer = readBack(m, 2, 0x0471, 7);
    EXPECT_EQ(answer[8], 0x10);
    EXPECT_EQ(answer[9], 0x20);
    EXPECT_EQ(answer[10], 0x00);
    EXPECT_EQ(answer[11], 1);

    auto overwrite = command(2, 0xF3, 0x0470, 3, {0x77, 0x99, 0x99});
    m.setFeature(overwrite.data(), overwrite.size());
    std::vector<uint8_t> bytes;
    m.peek(0x0470, 3, bytes);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x77, 0x10, 0x20}));

    uint8_t poked[4] = {1, 2, 3, 0};
    ASSERT_TRUE(m.poke(0x0471, poked, 4));  // programmed elsewhere: taken as given
    m.peek(0x0471, 4, bytes);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{1, 2, 3, 0}));
}

TEST(MouseMemory, GetFeatureOfOtherReportIdsIsRefusedWithAZeroedBuffer) {
    sim::MouseMemory m;
    std::vector<uint8_t> buffer(16, 0xCC);
    buffer[0] = 7;
    EXPECT_FALSE(m.getFeature(buffer.data(), buffer.size()));
    EXPECT_EQ(buffer[0], 7);
    for (size_t i = 1; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], 0);
    // No read requested yet: the answer is the header alone.
    std::vector<uint8_t> fresh(16, 0xCC);
    fresh[0] = 2;
    EXPECT_TRUE(m.getFeature(fresh.data(), fresh.size()));
    EXPECT_EQ(fresh[1], 0xF2);
    for (size_t i = 2; i < fresh.size(); ++i) EXPECT_EQ(fresh[i], 0);
}

}  // namespace

namespace {

TEST(MouseMemory, FaultsDropOrInvertTheNextWritesAndThenStop) {
    struct Case {
        const char* what;
        sim::Faults faults;
        std::vector<uint8_t> first, second;  // 0x0020 after the first and the second write
    };
    const Case cases[] = {
        {"no fault", {}, {0x11, 0x22}, {0x33, 0x44}},
        {"drop one", {1, 0, false}, {0x00, 0x00}, {0x33, 0x44}},
        {"corrupt one", {0, 1, false}, {0xEE, 0xDD}, {0x33, 0x44}},
        {"drop before corrupt", {1, 1, false}, {0x00, 0x00}, {0xCC, 0xBB}},
    };
    for (const Case& c : cases) {
        sim::MouseMemory m;
        m.faults() = c.faults;
        std::vector<uint8_t> bytes;
        auto w1 = command(2, 0xF3, 0x0020, 2, {0x11, 0x22});
        EXPECT_TRUE(m.setFeature(w1.data(), w1.size())) << c.what;  // acknowledged either way
        m.peek(0x0020, 2, bytes);
        EXPECT_EQ(bytes, c.first) << c.what;
        auto w2 = command(2, 0xF3, 0x0020, 2, {0x33, 0x44});
        m.setFeature(w2.data(), w2.size());
        m.peek(0x0020, 2, bytes);
        EXPECT_EQ(bytes, c.second) << c.what;
        EXPECT_EQ(m.faults(), sim::Faults{}) << c.what;  // counted down to nothing
    }
    // Reads and other commands do not use up a write fault.
    sim::MouseMemory m;
    m.faults().dropWrites = 1;
    readBack(m, 2, 0x0020, 2);
    auto commit = command(2, 0xF1, 0x0102, 0);
    m.setFeature(commit.data(), commit.size());
    EXPECT_EQ(m.faults().dropWrites, 1u);
}

}  // namespace
