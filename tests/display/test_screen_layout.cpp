#include <gtest/gtest.h>

#include "display/ScreenLayout.h"

using namespace vt;

TEST(ScreenLayout, FormatsBandsAndStripsGiveTheKnownRectangles) {
    // YT, inner 600 x 500: band 0, step 11, a leftover too small to share out.
    TScreenLayout l = ComputeScreenLayout(0, 600, 500);
    ASSERT_EQ(l.ScreenCount, 1);
    EXPECT_EQ(l.Top[0], 44);
    EXPECT_EQ(l.Height[0], 353);
    EXPECT_EQ(l.Left[0], 9);
    EXPECT_EQ(l.Width[0], 572);
    EXPECT_EQ(l.BottomStripTop, 408);
    EXPECT_TRUE(l.TopStripShown && l.BottomStripShown);

    EXPECT_FALSE(ComputeScreenLayout(0, 600, 300).TopStripShown);
    EXPECT_TRUE(ComputeScreenLayout(0, 600, 301).TopStripShown);

    l = ComputeScreenLayout(2, 1000, 700);
    ASSERT_EQ(l.ScreenCount, 4);
    const int tops[] = {34, 180, 326, 472};
    for (int n = 0; n < 4; ++n) {
        EXPECT_EQ(l.Top[n], tops[n]) << n;
        EXPECT_EQ(l.Height[n], 145);
        EXPECT_EQ(l.Width[n], 972);
    }

    l = ComputeScreenLayout(5, 800, 600);
    ASSERT_EQ(l.ScreenCount, 3);
    EXPECT_EQ(l.XYScreen, 3);
    EXPECT_EQ(l.TimeScreenCount, 2);
    for (int n = 0; n < 2; ++n) {
        EXPECT_EQ(l.Width[n], 772);
        EXPECT_EQ(l.Height[n], 121);
    }
    EXPECT_EQ(l.Top[0], 37);
    EXPECT_EQ(l.Top[1], 162);
    EXPECT_EQ(l.Width[2], 225);
    EXPECT_EQ(l.Height[2], 225);
    EXPECT_EQ(l.Left[2], 287);
    EXPECT_EQ(l.Top[2], 287);

    // The default window's panel, 548 x 450.
    l = ComputeScreenLayout(0, 544, 446);
    EXPECT_EQ(l.Width[0], 522);
    EXPECT_EQ(l.Height[0], 321);
    EXPECT_EQ(l.Left[0], 6);
    EXPECT_EQ(l.Top[0], 37);

    // Bands 1 and 2 keep every screen inside the panel, and the divisions' shares stay whole.
    for (int mode = 0; mode < ScreenFormatCount; ++mode)
        for (int h = 60; h <= 420; h += 7) {
            l = ComputeScreenLayout(mode, 640, h);
            for (int n = 0; n < l.ScreenCount; ++n) {
                EXPECT_LE(l.Top[n] + l.Height[n], h) << mode << " " << h;
                EXPECT_EQ((l.Height[n] - 1) % (4 * l.Divisions[n]), 0) << mode << " " << h;
            }
        }
}

TEST(ScreenLayout, TinyPanelsGetNoScreens) {
    // Inner width below 72 leaves no 50 plot columns; a panel this low cannot hold the smallest fit.
    EXPECT_EQ(ComputeScreenLayout(0, 71, 500).ScreenCount, 0);
    EXPECT_EQ(ComputeScreenLayout(0, 72, 500).ScreenCount, 1);
    EXPECT_EQ(ComputeScreenLayout(2, 600, 40).ScreenCount, 0);
    EXPECT_EQ(ComputeScreenLayout(0, 0, 0).ScreenCount, 0);
}
