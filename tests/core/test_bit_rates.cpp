#include <gtest/gtest.h>

#include "core/BitRates.h"
#include "core/InternalError.h"

namespace vt {
namespace {

// The short names are command and setup values: every one must stay as the table lists it.
TEST(BitRates, NamesOfAllStandardRatesKeepEveryDigit) {
    const TBitRateValue& rates = StandardBitRates();
    EXPECT_EQ(rates.GetListText(),
              "1M544,2M048,3M152,6M312,8M448,34M368,44M736,51M84,125M000,132M813,139M264,155M52,265M625,393M22,"
              "466M56,480M000,531M25,622M08,786M43,933M12,1G0625,1G24416,1G25000,1G5000,1G5729,1G86625,2G125,"
              "2G1231,2G48832,2G5000,2G66606,3G000,3G125,3G187,3G32000,4G25000,5G000,8G5000,9G95328,10G3125,"
              "10G51875,10G6642,10G709,11G0957,12G2495,19G90656,39G81312,42G65691,43G01841");
    EXPECT_EQ(rates.Count(), 49);
    EXPECT_EQ(rates.LongName(0), "1.544 Mb/s");
    EXPECT_EQ(rates.LongName(8), "125 Mb/s");
    EXPECT_EQ(rates.LongName(48), "43.01841 Gb/s");
    EXPECT_EQ(rates.LongNameListText().substr(0, 26), "\"1.544 Mb/s\",\"2.048 Mb/s\",");
    EXPECT_DOUBLE_EQ(rates.GetRate(26), 2.125e9) << "2.125e9 stands before 2.1231e9";
    EXPECT_DOUBLE_EQ(rates.GetRate(27), 2.1231e9);
    EXPECT_THROW(rates.GetRate(49), EInternalError);
}

}  // namespace
}  // namespace vt
