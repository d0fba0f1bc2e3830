// The shipped "Mouse.ini" is exactly what saving the factory record writes, and loads back to it.
// To write it anew from the code: KORVANTE_WRITE_SHIPPED_INI=1 test_store --gtest_filter='ShippedDefaults.Saving*'
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "platform/profile_ini.h"
#include "shared/mouse_settings.h"
#include "tests/store/temp_dir.h"

namespace {

const std::string kShipped = std::string(KORVANTE_SOURCE_DIR) + "/data/Mouse.ini";

std::unique_ptr<MouseSettings> factoryRecord() {
    auto s = std::make_unique<MouseSettings>();
    std::memset(s.get(), 0, sizeof *s);
    settings::clear(*s);
    for (int p = 0; p < kProfileCount; ++p) settings::factoryDefaults(*s, p);
    s->Profile = 0;
    s->TrayEnabled = 1;
    s->MouseButtons = 9;
    s->LeftCount = 0;
    s->RightCount = 0;
    return s;
}

std::string savedText(const MouseSettings& s) {
    TempDir dir;
    std::string path = dir.file("Mouse.ini");
    EXPECT_TRUE(settings::saveAll(s, path));
    return readText(path);
}

}  // namespace

TEST(ShippedDefaults, FactoryRecordHelperMatches) {
    auto mine = factoryRecord();
    auto shipped = std::make_unique<MouseSettings>();
    settings::shippedDefaults(*shipped);
    EXPECT_EQ(0, std::memcmp(mine.get(), shipped.get(), sizeof *mine));
}

TEST(ShippedDefaults, SavingTheFactoryRecordReproducesTheFileByteForByte) {
    if (std::getenv("KORVANTE_WRITE_SHIPPED_INI")) writeText(kShipped, savedText(*factoryRecord()));
    std::string shipped = readText(kShipped);
    ASSERT_FALSE(shipped.empty()) << kShipped;
    EXPECT_EQ(savedText(*factoryRecord()), shipped);
}

TEST(ShippedDefaults, TheFileLoadsToExactlyTheFactoryRecord) {
    auto loaded = std::make_unique<MouseSettings>();
    std::memset(loaded.get(), 0x5A, sizeof *loaded);
    settings::clear(*loaded);
    ASSERT_TRUE(settings::loadAll(*loaded, kShipped, -1));
    auto expected = factoryRecord();
    EXPECT_EQ(0, std::memcmp(loaded.get(), expected.get(), sizeof *loaded));

    // Validation keeps it as it is (buttons 10 and 11 are re-validated to their default 0).
    auto work = std::make_unique<MouseSettings>();
    settings::validateCopy(*work, *loaded);
    EXPECT_EQ(0, std::memcmp(work.get(), expected.get(), sizeof *work));
}

TEST(ShippedDefaults, LoadAndNormaliseOfACopyChangesNothing) {
    TempDir dir;
    std::string path = dir.file("Mouse.ini");
    std::string shipped = readText(kShipped);
    writeText(path, shipped);
    auto s = std::make_unique<MouseSettings>();
    settings::clear(*s);
    ASSERT_TRUE(settings::loadAndNormalise(*s, path, -1));
    EXPECT_EQ(readText(path), shipped);
}
