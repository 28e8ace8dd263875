#include "serial/MaskObject.h"

#include <algorithm>
#include <cmath>

#include "core/Numeric.h"

namespace vt {

const TMask_Obj::TPolygon& TMask_Obj::Polygon(int position, int set) const {
    return Polygons_[static_cast<std::size_t>((set & 1) * 8 + (position & 7))];
}

void TMask_Obj::AddPolygon(int set, int n, const double* y, const double* x) {
    set &= 1;
    const int limit = set == 1 || Margins_ ? 4 : 8;
    if (Counts_[static_cast<std::size_t>(set)] >= limit || n < 0) return;
    TPolygon& p = Polygons_[static_cast<std::size_t>(set * 8 + Counts_[static_cast<std::size_t>(set)])];
    ++Counts_[static_cast<std::size_t>(set)];
    p = TPolygon{};
    p.Start.assign(MaskObjectColumns + 1, 0);
    if (n == 0) return;
    std::vector<std::int32_t> X(static_cast<std::size_t>(n)), Y(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double xi = std::isfinite(x[i]) ? std::clamp(x[i], 0.0, 4000.0) : 0.0;
        const double yi = std::isfinite(y[i]) ? std::clamp(y[i], 0.0, 1024.0) : 0.0;
        X[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(RoundHalfEven(xi));
        Y[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(RoundHalfEven(32 * yi));
    }
    // Closed: the last vertex to the first, then each vertex back to the one before.
    const auto edge = [&](int a, int b) {
        // On equal X the later-visited vertex (b) comes first.
        const bool swap = X[static_cast<std::size_t>(a)] >= X[static_cast<std::size_t>(b)];
        const int f = swap ? b : a, s = swap ? a : b;
        p.Edges.push_back({X[static_cast<std::size_t>(f)], Y[static_cast<std::size_t>(f)], X[static_cast<std::size_t>(s)],
                           Y[static_cast<std::size_t>(s)]});
    };
    edge(0, n - 1);
    for (int i = n - 1; i >= 1; --i) edge(i, i - 1);
    // Each edge in the columns X1 + 1 .. X2: a shared vertex counts once, a vertical edge never.
    for (const TEdge& e : p.Edges)
        for (int c = e.X1 + 1; c <= e.X2; ++c) ++p.Start[static_cast<std::size_t>(c + 1)];
    for (int c = 0; c < MaskObjectColumns; ++c) p.Start[static_cast<std::size_t>(c + 1)] += p.Start[static_cast<std::size_t>(c)];
    p.Index.resize(static_cast<std::size_t>(p.Start[MaskObjectColumns]));
    std::vector<std::int32_t> fill(p.Start.begin(), p.Start.end() - 1);
    for (std::size_t k = 0; k < p.Edges.size(); ++k)
        for (int c = p.Edges[k].X1 + 1; c <= p.Edges[k].X2; ++c)
            p.Index[static_cast<std::size_t>(fill[static_cast<std::size_t>(c)]++)] = static_cast<std::int32_t>(k);
    p.MinX = *std::min_element(X.begin(), X.end());
    p.MaxX = *std::max_element(X.begin(), X.end());
    p.MinY = *std::min_element(Y.begin(), Y.end());
    p.MaxY = *std::max_element(Y.begin(), Y.end());
}

bool TMask_Obj::Inside(const TPolygon& p, int r, int c) const {
    if (p.Edges.empty() || c < p.MinX || c > p.MaxX || r < p.MinY || r > p.MaxY) return false;
    bool inside = false;
    const std::int32_t* k = p.Index.data() + p.Start[static_cast<std::size_t>(c)];
    const std::int32_t* stop = p.Index.data() + p.Start[static_cast<std::size_t>(c) + 1];
    for (; k != stop; ++k) {
        const TEdge& e = p.Edges[static_cast<std::size_t>(*k)];
        const bool below1 = e.Y1 < r, below2 = e.Y2 < r;
        if (below1 != below2) {
            const std::int32_t y = e.Y1 + static_cast<std::int32_t>(static_cast<std::int64_t>(c - e.X1) * (e.Y2 - e.Y1) / (e.X2 - e.X1));
            if (y < r) inside = !inside;
        } else if (below1) {
            inside = !inside;
        }
    }
    return inside;
}

bool TMask_Obj::PointInPolygon(int position, int set, int row32, int column) const {
    if (position < 0 || position >= Counts_[static_cast<std::size_t>(set & 1)] || column < 0 || column > 4000) return false;
    return Inside(Polygon(position, set), row32, column);
}

std::uint8_t TMask_Obj::HitMask(int column, int row) const {
    if (column < 0 || column > 4000) return 0;
    const int r = row * 32;
    std::uint8_t hits = 0;
    for (int p = 0; p < Counts_[0]; ++p)
        if (Inside(Polygons_[static_cast<std::size_t>(p)], r, column)) hits |= static_cast<std::uint8_t>(1u << p);
    if (Margins_)
        for (int p = 0; p < Counts_[1]; ++p)
            if (Inside(Polygons_[static_cast<std::size_t>(8 + p)], r, column)) hits |= static_cast<std::uint8_t>(1u << (p + 4));
    return hits;
}

int TMask_Obj::TestPoint(int x, int y32) const {
    if (x < 0 || x > 4000) return 0;
    bool mask = false;
    for (int p = 0; p < Counts_[0] && !mask; ++p) mask = Inside(Polygons_[static_cast<std::size_t>(p)], y32, x);
    if (!Margins_) return mask ? 1 : 0;
    bool margin = false;
    for (int p = 0; p < Counts_[1] && !margin; ++p) margin = Inside(Polygons_[static_cast<std::size_t>(8 + p)], y32, x);
    if (!mask) return margin ? 2 : 0;
    return margin && InnerMargins_ ? 2 : 1;
}

void TMask_Obj::GetPolygonCenter(int n, int& x, int& y) const {
    x = y = 0;
    if (n < 1 || n > Counts_[0]) return;
    const TPolygon& p = Polygons_[static_cast<std::size_t>(n - 1)];
    x = (p.MinX + p.MaxX) / 2;
    y = ((p.MinY + p.MaxY) / 2) / 32;
}

}  // namespace vt
