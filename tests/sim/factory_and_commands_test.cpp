#include "sim/factory_image.h"
#include "sim/model_device.h"
#include "sim/mouse_memory.h"
#include "sim/sim_commands.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "platform/atomic_file.h"
#include "service/device/config_protocol.h"
#include "service/device/device_link.h"
#include "shared/mouse_settings.h"
#include "tests/support/private_session.h"

namespace {

std::vector<uint8_t> at(const std::vector<uint8_t>& image, size_t address, size_t n) {
    return {image.begin() + static_cast<long>(address), image.begin() + static_cast<long>(address + n)};
}

TEST(FactoryImage, HoldsTheFactorySettingsAtTheirAddresses) {
    auto image = sim::factoryImage();
    ASSERT_EQ(image.size(), sim::kMemorySize);
    EXPECT_EQ(at(image, 0x0020, 10), (std::vector<uint8_t>{1, 0, 1, 0, 1, 0, 1, 0, 1, 0}));
    EXPECT_EQ(image[0x002A], 0);
    EXPECT_EQ(at(image, 0x002C, 2), (std::vector<uint8_t>{0, 0}));
    EXPECT_EQ(at(image, 0x0032, 10), (std::vector<uint8_t>{2, 0, 2, 0, 2, 0, 2, 0, 2, 0}));
    EXPECT_EQ(at(image, 0x003E, 2), (std::vector<uint8_t>{1, 0}));
    EXPECT_EQ(image[0x0446], 1);
    EXPECT_EQ(at(image, 0x0448, 8), (std::vector<uint8_t>{0x80, 0xFF, 0, 0, 0, 1, 0, 3}));
    EXPECT_EQ(at(image, 0x0471, 4), (std::vector<uint8_t>{0xFF, 0, 0, 1}));
    const uint32_t bases[5] = {0x0040, 0x0100, 0x01B0, 0x0260, 0x0310};
    const uint16_t stages[7] = {10, 20, 30, 40, 80, 160, 320};
    for (int p = 0; p < 5; ++p) {
        uint32_t P = bases[p];
        EXPECT_EQ(image[P + 2], p == 0 ? 1 : 0) << "profile " << p;
        for (int s = 0; s < 7; ++s) {
            uint8_t lo = stages[s] & 0xFF, hi = stages[s] >> 8;
            EXPECT_EQ(at(image, P + 4 + 6 * s, 5), (std::vector<uint8_t>{1, lo, hi, lo, hi})) << p << "/" << s;
        }
        EXPECT_EQ(at(image, P + 0x42, 36),
                  (std::vector<uint8_t>{0x81, 0, 0, 0, 0x82, 0, 0, 0, 0x83, 0, 0, 0, 0x85, 0, 0, 0, 0x84, 0,
                                        0, 0, 0x8A, 0, 0, 0, 0x89, 0, 0, 0, 0x9B, 4, 0, 0, 0x9B, 8, 0, 0}));
        EXPECT_EQ(at(image, P + 0xAA, 2), (std::vector<uint8_t>{0xFF, 0xFF}));
    }
    for (size_t a = 0x0478; a < 0x0478 + 20 * 200; ++a) ASSERT_EQ(image[a], 0) << a;
}

// The factory image must equal what the service's full write of the shipped default Mouse.ini,
// loaded as the service loads it, puts into a blank mouse.
TEST(FactoryImage, EqualsAFullWriteOfTheShippedDefaultSettings) {
    testsupport::TempFolder folder("factory-image");
    ASSERT_TRUE(folder.ready());
    const std::string path = folder.file("Mouse.ini");
    auto shipped = platform::readWholeFile(std::string(KORVANTE_SOURCE_DIR) + "/data/Mouse.ini");
    ASSERT_TRUE(shipped.has_value());
    ASSERT_TRUE(platform::replaceFileAtomically(path, *shipped));

    MouseSettings loaded{}, working{};
    settings::clear(loaded);
    ASSERT_TRUE(settings::loadAndNormalise(loaded, path, -1));
    settings::validateCopy(working, loaded);
    auto written = sim::imageFromFullWrite([&](HidDevice& device) {
        DeviceLink link;
        link.handleLinkMessage(1, CollectionRecord{1, sim::ModelHidDevice::kConsumerId, 0, kUsagePageConsumer});
        link.handleLinkMessage(1, CollectionRecord{1, sim::ModelHidDevice::kConfigId, 0, kUsagePageConfig});
        link.setLinked(true);
        DeviceConfig config(device, link, working);
        config.setWaitFunction([](int) {});
        config.openSession();  // callers bracket the full write with a session
        bool ok = config.sendAll();
        config.closeSession();
        return ok;
    });
    auto factory = sim::factoryImage();
    ASSERT_EQ(written.size(), factory.size());
    for (size_t a = 0; a < factory.size(); ++a) EXPECT_EQ(written[a], factory[a]) << "address " << a;
}

TEST(SimCommands, NumbersAndHexBytes) {
    uint32_t v = 0;
    EXPECT_TRUE(sim::parseNumber("1094", v));
    EXPECT_EQ(v, 1094u);
    EXPECT_TRUE(sim::parseNumber("0x0446", v));
    EXPECT_EQ(v, 0x446u);
    EXPECT_TRUE(sim::parseNumber("0XFF", v));
    EXPECT_EQ(v, 255u);
    for (const char* bad : {"", "0x", "-1", "12a", "0xg", "4294967296", " 1"}) EXPECT_FALSE(sim::parseNumber(bad, v)) << bad;

    std::vector<uint8_t> bytes;
    EXPECT_TRUE(sim::parseHexBytes({"08", "ff", "0x46", "A", "0102"}, bytes));
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x08, 0xFF, 0x46, 0x0A, 0x01, 0x02}));
    for (const char* bad : {"123", "zz", "0x123", "", "0x"}) EXPECT_FALSE(sim::parseHexBytes({bad}, bytes)) << bad;
    EXPECT_EQ(sim::formatHexBytes({0x00, 0xAB, 0x0F}), "00 ab 0f");
    EXPECT_EQ(sim::formatHexBytes({}), "");
}

TEST(SimCommands, CommandWords) {
    sim::Command c;
    std::string error;
    ASSERT_TRUE(sim::parseCommand({"dump", "0x40", "16"}, c, error));
    EXPECT_EQ(c.kind, sim::CommandKind::Dump);
    EXPECT_EQ(c.address, 0x40u);
    EXPECT_EQ(c.length, 16u);
    ASSERT_TRUE(sim::parseCommand({"poke", "100", "de", "ad"}, c, error));
    EXPECT_EQ(c.bytes, (std::vector<uint8_t>{0xDE, 0xAD}));
    ASSERT_TRUE(sim::parseCommand({"report", "08", "ff", "46"}, c, error));
    EXPECT_EQ(c.kind, sim::CommandKind::Report);
    EXPECT_EQ(c.count, 1u);
    ASSERT_TRUE(sim::parseCommand({"report", "-n", "5000", "08", "02", "03"}, c, error));
    EXPECT_EQ(c.count, 5000u);
    EXPECT_EQ(c.bytes, (std::vector<uint8_t>{8, 2, 3}));
    EXPECT_FALSE(sim::parseCommand({"report", "-n", "0", "08"}, c, error));
    EXPECT_FALSE(sim::parseCommand({"report", "-n", "5"}, c, error));
    EXPECT_TRUE(sim::parseCommand({"reset-stats"}, c, error));
    EXPECT_EQ(c.kind, sim::CommandKind::ResetStats);
    EXPECT_FALSE(sim::parseCommand({"dump", "1"}, c, error));
    EXPECT_FALSE(sim::parseCommand({"poke", "1"}, c, error));
    EXPECT_FALSE(sim::parseCommand({"report"}, c, error));
    EXPECT_FALSE(sim::parseCommand({"stats", "x"}, c, error));
    EXPECT_FALSE(sim::parseCommand({"fly"}, c, error));

    struct FaultCase {
        std::vector<std::string> words;
        bool ok;
        sim::FaultKind kind;
        uint32_t count;
    };
    const FaultCase faults[] = {
        {{"fault"}, true, sim::FaultKind::Show, 1},
        {{"fault", "drop-writes", "3"}, true, sim::FaultKind::DropWrites, 3},
        {{"fault", "corrupt-writes", "0x10"}, true, sim::FaultKind::CorruptWrites, 16},
        {{"fault", "stall-reads"}, true, sim::FaultKind::StallReads, 1},
        {{"fault", "clear"}, true, sim::FaultKind::Clear, 1},
        {{"fault", "drop-writes"}, false, {}, 0},
        {{"fault", "drop-writes", "0"}, false, {}, 0},
        {{"fault", "corrupt-writes", "-1"}, false, {}, 0},
        {{"fault", "stall-reads", "2"}, false, {}, 0},
        {{"fault", "jam"}, false, {}, 0},
    };
    for (const FaultCase& f : faults) {
        ASSERT_EQ(sim::parseCommand(f.words, c, error), f.ok) << f.words.back();
        if (!f.ok) continue;
        EXPECT_EQ(c.kind, sim::CommandKind::Fault);
        EXPECT_EQ(c.fault, f.kind) << f.words.back();
        EXPECT_EQ(c.count, f.count) << f.words.back();
    }
    EXPECT_FALSE(sim::parseCommand({}, c, error));
    std::vector<std::string> huge = {"report"};
    for (int i = 0; i < 1025; ++i) huge.push_back("00");
    EXPECT_FALSE(sim::parseCommand(huge, c, error));
}

}  // namespace

namespace {

// The reports the factory image is made of, replayed through the in-process HidDevice, give the
// same memory: the harness the real full write will run in does not change the bytes.
TEST(FactoryImage, FullWriteHarnessReproducesTheImage) {
    auto image = sim::factoryImage();
    auto copy = sim::imageFromFullWrite([&](HidDevice& device) {
        for (uint32_t address = 0; address < sim::kMemorySize; address += 8) {
            uint8_t report[16] = {2, 0xF3, static_cast<uint8_t>(address), static_cast<uint8_t>(address >> 8), 8};
            for (int i = 0; i < 8; ++i) report[8 + i] = image[address + i];
            if (!device.sendFeatureReport(sim::ModelHidDevice::kConfigId, report, 16)) return false;
        }
        return true;
    });
    // The read-only status area is the mouse's own: it follows the lighting record written.
    EXPECT_EQ(copy, image);
    EXPECT_EQ(sim::imageFromFullWrite(nullptr), std::vector<uint8_t>(sim::kMemorySize, 0));
}

}  // namespace
