#include "service/device/hidraw_transport.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

DeviceFilter mouseFilter() {
    DeviceFilter f;
    f.vendorId = 0x04D9;
    f.productId = 0xF307;
    f.collectionCount = 2;
    f.value3 = 0x06FF;
    f.value4 = 0x0600;
    f.usage1 = 1;
    f.usagePage1 = 0x000C;
    f.usage2 = 1;
    f.usagePage2 = 0xFFA0;
    return f;
}

TEST(HidrawFilter, NamesOnlyTheMouseCollectionsItLists) {
    DeviceFilter f = mouseFilter();
    EXPECT_TRUE(filterNamesCollection(f, 0x04D9, 0xF307, 1, 0x000C));
    EXPECT_TRUE(filterNamesCollection(f, 0x04D9, 0xF307, 1, 0xFFA0));
    EXPECT_TRUE(filterNamesCollection(f, 0x04D9, 0xF307, 0, 0xFFA0));  // usage not known
    EXPECT_FALSE(filterNamesCollection(f, 0x04D9, 0xF307, 2, 0xFFA0));
    EXPECT_FALSE(filterNamesCollection(f, 0x04D9, 0xF307, 2, 0x0001));  // the pointer collection
    EXPECT_FALSE(filterNamesCollection(f, 0x04D9, 0xF308, 1, 0x000C));
    EXPECT_FALSE(filterNamesCollection(f, 0x046D, 0xF307, 1, 0x000C));
    f.collectionCount = 1;  // only the first pair counts
    EXPECT_FALSE(filterNamesCollection(f, 0x04D9, 0xF307, 1, 0xFFA0));
    f.collectionCount = 0;
    EXPECT_FALSE(filterNamesCollection(f, 0x04D9, 0xF307, 1, 0x000C));
    f.collectionCount = 99;  // never reads past the two pairs it has
    EXPECT_TRUE(filterNamesCollection(f, 0x04D9, 0xF307, 1, 0xFFA0));
}

TEST(HidrawTransport, WithoutTheMouseRegistersAndReportsNothing) {
    HidrawTransport device;
    device.setFilter(mouseFilter());
    std::atomic<int> records{0};
    device.setInputCallback([](int, const uint8_t*, int) {});
    EXPECT_TRUE(device.registerLink([&](const CollectionRecord&) { ++records; }));
    EXPECT_TRUE(device.registerLink([&](const CollectionRecord&) { ++records; }));  // twice is harmless
    uint8_t report[16] = {2, 0xF5};
    EXPECT_FALSE(device.sendFeatureReport(1, report, 16));
    EXPECT_FALSE(device.getFeatureReport(0, report, 16));
    EXPECT_FALSE(device.sendOutputReport(2, report, 8));
    device.close();
    device.close();
    EXPECT_EQ(records.load(), 0);
    // A closed link can be registered again.
    EXPECT_TRUE(device.registerLink([&](const CollectionRecord&) { ++records; }));
    device.close();
    EXPECT_EQ(records.load(), 0);
}

}  // namespace
