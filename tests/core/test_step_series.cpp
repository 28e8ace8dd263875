#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <string>
#include <tuple>

#include "core/InternalError.h"
#include "core/DotNumberText.h"
#include "core/StepSeries.h"

using namespace vt;

namespace {

// Each row: the value given, the value expected.
void ExpectRounds(double (*round)(double), std::initializer_list<std::pair<double, double>> rows) {
    for (const auto& [given, expected] : rows) EXPECT_EQ(round(given), expected) << given;
}

}  // namespace

TEST(SeriesRounding, OneTwoFive) {
    // A negative value keeps its sign instead of never reaching the range.
    ExpectRounds(CorrectNewVal1_2_5, {{1.4, 1}, {1.5, 2}, {3.49, 2}, {3.5, 5}, {7, 10}, {14.9, 10}, {0.35, 0.5},
                                      {1.6e-6, 2e-6}, {0.014, 0.01}, {6.9e9, 5e9}, {1e300, 1e300}, {-3, -2},
                                      {1e-70, 0}, {5e-31, 0}});
    EXPECT_THROW(CorrectNewVal1_2_5(1e-33), EInternalError);
    EXPECT_THROW(CorrectNewVal1_2_5(1e-32), EInternalError);
}

TEST(SeriesRounding, PowerOfTwoDbLadderAndMultiples) {
    ExpectRounds(RoundToPowerOf2,
                 {{3, 4}, {2.9, 2}, {1.5, 2}, {1.49, 1}, {0.75, 1}, {0.74, 0.5}, {3000, 2048}, {1e-33, 0}});

    const double ladder[] = {0, 6, 10, 15, 20, 26, 30, 35, 40, 46};
    for (const double step : ladder) {
        EXPECT_EQ(RoundDbStep(step), step);
        EXPECT_EQ(RoundDbStep(-step), -step);
    }
    ExpectRounds(RoundDbStep,
                 {{24, 26}, {-9, -10}, {23, 20}, {2.99, 0}, {43, 40}, {43.5, 46}, {1003.1, 1006}, {1e300, 1e300}});

    EXPECT_EQ(RoundToMultiple(0.5, 1.25), 1.0);
    EXPECT_EQ(RoundToMultiple(0.5, 1.75), 2.0);
    EXPECT_EQ(RoundToMultiple(-2, 7), 8);
    EXPECT_EQ(RoundToMultiple(1e-31, 7.3), 7.3);
    EXPECT_EQ(RoundToMultiple(1e-9, 3.3), 3.3);  // beyond 32-bit steps the value stays
}

TEST(SeriesRounding, TwelveStepSeries) {
    // Each row: the step direction, the value given, the value expected.
    const std::tuple<int, double, double> rows[] = {
        {0, 2.2, 2.0}, {0, 2.25, 2.5}, {0, 7, 8.0},  {-1, 7, 6.0},   {1, 6.1, 8.0},      {0, 1, 1.0},
        {1, 1, 1.2},   {-1, 2, 1.8},   {1, 2, 2.0},  {0, 9.5, 10},   {0, 10, 10},        {0, 0.022, 0.02},
        {0, 440, 400}, {0, 1e-70, 0},  {0, 3.3e-9, 3e-9},
    };
    for (const auto& [direction, given, expected] : rows)
        EXPECT_EQ(CorrectValueE12(direction, given), expected) << direction << ' ' << given;
    EXPECT_THROW(CorrectValueE12(0, 1e-33), EInternalError);
}

// A value written as digits and a power of ten, read the way a user's entry is read.
double Decimal(const std::string& digits, int exponent) { return StrToFloatDot(digits + "E" + std::to_string(exponent)); }

TEST(SeriesRounding, BoundariesAndResultsAreDecimalInEveryDecade) {
    // Binary scaling by powers of ten drifts by an ulp: 3.5e-5 fell below its boundary to 2e-5,
    // and results such as 1.8e-6 came back one ulp beside the value the text names.
    for (int e = -29; e <= 300; ++e) {
        SCOPED_TRACE(e);
        EXPECT_EQ(CorrectNewVal1_2_5(Decimal("1.5", e)), Decimal("2", e));
        EXPECT_EQ(CorrectNewVal1_2_5(Decimal("3.5", e)), Decimal("5", e));
        EXPECT_EQ(CorrectNewVal1_2_5(Decimal("7", e)), Decimal("1", e + 1));
        EXPECT_EQ(CorrectNewVal1_2_5(Decimal("1.4999", e)), Decimal("1", e));
        EXPECT_EQ(CorrectNewVal1_2_5(-Decimal("6.9999", e)), -Decimal("5", e));
        const char* series[] = {"1", "1.2", "1.5", "1.8", "2", "2.5", "3", "4", "5", "6", "8"};
        for (std::size_t k = 1; k < std::size(series); ++k) {
            const double v = Decimal(series[k], e);
            EXPECT_EQ(CorrectValueE12(0, v), v) << series[k];
            EXPECT_EQ(CorrectValueE12(1, v), v) << series[k];
            EXPECT_EQ(CorrectValueE12(-1, v), Decimal(series[k - 1], e)) << series[k];
        }
        EXPECT_EQ(CorrectValueE12(0, Decimal("1.35", e)), Decimal("1.5", e));
        EXPECT_EQ(CorrectValueE12(0, Decimal("1.3499", e)), Decimal("1.2", e));
        EXPECT_EQ(CorrectValueE12(1, Decimal("1", e)), Decimal("1.2", e));
    }
    EXPECT_TRUE(std::isinf(CorrectNewVal1_2_5(1.7e308)));
}
