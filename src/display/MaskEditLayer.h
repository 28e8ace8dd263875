#pragma once
// The polygons of a mask while it is edited: up to 8, each cell keeping the set of polygons through
// it (bit n for polygon n) and a colour index, so a line two polygons share stays drawn when one goes.
// The selected polygon shows in its own colours with square handles on its vertices.
#include <array>
#include <cstdint>
#include <vector>

#include "display/OverlayLayers.h"
#include "display/ScreenMouse.h"

namespace vt {

inline constexpr int MaskEditPolygons = 8;

struct TMaskEditPolyRec {
    std::uint16_t Count = 0;
    std::vector<std::uint16_t> X;  // cells
    std::vector<std::uint16_t> Y;
};

class TMaskEditLayer : public TMarkerLayer, public TMaskEditHits {
public:
    // Palette indices.
    enum : std::uint8_t { ciLayer = 0, ciSelectedEdge = 1, ciClosingEdge = 2, ciHandle = 3, ciSelectedHandle = 4 };

    TMaskEditLayer(std::string name, bool marginFlag, int slot, int rows, int columns);

    TColor CellColor(int x, int y) const override;
    // The layer colour is the palette's first.
    void SetLayerColorAndOpacity(TColor colour) override;
    // Polygon n (0..7) from vertices in screen units, drawn anew; select: n becomes the selected
    // polygon with vertex selected, else no polygon is selected.
    void SetPolygon(int n, int count, int vertex, bool select, const double* xs, const double* ys);
    // The polygon with a line within 4 cells of (x, y) (-1 none) and its vertex within 4 cells (-1 none).
    int FindAt(int x, int y, int& vertex) const override;

    const TMaskEditPolyRec& Polygon(int n) const { return Polygons_.at(static_cast<std::size_t>(n)); }
    int SelectedPolygon() const { return SelPolygon_; }
    int SelectedVertex() const { return SelVertex_; }
    std::uint8_t ColorIndex(int x, int y) const { return Plane_[CellIndex(x, y)]; }
    TColor PaletteColor(int index) const;

private:
    void SetCellOf(int bit, int index, int x, int y);
    void ClearCellOf(int bit, bool clearIndex, int x, int y);
    // Draws (or erases) the edge between two cells with the polygon's bit.
    void Edge(int bit, int index, bool draw, bool clearIndex, int x1, int y1, int x2, int y2);
    void DrawPolygon(int n, bool draw);

    std::array<TMaskEditPolyRec, MaskEditPolygons> Polygons_{};
    int SelPolygon_ = -1;
    int SelVertex_ = -1;
    std::array<TColor, 5> Palette_;
    std::vector<std::uint8_t> Plane_;
};

// Registers the class in a panel's overlay classes.
void RegisterMaskEditLayerClass(TOverlayClasses& classes);

}  // namespace vt
