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
    SpansBuilt_ = false;
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

// A polygon's inside at a column changes only where a row passes an edge's crossing (the edge counts
// from the row above the crossing on) and at the polygon's top and bottom rows: between those rows
// every polygon keeps its state, so one span per change holds the answer Inside gives for each row.
void TMask_Obj::BuildSpans() const {
    struct TEvent {
        std::int32_t Row;
        std::uint8_t Slot;
        std::int8_t Kind;  // 0: an edge crossing, +1 / -1: into / out of the rows of the polygon
    };
    SpanStart_.assign(MaskObjectColumns + 1, 0);
    Spans_.clear();
    std::vector<TEvent> events;
    for (int c = 0; c < MaskObjectColumns; ++c) {
        SpanStart_[static_cast<std::size_t>(c)] = static_cast<std::int32_t>(Spans_.size());
        events.clear();
        for (int set = 0; set < 2; ++set)
            for (int n = 0; n < Counts_[static_cast<std::size_t>(set)]; ++n) {
                const auto slot = static_cast<std::uint8_t>(set * 8 + n);
                const TPolygon& p = Polygons_[slot];
                if (p.Edges.empty() || c < p.MinX || c > p.MaxX) continue;
                events.push_back({p.MinY, slot, 1});
                events.push_back({p.MaxY + 1, slot, -1});
                const std::int32_t* k = p.Index.data() + p.Start[static_cast<std::size_t>(c)];
                const std::int32_t* stop = p.Index.data() + p.Start[static_cast<std::size_t>(c) + 1];
                for (; k != stop; ++k) {
                    const TEdge& e = p.Edges[static_cast<std::size_t>(*k)];
                    const std::int32_t y = e.Y1 + static_cast<std::int32_t>(static_cast<std::int64_t>(c - e.X1) * (e.Y2 - e.Y1) / (e.X2 - e.X1));
                    events.push_back({y + 1, slot, 0});
                }
            }
        std::sort(events.begin(), events.end(), [](const TEvent& a, const TEvent& b) { return a.Row < b.Row; });
        std::array<bool, 16> odd{};
        std::array<int, 16> rows{};
        TSpan last{0, 0, 0};
        for (std::size_t i = 0; i < events.size();) {
            const std::int32_t row = events[i].Row;
            for (; i < events.size() && events[i].Row == row; ++i) {
                const TEvent& e = events[i];
                if (e.Kind == 0) odd[e.Slot] = !odd[e.Slot];
                else rows[e.Slot] += e.Kind;
            }
            TSpan span{row, 0, 0};
            for (std::size_t s = 0; s < 16; ++s)
                if (odd[s] && rows[s] > 0) {
                    std::uint8_t& bits = s < 8 ? span.Mask : span.Margin;
                    bits = static_cast<std::uint8_t>(bits | (1u << (s & 7)));
                }
            if (span.Mask != last.Mask || span.Margin != last.Margin) Spans_.push_back(span);
            last = span;
        }
    }
    SpanStart_[MaskObjectColumns] = static_cast<std::int32_t>(Spans_.size());
    SpansBuilt_ = true;
}

TMask_Obj::TSpan TMask_Obj::SpanAt(int column, int row32) const {
    if (!SpansBuilt_) BuildSpans();
    TSpan found{0, 0, 0};
    const TSpan* s = Spans_.data() + SpanStart_[static_cast<std::size_t>(column)];
    const TSpan* stop = Spans_.data() + SpanStart_[static_cast<std::size_t>(column) + 1];
    for (; s != stop && s->From <= row32; ++s) found = *s;
    return found;
}

std::uint8_t TMask_Obj::HitMask(int column, int row) const {
    if (column < 0 || column > 4000) return 0;
    const TSpan s = SpanAt(column, row * 32);
    return Margins_ ? static_cast<std::uint8_t>(s.Mask | (s.Margin << 4)) : s.Mask;
}

int TMask_Obj::TestPoint(int x, int y32) const {
    if (x < 0 || x > 4000) return 0;
    const TSpan s = SpanAt(x, y32);
    const bool mask = s.Mask != 0;
    if (!Margins_) return mask ? 1 : 0;
    const bool margin = s.Margin != 0;
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
