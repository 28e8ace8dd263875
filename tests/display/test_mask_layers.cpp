// The mask template and the mask errors on a screen: the cells a point test gives, the colours of mask,
// margin and numbers over the background and the graticule, and numbers cut off at the edges.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "LayerTestKit.h"
#include "display/MaskLayers.h"

using namespace vt;
using vt::test::TStubLayer;
using vt::test::TTestScreen;

namespace {

// Boxes in screen units: the mask x 1000..3000 over rows 256..768 (1/32 units), a margin band
// beside it, and polygon centres given as they are.
struct TBoxMask : TMaskPointTest {
    int TestPoint(int x, int y32) const override {
        const int y = y32 / 32;
        if (x >= 1000 && x <= 3000 && y >= 256 && y <= 768) return 1;
        if (x >= 3000 && x <= 3400 && y >= 256 && y <= 768) return 2;
        return 0;
    }
    void GetPolygonCenter(int n, int& x, int& y) const override {
        x = y = 0;
        if (n <= static_cast<int>(Centres.size())) std::tie(x, y) = Centres[static_cast<std::size_t>(n - 1)];
    }
    std::vector<std::pair<int, int>> Centres;
};

TEST(MaskLayers, TemplateCellsColoursAndNumbersCutAtTheEdges) {
    // Cells 1..500 across 4000 columns (8 a cell), rows 1..320 over 1024 rows.
    TTestScreen t(501 + ScreenMargin, 321, TColor(0x1F1F00));
    TStubLayer graticule(t.Screen, 30, TColor(0xFF4F6F00));
    for (int y = 0; y <= 320; ++y) graticule.Draw(250, y);
    TBoxMask mask;
    mask.Centres = {{2000, 512}, {3200, 512}, {3999, 1}};
    const TMaskPointTest* shown = nullptr;
    TMaskLayer layer("Mask Layer", false, 27, 321, 501, [&shown]() { return shown; });
    layer.SetSignalScreenAndRegisterSelfInIt(&t.Screen);
    layer.SetLayerColorAndOpacity(TColor(0x38FFFFFF));
    EXPECT_EQ(layer.FillColor(), TColor(0x1CFFFFFF));
    EXPECT_EQ(layer.LabelColor(), TColor(0xFFFFFFFF));
    layer.Rebuild();  // no mask: nothing
    EXPECT_EQ(layer.Cell(200, 160), 0);
    shown = &mask;
    layer.Rebuild();
    EXPECT_FALSE(layer.Grabbable);
    // Column 1500 is cell 187.5, row 400 is cell 195: mask; column 3200 (cell 400): margin.
    EXPECT_EQ(layer.Cell(188, 195), 1);
    EXPECT_EQ(layer.Cell(400, 200), 2);
    EXPECT_EQ(layer.Cell(100, 200), 0);
    EXPECT_EQ(layer.Cell(188, 40), 0);
    // A mask cell over the background and over the graticule: white at alpha 0x38 over
    // (0, 0x1F, 0x1F) and over (0, 0x6F, 0x4F): c + (255 - c) * 56 / 255.
    EXPECT_EQ(t.Pixel(188, 195), TColor(0x505038));
    EXPECT_EQ(t.Pixel(250, 195), TColor(0x768F38));
    // The numbers: lit pixels near each centre, in the opaque label colour.
    int numbers = 0, corner = 0;
    for (int x = 1; x < 500; ++x)
        for (int y = 1; y < 320; ++y)
            if (layer.Cell(x, y) == 3) {
                ++numbers;
                if (x > 480 && y > 300) ++corner;
                EXPECT_EQ(layer.CellColor(x, y), TColor(0xFFFFFFFF));
            }
    EXPECT_GT(numbers, corner);
    // The third number sits on the bottom-right corner: cut off there, not written past the grid.
    EXPECT_GT(corner, 0);
    for (int x = 0; x <= 500; ++x) EXPECT_NE(layer.Cell(x, 320), 3);
    for (int y = 0; y <= 320; ++y) EXPECT_NE(layer.Cell(500, y), 3);
    t.DumpIfFailed("mask_layer");
}

TEST(MaskLayers, ErrorsSetTheCellOfTheirPoint) {
    TTestScreen t(101 + ScreenMargin, 81, clBlack);
    TMaskErrorLayer errors("MaskError Layer", false, 5, 81, 101);
    errors.SetSignalScreenAndRegisterSelfInIt(&t.Screen);
    errors.SetLayerColorAndOpacity(TColor(0xFF0000FF));
    errors.AddPoint(2000, 512);
    EXPECT_EQ(errors.Cell(50, 40), 1);
    EXPECT_EQ(t.Pixel(50, 40), TColor(0x0000FF));
}

}  // namespace
