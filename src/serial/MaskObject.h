#pragma once
// The rasterised mask: the current mask's polygons as integer edges with, per polygon and column,
// the edges that cross that column, so a point test is a bounding-box check and a walk over the few
// edges of its column. Built once per mask change, asked for every stored sample while the test runs.
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
    const TPolygon& Polygon(int position, int set) const;
    bool Inside(const TPolygon& p, int row32, int column) const;

    std::array<std::uint8_t, 2> Counts_{};
    std::array<TPolygon, 16> Polygons_{};  // 8 positions a set
    bool InnerMargins_ = false;
    bool Margins_ = false;
};

}  // namespace vt
