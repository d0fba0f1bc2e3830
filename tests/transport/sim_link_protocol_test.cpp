#include "service/device/sim_link_protocol.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using namespace simlink;

TEST(SimLinkProtocol, FramesSurviveArbitrarySplitting) {
    std::vector<uint8_t> stream;
    Transfer t{42, 0x0002, {2, 0xF3, 0x2C, 0, 2, 0, 0, 0, 3, 0}};
    auto a = encodeFrame(FrameType::SetFeature, encodeTransfer(t));
    auto b = encodeFrame(FrameType::LinkState, encodeLinkState({true, 3, 4}));
    auto c = encodeFrame(FrameType::Input, {8, 0xFF, 0x46});
    for (auto* f : {&a, &b, &c}) stream.insert(stream.end(), f->begin(), f->end());

    for (size_t chunk : {1u, 2u, 7u, 1000u}) {
        FrameReader reader;
        std::vector<Frame> got;
        for (size_t i = 0; i < stream.size(); i += chunk) {
            ASSERT_TRUE(reader.feed(stream.data() + i, std::min(chunk, stream.size() - i)));
            Frame f;
            while (reader.next(f)) got.push_back(f);
        }
        ASSERT_EQ(got.size(), 3u) << chunk;
        Transfer t2;
        ASSERT_TRUE(decodeTransfer(got[0].payload, t2));
        EXPECT_EQ(t2.seq, 42u);
        EXPECT_EQ(t2.deviceId, 2u);
        EXPECT_EQ(t2.report, t.report);
        LinkState s;
        ASSERT_TRUE(decodeLinkState(got[1].payload, s));
        EXPECT_TRUE(s.plugged);
        EXPECT_EQ(s.consumerId, 3);
        EXPECT_EQ(s.configId, 4);
        EXPECT_EQ(got[2].type, FrameType::Input);
        EXPECT_EQ(got[2].payload, (std::vector<uint8_t>{8, 0xFF, 0x46}));
    }
}

TEST(SimLinkProtocol, RepliesControlsAndTheirRejects) {
    Reply r;
    ASSERT_TRUE(decodeReply(encodeReply({7, true, {2, 0xF2, 0, 0, 0, 0, 0, 0, 9}}), r));
    EXPECT_EQ(r.seq, 7u);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.report.size(), 9u);
    EXPECT_FALSE(decodeReply({1, 2, 3}, r));
    EXPECT_FALSE(decodeReply({1, 0, 0, 0, 5}, r));  // ok flag neither 0 nor 1

    std::vector<std::string> words;
    ASSERT_TRUE(decodeControl(encodeControl({"dump", "0x40", ""}), words));
    EXPECT_EQ(words, (std::vector<std::string>{"dump", "0x40", ""}));
    EXPECT_FALSE(decodeControl({'a', 'b'}, words));  // unterminated
    EXPECT_FALSE(decodeControl({}, words));

    ControlReply cr;
    ASSERT_TRUE(decodeControlReply(encodeControlReply({1, "no\n"}), cr));
    EXPECT_EQ(cr.status, 1);
    EXPECT_EQ(cr.text, "no\n");

    Transfer t;
    EXPECT_FALSE(decodeTransfer({1, 0, 0, 0, 2, 0, 0, 0}, t));  // no report byte
    EXPECT_FALSE(decodeTransfer(std::vector<uint8_t>(8 + kMaxReport + 1, 1), t));
    LinkState s;
    EXPECT_FALSE(decodeLinkState({1, 0, 0}, s));
    EXPECT_FALSE(decodeLinkState({2, 0, 0, 0, 0}, s));
    EXPECT_FALSE(validInputReport({}));
    EXPECT_FALSE(validInputReport(std::vector<uint8_t>(kMaxReport + 1, 0)));
}

TEST(SimLinkProtocol, GarbageBreaksTheStreamWithoutCrashing) {
    FrameReader oversized;
    uint8_t header[5] = {0xFF, 0xFF, 0xFF, 0x7F, 3};
    oversized.feed(header, 5);
    Frame f;
    EXPECT_FALSE(oversized.next(f));
    EXPECT_TRUE(oversized.broken());
    EXPECT_FALSE(oversized.feed(header, 5));

    FrameReader unknownType;
    uint8_t bad[6] = {1, 0, 0, 0, 99, 0};
    unknownType.feed(bad, 6);
    EXPECT_FALSE(unknownType.next(f));
    EXPECT_TRUE(unknownType.broken());

    std::mt19937 rng(1234);
    for (int round = 0; round < 200; ++round) {
        FrameReader reader;
        std::vector<uint8_t> noise(rng() % 300);
        for (auto& b : noise) b = static_cast<uint8_t>(rng());
        reader.feed(noise.data(), noise.size());
        int frames = 0;
        while (reader.next(f) && frames < 1000) {
            ++frames;
            Transfer t;
            LinkState s;
            Reply r;
            ControlReply cr;
            std::vector<std::string> w;
            decodeTransfer(f.payload, t);
            decodeLinkState(f.payload, s);
            decodeReply(f.payload, r);
            decodeControl(f.payload, w);
            decodeControlReply(f.payload, cr);
            EXPECT_LE(f.payload.size(), kMaxPayload);
        }
    }
}

}  // namespace
