#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <limits>
#include <utility>

#include "core/DotNumberText.h"
#include "core/comma_locale.h"

using namespace vt;

namespace {

// The texts that must come out the same under every locale.
void ExpectDotTexts() {
    EXPECT_EQ(FloatToStrDot(1.5), "1.5");
    EXPECT_EQ(StrToFloatDot("1.5"), 1.5);
    EXPECT_EQ(FormatDot("%.3e", 0.0005), "5.00E-004");
    EXPECT_EQ(FormatDot("%.2f V", -3.14159), "-3.14 V");
    EXPECT_EQ(FormatDot("%g|%n", 0.25, 1234567.891), "0.25|1,234,567.89");
    EXPECT_EQ(FloatToStrFDot(TFloatFormat::Exponent, 6, 4, 1.5e-10), "1.50000E-0010");
}

}  // namespace

TEST(DotNumbers, GeneralFormIsShortestWithFifteenDigits) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    const std::pair<double, const char*> rows[] = {
        {0, "0"}, {-0.0, "0"}, {100, "100"}, {-0.0005, "-0.0005"}, {0.0001, "0.0001"}, {0.00001, "1E-5"},
        {1e-10, "1E-10"}, {1e20, "1E20"}, {-2.5e-7, "-2.5E-7"}, {0.1 + 0.2, "0.3"}, {1.0 / 3, "0.333333333333333"},
        {123456789012345.0, "123456789012345"}, {1234567890123456.0, "1.23456789012346E15"},
        {999999999999999.9, "1E15"}, {inf, "INF"}, {-inf, "-INF"}, {std::nan(""), "NAN"},
    };
    for (const auto& [value, text] : rows) EXPECT_EQ(FloatToStrDot(value), text) << text;
}

TEST(DotNumbers, TextWithFifteenDigitsReadsBackExactly) {
    for (const double v : {1.5, -0.0005, 1e-10, 1e20, 2.718281828459045, 123456.789, 6.02214076e23, 5e-324})
        EXPECT_EQ(StrToFloatDot(FloatToStrDot(StrToFloatDot(FloatToStrDot(v)))), StrToFloatDot(FloatToStrDot(v)));
    EXPECT_EQ(StrToFloatDot(FloatToStrDot(0.1)), 0.1);
    EXPECT_EQ(StrToFloatDot(FloatToStrDot(123456.789)), 123456.789);
}

TEST(DotNumbers, FixedExponentAndNumberForms) {
    EXPECT_EQ(FloatToStrFDot(TFloatFormat::Exponent, 3, 0, 1500), "1.50E+3");
    EXPECT_EQ(FloatToStrFDot(TFloatFormat::Exponent, 4, 2, 0), "0.000E+00");
    EXPECT_EQ(FloatToStrFDot(TFloatFormat::Exponent, 1, 3, -9.6), "-1E+001");
    EXPECT_EQ(FloatToStrFDot(TFloatFormat::General, 15, 4, 1e-10), "1E-0010");
    EXPECT_EQ(FloatToStrFDot(TFloatFormat::General, 3, 0, 1234), "1.23E3");
    EXPECT_EQ(FloatToStrFDot(TFloatFormat::General, 4, 0, 1234), "1234");
    // Rounding is done on the exact binary value: 1.005 is a little below 1.005.
    EXPECT_EQ(FloatToStrFDot(TFloatFormat::Fixed, 15, 2, 1.005), "1.00");
    EXPECT_EQ(FloatToStrFDot(TFloatFormat::Fixed, 15, 0, 2.5), "2");
    EXPECT_EQ(FloatToStrFDot(TFloatFormat::Fixed, 15, 3, 2), "2.000");
    EXPECT_EQ(FloatToStrFDot(TFloatFormat::Fixed, 15, 2, 0.0004), "0.00");
    EXPECT_EQ(FloatToStrFDot(TFloatFormat::Fixed, 15, 2, -0.001), "0.00");
    EXPECT_EQ(FloatToStrFDot(TFloatFormat::Fixed, 15, 4, 0.05), "0.0500");
    EXPECT_EQ(FloatToStrFDot(TFloatFormat::Fixed, 3, 4, 1.23456), "1.2300");
    EXPECT_EQ(FloatToStrFDot(TFloatFormat::Fixed, 15, 2, 1e20), "1E20");
    EXPECT_EQ(FloatToStrFDot(TFloatFormat::Fixed, 15, 1, 99.96), "100.0");
    EXPECT_EQ(FloatToStrFDot(TFloatFormat::Number, 15, 2, -1234567.891), "-1,234,567.89");
    EXPECT_EQ(FloatToStrFDot(TFloatFormat::Number, 15, 0, 999), "999");
}

TEST(DotNumbers, FormatPatterns) {
    EXPECT_EQ(FormatDot("%.3e", 0.0005), "5.00E-004");
    EXPECT_EQ(FormatDot("%e", 1.0), "1.00000000000000E+000");
    EXPECT_EQ(FormatDot("%.2e", 123456.0), "1.2E+005");
    EXPECT_EQ(FormatDot("%.8e", 1e-300), "1.0000000E-300");
    EXPECT_EQ(FormatDot("%f", 2.0), "2.00");
    EXPECT_EQ(FormatDot("%.0f", 3.5), "4");
    EXPECT_EQ(FormatDot("%.4g", 1e-10), "1E-10");
    EXPECT_EQ(FormatDot("%g", 1e20), "1E20");
    EXPECT_EQ(FormatDot("%d %.3d %5d|%-5d|", 42, 5, -7, 3), "42 005    -7|3    |");
    EXPECT_EQ(FormatDot("%.3d", -5), "-005");
    EXPECT_EQ(FormatDot("%d", std::numeric_limits<long long>::min()), "-9223372036854775808");
    EXPECT_EQ(FormatDot("%x %.4X %u", 255, 26, 7u), "FF 001A 7");
    EXPECT_EQ(FormatDot("%s=%.3s %6s", std::string("Ch1"), "abcdef", "µs"), "Ch1=abc     µs");
    EXPECT_EQ(FormatDot("%*d|%.*f", 4, 9, 1, 0.25), "   9|0.2");
    EXPECT_EQ(FormatDot("%1:s %0:s %s", "a", "b"), "b a b");
    EXPECT_EQ(FormatDot("100%% %d%%", 5), "100% 5%");
    EXPECT_EQ(FormatDot("no arguments"), "no arguments");
    EXPECT_EQ(FormatDot("%d", true), "1");
}

TEST(DotNumbers, PatternsThatDoNotFitTheirArgumentsRaise) {
    EXPECT_THROW(FormatDot("%d", 1.5), EConvertError);
    EXPECT_THROW(FormatDot("%f", 1), EConvertError);
    EXPECT_THROW(FormatDot("%s", 1), EConvertError);
    EXPECT_THROW(FormatDot("%d %d", 1), EConvertError);
    EXPECT_THROW(FormatDot("%q", 1), EConvertError);
    EXPECT_THROW(FormatDot("value %", 1), EConvertError);
    EXPECT_THROW(FormatDot("%.", 1), EConvertError);
    EXPECT_THROW(FormatDot("%*d", 1.5, 1), EConvertError);
}

TEST(DotNumbers, ReadsOnlyPlainDecimalText) {
    for (const auto& [text, value] : std::initializer_list<std::pair<const char*, double>>{
             {" 1.5 ", 1.5}, {"+2", 2}, {"-.5", -0.5}, {"3.", 3}, {"1E3", 1000}, {"2.5e-3", 0.0025}, {"1e-400", 0},
             {"0.0000e999999", 0}})
        EXPECT_EQ(StrToFloatDot(text), value) << text;
    for (const char* bad : {"", " ", "abc", "1,5", "1.5x", "1.5.1", "inf", "nan", "0x10", "1e", "e5", ".", "+-1",
                            "1e400", "--1", "1 5"}) {
        double v = 7;
        EXPECT_FALSE(TryStrToFloatDot(bad, v)) << bad;
        EXPECT_EQ(v, 7) << bad;
        EXPECT_THROW(StrToFloatDot(bad), EConvertError) << bad;
    }
    try {
        StrToFloatDot("1,5");
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'1,5' is not a valid floating point value");
    }
}

TEST(DotNumbers, ReadsIntegersDecimalOrHexadecimal) {
    long long v = 0;
    EXPECT_TRUE(TryStrToInt(" -12 ", v));
    EXPECT_EQ(v, -12);
    EXPECT_TRUE(TryStrToInt("$ff", v));
    EXPECT_EQ(v, 255);
    EXPECT_TRUE(TryStrToInt("0x10", v));
    EXPECT_EQ(v, 16);
    EXPECT_TRUE(TryStrToInt("-9223372036854775808", v));
    EXPECT_EQ(v, std::numeric_limits<long long>::min());
    v = 3;
    for (const char* bad : {"", "1.5", "9223372036854775808", "0x", "$", "12a", "- 1", "+-1"})
        EXPECT_FALSE(TryStrToInt(bad, v)) << bad;
    EXPECT_EQ(v, 3);
}

TEST(DotNumbers, SameTextsUnderACommaLocale) {
    ExpectDotTexts();
    {
        VT_UNDER_COMMA_LOCALE();
        // The locale really uses a comma, so the texts below prove independence of it.
        char buf[16];
        std::snprintf(buf, sizeof buf, "%.1f", 1.5);
        ASSERT_STREQ(buf, "1,5");
        ExpectDotTexts();
        EXPECT_THROW(StrToFloatDot("1,5"), EConvertError);
    }
}
