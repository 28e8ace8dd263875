#include <gtest/gtest.h>

#include "acq/TdrUnits.h"

using namespace vt;

TEST(TdrUnits, ReflectionCoefficientToImpedance) {
    EXPECT_DOUBLE_EQ(RhoToOhm(0.0), 50.0);
    EXPECT_DOUBLE_EQ(RhoToOhm(0.5), 150.0);
    EXPECT_NEAR(RhoToOhm(-0.5), 50.0 / 3.0, 1e-12);
    EXPECT_DOUBLE_EQ(RhoToOhm(-1.0), 0.0);
    EXPECT_NEAR(RhoToOhm(0.9998), 50.0 * 1.9998 / 0.0002, 1e-6);
    EXPECT_EQ(RhoToOhm(0.9999), 1e6) << "an open line must not divide by zero";
    EXPECT_EQ(RhoToOhm(1.0), 1e6);
}

TEST(TdrUnits, DistancesTravelTwiceForReflectionOnceForTransmission) {
    EXPECT_NEAR(TdrTimeToMeters(1e-9, false, 1.0), 0.14989625, 1e-9);
    EXPECT_NEAR(TdrTimeToMeters(1e-9, true, 1.0), 0.2997925, 1e-9);
    EXPECT_NEAR(TdrTimeToMeters(1e-9, false, 0.66), 0.14989625 * 0.66, 1e-9);
    EXPECT_NEAR(TdrTimeToFeet(1e-9, false, 1.0), 0.14989625 / 0.3048, 1e-9);
    EXPECT_NEAR(TdrTimeToInches(1e-9, true, 0.5), 0.2997925 * 0.5 / 0.0254, 1e-9);
    for (bool tdt : {false, true}) {
        EXPECT_NEAR(TdrMetersToTime(TdrTimeToMeters(3e-9, tdt, 0.7), tdt, 0.7), 3e-9, 1e-21);
        EXPECT_NEAR(TdrFeetToTime(TdrTimeToFeet(3e-9, tdt, 0.7), tdt, 0.7), 3e-9, 1e-21);
        EXPECT_NEAR(TdrInchesToTime(TdrTimeToInches(3e-9, tdt, 0.7), tdt, 0.7), 3e-9, 1e-21);
    }
}
