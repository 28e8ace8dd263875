#include "display/MaskEditLayer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/Numeric.h"

namespace vt {

namespace {
// Stepping a line rounds each cell of the other coordinate, halves to even.
int RoundCell(double v) { return static_cast<int>(RoundHalfEven(v)); }
}  // namespace

TMaskEditLayer::TMaskEditLayer(std::string name, bool marginFlag, int slot, int rows, int columns)
    : TMarkerLayer(std::move(name), marginFlag, slot, rows, columns),
      Palette_{TColor(0xFF0000FFu), TColor(0xFFFFFF00u), TColor(0xFF7F7F00u), TColor(0xFFFF0000u), TColor(0xFF00FFFFu)},
      Plane_(Grid_.size(), 0) {}

TColor TMaskEditLayer::PaletteColor(int index) const {
    if (index < 0 || index >= static_cast<int>(Palette_.size())) index = ciLayer;
    return Palette_[static_cast<std::size_t>(index)];
}

void TMaskEditLayer::SetLayerColorAndOpacity(TColor colour) {
    Palette_[ciLayer] = colour;
    TMarkerLayer::SetLayerColorAndOpacity(colour);
}

TColor TMaskEditLayer::CellColor(int x, int y) const { return PaletteColor(Plane_[CellIndex(x, y)]); }

void TMaskEditLayer::SetCellOf(int bit, int index, int x, int y) {
    const std::size_t i = CellIndex(x, y);
    Plane_[i] = static_cast<std::uint8_t>(index);
    Grid_[i] = static_cast<std::uint16_t>(Grid_[i] | (1u << bit));
    SetPixel(x, y);
}

void TMaskEditLayer::ClearCellOf(int bit, bool clearIndex, int x, int y) {
    const std::size_t i = CellIndex(x, y);
    Grid_[i] = static_cast<std::uint16_t>(Grid_[i] & ~(1u << bit));
    if (clearIndex) Plane_[i] = ciLayer;
    // A line another polygon shares stays, in the colour its cell keeps.
    if (Grid_[i] == 0) ClearPixel(x, y);
    else SetPixel(x, y);
}

void TMaskEditLayer::Edge(int bit, int index, bool draw, bool clearIndex, int x1, int y1, int x2, int y2) {
    const int dx = x2 - x1, dy = y2 - y1;
    const bool alongRows = std::abs(dy) > std::abs(dx);
    const int steps = alongRows ? std::abs(dy) : std::abs(dx);
    for (int k = 0; k <= steps; ++k) {
        int x, y;
        // The other coordinate from the first end each time: summed steps would drift off a half.
        if (alongRows) {
            y = y1 + (dy > 0 ? k : -k);
            x = steps == 0 ? x1 : RoundCell(x1 + static_cast<double>(dx) * k / steps);
        } else {
            x = x1 + (dx > 0 ? k : -k);
            y = steps == 0 ? y1 : RoundCell(y1 + static_cast<double>(dy) * k / steps);
        }
        if (x < 0 || x > MaxX() || y < 0 || y > MaxY()) continue;
        if (draw) SetCellOf(bit, index, x, y);
        else ClearCellOf(bit, clearIndex, x, y);
    }
}

void TMaskEditLayer::DrawPolygon(int n, bool draw) {
    const TMaskEditPolyRec& p = Polygons_[static_cast<std::size_t>(n)];
    if (p.Count == 0) return;
    const bool selected = n == SelPolygon_;
    const int last = p.Count - 1;
    BeginUpdate();
    Edge(n, selected ? ciClosingEdge : ciLayer, draw, selected, p.X[static_cast<std::size_t>(last)],
         p.Y[static_cast<std::size_t>(last)], p.X[0], p.Y[0]);
    for (int i = 1; i <= last; ++i)
        Edge(n, selected ? ciSelectedEdge : ciLayer, draw, selected, p.X[static_cast<std::size_t>(i - 1)],
             p.Y[static_cast<std::size_t>(i - 1)], p.X[static_cast<std::size_t>(i)], p.Y[static_cast<std::size_t>(i)]);
    if (selected && SelVertex_ >= 0) {
        for (int i = 0; i <= last; ++i) {
            const int index = i == SelVertex_ ? ciSelectedHandle : ciHandle;
            const int vx = p.X[static_cast<std::size_t>(i)], vy = p.Y[static_cast<std::size_t>(i)];
            for (int y = vy - 2; y <= vy + 2; ++y)
                for (int x = vx - 2; x <= vx + 2; ++x) {
                    if (x <= 0 || x >= MaxX() || y <= 0 || y >= MaxY()) continue;
                    if (draw) SetCellOf(n, index, x, y);
                    else ClearCellOf(n, true, x, y);
                }
        }
    }
    EndUpdate();
}

void TMaskEditLayer::SetPolygon(int n, int count, int vertex, bool select, const double* xs, const double* ys) {
    if (n < 0 || n >= MaskEditPolygons) return;
    TMaskEditPolyRec& p = Polygons_[static_cast<std::size_t>(n)];
    if (p.Count > 0) {
        DrawPolygon(n, false);
        p = TMaskEditPolyRec{};
    }
    count = std::max(count, 0);
    p.Count = static_cast<std::uint16_t>(count);
    p.X.resize(static_cast<std::size_t>(count));
    p.Y.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const double x = std::clamp(xs[i], -1e6, 1e6), y = std::clamp(ys[i], -1e6, 1e6);
        p.X[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(ScreenXToCell(RoundCell(x)));
        p.Y[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(ScreenYToCell(RoundCell(y)));
    }
    if (select) {
        SelPolygon_ = n;
        SelVertex_ = vertex;
    } else {
        SelPolygon_ = -1;
    }
    DrawPolygon(n, true);
}

int TMaskEditLayer::FindAt(int x, int y, int& vertex) const {
    vertex = -1;
    std::array<int, MaskEditPolygons> distance;
    distance.fill(255);
    for (int row = y - 3; row <= y + 3; ++row)
        for (int column = x - 3; column <= x + 3; ++column) {
            if (column <= 0 || column >= MaxX() || row <= 0 || row >= MaxY()) continue;
            const std::uint16_t set = Cell(column, row);
            for (int n = 0; n < MaskEditPolygons; ++n)
                if (set & (1u << n))
                    distance[static_cast<std::size_t>(n)] = std::min(
                        distance[static_cast<std::size_t>(n)], std::min(std::abs(column - x), std::abs(row - y)));
        }
    int polygon = -1;
    for (int n = 0; n < MaskEditPolygons; ++n)
        if (distance[static_cast<std::size_t>(n)] < 5 &&
            (polygon < 0 || distance[static_cast<std::size_t>(n)] < distance[static_cast<std::size_t>(polygon)]))
            polygon = n;
    if (polygon < 0) return -1;
    const TMaskEditPolyRec& p = Polygons_[static_cast<std::size_t>(polygon)];
    int best = -1, bestDistance = 0;
    for (int i = 0; i < p.Count; ++i) {
        const int d = std::max(std::abs(p.X[static_cast<std::size_t>(i)] - x), std::abs(p.Y[static_cast<std::size_t>(i)] - y));
        if (best < 0 || d < bestDistance) best = i, bestDistance = d;
    }
    vertex = best >= 0 && bestDistance <= 4 ? best : -1;
    return polygon;
}

void RegisterMaskEditLayerClass(TOverlayClasses& classes) {
    classes.Register(TOverlayClass::MaskEdit, [](std::string name, bool marginFlag, int slot, int rows, int columns) {
        return std::make_unique<TMaskEditLayer>(std::move(name), marginFlag, slot, rows, columns);
    });
}

}  // namespace vt
