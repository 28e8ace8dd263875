#pragma once
// The overlay layers of the display panel: the histogram, the two marker layers (or the one overlay
// of a screen), the two annotation layers, the mask layers and the zoom frame. The panel owns them
// and hands them out through its get-or-create operations; the features that draw them register
// their classes here, so a getter whose class is not registered frees what is unbound and gives none.
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "display/ScreenLayers.h"

namespace vt {

// A layer that follows a source's layer: a marker, an annotation, a mask or an overlay of readouts.
// Its cells hold line drawings: 0 empty, 1 drawn. Only layers of screens with a margin can be taken by
// the mouse (none on the XY screen).
class TMarkerLayer : public TScreenLayer {
public:
    TMarkerLayer(std::string name, bool marginFlag, int slot, int rows, int columns);
    TColor CellColor(int, int) const override { return Color(); }

    // The layer it follows; the panel clears it when that layer goes.
    void SetSourceLayer(TScreenLayer* layer) { SourceLayer_ = layer; }
    TScreenLayer* SourceLayer() const { return SourceLayer_; }
    void SetFirstMarker(bool first) { FirstMarker_ = first; }
    bool FirstMarker() const { return FirstMarker_; }

    // Screen units (x 0..4000 from the left, y 0..1024 from the bottom) to cells and back, kept off
    // the border; halves round to even.
    int ScreenXToCell(int x) const;
    int ScreenYToCell(int y) const;
    int CellToScreenX(int column) const;
    int CellToScreenY(int row) const;

    // The outline from the left to the right column on the top and bottom rows and from the top to
    // the bottom row on both columns. Unchanged values redraw nothing unless forced.
    void SetBox(int left, int top, bool force, int bottom, int right);
    int BoxLeft() const { return BoxLeft_; }
    int BoxRight() const { return BoxRight_; }
    int BoxTop() const { return BoxTop_; }
    int BoxBottom() const { return BoxBottom_; }

protected:
    // A cell drawn or cleared with its pixel; a cell already so composes nothing.
    void DrawCell(int x, int y);
    void ClearCell(int x, int y);
    void Outline(bool draw);

    // While the left column is 0 nothing is drawn.
    int BoxLeft_ = 0;
    int BoxRight_ = 0;
    int BoxTop_ = 0;
    int BoxBottom_ = 0;

private:
    TScreenLayer* SourceLayer_ = nullptr;  // not owned
    bool FirstMarker_ = false;
};

// What a drag of an overlay reaches. The marker and histogram-window layers write their settings by
// header, raising Dragging for the write so that its after-change takes the change as the user's; the
// measurement, FFT and TDR layers hand the grabbed part and every move to their feature's sink.
struct TPartDragSink {
    std::function<void(int part)> Grab;
    // X and Y in screen units.
    std::function<void(int part, int x, int y)> Drag;
};

struct TOverlayDrags {
    bool Dragging = false;
    std::function<void(const std::string& header, double value)> WriteSetting;
    // 1: the window set "Hist:WVert:", 2: "Hist:WHor:", else none.
    std::function<int()> HistAxisKind;
    TPartDragSink Meas;
    TPartDragSink Fft;
    TPartDragSink Tdr;

    void Write(const std::string& header, double value) {
        if (!WriteSetting) return;
        Dragging = true;
        WriteSetting(header, value);
        Dragging = false;
    }
};

// The classes of the overlays, each made by the feature that draws it.
enum class TOverlayClass : int {
    HistWindow,
    MeasParams,
    FftMeasParams,
    EyeParams,
    TdrMargins,
    XMarker,
    YMarker,
    XYMarker,
    Annotation,
    Mask,
    MaskError,
    MaskEdit,
    Count
};

using TOverlayFactory =
    std::function<std::unique_ptr<TMarkerLayer>(std::string name, bool marginFlag, int slot, int rows, int columns)>;

class TOverlayClasses {
public:
    void Register(TOverlayClass kind, TOverlayFactory factory) { Factories_.at(Index(kind)) = std::move(factory); }
    const TOverlayFactory& Factory(TOverlayClass kind) const { return Factories_.at(Index(kind)); }

private:
    static std::size_t Index(TOverlayClass kind) { return static_cast<std::size_t>(kind); }
    std::array<TOverlayFactory, static_cast<std::size_t>(TOverlayClass::Count)> Factories_{};
};

// One overlay with the class it was made as and the screen it was made for.
struct TOverlaySlot {
    std::unique_ptr<TMarkerLayer> Layer;
    TOverlayClass Class = TOverlayClass::Count;
    int Screen = 0;
};

// What the panel keeps of the overlays.
struct TOverlaySet {
    TOverlayClasses Classes;
    TOverlayDrags Drags;
    std::unique_ptr<THistLayer> Hist;
    std::array<TOverlaySlot, 2> Markers;
    std::array<TOverlaySlot, 2> Annotations;
    TOverlaySlot Mask;
    TOverlaySlot MaskEdit;
    TOverlaySlot MaskError;
    std::unique_ptr<TFrameLayer> Frame;
    int FrameScreen = 0;
};

}  // namespace vt
