#include <gtest/gtest.h>

#include "core/Decibels.h"

using namespace vt;

TEST(Decibels, ConversionsAreExactPowersOfTen) {
    EXPECT_EQ(FromDb(20), 10);
    EXPECT_EQ(FromDb(-40), 0.01);
    EXPECT_EQ(FromDbPower(10), 10);
    EXPECT_NEAR(FromDb(6), 1.9952623149688795, 1e-15);
    EXPECT_EQ(Db20(10), 20);
    EXPECT_EQ(Db20(0.001), -60);
    EXPECT_EQ(Db10(100), 20);
    EXPECT_EQ(Db20(0), -4000);
    EXPECT_EQ(Db20(-1), -4000);
    EXPECT_EQ(Db10(1e-201), -2000);
}
