#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "LayerTestKit.h"

using namespace vt;
using vt::test::TTestScreen;

namespace {

int CountCells(const TScreenLayer& l) {
    int n = 0;
    for (int y = 0; y <= l.MaxY(); ++y)
        for (int x = 0; x <= l.MaxX(); ++x) n += l.Cell(x, y) != 0;
    return n;
}

// The inner columns (or rows) drawn from one border to the other.
std::set<int> FullLines(const TScreenLayer& l, bool columns) {
    std::set<int> full;
    const int lines = columns ? l.MaxX() : l.MaxY(), along = columns ? l.MaxY() : l.MaxX();
    for (int i = 1; i < lines; ++i) {
        int j = 1;
        while (j < along && (columns ? l.Cell(i, j) : l.Cell(j, i))) ++j;
        if (j == along) full.insert(i);
    }
    return full;
}

}  // namespace

TEST(ScreenLayers, GraticuleStylesOnTheYtAndXyScreens) {
    TTestScreen t(572, 353, TColor(0x1F1F00));
    TGraticLayer grat("grat", false, slGraticule, 353, 551);  // W = 550, H = 352
    grat.SetSignalScreenAndRegisterSelfInIt(&t.Screen);
    grat.SetLayerColorAndOpacity(TColor(0xFF4F6F00));
    grat.SetDivisionCount(8);

    grat.SetStyle(gsOff);
    EXPECT_EQ(CountCells(grat), 1804);
    EXPECT_EQ(t.Pixel(550, 352), TColor(0x4F6F00));
    EXPECT_EQ(t.Pixel(-1, 352), TColor(0x1F1F00)) << "the margin stays background";

    grat.SetStyle(gsGrid);
    EXPECT_EQ(FullLines(grat, true), (std::set<int>{55, 110, 165, 220, 275, 330, 385, 440, 495}));
    EXPECT_EQ(FullLines(grat, false), (std::set<int>{44, 88, 132, 176, 220, 264, 308}));
    std::set<int> tick = {0, 1, 2, 3, 4, 348, 349, 350, 351, 352, 172, 173, 174, 175, 177, 178, 179, 180};
    for (int y = 44; y < 352; y += 44) tick.insert(y);
    for (int y = 0; y <= 352; ++y) EXPECT_EQ(grat.Cell(11, y) != 0, tick.count(y) == 1) << "row " << y;

    grat.SetStyle(gsFrame);
    EXPECT_TRUE(FullLines(grat, true).empty());
    EXPECT_TRUE(grat.Cell(7, 44) && grat.Cell(543, 44) && !grat.Cell(8, 44)) << "division ticks are 7 long";

    grat.SetStyle(gsAxis);
    EXPECT_EQ(FullLines(grat, true), std::set<int>{275});
    EXPECT_EQ(FullLines(grat, false), std::set<int>{176});
    EXPECT_TRUE(grat.Cell(275 + 7, 44) && grat.Cell(11, 177));
    EXPECT_EQ(t.Pixel(55, 100), TColor(0x1F1F00)) << "the grid's pixels went with its cells";

    TTestScreen xyScreen(353, 353, clBlack, true);
    TGraticLayer xy("xy", true, slGraticule, 353, 353);
    xy.SetSignalScreenAndRegisterSelfInIt(&xyScreen.Screen);
    xy.SetLayerColorAndOpacity(TColor(0xFFFFFFFF));
    xy.SetStyle(gsGrid);
    EXPECT_TRUE(FullLines(xy, true) == FullLines(xy, false) && FullLines(xy, true).size() == 7) << "mirrored";
    EXPECT_TRUE(xy.Cell(11, 3) && xy.Cell(11, 349) && !xy.Cell(11, 4));
    t.DumpIfFailed("graticule");
}

TEST(ScreenLayers, FrameIsOrderedClampedAndMovesItsOutline) {
    TTestScreen t(572, 353, clBlack);
    TFrameLayer frame("frame", false, slZoomFrame, 353, 551);
    frame.SetSignalScreenAndRegisterSelfInIt(&t.Screen);
    frame.SetLayerColorAndOpacity(TColor(0xFFFFFFFF));
    frame.SetFrame(300, 200, 100, 50);
    EXPECT_EQ((std::vector{frame.FrameLeft(), frame.FrameRight(), frame.FrameTop(), frame.FrameBottom()}),
              (std::vector{50, 300, 100, 200}));
    EXPECT_TRUE(CountCells(frame) == 2 * 251 + 2 * 99 && t.Pixel(50, 150) == clWhite);
    frame.SetFrame(50, 100, 200, 300);  // dragged the other way
    EXPECT_EQ(CountCells(frame), 700);
    frame.SetFrame(10, 10, 5000, -7);
    EXPECT_TRUE(frame.FrameLeft() == 1 && frame.FrameBottom() == 351);
    EXPECT_EQ(t.Pixel(50, 150), clBlack) << "the old outline is gone";
    EXPECT_EQ(CountCells(frame), 2 * 10 + 2 * 340);
    t.DumpIfFailed("frame");
}

TEST(ScreenLayers, HistogramBarsTakeTheLargestVisibleBinOfTheirPosition) {
    TTestScreen t(572, 353, clBlack);
    THistLayer hist("hist", false, slHistogram, 353, 551);
    hist.SetSignalScreenAndRegisterSelfInIt(&t.Screen);
    hist.SetLayerColorAndOpacity(TColor(0xFF00FFFF));

    // Along x: bins past the plot's right edge have position 0 and must not reach the last bar.
    std::vector<double> bins(4096, 0.0);
    hist.DrawHistogram(true, 4096, 1, 10, 0, false, 4095, bins);
    EXPECT_TRUE(hist.Position(0) == 1 && hist.Position(4000) == 0);
    int lastVisible = 0;
    while (hist.Position(lastVisible + 1) != 0) ++lastVisible;
    bins[static_cast<std::size_t>(lastVisible)] = 10;
    for (std::size_t i = static_cast<std::size_t>(lastVisible) + 1; i < bins.size(); ++i) bins[i] = 1000;
    hist.DrawHistogram(true, 4096, 1, 10, 0, false, 4095, bins);
    const int lastPosition = hist.Position(lastVisible);
    EXPECT_EQ(hist.BarLength(lastPosition), 44);  // 10 x 352 / 80
    EXPECT_TRUE(t.Pixel(lastPosition, 352 - 44) == TColor(0x00FFFF) && t.Pixel(lastPosition, 307) == clBlack);

    // Along y with four bins: the last bin's bar is drawn though its position is new.
    hist.DrawHistogram(false, 4, 1, 10, 0, false, 3, std::vector<double>{1, 2, 3, 4});
    EXPECT_EQ(hist.BarLength(lastPosition), 0) << "a new orientation erases the old bars";
    EXPECT_EQ((std::vector{hist.BarLength(1), hist.BarLength(88), hist.BarLength(176), hist.BarLength(264)}),
              (std::vector{6, 11, 16, 22}));  // 5.5 and 16.5 round to even

    const auto copies = t.Sink.Copies.size();
    const auto compositions = t.Screen.CompositionCount();
    hist.SetBar(88, 11);
    EXPECT_TRUE(t.Sink.Copies.size() == copies && t.Screen.CompositionCount() == compositions) << "no change";
    hist.SetBar(88, 5);
    EXPECT_TRUE(hist.Cell(5, 88) && !hist.Cell(6, 88));
    EXPECT_EQ(t.Sink.Copies.back(), (TPixelRect{6 + ScreenMargin, 88, 11 + ScreenMargin, 88}));

    hist.DrawHistogram(false, 4, 1, 10, 0, true, 3, std::vector<double>{100, 0, 0, 0});
    EXPECT_EQ(hist.BarLength(1), 220) << "40 dB";
    t.DumpIfFailed("histogram");
}
