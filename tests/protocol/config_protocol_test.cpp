#include <gtest/gtest.h>

#include <cstring>

#include "service/device/report_transform.h"
#include "tests/protocol/protocol_fixture.h"

using Bytes = std::vector<uint8_t>;

namespace {

bool isCommit(const SentReport& r, uint8_t a, uint8_t b) {
    return r.kind == SentReport::Kind::Feature && r.bytes.size() == 16 && r.bytes[0] == 2 && r.command() == 0xF1 &&
           r.bytes[2] == a && r.bytes[3] == b;
}

}  // namespace

TEST_F(ProtocolTest, LightingOffUsesTheFifthRecordWithTheModesParameters) {
    settings->LedStateOn = 0;
    settings->LedMode = 2;
    settings->LedColor = 0x00FF0080;
    settings->ledModes[1] = {1, 2, 5};
    ASSERT_TRUE(config->writeLighting());
    EXPECT_EQ(mouse.mem(0x0446, 1), Bytes{16});
    EXPECT_EQ(mouse.mem(0x0468, 4), (Bytes{0x85, 0x80, 0x00, 0xFF}));
    EXPECT_EQ(mouse.mem(0x046D, 1), Bytes{4});  // 9 - rate 5
    EXPECT_EQ(mouse.mem(0x046F, 1), Bytes{1});  // level 2 - 1
    ASSERT_FALSE(mouse.reports.empty());
    EXPECT_TRUE(isCommit(mouse.reports.back(), 0x02, 0x04));
    EXPECT_EQ(mouse.reports.front().deviceId, kConfigId);
}

TEST_F(ProtocolTest, LightingModeOutsideTheSixModesTakesTheFirstRecord) {
    settings->LedMode = -1;
    settings->LedColor = 0x0000FF00;
    settings->ledModes[0] = {0, 3, 12};
    settings->ledModes[5] = {0, 1, 1};
    ASSERT_TRUE(config->writeLighting());
    EXPECT_EQ(mouse.mem(0x0446, 1), Bytes{1});
    EXPECT_EQ(mouse.mem(0x0448, 4), (Bytes{0x82, 0x00, 0xFF, 0x00}));
    EXPECT_EQ(mouse.mem(0x044D, 1), Bytes{1});  // rate 12 taken as 8
    EXPECT_EQ(settings->ledModes[0].rate, 8);   // and kept in the record
    EXPECT_EQ(mouse.mem(0x044F, 1), Bytes{2});

    settings->LedMode = 6;
    settings->LedStateOn = 1;
    settings->ledModes[5] = {0, 9, -1};  // rate -1 counts as huge, level out of range
    ASSERT_TRUE(config->writeLighting());
    EXPECT_EQ(mouse.mem(0x0446, 1), Bytes{16});
    EXPECT_EQ(mouse.mem(0x0468, 1), Bytes{0x80});  // modes 1, 4, 5, 6: flags alone
    EXPECT_EQ(mouse.mem(0x046D, 1), Bytes{1});
    EXPECT_EQ(mouse.mem(0x046F, 1), Bytes{3});
}

TEST_F(ProtocolTest, DpiStagesGoToAllFiveBlocks) {
    settings->dpiStages[6] = {0, 320, 7, 9};
    settings->dpiStages[2] = {1, 5, 100, 300};
    ASSERT_TRUE(config->writeDpiStage(6, false));
    ASSERT_TRUE(config->writeDpiStage(2, true));
    for (uint16_t base : devmap::kProfileBase) {
        EXPECT_EQ(mouse.mem(base + 4 + 36, 5), (Bytes{0x01, 0x40, 0x01, 0x40, 0x01}));
        EXPECT_EQ(mouse.mem(base + 4 + 12, 5), (Bytes{0x01, 100, 0, 0x2C, 0x01}));
    }
    EXPECT_EQ(mouse.commits, (std::vector<std::pair<uint8_t, uint8_t>>{{2, 2}}));
}

TEST_F(ProtocolTest, SmallWritesUseTheirReportShapes) {
    settings->WheelScrollLines = 3;
    settings->PollingRate = 0x104;
    settings->Profile = 3;
    settings->DPI = 5;
    settings->LiftV = 0x7F;
    settings->AngleV = 0x80;
    ASSERT_TRUE(config->writeWheelLines());
    ASSERT_TRUE(config->writePollingRate(true));
    ASSERT_TRUE(config->writeDpiStageIndex(false));
    ASSERT_TRUE(config->writeLiftAngle(false));
    ASSERT_TRUE(config->writeProfile(true));

    const SentReport& wheel = mouse.reports[0];
    EXPECT_EQ(wheel.bytes.size(), 64u);
    EXPECT_EQ(wheel.bytes[0], 3);
    EXPECT_EQ(wheel.count(), 10);
    EXPECT_EQ(mouse.mem(0x0020, 10), (Bytes{3, 0, 3, 0, 3, 0, 3, 0, 3, 0}));
    EXPECT_TRUE(isCommit(mouse.reports[1], 0x01, 0x01));
    EXPECT_EQ(mouse.mem(0x0032, 6), (Bytes{4, 0, 4, 0, 4, 0}));
    EXPECT_EQ(mouse.mem(0x0038, 4), (Bytes{4, 0, 4, 0}));
    EXPECT_EQ(mouse.mem(0x0262, 1), Bytes{5});
    EXPECT_EQ(mouse.mem(0x002A, 1), Bytes{0xFF});
    EXPECT_EQ(mouse.mem(0x002C, 2), (Bytes{3, 0}));
    EXPECT_EQ(mouse.commits, (std::vector<std::pair<uint8_t, uint8_t>>{{1, 1}, {2, 8}, {2, 1}}));
    for (const SentReport& r : mouse.reports) {
        if (r.bytes[0] == 2) {
            EXPECT_EQ(r.bytes.size(), 16u);
        }
        for (size_t i = 5; i < 8; ++i) EXPECT_EQ(r.bytes[i], 0);
    }
}

TEST_F(ProtocolTest, SendAllOrderAndCount) {
    link.setLinked(false);
    EXPECT_FALSE(config->sendAll());
    EXPECT_TRUE(mouse.reports.empty());

    link.setLinked(true);
    ASSERT_TRUE(config->sendAll());
    // 103 reports, and 17 more for the parameters of every lighting mode in its own record.
    ASSERT_EQ(mouse.reports.size(), 120u);
    EXPECT_EQ(config->stats().featureReports, 120u);
    EXPECT_EQ(config->stats().waitedMs, 0u);
    const SentReport& first = mouse.reports.front();
    EXPECT_EQ(first.command(), 0xF3);
    EXPECT_EQ(first.address(), 0x003E);
    EXPECT_EQ(first.count(), 2);
    EXPECT_EQ(first.data()[0], 1);
    EXPECT_EQ(first.data()[1], 0);
    const size_t n = mouse.reports.size();
    EXPECT_TRUE(isCommit(mouse.reports[n - 3], 2, 1));
    EXPECT_TRUE(isCommit(mouse.reports[n - 2], 2, 2));
    EXPECT_TRUE(isCommit(mouse.reports[n - 1], 2, 1));
    EXPECT_EQ(mouse.mem(0x0040 + 0xAA, 2), (Bytes{0xFF, 0xFF}));
    EXPECT_EQ(mouse.mem(0x0310 + 0xAA, 2), (Bytes{0xFF, 0xFF}));
    // Profile 4, button 8: LED mode switch.
    EXPECT_EQ(mouse.mem(0x0310 + 0x42 + 32, 4), (Bytes{0x9B, 0x08, 0, 0}));
    EXPECT_EQ(mouse.sessionsOpened, 0);  // the caller brackets it
}

TEST_F(ProtocolTest, ButtonWriteInsideASessionWithItsTrailers) {
    settings->profiles[2].buttons[4].code = 15;
    settings->profiles[2].buttons[4].param1 = 4;
    config->openSession();
    ASSERT_TRUE(config->writeButton(2, 4));
    ASSERT_TRUE(config->writeTrailers(devmap::kAllTrailers));
    config->closeSession();

    ASSERT_EQ(mouse.reports.size(), 8u);
    EXPECT_EQ(mouse.reports[0].command(), 0xF5);
    EXPECT_EQ(mouse.reports[0].bytes[2], 0);
    EXPECT_EQ(mouse.reports[1].address(), 0x01B0 + 0x42 + 16);
    EXPECT_EQ(mouse.mem(0x0202, 4), (Bytes{0x9A, 0x01, 0x26, 0x26}));
    const uint16_t trailers[] = {0x00EA, 0x01AA, 0x025A, 0x030A, 0x03BA};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(mouse.reports[2 + i].address(), trailers[i]);
    EXPECT_EQ(mouse.reports[7].command(), 0xF5);
    EXPECT_EQ(mouse.reports[7].bytes[2], 1);
    EXPECT_EQ(config->stats().waitedMs, 200u);
}

TEST_F(ProtocolTest, OutOfRangeRequestsSendNothing) {
    EXPECT_FALSE(config->writeButton(5, 0));
    EXPECT_FALSE(config->writeButton(-1, 0));
    EXPECT_FALSE(config->writeButton(0, 11));
    EXPECT_TRUE(config->writeButton(0, 9));  // records 9 and 10 are not on the mouse
    EXPECT_FALSE(config->writeTrailers(5));
    EXPECT_FALSE(config->writeDpiStage(7, true));
    EXPECT_FALSE(config->writeDpiStage(-1, true));
    // A stored stage index past the seven stages never reaches the mouse, which indexes with it.
    for (int stage : {7, 255, -1}) {
        settings->DPI = stage;
        EXPECT_FALSE(config->writeDpiStageIndex(true)) << stage;
    }
    EXPECT_TRUE(mouse.reports.empty());
}

TEST_F(ProtocolTest, ReadBackReturnsWhatAFullWriteStored) {
    MouseSettings& s = *settings;
    s.Profile = 3;
    s.PollingRate = 4;
    s.DPI = 2;
    s.LiftV = 1;
    s.AngleV = 0x80;
    s.LedMode = 2;
    s.ledModes[1] = {2, 2, 5};
    s.dpiStages[2] = {1, 100, 100, 300};
    ButtonRecord& rapid = s.profiles[1].buttons[4];
    rapid.code = 101;
    rapid.byte(2) = 2;
    rapid.byte(3) = 95;
    rapid.byte(5) = 40;
    s.profiles[4].buttons[8].code = 70;
    s.profiles[2].buttons[0].code = 5;
    s.profiles[2].buttons[0].byte(5) = 0x2C;
    ASSERT_TRUE(config->sendAll());
    const uint8_t state[4] = {0x10, 0x20, 0x30, 1};  // the mouse's own colour and on-byte
    std::memcpy(mouse.memory.data() + 0x0471, state, 4);

    auto back = std::make_unique<MouseSettings>();
    fillSettings(*back);
    DeviceConfig reader(mouse, link, *back);
    reader.setWaitFunction([](int) {});
    int slotsRead = 0;
    reader.setMacroHooks({nullptr, [&](int) { ++slotsRead; return true; }});
    ASSERT_TRUE(reader.queryAll());
    EXPECT_EQ(slotsRead, 20);
    EXPECT_EQ(back->Profile, 3);
    EXPECT_EQ(back->PollingRate, 4);
    EXPECT_EQ(back->DPI, 2);
    EXPECT_EQ(back->LiftV, 1);
    EXPECT_EQ(back->AngleV, 0x80);
    EXPECT_EQ(back->LedMode, 2);
    EXPECT_EQ(back->LedColor, 0x302010);
    EXPECT_EQ(back->LedStateOn, 1);
    EXPECT_EQ(back->ledModes[1].rate, 5);
    EXPECT_EQ(back->ledModes[1].level, 2);
    EXPECT_EQ(back->dpiStages[6].common, 320);
    EXPECT_EQ(back->dpiStages[6].separate, 0);
    EXPECT_EQ(back->dpiStages[2].x, 100);
    EXPECT_EQ(back->dpiStages[2].y, 300);
    EXPECT_EQ(back->dpiStages[2].separate, 1);
    for (int p = 0; p < kProfileCount; ++p)
        for (int b = 0; b < kDeviceButtonCount; ++b)
            EXPECT_EQ(back->profiles[p].buttons[b].code, s.profiles[p].buttons[b].code) << p << " " << b;
    EXPECT_EQ(back->profiles[1].buttons[4].byte(3), 90);
    EXPECT_EQ(back->profiles[1].buttons[4].byte(5), 40);
    EXPECT_EQ(back->profiles[2].buttons[0].byte(5), 0x2C);
    EXPECT_EQ(mouse.sessionsOpened, 22);
    EXPECT_EQ(mouse.sessionsClosed, 22);
}

TEST_F(ProtocolTest, FailedReadsLeaveTheRecordAlone) {
    ASSERT_TRUE(config->sendAll());
    auto before = std::make_unique<MouseSettings>(*settings);
    auto same = [&] { return std::memcmp(before.get(), settings.get(), sizeof(MouseSettings)) == 0; };
    int slotsRead = 0;
    config->setMacroHooks({nullptr, [&](int n) { ++slotsRead; return n != 3; }});

    // The mouse stops answering during the settings reads.
    mouse.readsBeforeFailure = 3;
    EXPECT_FALSE(config->queryAll());
    EXPECT_TRUE(same());
    EXPECT_EQ(slotsRead, 0);
    EXPECT_EQ(mouse.sessionsOpened, mouse.sessionsClosed);
    EXPECT_EQ(mouse.reports.back().command(), 0xF5);

    // A macro slot cannot be read: no further slots, no buttons.
    mouse.readsBeforeFailure = -1;
    EXPECT_FALSE(config->queryAll());
    EXPECT_EQ(slotsRead, 4);
    EXPECT_TRUE(same());

    // The button reads fail.
    config->setMacroHooks({nullptr, [](int) { return true; }});
    mouse.readsBeforeFailure = 19 + 10;
    EXPECT_FALSE(config->queryAll());
    EXPECT_TRUE(same());
    EXPECT_EQ(mouse.sessionsOpened, mouse.sessionsClosed);

    // Nothing reaches the mouse at all.
    mouse.readsBeforeFailure = -1;
    mouse.failSends = true;
    EXPECT_FALSE(config->queryAll());
    EXPECT_TRUE(same());
}

TEST_F(ProtocolTest, LegacyUploadIsSkippedWithoutTheTransform) {
    EXPECT_FALSE(config->legacyButtonUpload());
    ReportTransform missing;
    EXPECT_FALSE(missing.load(root + "/no-such-plugin.so"));
    EXPECT_FALSE(missing.load("libm.so.6"));  // loads, but has no such export
    EXPECT_FALSE(missing.available());
    uint8_t nine[9] = {0, 1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_FALSE(missing.apply(nine));
    EXPECT_EQ(nine[1], 1);
    config->setReportTransform(&missing);
    EXPECT_FALSE(config->legacyButtonUpload());
    EXPECT_TRUE(mouse.reports.empty());
}

TEST_F(ProtocolTest, LegacyUploadTables) {
    ReportTransform transform;
    transform.setFunction([](unsigned char* b) {
        for (int i = 1; i < 9; ++i) b[i] ^= 0x5A;
    });
    config->setReportTransform(&transform);
    ProfileGroup& g = settings->profiles[0];
    g.buttons[0].code = 1;
    g.buttons[1].code = 12;
    g.buttons[2].code = 70;
    g.buttons[3].code = 6;  // macro button claiming 200 x 2 bytes: cut to the block
    g.buttons[3].byte(2) = 3;
    g.buttons[3].byte(3) = 200;
    for (int i = 4; i < 124; ++i) g.buttons[3].byte(i) = static_cast<uint8_t>(i);
    g.buttons[10].code = 5;
    g.buttons[10].byte(5) = 0x2C;

    ASSERT_TRUE(config->legacyButtonUpload());
    ASSERT_EQ(mouse.reports.size(), 1u + 8u + 1u + 192u);
    EXPECT_EQ(mouse.reports[0].bytes, (Bytes{0x07, 0x04, 0x01, 0x40, 0, 0, 0, 0}));
    EXPECT_EQ(mouse.reports[0].deviceId, kConfigId);

    Bytes words;
    for (int k = 0; k < 8; ++k) {
        const SentReport& r = mouse.reports[1 + k];
        EXPECT_EQ(r.kind, SentReport::Kind::Output);
        EXPECT_EQ(r.deviceId, kConsumerId);
        for (uint8_t b : r.bytes) words.push_back(b ^ 0x5A);
    }
    EXPECT_EQ(Bytes(words.begin(), words.begin() + 16),
              (Bytes{0, 0xF0, 0, 0, 0x71, 1, 0, 0, 0x53, 0, 2, 0x0A, 0x53, 0, 3, 96}));
    EXPECT_EQ(Bytes(words.begin() + 56, words.begin() + 60), (Bytes{0x53, 0, 0x0E, 6}));  // button 10 -> slot 14

    const SentReport& tail = mouse.reports[9];
    EXPECT_EQ(tail.kind, SentReport::Kind::Feature);
    EXPECT_EQ(tail.bytes, (Bytes{0x07 ^ 0x5A, 0x05 ^ 0x5A, 0x01 ^ 0x5A, 0x5A, 0x06 ^ 0x5A, 0x5A, 0x5A, 0x5A}));

    Bytes blocks;
    for (size_t i = 10; i < mouse.reports.size(); ++i)
        blocks.insert(blocks.end(), mouse.reports[i].bytes.begin(), mouse.reports[i].bytes.end());
    ASSERT_EQ(blocks.size(), 1536u);
    EXPECT_EQ(Bytes(blocks.begin() + 2 * 96, blocks.begin() + 2 * 96 + 10),
              (Bytes{0, 1, 0, 0xE0, 0, 0x11, 0x80, 0x11, 0x80, 0xE0}));
    EXPECT_EQ(blocks[3 * 96 + 1], 3);
    EXPECT_EQ(blocks[3 * 96 + 2], 4);
    EXPECT_EQ(blocks[3 * 96 + 95], 97);  // the last byte the block holds
    EXPECT_EQ(blocks[4 * 96], 0);        // the next block stays empty
    EXPECT_EQ(Bytes(blocks.begin() + 14 * 96, blocks.begin() + 14 * 96 + 6), (Bytes{0, 1, 0, 0x2C, 0x80, 0x2C}));
    EXPECT_EQ(config->stats().waitedMs, 2000u);
}

TEST_F(ProtocolTest, MacroButtonWriteRunsTheAssignment) {
    int assignments = 0;
    config->setMacroHooks({[&] { ++assignments; return true; }, nullptr});
    settings->profiles[1].buttons[2].code = 6;
    EXPECT_TRUE(config->writeButton(1, 2));
    EXPECT_EQ(assignments, 1);
    EXPECT_TRUE(mouse.reports.empty());  // the assignment writes the button itself
    config->setMacroHooks({});
    EXPECT_FALSE(config->writeButton(1, 2));
}

TEST_F(ProtocolTest, MissingTransformIsReportedOnce) {
    ReportTransform missing;
    missing.load(root + "/HIDApi.so");
    config->setReportTransform(&missing);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(config->legacyButtonUpload());
    EXPECT_FALSE(config->legacyButtonUpload());
    const std::string err = testing::internal::GetCapturedStderr();
    size_t lines = 0;
    for (size_t pos = err.find("missing"); pos != std::string::npos; pos = err.find("missing", pos + 1)) ++lines;
    EXPECT_EQ(lines, 1u) << err;
    EXPECT_TRUE(mouse.reports.empty());
}
