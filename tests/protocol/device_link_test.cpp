#include <gtest/gtest.h>

#include "service/device/device_link.h"
#include "tests/protocol/fake_mouse.h"

TEST(DeviceLink, FilterValues) {
    const DeviceFilter f = mouseDeviceFilter();
    EXPECT_EQ(f.vendorId, 0x04D9u);
    EXPECT_EQ(f.productId, 0xF307u);
    EXPECT_EQ(f.collectionCount, 2u);
    EXPECT_EQ(f.value3, 0x06FFu);
    EXPECT_EQ(f.value4, 0x0600u);
    EXPECT_EQ(f.usage1, 1u);
    EXPECT_EQ(f.usagePage1, 0x000Cu);
    EXPECT_EQ(f.usage2, 1u);
    EXPECT_EQ(f.usagePage2, 0xFFA0u);
}

TEST(DeviceLink, OpenClosesAnOpenLinkAndTakesTheResult) {
    FakeMouse mouse;
    DeviceLink link;
    EXPECT_TRUE(link.open(mouse, nullptr, nullptr));
    EXPECT_TRUE(mouse.filterSet);
    EXPECT_TRUE(mouse.inputCallbackSet);
    EXPECT_EQ(mouse.closeCalls, 0);
    EXPECT_TRUE(link.linked());
    mouse.registerResult = false;
    EXPECT_FALSE(link.open(mouse, nullptr, nullptr));
    EXPECT_EQ(mouse.closeCalls, 1);
    EXPECT_FALSE(link.linked());
}

TEST(DeviceLink, LinkUpOnlyWhenBothCollectionsAreOpen) {
    DeviceLink link;
    EXPECT_EQ(link.lookup(kSelectorConfig), 0u);

    LinkAction a = link.handleLinkMessage(1, {1, 0x10011, 7, kUsagePageConsumer});
    EXPECT_EQ(a.debugText, "MONITOROPEN:dwDeviceID=11\n");
    EXPECT_FALSE(a.linkUp);
    EXPECT_FALSE(a.writeDevice);
    EXPECT_FALSE(link.linked());

    a = link.handleLinkMessage(1, {1, 0x12, 7, kUsagePageConfig});
    EXPECT_TRUE(a.linkUp);
    EXPECT_TRUE(a.writeDevice);
    EXPECT_EQ(a.deviceValue, 1);
    EXPECT_TRUE(link.linked());

    EXPECT_EQ(link.lookup(kSelectorConfig), 0x12u);
    EXPECT_EQ(link.currentDeviceId(), 0x12u);
    EXPECT_EQ(link.lookup(kSelectorConsumer), 0x11u);  // low 16 bits only
    EXPECT_EQ(link.lookup(0x10003), 0u);
    EXPECT_EQ(link.currentDeviceId(), 0u);
}

TEST(DeviceLink, UnplugAndReplug) {
    DeviceLink link;
    link.handleLinkMessage(1, {1, 0x11, 0, kUsagePageConsumer});
    link.handleLinkMessage(1, {1, 0x12, 0, kUsagePageConfig});

    LinkAction a = link.handleLinkMessage(1, {0, 0x12, 0, kUsagePageConfig});
    EXPECT_EQ(a.debugText, "MONITORCLOSE:dwDeviceID=12\n");
    EXPECT_TRUE(a.writeDevice);
    EXPECT_EQ(a.deviceValue, 0);
    EXPECT_FALSE(a.linkUp);
    link.handleLinkMessage(1, {0, 0x11, 0, kUsagePageConsumer});
    EXPECT_TRUE(link.linked());              // closing never clears the flag
    EXPECT_EQ(link.collectionCount(), 2u);   // nor removes records
    EXPECT_EQ(link.lookup(kSelectorConfig), 0x12u);

    a = link.handleLinkMessage(1, {1, 0x21, 0, kUsagePageConsumer});
    EXPECT_FALSE(a.linkUp);  // three records: odd
    a = link.handleLinkMessage(1, {1, 0x22, 0, kUsagePageConfig});
    EXPECT_TRUE(a.linkUp);
    EXPECT_EQ(a.deviceValue, 1);
    EXPECT_EQ(link.collectionCount(), 4u);
    EXPECT_EQ(link.lookup(kSelectorConfig), 0x22u);  // the newest record wins
    EXPECT_EQ(link.lookup(kSelectorConsumer), 0x21u);
}

TEST(DeviceLink, OtherWParamIsIgnored) {
    DeviceLink link;
    LinkAction a = link.handleLinkMessage(0, {1, 0x11, 0, kUsagePageConsumer});
    EXPECT_FALSE(a.writeDevice);
    EXPECT_TRUE(a.debugText.empty());
    EXPECT_EQ(link.collectionCount(), 0u);
}
