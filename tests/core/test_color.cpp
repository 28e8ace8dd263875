#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <utility>

#include "core/Color.h"

using namespace vt;

TEST(Colours, DivideRoundsEachPartAndContrastPicksBlackOrWhite) {
    const TColor c = TColor::FromRGB(255, 128, 5).WithAlpha(0x80);
    const TColor half = DivideColor(c, 2);
    EXPECT_EQ(half.Red(), 128);  // 127.5 to the even neighbour
    EXPECT_EQ(half.Green(), 64);
    EXPECT_EQ(half.Blue(), 2);   // 2.5 to the even neighbour
    EXPECT_EQ(half.Alpha(), 0x80);
    EXPECT_EQ(DivideColor(c, 1), c);
    // A factor below 1 would push parts past 255 into their neighbours.
    EXPECT_EQ(DivideColor(c, 0.5), c);
    EXPECT_EQ(DivideColor(c, std::nan("")), c);

    for (const auto& [back, text] : std::initializer_list<std::pair<TColor, TColor>>{
             {clWhite, clBlack}, {clBlack, clWhite}, {TColor::FromRGB(0, 255, 0), clBlack}, {clRed, clWhite},
             {clYellow, clBlack}, {TColor::FromRGB(116, 116, 116), clWhite}, {TColor::FromRGB(117, 117, 117), clBlack}})
        EXPECT_EQ(ContrastTextColor(back), text) << back.Value;
}
