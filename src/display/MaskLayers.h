#pragma once
// The mask template and the failing samples of the mask test, drawn over the waveforms. The template
// asks the rasterised mask cell by cell through the point test below, which the serial-data library
// implements; the display knows nothing else of masks.
#include <functional>
#include <string>

#include "display/OverlayLayers.h"

namespace vt {

// The point test of the current mask, in screen units (x 0..4000; y in 1/32 rows).
class TMaskPointTest {
public:
    virtual ~TMaskPointTest() = default;
    // 0 outside, 1 inside a mask polygon, 2 inside a margin polygon.
    virtual int TestPoint(int x, int y32) const = 0;
    // Centre of mask polygon n (1..8) in screen units; (0, 0) past the last polygon.
    virtual void GetPolygonCenter(int n, int& x, int& y) const = 0;
};

// The mask in use, or none.
using TMaskPointTestSource = std::function<const TMaskPointTest*()>;

class TMaskLayer : public TMarkerLayer {
public:
    TMaskLayer(std::string name, bool marginFlag, int slot, int rows, int columns, TMaskPointTestSource mask);

    // Margins are filled half as opaque as the mask; the numbers are opaque.
    void SetLayerColorAndOpacity(TColor colour) override;
    // Cell 1 the mask, 2 a margin, any other a polygon's number.
    TColor CellColor(int x, int y) const override;
    // Fills the cells from the mask and writes the polygon numbers; nothing without a mask.
    void Rebuild();
    int XScale() const { return XScale_; }
    int YScale() const { return YScale_; }
    TColor FillColor() const { return Fill_; }
    TColor LabelColor() const { return Label_; }

private:
    void DrawNumber(int n, int x, int y);
    TMaskPointTestSource Mask_;
    int XScale_ = 4000;
    int YScale_ = 32768;
    TColor Fill_{0};
    TColor Label_{0};
};

class TMaskErrorLayer : public TMarkerLayer {
public:
    TMaskErrorLayer(std::string name, bool marginFlag, int slot, int rows, int columns)
        : TMarkerLayer(std::move(name), marginFlag, slot, rows, columns) {
        Grabbable = false;
    }
    // A failing sample at a point in screen units.
    void AddPoint(int x, int y) { DrawCell(ScreenXToCell(x), ScreenYToCell(y)); }
};

// Registers both classes in a panel's overlay classes; the template asks mask for the mask in use.
void RegisterMaskLayerClasses(TOverlayClasses& classes, TMaskPointTestSource mask);

}  // namespace vt
