// The acceleration level table and its application to the registry key.
#include "service/pointer_acceleration.h"

#include <gtest/gtest.h>

#include "shared/registry_key.h"
#include "tests/service/harness.h"

namespace {

constexpr PointerAcceleration kStored{1, 6, 10};

void expectValues(const PointerAcceleration& got, int speed, int t1, int t2) {
    EXPECT_EQ(got.speed, speed);
    EXPECT_EQ(got.threshold1, t1);
    EXPECT_EQ(got.threshold2, t2);
}

TEST(AccelerationLevels, EdgesOfTheTable) {
    expectValues(accelerationForLevel(1, kStored), 0, 6, 10);  // off, thresholds kept
    expectValues(accelerationForLevel(2, kStored), 1, 10, 10);
    expectValues(accelerationForLevel(6, kStored), 1, 2, 10);
    expectValues(accelerationForLevel(7, kStored), 2, 2, 12);
    expectValues(accelerationForLevel(13, PointerAcceleration{0, 99, 77}), 2, 2, 3);
    for (int level : {-1, 0, 14, 255, -2147483647 - 1}) {
        SCOPED_TRACE(level);
        expectValues(accelerationForLevel(level, PointerAcceleration{5, 7, 9}), 5, 7, 9);
    }
}

TEST(AccelerationLevels, EveryLevelSetsTheSpeedAndOnlyTwoThresholdLevelsKeepTheSecond) {
    const PointerAcceleration marker{-5, -6, -7};
    for (int level = 1; level <= 13; ++level) {
        SCOPED_TRACE(level);
        PointerAcceleration got = accelerationForLevel(level, marker);
        EXPECT_EQ(got.speed, level == 1 ? 0 : level <= 6 ? 1 : 2);
        EXPECT_EQ(got.threshold1 == marker.threshold1, level == 1);
        EXPECT_EQ(got.threshold2 == marker.threshold2, level <= 6);
    }
}

class AccelerationStore : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(session_.ready());
        ASSERT_TRUE(key_.open("HKEY_CURRENT_USER\\Control Panel\\Mouse", RegistryKey::kKeyAllAccess));
    }
    std::string value(const char* name) {
        std::string text;
        return key_.readString(name, text) ? text : std::string("<missing>");
    }
    e2e::Harness session_;  // private XDG folders and no display
    RegistryKey key_;
};

TEST_F(AccelerationStore, LevelIsAppliedOnTopOfTheStoredValues) {
    expectValues(applyPointerAccelerationLevel(key_, 6), 1, 2, 10);
    EXPECT_EQ(value("MouseSpeed"), "1");
    EXPECT_EQ(value("MouseThreshold1"), "2");
    EXPECT_EQ(value("MouseThreshold2"), "10");

    expectValues(applyPointerAccelerationLevel(key_, 1), 0, 2, 10);
    EXPECT_EQ(value("MouseSpeed"), "0");
}

TEST_F(AccelerationStore, UnreadableValuesCountAsZeroAndUnsetLevelRewritesThem) {
    ASSERT_TRUE(key_.writeString("MouseSpeed", "fast"));
    ASSERT_TRUE(key_.writeString("MouseThreshold1", "  12abc"));
    ASSERT_TRUE(key_.writeString("MouseThreshold2", ""));
    expectValues(applyPointerAccelerationLevel(key_, -1), 0, 12, 0);
    EXPECT_EQ(value("MouseSpeed"), "0");
    EXPECT_EQ(value("MouseThreshold1"), "12");
    EXPECT_EQ(value("MouseThreshold2"), "0");
}

TEST_F(AccelerationStore, ClosedKeyChangesNothingAndDoesNotFail) {
    RegistryKey closed;
    expectValues(applyPointerAccelerationLevel(closed, 13), 2, 2, 3);
    EXPECT_EQ(value("MouseSpeed"), "1");  // the store kept its defaults
}

}  // namespace
