// Annotations on a panel's time screen: the geometry of the shapes cell by cell, the colour of crossing
// records, moves without rendering text, labels cut to the glyph's size and the bookkeeping of the
// annotated measurement.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "RecordingSink.h"
#include "acq/SignalSources.h"
#include "core/InternalError.h"
#include "core/Shell.h"
#include "display/AnnotationLayer.h"
#include "display/DisplayPanel.h"
#include "display/ScopeDisplayServices.h"

using namespace vt;

namespace {

class Annotations : public ::testing::Test {
protected:
    Annotations() {
        Feature.FillRows(Shell);
        Services().CreatePanel();
        Services().Panel()->SetSink(&Sink);
        // The default window's panel: one YT screen.
        Services().PlacePanel(0, 0, 604, 804);
        Services().Panel()->DotLayer(ssCh1);
    }
    TScopeDisplayServices& Services() { return dynamic_cast<TScopeDisplayServices&>(Shell.Display()); }
    TAnnotationLayer& Layer(int kind = 1) {
        auto* layer = dynamic_cast<TAnnotationLayer*>(Services().Panel()->AnnotationLayer(kind, ssCh1));
        EXPECT_NE(layer, nullptr);
        return *layer;
    }
    // Screen units that land on the cell.
    static int XFor(const TAnnotationLayer& l, int column) {
        for (int x = 0; x <= 4000; ++x)
            if (l.ScreenXToCell(x) == column) return x;
        ADD_FAILURE() << "no x for column " << column;
        return 0;
    }
    static int YFor(const TAnnotationLayer& l, int row) {
        for (int y = 0; y <= 1024; ++y)
            if (l.ScreenYToCell(y) == row) return y;
        ADD_FAILURE() << "no y for row " << row;
        return 0;
    }
    TAnnLabelParam Record(int shape, int column, int row, const std::string& text = "Rise") {
        TAnnLabelParam r;
        r.Kind = 1;
        r.Shown = true;
        r.Source = ssCh1;
        r.Shape = static_cast<std::uint8_t>(shape);
        r.Text = text;
        r.X = XFor(Layer(), column);
        r.Y = YFor(Layer(), row);
        return r;
    }
    static bool Has(const TAnnotationLayer& l, int n, int x, int y) { return (l.Cell(x, y) & (1u << (n - 1))) != 0; }

    TShell Shell;
    TDisplayFeature Feature;
    test::TRecordingSink Sink;
};

}  // namespace

TEST_F(Annotations, ShapesDrawTheirLinesArrowheadsAndLabelsWhereTheyBelong) {
    TAnnotationLayer& l = Layer();
    EXPECT_FALSE(l.Grabbable);

    // Shape 2 near the top: the line and arrow 40 rows below the anchor, the label 22 rows above them.
    l.SetSlot(1, Record(2, 300, 50));
    EXPECT_EQ(l.State(1).Row, 50);
    for (int x = 225; x <= 300; ++x) EXPECT_TRUE(Has(l, 1, x, 90)) << x;
    EXPECT_FALSE(Has(l, 1, 224, 90));
    for (int y = 42; y <= 98; ++y) EXPECT_TRUE(Has(l, 1, 300, y)) << "vertical line row " << y;
    EXPECT_EQ(l.State(1).LabelRow, 68);
    EXPECT_EQ(l.State(1).LabelColumn, 300 - l.Glyph(1).Width - 17);
    // Near the bottom: 28 rows above, the label at 10.
    l.SetSlot(1, Record(2, 300, 60));
    for (int x = 225; x <= 300; ++x) EXPECT_TRUE(Has(l, 1, x, 32)) << x;
    EXPECT_FALSE(Has(l, 1, 260, 90)) << "the move erased the old line";
    EXPECT_EQ(l.State(1).LabelRow, 10);

    // Shape 1: the arrowhead d = +1 at the anchor covers exactly its five rows each side.
    const int c = 200, r = 150;
    l.SetSlot(1, Record(1, c, r));
    auto head = [&](int x, int y) {
        const int j = std::abs(y - r);
        const int k = x - c;
        return j >= 1 && j <= 5 && k >= 2 * j && k <= j + 6;
    };
    for (int y = r - 6; y <= r + 6; ++y)
        for (int x = c - 3; x <= c + 16; ++x)
            if (y != r) {
                EXPECT_EQ(Has(l, 1, x, y), head(x, y)) << x << "," << y;
            }
    EXPECT_TRUE(Has(l, 1, c + 11, r + 5) && Has(l, 1, c + 10, r - 5) && !Has(l, 1, c + 12, r + 5));
    for (int x = c; x <= c + 75; ++x) EXPECT_TRUE(Has(l, 1, x, r));
    EXPECT_FALSE(Has(l, 1, c + 76, r));
    // The label box: frame lit in white, " text " inside, unlit pixels black.
    const auto& s = l.State(1);
    EXPECT_EQ(s.LabelColumn, c + 17);
    EXPECT_EQ(s.LabelRow, r - 22);
    EXPECT_EQ(l.CodeAt(1, s.LabelColumn, s.LabelRow), 3);
    EXPECT_EQ(l.CodeAt(1, s.LabelColumn + 1, s.LabelRow + 1), 0);

    // A shape-5 span with its second tick and a shape-4 level across the whole row in colour code 1.
    TAnnLabelParam span = Record(5, 400, 250);
    span.X2 = XFor(l, 520);
    l.SetSlot(2, span);
    for (int y = 240; y <= 260; ++y) EXPECT_TRUE(Has(l, 2, 400, y) && Has(l, 2, 520, y)) << y;
    for (int x = 325; x <= 595; ++x) EXPECT_TRUE(Has(l, 2, x, 250)) << x;
    ASSERT_GT(l.MaxY(), 320);
    l.SetSlot(3, Record(4, 100, 320));
    for (int x = 1; x < l.MaxX(); ++x) EXPECT_EQ(l.CodeAt(3, x, 320), 1) << x;
    EXPECT_FALSE(Has(l, 3, 0, 320) || Has(l, 3, l.MaxX(), 320));

    // Marks near the edges (a narrow window's screen): the label leaves its usual place, whole and
    // lit to its last column, rather than being cut by the frame.
    l.SetSlot(4, Record(1, l.MaxX() - 30, 200));
    const auto& right = l.State(4);
    EXPECT_EQ(right.LabelColumn, l.MaxX() - l.Glyph(4).Width);
    for (int y = 0; y < l.Glyph(4).Height; ++y)
        EXPECT_EQ(l.CodeAt(4, l.MaxX() - 1, right.LabelRow + y), 3) << "the box's right frame, row " << y;
    l.SetSlot(5, Record(0, 30, 200));
    EXPECT_EQ(l.State(5).LabelColumn, 1);
    EXPECT_EQ(l.CodeAt(5, 1, l.State(5).LabelRow + 2), 3) << "the box's left frame";
}

TEST_F(Annotations, TheLowerRecordShowsWhereTwoCrossAndErasingRevealsTheOther) {
    TAnnotationLayer& l = Layer();
    TSignalScreen& screen = *l.GetScreen();
    const int row = 400, column = 300;
    const int sx = column - screen.FirstLayerX();
    // Record 3: a white tick through row 400; record 1: a highlighted level on row 400.
    TAnnLabelParam tick = Record(6, column, row);
    l.SetSlot(3, tick);
    TAnnLabelParam level = Record(4, 50, row);
    l.SetSlot(1, level);
    const TColor background = screen.Bitmap().Pixel(sx, 100);
    EXPECT_EQ(screen.Bitmap().Pixel(sx, row), TColor::FromRGB(255, 128, 176)) << "record 1's highlighted mark";
    EXPECT_EQ(l.CellColor(column, row), TColor(0xFFB080FFu));
    l.SetSlot(1, TAnnLabelParam{});
    EXPECT_EQ(screen.Bitmap().Pixel(sx, row), clWhite) << "record 3 shows again";
    EXPECT_FALSE(l.State(1).Drawn);
    TAnnLabelParam hidden = tick;
    hidden.Shown = false;
    l.SetSlot(3, hidden);
    EXPECT_EQ(screen.Bitmap().Pixel(sx, row), background);
    for (int y = 1; y < l.MaxY(); ++y)
        for (int x = 1; x < l.MaxX(); ++x) ASSERT_EQ(l.Cell(x, y), 0) << x << "," << y;
    EXPECT_FALSE(screen.SlotOwnsPixels(slAnnotation1));
    EXPECT_THROW(l.CellColor(column, row), EInternalError) << "no record draws there";
}

TEST_F(Annotations, AMoveRedrawsFromTheGlyphAndALongLabelStaysInItsBox) {
    TAnnotationLayer& l = Layer();
    l.SetSlot(1, Record(0, 500, 300, "Rise"));
    EXPECT_EQ(l.GlyphRenders(), 1);
    for (int row = 301; row < 340; ++row) l.SetSlot(1, Record(0, 500, row, "Rise"));
    EXPECT_EQ(l.GlyphRenders(), 1) << "a move renders no text";
    EXPECT_EQ(l.State(1).Row, 339);
    l.SetSlot(1, Record(0, 500, 339, "Fall"));
    EXPECT_EQ(l.GlyphRenders(), 2);

    // A label from a language file far too long for the glyph is cut at 151 x 19.
    const std::string longText(300, 'W');
    l.SetSlot(2, Record(1, 100, 400, longText));
    EXPECT_EQ(l.Glyph(2).Width, AnnGlyphMaxWidth);
    EXPECT_LE(l.Glyph(2).Height, AnnGlyphMaxHeight);
    const auto& s = l.State(2);
    for (int y = 1; y < l.MaxY(); ++y)
        for (int x = 1; x < l.MaxX(); ++x) {
            if (!Has(l, 2, x, y)) continue;
            const bool inBox = x >= s.LabelColumn && x < s.LabelColumn + AnnGlyphMaxWidth && y >= s.LabelRow &&
                               y < s.LabelRow + AnnGlyphMaxHeight;
            const bool mark = (y >= 395 && y <= 405 && x >= 100 && x <= 175);
            ASSERT_TRUE(inBox || mark) << x << "," << y;
        }
}

TEST_F(Annotations, RecordsArraysAndTheAnnotatedMeasurement) {
    TAnnotationState& state = Services().Annotations();
    TAnnLabelArray a;
    DefinePointAnnotation(state, a, 3, ssCh1, true, "Rise", 2);
    DefineLevelAnnotation(state, a, 2, ssCh1, false, "Top", 4);
    EXPECT_EQ(state.UsedSlots, 3);
    EXPECT_EQ(a[3].Kind, 1);
    EXPECT_EQ(a[2].Kind, 2);
    SetAnnotationTextNumbered(a, 3, "Rise", 2);
    EXPECT_EQ(a[3].Text, "Rise (2)");
    SetAnnotationTextNumbered(a, 3, "Rise", 1);
    EXPECT_EQ(a[3].Text, "Rise");
    SetAnnotationPoint(a, 2, 1000, 600);
    SetAnnotationX2(a, 2, 1500);
    CopyAnnotationPoint(a, 3, 2);
    EXPECT_EQ(GetAnnotationX(a, 3) + GetAnnotationY(a, 3) + GetAnnotationX2(a, 3), 3100);
    const TAnnLabelArray copy = a;
    SetAllAnnotationsVisible(state, a, false);
    EXPECT_TRUE(copy[3].Shown && !a[3].Shown) << "copied by value";
    EXPECT_THROW(a[9], std::exception);

    // Both kinds drawn, each on its own layer; clearing frees them.
    SetAllAnnotationsVisible(state, a, true);
    RefreshAnnotationLayers(Services(), a);
    TScopeCRT& panel = *Services().Panel();
    ASSERT_NE(panel.ExistingAnnotationLayer(1), nullptr);
    ASSERT_NE(panel.ExistingAnnotationLayer(2), nullptr);
    EXPECT_TRUE(dynamic_cast<TAnnotationLayer&>(*panel.ExistingAnnotationLayer(1)).State(3).Drawn);
    state.AnnotatedMeas = 5;
    state.Owner = 1;
    RemoveMeasAnnotations(Services(), 6);
    RemoveMeasAnnotations(Services(), -1);
    EXPECT_EQ(state.AnnotatedMeas, 5);
    RemoveMeasAnnotations(Services(), 2);
    EXPECT_EQ(state.AnnotatedMeas, 4);
    EXPECT_NE(panel.ExistingAnnotationLayer(1), nullptr);
    RemoveMeasAnnotations(Services(), 4);
    EXPECT_EQ(state.AnnotatedMeas, -1);
    EXPECT_EQ(state.UsedSlots, 0);
    EXPECT_EQ(state.Owner, 0);
    EXPECT_EQ(panel.ExistingAnnotationLayer(1), nullptr);
    EXPECT_EQ(panel.ExistingAnnotationLayer(2), nullptr);
}

// The top strip's fields written while a low window hides the strip show when it comes back.
TEST_F(Annotations, TheTopStripKeepsWhatALowWindowHid) {
    TScopeCRT& panel = *Services().Panel();
    Services().PlacePanel(0, 0, 250, 804);
    ASSERT_FALSE(panel.TopStrip().Visible());
    const std::size_t copies = Sink.Copies.size();
    Services().TopTextShowWaveformCount(12);
    EXPECT_EQ(Sink.Copies.size(), copies) << "nothing reaches the window while hidden";
    Services().PlacePanel(0, 0, 604, 804);
    ASSERT_TRUE(panel.TopStrip().Visible());
    const TPixelRect cell = TopCellRect(10, 2);
    int lit = 0;
    // The second row's cell reaches below the strip's 31 rows.
    for (int y = cell.Top; y < panel.TopStrip().Height(); ++y)
        for (int x = cell.Left; x <= cell.Right; ++x) lit += panel.TopStrip().Bitmap().Pixel(x, y) == clWhite;
    EXPECT_GT(lit, 20) << "the count was drawn into the strip";
    // A wide window: the strip takes the panel's width less the margin it has in the default window
    // (a 548 wide panel, 544 inside, holds the 530 wide strip), and shows its fields again at once.
    Services().PlacePanel(0, 0, 604, 1900 - 240);
    EXPECT_EQ(panel.TopStrip().Width(), 1900 - 240 - 4 - 14);
    Services().PlacePanel(0, 0, 604, 548);
    EXPECT_EQ(panel.TopStrip().Width(), 530);
    // The panel of a 641-pixel window with both side menus (641 - 124 - 120 = 397, 393 inside): the
    // strip, 10 pixels from the left, ends two pixels inside it rather than running past its edge.
    Services().PlacePanel(0, 0, 604, 397);
    EXPECT_EQ(panel.TopStrip().Width(), 393 - 10 - 2);
}
