#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "core/InternalError.h"
#include "core/Numeric.h"

using namespace vt;

TEST(Numeric, RoundSendsHalvesToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(-3.5), -4);
    EXPECT_EQ(RoundHalfEven(2.4999), 2);
    EXPECT_EQ(RoundHalfEven(-0.5), 0);
    EXPECT_EQ(Trunc(-2.9), -2);
    EXPECT_EQ(Trunc(2.9), 2);
}

TEST(Numeric, HugeAndNanValuesAreClampedNotUndefined) {
    EXPECT_EQ(RoundHalfEven(1e300), INT64_MAX);
    EXPECT_EQ(Trunc(-1e300), INT64_MIN);
    EXPECT_EQ(RoundHalfEven(std::nan("")), 0);
}

TEST(Numeric, UndefinedValueIsTheMostNegativeFloat) {
    EXPECT_EQ(UndefinedValue, -3.4028234663852886e38);
    EXPECT_TRUE(IsUndefinedValue(UndefinedValue));
    EXPECT_FALSE(IsUndefinedValue(-1e38));
}

TEST(InternalError, NamesUnitAndLine) {
    try {
        VT_INTERNAL_ERROR("_SHELL\\SRC\\Undina", "Incorrect Index");
        FAIL();
    } catch (const EInternalError& e) {
        EXPECT_EQ(e.Message(), "Incorrect Index");
        EXPECT_EQ(e.Unit(), "_SHELL\\SRC\\Undina");
        EXPECT_GT(e.Line(), 0);
        EXPECT_NE(std::string(e.what()).find("_SHELL\\SRC\\Undina, line"), std::string::npos);
    }
}

TEST(Numeric, BitLengthAndInterpolation) {
    EXPECT_EQ(BitLength(0), 1);
    EXPECT_EQ(BitLength(1), 1);
    EXPECT_EQ(BitLength(2), 2);
    EXPECT_EQ(BitLength(255), 8);
    EXPECT_EQ(BitLength(256), 9);
    EXPECT_EQ(BitLength(-1), 1);
    EXPECT_EQ(BitLength(-256), 8);
    EXPECT_EQ(BitLength(1 << 30), 31);
    EXPECT_EQ(BitLength(std::numeric_limits<std::int32_t>::max()), 32);
    EXPECT_EQ(BitLength(std::numeric_limits<std::int32_t>::min()), 32);
    EXPECT_EQ(LinearInterpolate(1.5, 10, 2, 0, 1), 5);
}
