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
class TMarkerLayer : public TScreenLayer {
public:
    using TScreenLayer::TScreenLayer;
    TColor CellColor(int, int) const override { return Color(); }

    // The layer it follows; the panel clears it when that layer goes.
    void SetSourceLayer(TScreenLayer* layer) { SourceLayer_ = layer; }
    TScreenLayer* SourceLayer() const { return SourceLayer_; }
    void SetFirstMarker(bool first) { FirstMarker_ = first; }
    bool FirstMarker() const { return FirstMarker_; }

    // Screen units (x 0..4000 from the left, y 0..1024 from the bottom) to cells, kept off the border.
    int ScreenXToCell(int x) const;
    int ScreenYToCell(int y) const;

private:
    TScreenLayer* SourceLayer_ = nullptr;  // not owned
    bool FirstMarker_ = false;
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
