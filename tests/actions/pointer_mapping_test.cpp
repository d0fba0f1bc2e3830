#include <gtest/gtest.h>

#include "platform/pointer_settings.h"

using platform::XPointerAcceleration;

TEST(PointerMapping, ClassicGainFollowsBothThresholds) {
    EXPECT_EQ(platform::classicGain(6, 10, 0, 50), 1);
    EXPECT_EQ(platform::classicGain(6, 10, 1, 6), 1);
    EXPECT_EQ(platform::classicGain(6, 10, 1, 7), 2);
    EXPECT_EQ(platform::classicGain(6, 10, 1, 50), 2);
    EXPECT_EQ(platform::classicGain(6, 10, 2, 10), 2);
    EXPECT_EQ(platform::classicGain(6, 10, 2, 11), 4);
    // The second doubling applies on its own when the thresholds are crossed over.
    EXPECT_EQ(platform::classicGain(10, 4, 2, 5), 2);
}

TEST(PointerMapping, XValuesForTheLevels) {
    EXPECT_EQ(platform::xAccelerationFor(6, 10, 0), (XPointerAcceleration{1, 1, 6}));
    EXPECT_EQ(platform::xAccelerationFor(10, 10, 1), (XPointerAcceleration{2, 1, 10}));
    EXPECT_EQ(platform::xAccelerationFor(2, 10, 1), (XPointerAcceleration{2, 1, 2}));
    EXPECT_EQ(platform::xAccelerationFor(2, 3, 2), (XPointerAcceleration{15, 4, 2}));
    // Thresholds beyond the averaged range still give the gain just above the threshold.
    EXPECT_EQ(platform::xAccelerationFor(40, 60, 2), (XPointerAcceleration{2, 1, 40}));
    // Out-of-range values from a damaged store stay within what the server accepts.
    XPointerAcceleration odd = platform::xAccelerationFor(-5, 70000, 7);
    EXPECT_EQ(odd.threshold, 0);
    EXPECT_GT(odd.numerator, 0);
    EXPECT_GT(odd.denominator, 0);
    EXPECT_EQ(platform::xAccelerationFor(5, 5, -3), (XPointerAcceleration{1, 1, 5}));
}

TEST(PointerMapping, StrongerLevelsNeverAccelerateLess) {
    // (speed, threshold1, threshold2) of the levels 2..13, threshold2 of 2..6 kept at 10.
    const int levels[][3] = {{1, 10, 10}, {1, 8, 10}, {1, 6, 10}, {1, 4, 10}, {1, 2, 10},
                             {2, 2, 12},  {2, 2, 10}, {2, 2, 8},  {2, 2, 6},  {2, 2, 5},
                             {2, 2, 4},   {2, 2, 3}};
    double previousX = 1.0;
    float previousLibinput = -1.0f;
    for (const auto& l : levels) {
        XPointerAcceleration x = platform::xAccelerationFor(l[1], l[2], l[0]);
        double factor = static_cast<double>(x.numerator) / x.denominator;
        if (l[0] == 2) {
            EXPECT_GE(factor, previousX);
        }
        previousX = factor;
        platform::LibinputAcceleration li = platform::libinputAccelerationFor(l[1], l[2], l[0]);
        EXPECT_FALSE(li.flat);
        EXPECT_GE(li.speed, previousLibinput);
        EXPECT_GE(li.speed, -1.0f);
        EXPECT_LE(li.speed, 1.0f);
        previousLibinput = li.speed;
    }
    EXPECT_FLOAT_EQ(platform::libinputAccelerationFor(6, 10, 1).speed, 0.0f);
    EXPECT_TRUE(platform::libinputAccelerationFor(6, 10, 0).flat);
    EXPECT_FLOAT_EQ(platform::libinputAccelerationFor(0, 0, 2).speed, 1.0f);
}
