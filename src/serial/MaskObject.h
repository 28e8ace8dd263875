#pragma once
// The rasterised mask: the current mask's polygons as integer edges with, per polygon and column,
// the edges that cross that column. From them a table per column of the row spans and the polygons
// each span lies in, so a sample's test is one column lookup and a walk over its few spans. Built
// once per mask change (at the first test after it), asked for every stored sample while the test runs.
#include <array>
#include <cstdint>
#include <vector>

#include "display/MaskLayers.h"

namespace vt {

inline constexpr int MaskObjectColumns = 4001;

class TMask_Obj : public TMaskPointTest {
public:
    // set 0 mask polygons, 1 margin polygons; X in columns, Y in rows. Vertices are kept on the
    // screen (columns 0..4000, rows 0..1024); a set takes at most 4 polygons with margins, else 8.
    void AddPolygon(int set, int n, const double* y, const double* x);
    void SetMarginsOn(bool on) { Margins_ = on; }
    void SetInnerMargins(bool on) { InnerMargins_ = on; }
    bool MarginsOn() const { return Margins_; }
    int PolygonCount(int set) const { return Counts_[static_cast<std::size_t>(set & 1)]; }

    // Bit p: inside mask polygon position p; bit p + 4: inside margin polygon p (margins on only).
    std::uint8_t HitMask(int column, int row) const;
    int TestPoint(int x, int y32) const override;
    void GetPolygonCenter(int n, int& x, int& y) const override;
    // Row in 1/32-row units.
    bool PointInPolygon(int position, int set, int row32, int column) const;

private:
    struct TEdge {
        std::int32_t X1, Y1, X2, Y2;
    };
    struct TPolygon {
        std::vector<TEdge> Edges;
        std::int32_t MinX = 0, MinY = 0, MaxX = 0, MaxY = 0;
        // Column index, flat: the edges crossing column c are Index[Start[c] .. Start[c + 1]).
        std::vector<std::int32_t> Start;
        std::vector<std::int32_t> Index;
    };
    // From row From (1/32 rows) to the next span's From: the mask polygons (bit p) and the margin
    // polygons (bit p) the rows lie in. Rows below a column's first span lie in none.
    struct TSpan {
        std::int32_t From;
        std::uint8_t Mask, Margin;
    };
    const TPolygon& Polygon(int position, int set) const;
    bool Inside(const TPolygon& p, int row32, int column) const;
    // The span holding the row of the column (a zero span where none does).
    TSpan SpanAt(int column, int row32) const;
    void BuildSpans() const;

    std::array<std::uint8_t, 2> Counts_{};
    std::array<TPolygon, 16> Polygons_{};  // 8 positions a set
    bool InnerMargins_ = false;
    bool Margins_ = false;
    // The spans of column c are Spans_[SpanStart_[c] .. SpanStart_[c + 1]); built when first asked.
    mutable std::vector<std::int32_t> SpanStart_;
    mutable std::vector<TSpan> Spans_;
    mutable bool SpansBuilt_ = false;
};

}  // namespace vt
