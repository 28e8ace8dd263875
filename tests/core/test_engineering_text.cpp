#include <gtest/gtest.h>

#include <string>

#include "core/EngineeringText.h"
#include "core/Numeric.h"
#include "core/comma_locale.h"

using namespace vt;

namespace {

const std::string kMicro = "\xC2\xB5";

void ExpectEngineeringTexts() {
    EXPECT_EQ(FloatToEngStr(3, 4, false, false, 0), " 0 ");
    EXPECT_EQ(FloatToEngStr(3, 4, false, false, 9e-16), " 0 ");
    EXPECT_EQ(FloatToEngStr(3, 4, false, false, UndefinedValue), "  Undefined");
    EXPECT_EQ(FloatToEngStr(3, 4, false, false, 1500), "1.5 k");
    EXPECT_EQ(FloatToEngStr(3, 3, false, false, 0.0005), "500 " + kMicro);
    EXPECT_EQ(FloatToEngStr(3, 3, false, true, 2e6), "2 MEG");
    EXPECT_EQ(FloatToEngStr(3, 3, false, false, 2e6), "2 M");
    EXPECT_EQ(FloatToEngStr(3, 4, false, false, -0.0123), "-12.3 m");
}

}  // namespace

TEST(EngineeringText, GivesTheExpectedTextsUnderEveryLocale) {
    ExpectEngineeringTexts();
    VT_UNDER_COMMA_LOCALE();
    ExpectEngineeringTexts();
}

TEST(EngineeringText, MovedPointFillsEveryMissingPlaceWithZeros) {
    EXPECT_EQ(FloatToEngStr(3, 1, false, false, 5e-4), "500 " + kMicro);
    EXPECT_EQ(FloatToEngStr(3, 1, false, false, 2e5), "200 k");
    EXPECT_EQ(FloatToEngStr(3, 2, false, false, 2e5), "200 k");
    EXPECT_EQ(FloatToEngStr(3, 2, false, false, 2.5e5), "250 k");
    EXPECT_EQ(FloatToEngStr(3, 3, false, false, 2.5e5), "250 k");
    EXPECT_EQ(FloatToEngStr(3, 4, false, false, 2.5e5), "250 k");
    EXPECT_EQ(FloatToEngStr(3, 5, false, false, 2.5125e5), "251.25 k");
    EXPECT_EQ(FloatToEngStr(3, 1, false, false, 50), "50 ");
    EXPECT_EQ(FloatToEngStr(3, 1, false, false, 7), "7 ");
}

TEST(EngineeringText, PrefixesCoverTheRangeAndStopAtItsEnds) {
    EXPECT_EQ(FloatToEngStr(3, 2, false, false, 1.5e-15), "1.5 f");
    EXPECT_EQ(FloatToEngStr(3, 2, false, false, 1.5e-12), "1.5 p");
    EXPECT_EQ(FloatToEngStr(3, 2, false, false, 15e-9), "15 n");
    EXPECT_EQ(FloatToEngStr(3, 3, false, false, 0.1), "100 m");
    EXPECT_EQ(FloatToEngStr(3, 3, false, false, 1), "1 ");
    EXPECT_EQ(FloatToEngStr(3, 3, false, false, 4.2e9), "4.2 G");
    EXPECT_EQ(FloatToEngStr(3, 3, false, false, 999e12), "999 T");
    EXPECT_EQ(FloatToEngStr(3, 3, false, false, 1e15), "1.00E+015 ");
    EXPECT_EQ(FloatToEngStr(3, 3, false, false, -2.5e16), "-2.50E+016 ");
    // Rounding may carry into the next group: the exponent is read from the rounded text.
    EXPECT_EQ(FloatToEngStr(3, 4, false, false, 999.96), "1 k");
}

TEST(EngineeringText, ModesChooseGeneralOrExponentAndIntegersRoundToEven) {
    EXPECT_EQ(FloatToEngStr(0, 4, false, false, 1500), "1500 ");
    EXPECT_EQ(FloatToEngStr(0, 3, false, false, 0.0005), "0.0005 ");
    EXPECT_EQ(FloatToEngStr(1, 4, false, false, 1500), "1500 ");
    EXPECT_EQ(FloatToEngStr(1, 3, false, false, 0.0005), "500 " + kMicro);
    EXPECT_EQ(FloatToEngStr(2, 4, false, false, 1500), "1.5 k");
    EXPECT_EQ(FloatToEngStr(2, 3, false, false, 0.0005), "0.0005 ");
    EXPECT_EQ(FloatToEngStr(0, 3, false, false, 1e-10), "1E-10 ");
    EXPECT_EQ(FloatToEngStr(3, 4, true, false, 2.5), "2 ");
    EXPECT_EQ(FloatToEngStr(3, 4, true, false, 3.5), "4 ");
    EXPECT_EQ(FloatToEngStr(3, 4, true, false, -1234.4), "-1234 ");
    EXPECT_EQ(FloatToEngStr(3, 4, true, false, -0.4), "0 ");
    EXPECT_EQ(FloatToEngStr(3, 4, true, false, 1e19), "10000000000000000000 ");
    EXPECT_EQ(FloatToEngStr(3, 4, true, false, -2e20), "-200000000000000000000 ");
}
