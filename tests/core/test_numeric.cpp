#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <limits>
#include <utility>

#include "core/InternalError.h"
#include "core/Numeric.h"

using namespace vt;

TEST(Numeric, RoundSendsHalvesToTheEvenNeighbour) {
    for (const auto& [value, rounded] : std::initializer_list<std::pair<double, std::int64_t>>{
             {2.5, 2}, {3.5, 4}, {-2.5, -2}, {-3.5, -4}, {2.4999, 2}, {-0.5, 0}})
        EXPECT_EQ(RoundHalfEven(value), rounded) << value;
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
    for (const auto& [value, bits] : std::initializer_list<std::pair<std::int32_t, int>>{
             {0, 1}, {1, 1}, {2, 2}, {255, 8}, {256, 9}, {-1, 1}, {-256, 8}, {1 << 30, 31},
             {std::numeric_limits<std::int32_t>::max(), 32}, {std::numeric_limits<std::int32_t>::min(), 32}})
        EXPECT_EQ(BitLength(value), bits) << value;
    EXPECT_EQ(LinearInterpolate(1.5, 10, 2, 0, 1), 5);
}
