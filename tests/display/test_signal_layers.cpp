#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <span>
#include <vector>

#include "LayerTestKit.h"
#include "display/PersistenceLayers.h"
#include "display/SignalLayers.h"

using namespace vt;
using vt::test::TLayerOnScreen;
using vt::test::TTestScreen;

namespace {

constexpr TColor Back{0x101010};

// Rows of margin column c that are set.
std::vector<int> MarginRows(const TParentSignalLayer& l, int c) {
    std::vector<int> rows;
    for (int y = 0; y <= l.MaxY(); ++y)
        if (l.MarginCell(c, y)) rows.push_back(y);
    return rows;
}

}  // namespace

TEST(SignalLayers, DotsMapColumnsRowsCellsAndTheChannelMarker) {
    TLayerOnScreen<TSimpleSignalLayer> s;
    TSimpleSignalLayer& l = s.L;
    l.SetScales(4096, 1, 0);
    EXPECT_EQ(l.PointColumn(0), 1);
    EXPECT_EQ(l.PointColumn(15), 2);
    EXPECT_EQ(l.PointColumn(4000), 549);
    EXPECT_EQ(l.PointColumn(4008), 551);

    l.PutPoint(0, 0.5);
    l.PutPoint(1, 10);
    l.PutPoint(2, -10);
    l.PutPoint(4008, 0);  // beyond the right edge: no cell
    EXPECT_EQ(l.PointRow(0), 154);
    EXPECT_EQ(l.PointRow(1), 1);
    EXPECT_EQ(l.PointRow(2), 351);
    EXPECT_EQ(l.PointRow(4008), 0);
    EXPECT_EQ(s.T.Pixel(1, 154), TColor(0x80FFFF));

    // Two points in one cell: the pixel stays until both have gone.
    l.PutPoint(3, 0.5);
    ASSERT_EQ(l.PointColumn(3), 1);
    EXPECT_EQ(l.Cell(1, 154), 2);
    l.PutPoint(0, 0);
    EXPECT_EQ(s.T.Pixel(1, 154), TColor(0x80FFFF));
    l.PutPoint(3, 0);
    EXPECT_EQ(s.T.Pixel(1, 154), Back);
    EXPECT_EQ(l.Cell(1, 176), 2);

    // NaN releases the point's cell; infinities clip.
    l.PutPoint(0, std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(l.PointRow(0), 0);
    EXPECT_EQ(l.Cell(1, 176), 1);
    l.PutPoint(0, std::numeric_limits<double>::infinity());
    EXPECT_EQ(l.PointRow(0), 1);
    l.PutPoint(0, -std::numeric_limits<double>::infinity());
    EXPECT_EQ(l.PointRow(0), 351);

    // "C1" and the right arrow from margin column 3, the glyph's bottom on row 180.
    EXPECT_EQ(l.MarkerRow(), 176);
    for (int c = 0; c < 3; ++c) EXPECT_TRUE(MarginRows(l, c).empty()) << c;
    EXPECT_FALSE(MarginRows(l, 4).empty());  // the C's second column (60)
    EXPECT_EQ(MarginRows(l, 4).back(), 180 - 2);
    EXPECT_EQ(MarginRows(l, 13).front(), 180 - 7);  // the digit's 255 column spans rows 173..180
    EXPECT_EQ(MarginRows(l, 13).back(), 180);
    EXPECT_EQ(s.T.Pixel(13 - 21, 180), TColor(0x80FFFF));

    // Zero level three divisions above the screen: the up arrow on rows 1..8.
    l.SetScales(4096, 1, -7 * 1.0);
    EXPECT_EQ(l.MarkerRow(), mrAbove);
    EXPECT_EQ(MarginRows(l, 18), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));  // the arrow's 255 column
    EXPECT_TRUE(MarginRows(l, 4).size() > 0 && MarginRows(l, 4).back() <= 8);
    // Highlighted: inverse video in the ten-row band.
    l.DrawChannelMarker(mrAbove, true);
    EXPECT_TRUE(l.MarginCell(0, 0) && l.MarginCell(20, 9));
    EXPECT_FALSE(l.MarginCell(18, 1));
    s.T.DumpIfFailed("dots");
}

TEST(SignalLayers, MarkerNearAnEdgeStaysInsideTheLayer) {
    // A layer on the lower part of a taller screen would have its marker spill on the rows below it.
    TTestScreen t(572, 400, Back);
    TSimpleSignalLayer l("l", false, 8, 353, 551);
    l.SetSource(2);
    l.SetSignalScreenAndRegisterSelfInIt(&t.Screen);
    l.SetLayerColorAndOpacity(TColor(0xFFFFFF80));
    for (int row : {0, 1, 352, 351, 350}) {
        l.DrawChannelMarker(row, true);
        for (int y = 353; y < 400; ++y)
            for (int x = -21; x < 0; ++x) ASSERT_EQ(t.Pixel(x, y), Back) << row << " " << y;
        l.DrawChannelMarker(row, false);
    }
    l.Erase();
    EXPECT_FALSE(t.Screen.SlotOwnsPixels(8));
    l.Unregister();
}

TEST(SignalLayers, VectorsJoinColumnsHalfWayAndSurviveARepaint) {
    TLayerOnScreen<TVectorSignalLayer> s(TColor(0xFF00FF00));
    TVectorSignalLayer& l = s.L;
    EXPECT_EQ(l.LineColor(), TColor(0xFF009600));
    TLayerOnScreen<TVectorSignalLayer> ch1;
    EXPECT_EQ(ch1.L.LineColor(), TColor(0xFF4B9696));

    l.SetScales(4096, 1, 0);
    const double perRow = 1.0 / 44;
    auto value = [&](int row) { return (176 - row) * perRow; };
    // Points 0..7 in column 1, 8..14 in column 1 or 2: find two points in adjacent columns.
    int a = 0;
    while (l.PointColumn(a + 1) == l.PointColumn(a)) ++a;
    const int p = l.PointColumn(a), c = l.PointColumn(a + 1);
    ASSERT_EQ(c, p + 1);
    for (int i = 0; i <= a; ++i) l.PutPoint(i, value(100));
    l.PutPoint(a + 1, value(300));
    EXPECT_EQ(l.DrawnSpan(p), (std::pair<int, int>{100, 200}));
    // Column c is drawn once the next column starts.
    int b = a + 1;
    while (l.PointColumn(b + 1) == c) l.PutPoint(++b, value(300));
    l.PutPoint(b + 1, value(300));
    EXPECT_EQ(l.DrawnSpan(c), (std::pair<int, int>{200, 300}));
    EXPECT_EQ(s.T.Pixel(p, 150), TColor(0x009600));
    EXPECT_EQ(s.T.Pixel(p, 100), TColor(0x00FF00));

    // 100 -> 301 meets at 200 too (200.5 rounds to even).
    l.SetScales(4096, 1, 0);
    for (int i = 0; i <= a; ++i) l.PutPoint(i, value(100));
    l.PutPoint(a + 1, (176 - 301) * perRow);
    EXPECT_EQ(l.DrawnSpan(p), (std::pair<int, int>{100, 200}));

    // A colour change while stopped keeps the lines (the layer repaints its line cells).
    l.SetLayerColorAndOpacity(TColor(0xFF0000FF));
    EXPECT_EQ(s.T.Pixel(p, 150), TColor(0x000096));
    l.Refresh();
    EXPECT_EQ(s.T.Pixel(p, 150), TColor(0x000096));
    s.T.DumpIfFailed("vectors");
}

TEST(SignalLayers, InterleavedVectorLayersEachInterpolateToTheRightEdgeFromTheirOwnLastPoint) {
    TTestScreen t(572, 353, Back);
    TVectorSignalLayer a("a", false, 8, 353, 551), b("b", false, 10, 353, 551);
    for (TVectorSignalLayer* l : {&a, &b}) {
        l->SetSignalScreenAndRegisterSelfInIt(&t.Screen);
        l->SetLayerColorAndOpacity(TColor(0xFFFFFFFF));
        l->SetScales(4096, 1, 0);
    }
    // Ch1 flat at row 100, Ch2 flat at row 300, fed point by point in turn.
    for (int i = 0; i < 4096; ++i) {
        a.PutPoint(i, (176 - 100) / 44.0);
        b.PutPoint(i, (176 - 300) / 44.0);
    }
    // The last drawn column of each reaches the edge on its own row only.
    EXPECT_EQ(a.DrawnSpan(549), (std::pair<int, int>{100, 100}));
    EXPECT_EQ(b.DrawnSpan(549), (std::pair<int, int>{300, 300}));
    for (TVectorSignalLayer* l : {&a, &b}) {
        l->Erase();
        l->Unregister();
    }
}

TEST(SignalLayers, MonoCopyShowsPointsLinesAndMarker) {
    TLayerOnScreen<TVectorSignalLayer> s;
    s.L.SetScales(4, 1, 0);
    for (int i = 0; i < 4; ++i) s.L.PutPoint(i, i % 2 ? 1.0 : -1.0);
    TSLBMP mono;
    s.L.CopyToMonoBitmap(mono, true);
    EXPECT_EQ(mono.Width(), 551 + 21);
    EXPECT_EQ(mono.Pixel(1 + 21, 176 + 44), clWhite);
    int lineRows = 0;  // the line between the first two points, half-way across
    for (int y = 0; y < mono.Height(); ++y) lineRows += mono.Pixel(70 + 21, y) == clWhite;
    EXPECT_TRUE(lineRows >= 1 && lineRows <= 2) << lineRows;
    EXPECT_EQ(mono.Pixel(13, 180), clWhite);      // the marker's digit
    EXPECT_EQ(mono.Pixel(0, 0), clBlack);
}

namespace {

enum TTraceKind { tkDots, tkVectors, tkPersistence, tkColourGrade };

std::unique_ptr<TParentSignalLayer> MakeTrace(TTraceKind kind) {
    switch (kind) {
        case tkDots: return std::make_unique<TSimpleSignalLayer>("t", false, slCh1, 353, 551);
        case tkVectors: return std::make_unique<TVectorSignalLayer>("t", false, slCh1, 353, 551);
        case tkPersistence: return std::make_unique<TPersistSignalLayer>("t", false, slCh1, 353, 551);
        case tkColourGrade: return std::make_unique<TColorGrSignalLayer>("t", false, slCh1, 353, 551);
    }
    return nullptr;
}

// A trace of one kind over a grid on its own screen.
struct TTraceOnGrid {
    explicit TTraceOnGrid(TTraceKind kind)
        : T(572, 353, Back), Grat("g", false, slGraticule, 353, 551), L(MakeTrace(kind)) {
        Grat.SetSignalScreenAndRegisterSelfInIt(&T.Screen);
        Grat.SetLayerColorAndOpacity(TColor(0xFF404040));
        Grat.SetStyle(gsGrid);
        Grat.Refresh();
        L->SetSource(0);
        L->SetSignalScreenAndRegisterSelfInIt(&T.Screen);
        L->SetLayerColorAndOpacity(TColor(0xFF80FFFF));
        if (auto* persist = dynamic_cast<TPersistSignalLayer*>(L.get())) persist->SetPersistTime(1000);
    }
    ~TTraceOnGrid() {
        L->Erase();
        L->Unregister();
    }
    TTestScreen T;
    TGraticLayer Grat;
    std::unique_ptr<TParentSignalLayer> L;
};

}  // namespace

TEST(SignalLayers, ASweepPlottedInRunsEqualsTheSamePointsPlottedOneByOne) {
    // Each kind of trace takes three sweeps of a 4096-point record, each over the one before: once
    // in runs of uneven length inside one batch, once point by point with every change composed at
    // once. Cell counts must be those counted here from the values, and the two screens alike pixel
    // for pixel; the dots' pixels are checked against the grid and the counts too.
    constexpr int Points = 4096, Rows = 353, Columns = 551;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<std::vector<double>> sweeps(3, std::vector<double>(Points));
    for (int n = 0; n < Points; ++n) {
        const auto k = static_cast<std::size_t>(n);
        sweeps[0][k] = 1.2 * std::sin(n * 0.007);
        sweeps[1][k] = n % 97 == 5 ? nan : n == 2000 ? std::numeric_limits<double>::infinity() : 1.2 * std::sin(n * 0.007) + 0.37;
        sweeps[2][k] = (n / 300) % 2 ? 2.5 : -0.8 + n * 1e-4;
    }
    const int runs[] = {1, 7, 300, 64, 1000, 2, 513};
    for (TTraceKind kind : {tkDots, tkVectors, tkPersistence, tkColourGrade}) {
        SCOPED_TRACE(kind);
        TTraceOnGrid byRuns(kind), byPoints(kind);
        TParentSignalLayer& a = *byRuns.L;
        TParentSignalLayer& b = *byPoints.L;
        std::vector<int> everVisited(static_cast<std::size_t>(Rows * Columns), 0);
        for (std::size_t s = 0; s < sweeps.size(); ++s) {
            const std::vector<double>& values = sweeps[s];
            a.SetScales(Points, 0.5, 0.1);
            b.SetScales(Points, 0.5, 0.1);
            byRuns.T.Screen.BeginUpdate();
            for (int first = 0, r = 0; first < Points; ++r) {
                const int n = std::min(runs[r % std::size(runs)], Points - first);
                a.PutPoints(first, std::span<const double>(values).subspan(static_cast<std::size_t>(first), static_cast<std::size_t>(n)));
                first += n;
            }
            byRuns.T.Screen.EndUpdate();
            for (int n = 0; n < Points; ++n) b.PutPoint(n, values[static_cast<std::size_t>(n)]);

            // The counts from the values: row = half height less the value's rows off the centre,
            // rounded half to even and kept off the top and bottom rows; 352 rows span 8 divisions.
            std::vector<int> counts(static_cast<std::size_t>(Rows * Columns), 0);
            for (int n = 0; n < Points; ++n) {
                const double v = values[static_cast<std::size_t>(n)];
                const int x = a.PointColumn(n);
                if (std::isnan(v) || x >= Columns) continue;
                const double exact = std::clamp(176 - (v - 0.1) * 352 / 4.0, 1.0, 351.0);
                const int y = static_cast<int>(std::nearbyint(exact));
                ++counts[static_cast<std::size_t>(y * Columns + x)];
            }
            int wrong = 0;
            for (int y = 0; y < Rows; ++y)
                for (int x = -ScreenMargin; x < Columns; ++x) {
                    const std::size_t i = static_cast<std::size_t>(y * Columns + std::max(x, 0));
                    bool same = byRuns.T.Pixel(x, y) == byPoints.T.Pixel(x, y);
                    if (x >= 0) {
                        same = same && a.Cell(x, y) == counts[i] && b.Cell(x, y) == counts[i];
                        if (kind == tkDots) {
                            const TColor expected = counts[i] > 0 ? TColor(0x80FFFF) : byRuns.Grat.Cell(x, y) != 0 ? TColor(0x404040) : Back;
                            same = same && byRuns.T.Pixel(x, y) == expected;
                        }
                        if (kind == tkVectors) {
                            const auto& va = static_cast<const TVectorSignalLayer&>(a);
                            same = same && va.LineCell(x, y) == static_cast<const TVectorSignalLayer&>(b).LineCell(x, y);
                        }
                        if (kind == tkPersistence || kind == tkColourGrade) {
                            const auto& ca = static_cast<const TComplicatedSignalLayer&>(a);
                            const auto& cb = static_cast<const TComplicatedSignalLayer&>(b);
                            same = same && ca.Marked(x, y) == cb.Marked(x, y) && ca.Stamp(x, y) == cb.Stamp(x, y);
                            // A cell a point left stays marked until a point comes back to it.
                            if (kind == tkPersistence) same = same && ca.Marked(x, y) == (counts[i] == 0 && everVisited[i] > 0);
                        }
                    }
                    if (!same && ++wrong <= 5) ADD_FAILURE() << "sweep " << s << " cell (" << x << ", " << y << ")";
                }
            EXPECT_EQ(wrong, 0) << "sweep " << s;
            for (std::size_t i = 0; i < counts.size(); ++i) everVisited[i] += counts[i];
            EXPECT_LE(byRuns.T.Screen.CompositionCount(), byPoints.T.Screen.CompositionCount()) << "each pixel once a reading";
        }
        byRuns.T.DumpIfFailed("runs");
    }
}
